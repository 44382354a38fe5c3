#include "frame/lv2/Lv2Instance.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "lv2/atom/atom.h"
#include "lv2/atom/util.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/options/options.h"
#include "lv2/time/time.h"

#include "frame/Descriptor.h"

namespace frame::lv2 {

namespace {
constexpr int kDefaultMaxBlock = 4096;


// The largest block the host announces, by the options it passes.
int maxBlockOf(const LV2_Feature* const* features, const LV2_URID_Map* map)
{
  const auto* options = static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  if (!options || !map)
    return kDefaultMaxBlock;
  const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
  const LV2_URID maxKey = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID nominalKey = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
  int nominal = 0;
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o)
  {
    if (o->type != intType || o->size < sizeof(int32_t) || !o->value)
      continue;
    int32_t v;
    std::memcpy(&v, o->value, sizeof v);
    if (o->key == maxKey && v > 0)
      return v;
    if (o->key == nominalKey && v > 0)
      nominal = v;
  }
  return nominal > 0 ? nominal : kDefaultMaxBlock;
}
} // namespace

Instance::Instance(std::unique_ptr<IFramePlugin> plug, double sampleRate, const LV2_Feature* const* features)
  : mPlug(std::move(plug)), mLayout(*mPlug), mSampleRate(sampleRate),
    mAudioIn(mLayout.nAudioIn, nullptr), mAudioOut(mLayout.nAudioOut, nullptr),
    mSegmentIn(mLayout.nAudioIn, nullptr), mSegmentOut(mLayout.nAudioOut, nullptr),
    mParamPorts(mLayout.nParams, nullptr), mLastValues(mLayout.nParams, NAN)
{
  for (int i = 0; i < mPlug->NParams(); ++i)
    mUnits.push_back(UnitOf(*mPlug->GetParam(i)));

  const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  if (map)
  {
    auto m = [map](const char* uri) { return map->map(map->handle, uri); };
    mUrids = {m(LV2_ATOM__Blank), m(LV2_ATOM__Object), m(LV2_ATOM__Float), m(LV2_ATOM__Double),
              m(LV2_ATOM__Int), m(LV2_ATOM__Long), m(LV2_TIME__Position), m(LV2_TIME__bar),
              m(LV2_TIME__barBeat), m(LV2_TIME__beat), m(LV2_TIME__beatUnit), m(LV2_TIME__beatsPerBar),
              m(LV2_TIME__beatsPerMinute), m(LV2_TIME__frame), m(LV2_TIME__speed)};
    mChunkType = m(LV2_ATOM__Chunk);
    mStateKey = m(StateKeyUri(PluginDescriptor().uri).c_str());
    mPresetKey = m(PresetKeyUri(PluginDescriptor().uri).c_str());
    mIntType = m(LV2_ATOM__Int);
    mLongType = m(LV2_ATOM__Long);
  }
  mPlug->SetAPI(9); // "LV2"
  mPlug->Initialize("");
  mPlug->SetupProcessing(sampleRate, maxBlockOf(features, map));
}

void Instance::ConnectPort(uint32_t port, void* data)
{
  if (port < mLayout.nAudioIn)
    mAudioIn[port] = static_cast<const float*>(data);
  else if (port < mLayout.Control())
    mAudioOut[port - mLayout.nAudioIn] = static_cast<float*>(data);
  else if (port == mLayout.Control())
    mControl = static_cast<const LV2_Atom_Sequence*>(data);
  else if (port == mLayout.Enabled())
    mEnabled = static_cast<const float*>(data);
  else if (const int idx = mLayout.ParamOf(port); idx >= 0)
    mParamPorts[static_cast<size_t>(idx)] = static_cast<const float*>(data);
}

void Instance::Activate() { mPlug->SetActive(true); }

void Instance::Deactivate()
{
  mPlug->SetActive(false);
  mPlug->OnReset();
}

void Instance::applyPortValues()
{
  // Most runs change nothing: a first pass only compares each port's bits with the last
  // value's, one comparison where the values take several (NaN is not equal to itself).
  const size_t n = mParamPorts.size();
  const float* const* ports = mParamPorts.data();
  const float* last = mLastValues.data();
  size_t first = 0;
  while (first < n && (!ports[first] || std::memcmp(ports[first], &last[first], sizeof(float)) == 0))
    ++first;
  for (size_t i = first; i < n; ++i)
  {
    const float* port = mParamPorts[i];
    if (!port)
      continue;
    const float v = *port;
    if (std::isnan(v) || v == mLastValues[i])
      continue;
    mLastValues[i] = v;
    const IParam& param = *mPlug->GetParam(static_cast<int>(i));
    // A port that shows the value the parameter holds leaves it alone: a default or a
    // preset not exact in 32 bits keeps its exact value, and sounds as in every format.
    if (v == PortValueFromParam(mUnits[i], param.Value()))
      continue;
    const double value = param.Constrain(ParamValueFromPort(mUnits[i], v));
    mPlug->ApplyHostParamChange(static_cast<int>(i), param.ToNormalized(value));
  }
  if (mEnabled && !std::isnan(*mEnabled) && *mEnabled != mLastEnabled)
  {
    mLastEnabled = *mEnabled;
    mPlug->SetBypassed(!(mLastEnabled >= 0.5f));
  }
}

