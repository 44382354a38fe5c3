// The audio side of the CLAP binding: events at their sample positions, the transport, and
// the editor's gestures on their way to the host.
#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "frame/clap/IFrameCLAP.h"

namespace frame {

namespace {
constexpr int kMaxChannels = 8;

template <typename T>
T** channelsOf(const clap_audio_buffer_t& buffer);
template <>
float** channelsOf<float>(const clap_audio_buffer_t& buffer) { return buffer.data32; }
template <>
double** channelsOf<double>(const clap_audio_buffer_t& buffer) { return buffer.data64; }

template <typename T>
int attach(const clap_audio_buffer_t* buffers, uint32_t count, uint32_t start, T* (&channels)[kMaxChannels])
{
  if (count == 0 || !buffers)
    return 0;
  T** data = channelsOf<T>(buffers[0]);
  if (!data)
    return 0;
  const int n = static_cast<int>(std::min<uint32_t>(buffers[0].channel_count, kMaxChannels));
  for (int c = 0; c < n; ++c)
    channels[c] = data[c] ? data[c] + start : nullptr;
  return n;
}

// Powers of two: multiplying by their inverses is exact.
constexpr double kPerBeatTime = 1.0 / static_cast<double>(CLAP_BEATTIME_FACTOR);
constexpr double kPerSecTime = 1.0 / static_cast<double>(CLAP_SECTIME_FACTOR);

// Rounds to the nearest integer (ties to even) below 2^51 in magnitude, inline: adding and
// taking away 1.5 * 2^52 leaves no bits below the units. Beyond, every double is whole.
double wholeSamples(double x)
{
  constexpr double kShift = 6755399441055744.0;
  return std::fabs(x) < 2251799813685248.0 ? (x + kShift) - kShift : x;
}

// Hosts count the song in samples; the fixed-point beats are taken back to the nearest
// sample at the block's tempo, computed as a host computes beats from samples, so that the
// synchronised LFO hears the very position it hears through VST 3 (half a sample at most
// away, where the tempo changed earlier in the song).
double onSampleGrid(double beats, double samplesPerBeat, double tempo, double rate)
{
  if (!(tempo > 0.0))
    return beats;
  const double samples = wholeSamples(beats * samplesPerBeat);
  return samples / rate * tempo / 60.0;
}
} // namespace

template <typename T>
void IFrameCLAP::processSpan(const clap_process_t& process, uint32_t start, uint32_t end)
{
  // Only the first nIn and nOut entries are filled, and only they are read.
  T* inputs[kMaxChannels];
  T* outputs[kMaxChannels];
  const int nIn = attach<T>(process.audio_inputs, process.audio_inputs_count, start, inputs);
  const int nOut = attach<T>(process.audio_outputs, process.audio_outputs_count, start, outputs);
  timeInfoAt(static_cast<int>(start));
  mPlug->ProcessBuffers(inputs, nIn, outputs, nOut, static_cast<int>(end - start));
}

clap_process_status IFrameCLAP::Process(const clap_process_t* process)
{
  AssertAudioThread();
  AudioThreadScope audioThread;
  if (!process || !mActive)
    return CLAP_PROCESS_ERROR;

  if (process->transport)
    takeTransport(*process->transport);
  mBlockTimeOffset = 0;
  // The editor's gestures since the last call, at the block's start; the values themselves
  // reach the signal path through the frame, before the first frame is processed.
  if (!mGestures.Empty())
    sendGestures(process->out_events);

  const uint32_t frames = std::min<uint32_t>(process->frames_count, INT_MAX);
  followSteadyTime(*process, frames);
  const bool quiet = inputQuiet(*process, frames);
  if (mRest.BeforeCall(*mPlug, quiet))
    return sleepThrough(*process, frames);
  const bool wide = process->audio_outputs_count > 0 && process->audio_outputs && process->audio_outputs[0].data64;
  const clap_input_events_t* in = process->in_events;
  const uint32_t nEvents = in && in->size && in->get ? in->size(in) : 0;

  // The block is cut at every event; the effect's control grid runs on across the cuts. A
  // call of no frames still goes to the frame, which applies the edits waiting for it.
  // An event out of order takes effect where the block has got to.
  uint32_t done = 0;
  for (uint32_t i = 0; i < nEvents; ++i)
  {
    const clap_event_header_t* event = in->get(in, i);
    if (!event)
      continue;
    const uint32_t at = std::clamp(event->time, done, frames);
    if (at > done)
    {
      wide ? processSpan<double>(*process, done, at) : processSpan<float>(*process, done, at);
      done = at;
    }
    applyEvent(*event, static_cast<int>(done));
  }
  wide ? processSpan<double>(*process, done, frames) : processSpan<float>(*process, done, frames);
  return restStatus(*process, quiet);
}

void IFrameCLAP::Flush(const clap_input_events_t* in, const clap_output_events_t* out)
{
  if (!mActive)
  {
    AssertMainThread();
    applyInputEvents(in);
    sendGestures(out);
    return;
  }
  AssertAudioThread();
  AudioThreadScope audioThread;
  applyInputEvents(in);
  sendGestures(out);
}

void IFrameCLAP::applyInputEvents(const clap_input_events_t* in)
{
  const uint32_t n = in && in->size && in->get ? in->size(in) : 0;
  for (uint32_t i = 0; i < n; ++i)
    if (const clap_event_header_t* event = in->get(in, i))
      applyEvent(*event, 0);
}

void IFrameCLAP::applyEvent(const clap_event_header_t& event, int offset)
{
  if (event.space_id != CLAP_CORE_EVENT_SPACE_ID)
    return;
  if (event.type == CLAP_EVENT_PARAM_VALUE && event.size >= sizeof(clap_event_param_value_t))
  {
    const auto& e = reinterpret_cast<const clap_event_param_value_t&>(event);
    applyParamValue(e.param_id, e.value, offset);
  }
  else if (event.type == CLAP_EVENT_PARAM_MOD && event.size >= sizeof(clap_event_param_mod_t))
  {
    const auto& e = reinterpret_cast<const clap_event_param_mod_t&>(event);
    applyParamMod(e.param_id, e.amount, offset);
  }
  else if (event.type == CLAP_EVENT_TRANSPORT && event.size >= sizeof(clap_event_transport_t))
  {
    takeTransport(reinterpret_cast<const clap_event_transport_t&>(event));
    mBlockTimeOffset = offset;
  }
}

void IFrameCLAP::applyParamValue(clap_id id, double value, int offset)
{
  if (!std::isfinite(value))
    return;
  if (id == kBypassParamId)
    mPlug->SetBypassed(value >= 0.5);
  else if (id < static_cast<clap_id>(mPlug->NParams()))
    mPlug->ApplyHostParamChange(static_cast<int>(id), toNormalized(static_cast<int>(id), value), offset);
}

void IFrameCLAP::takeTransport(const clap_event_transport_t& transport)
{
  // As in every format: what the host does not supply reads as 0 (a tempo of 0 is 120).
  const uint32_t f = transport.flags;
  ITimeInfo t;
  t.mTempo = (f & CLAP_TRANSPORT_HAS_TEMPO) ? transport.tempo : 0.0;
  const bool beats = (f & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0;
  // The tempo seldom changes: the division for the grid's step is made once per tempo.
  if (t.mTempo != mGridTempo)
  {
    mGridTempo = t.mTempo;
    mSamplesPerBeat = t.mTempo > 0.0 ? 60.0 * mSampleRate / t.mTempo : 0.0;
  }
  t.mPPQPos = beats ? onSampleGrid(static_cast<double>(transport.song_pos_beats) * kPerBeatTime, mSamplesPerBeat, t.mTempo, mSampleRate) : 0.0;
  t.mLastBar = beats ? static_cast<double>(transport.bar_start) * kPerBeatTime : 0.0;
  t.mCycleStart = beats ? static_cast<double>(transport.loop_start_beats) * kPerBeatTime : 0.0;
  t.mCycleEnd = beats ? static_cast<double>(transport.loop_end_beats) * kPerBeatTime : 0.0;
  t.mSamplePosValid = beats && (f & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE);
  t.mSamplePos = t.mSamplePosValid
                   ? wholeSamples(static_cast<double>(transport.song_pos_seconds) * kPerSecTime * mSampleRate)
                   : -1.0;
  const bool signature = (f & CLAP_TRANSPORT_HAS_TIME_SIGNATURE) != 0;
  t.mNumerator = signature ? transport.tsig_num : 0;
  t.mDenominator = signature ? transport.tsig_denom : 0;
  t.mTransportIsRunning = (f & CLAP_TRANSPORT_IS_PLAYING) != 0;
  t.mTransportLoopEnabled = (f & CLAP_TRANSPORT_IS_LOOP_ACTIVE) != 0;
  // Both written from the fields just made: a copy of mBlockTime now would wait for them.
  mBlockTime = t;
  mPlug->TimeInfoToFill() = t;
  mBlockTimeShown = true;
}

void IFrameCLAP::timeInfoAt(int offset)
{
  const int later = offset - mBlockTimeOffset;
  const bool shown = std::exchange(mBlockTimeShown, false);
  if (later <= 0 || !mBlockTime.mTransportIsRunning)
  {
    if (!shown || later > 0)
      mPlug->SetTimeInfo(mBlockTime);
    return;
  }
  // A piece of a cut block starts later in the song than the block.
  ITimeInfo t = mBlockTime;
  t.mPPQPos = PositionAfter(t.mPPQPos, later, t.mTempo, mSampleRate);
  if (t.mSamplePosValid)
    t.mSamplePos += later;
  mPlug->SetTimeInfo(t);
}

void IFrameCLAP::sendGestures(const clap_output_events_t* out)
{
  Gesture g;
  while (mGestures.Pop(g))
  {
    if (!out || !out->try_push)
      continue;
    if (g.type == CLAP_EVENT_PARAM_VALUE)
    {
      clap_event_param_value_t e{};
      e.header = {sizeof(e), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
      e.param_id = g.id;
      e.note_id = -1;
      e.port_index = e.channel = e.key = -1;
      e.value = g.value;
      out->try_push(out, &e.header);
    }
    else
    {
      clap_event_param_gesture_t e{};
      e.header = {sizeof(e), 0, CLAP_CORE_EVENT_SPACE_ID, g.type, 0};
      e.param_id = g.id;
      out->try_push(out, &e.header);
    }
  }
}

} // namespace frame
