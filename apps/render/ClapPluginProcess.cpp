// A .clap's processing: activation, the processing calls with their transport and
// parameter events, and stopping.

#include "apps/render/ClapPlugin.h"

namespace render {


bool ClapPlugin::Start(const ProcessSettings& settings, std::string& error)
{
  mSettings = settings;
  if (const auto* render = claphost::Extension<clap_plugin_render_t>(mPlugin, CLAP_EXT_RENDER))
    render->set(mPlugin, settings.realtime ? CLAP_RENDER_REALTIME : CLAP_RENDER_OFFLINE);
  const size_t frames = static_cast<size_t>(std::max(settings.maxBlockSize, 1));
  if (!mPlugin->activate(mPlugin, settings.sampleRate, 1, static_cast<uint32_t>(frames)))
  {
    error = "'" + mDescription.name + "' refuses to process at " + std::to_string(settings.sampleRate) + " Hz";
    return false;
  }
  mActive = true;
  mBuffers.Allocate(frames, !settings.doublePrecision, settings.doublePrecision);
  if (!mPlugin->start_processing(mPlugin))
  {
    error = "'" + mDescription.name + "' failed to start processing";
    return false;
  }
  mProcessing = true;
  // Every current value with the first call, as a host does at start.
  for (const PluginParam& p : mParams)
    if (!(p.flags & kParamReadOnly))
      mPending.Set(p.id, Normalized(p.id));
  mEvents.Reserve(mParams.size() + 1);

  // A transport playing from the start in 4/4 at the chosen tempo.
  clap_event_transport_t& t = mTransport;
  t = clap_event_transport_t{};
  t.header = {sizeof(t), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
  t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_HAS_SECONDS_TIMELINE |
            CLAP_TRANSPORT_HAS_TIME_SIGNATURE | CLAP_TRANSPORT_IS_PLAYING;
  t.tempo = settings.tempo;
  t.tsig_num = t.tsig_denom = 4;
  mCall = mBuffers.Call(0, settings.doublePrecision);
  mCall.transport = &mTransport;
  mCall.in_events = &mEvents.list;
  mCall.out_events = &mOut;
  mAsleep = false;
  mLookedFrames = 0;
  return true;
}

void ClapPlugin::FlushPending()
{
  mEvents.Clear();
  for (const auto& [id, n] : mPending)
    mEvents.Param(0, id, ToPlain(id, n));
  mPending.Clear();
  if (mProcessing)
    return;
  if (mParamsExt && !mEvents.Empty())
    mParamsExt->flush(mPlugin, &mEvents.list, &mOut);
  mEvents.Clear();
}

void ClapPlugin::MoveTransport(int64_t position)
{
  clap_event_transport_t& t = mTransport;
  // Positions are never negative here: adding a half and truncating rounds them.
  const double seconds = static_cast<double>(position) / mSettings.sampleRate;
  const double beats = seconds * mSettings.tempo / 60.0;
  const int32_t bar = static_cast<int32_t>(beats / 4.0);
  t.song_pos_beats = static_cast<clap_beattime>(beats * static_cast<double>(CLAP_BEATTIME_FACTOR) + 0.5);
  t.song_pos_seconds = static_cast<clap_sectime>(seconds * static_cast<double>(CLAP_SECTIME_FACTOR) + 0.5);
  t.bar_start = static_cast<clap_beattime>(bar) * 4 * CLAP_BEATTIME_FACTOR;
  t.bar_number = bar;
}

bool ClapPlugin::Process(int32_t frames, int64_t position, bool sameInput, std::string& error)
{
  // The events are cleared after each call, so a call with nothing pending needs no flush.
  if (!mPending.Empty())
    FlushPending();
  const uint32_t count = static_cast<uint32_t>(frames);
  // An instance asleep is called again at the first sound or event, as a host does.
  // Quiet over more frames is quiet over fewer.
  const bool looked = sameInput && count <= mLookedFrames;
  const bool quiet = looked ? mBuffers.InputMarkedQuiet() : mBuffers.MarkQuietInput(count);
  if (!looked)
    mLookedFrames = count;
  if (mAsleep && quiet && mEvents.Empty())
  {
    mBuffers.SilenceOutput(count);
    return true;
  }
  MoveTransport(position);
  mCall.frames_count = count;
  mCall.steady_time = position;
  mBuffers.OutputWritten();
  const clap_process_status status = mPlugin->process(mPlugin, &mCall);
  mAsleep = status == CLAP_PROCESS_SLEEP;
  mEvents.Clear();
  if (status == CLAP_PROCESS_ERROR)
  {
    error = "'" + mDescription.name + "' failed to process a block";
    return false;
  }
  return true;
}

void ClapPlugin::Stop()
{
  if (mProcessing)
    mPlugin->stop_processing(mPlugin);
  mProcessing = false;
  if (mActive)
    mPlugin->deactivate(mPlugin);
  mActive = false;
}

} // namespace render