void Instance::processSegment(uint32_t start, uint32_t end)
{
  for (size_t c = 0; c < mAudioIn.size(); ++c)
    mSegmentIn[c] = mAudioIn[c] ? mAudioIn[c] + start : nullptr;
  for (size_t c = 0; c < mAudioOut.size(); ++c)
    mSegmentOut[c] = mAudioOut[c] ? mAudioOut[c] + start : nullptr;
  const int n = static_cast<int>(end - start);
  mTime.Info(mPlug->TimeInfoToFill());
  mPlug->ProcessBuffers(mSegmentIn.data(), static_cast<int>(mSegmentIn.size()), mSegmentOut.data(),
                        static_cast<int>(mSegmentOut.size()), n);
  mTime.Advance(n, mSampleRate);
}

void Instance::Run(uint32_t nFrames)
{
  AudioThreadScope audioThread;
  applyPortValues();

  uint32_t pos = 0;
  if (mControl && mControl->atom.size >= sizeof(LV2_Atom_Sequence_Body))
  {
    const auto* body = reinterpret_cast<const uint8_t*>(&mControl->body);
    const uint32_t size = mControl->atom.size;
    uint32_t offset = sizeof(LV2_Atom_Sequence_Body);
    // Events are read only as far as the sequence says it reaches, in whatever order
    // their times come: one in the past applies where the run has got to.
    while (size - offset >= sizeof(LV2_Atom_Event))
    {
      const auto* ev = reinterpret_cast<const LV2_Atom_Event*>(body + offset);
      const uint32_t avail = size - offset - static_cast<uint32_t>(sizeof(LV2_Atom_Event));
      if (ev->body.size > avail)
        break;
      const int64_t t = ev->time.frames;
      const uint32_t at = t <= static_cast<int64_t>(pos) ? pos : t >= static_cast<int64_t>(nFrames) ? nFrames : static_cast<uint32_t>(t);
      const uint32_t atomSize = ev->body.size + static_cast<uint32_t>(sizeof(LV2_Atom));
      TimePosition trial = mTime;
      if (trial.Read(mUrids, &ev->body, atomSize, mSampleRate))
      {
        if (at > pos)
          processSegment(pos, at);
        pos = at;
        // Read again where the event falls: what it leaves out has moved on to there.
        mTime.Read(mUrids, &ev->body, atomSize, mSampleRate);
      }
      offset += static_cast<uint32_t>(sizeof(LV2_Atom_Event)) + lv2_atom_pad_size(ev->body.size);
      if (offset > size)
        break;
    }
  }
  // A run of no frames still takes the main thread's changes, as hosts use it for that.
  if (pos < nFrames || nFrames == 0)
    processSegment(pos, nFrames);
}

LV2_State_Status Instance::Save(LV2_State_Store_Function store, LV2_State_Handle handle)
{
  if (!mStateKey || !mChunkType)
    return LV2_STATE_ERR_NO_FEATURE;
  IByteChunk chunk;
  if (!mPlug->SaveState(chunk))
    return LV2_STATE_ERR_UNKNOWN;
  return store(handle, mStateKey, chunk.GetData(), static_cast<size_t>(chunk.Size()), mChunkType,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Instance::Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
  if (!mStateKey || !mChunkType)
    return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* data = retrieve(handle, mStateKey, &size, &type, &flags);
  if (!data)
    return restoreFactoryPreset(retrieve, handle);
  if (type != mChunkType)
    return LV2_STATE_ERR_BAD_TYPE;
  const auto* bytes = static_cast<const uint8_t*>(data);
  size_t offset = 0;
  // All or nothing: a chunk the plug-in refuses leaves every setting as it was.
  const bool loaded = mPlug->LoadStateFrom([&](void* buffer, int64_t capacity) {
    const size_t n = std::min(size - offset, static_cast<size_t>(capacity));
    std::memcpy(buffer, bytes + offset, n);
    offset += n;
    return static_cast<int64_t>(n);
  });
  return loaded ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}

LV2_State_Status Instance::restoreFactoryPreset(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* data = retrieve(handle, mPresetKey, &size, &type, &flags);
  if (!data)
    return LV2_STATE_ERR_NO_PROPERTY;
  int64_t idx = -1;
  if (type == mIntType && size == sizeof(int32_t))
  {
    int32_t i;
    std::memcpy(&i, data, sizeof i);
    idx = i;
  }
  else if (type == mLongType && size == sizeof(int64_t))
    std::memcpy(&idx, data, sizeof idx);
  else
    return LV2_STATE_ERR_BAD_TYPE;
  // The preset itself, as the other formats recall it: the bypass stays the host's.
  if (idx < 0 || idx >= mPlug->NPresets() || !mPlug->RestorePreset(static_cast<int>(idx)))
    return LV2_STATE_ERR_UNKNOWN;
  return LV2_STATE_SUCCESS;
}

} // namespace frame::lv2
