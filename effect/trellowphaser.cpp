#include "effect/trellowphaser.h"

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>

#include "effect/editor_sizes.h"
#include "frame/Descriptor.h"

const char versionMagic_2_0_1[] = "Mistlegrove Phaser_2.0.1";
const char versionMagic_2_0_0[] = "Mistlegrove Phaser_2.0.0";

namespace {
// What every tag of this effect starts with, whatever release wrote it.
constexpr char kTagPrefix[] = "Mistlegrove Phaser_";

constexpr int tagLength(const char* tag) { return static_cast<int>(std::char_traits<char>::length(tag)); }
} // namespace

frame::Config TrellowPhaser::makeConfig()
{
  const frame::Descriptor& d = frame::PluginDescriptor();
  frame::Config c;
  c.nParams = kNumParams;
  c.nPresets = kNumPresets;
  c.channelIOStr = d.channelIO;
  c.pluginName = d.name;
  c.productName = d.name;
  c.mfrName = d.vendor;
  c.vendorVersion = (2 << 16) | (0 << 8) | 1;
  c.uniqueID = static_cast<int>(d.classId[3]);
  c.mfrID = static_cast<int>(d.classId[2]);
  c.latency = 0;
  c.plugDoesMidiIn = false;
  c.plugDoesMidiOut = false;
  c.plugDoesMPE = false;
  c.plugDoesChunks = true;
  c.plugType = 0;
  c.plugHasUI = true;
  c.plugWidth = kEditorDefaultWidth;
  c.plugHeight = kEditorDefaultHeight;
  c.plugMinWidth = kEditorMinWidth;
  c.plugMaxWidth = kEditorMaxWidth;
  c.plugMinHeight = kEditorMinHeight;
  c.plugMaxHeight = kEditorMaxHeight;
  c.plugHostResize = false;
  c.bundleID = "com.mistlegrovemusic.vst3.TrellowPhaser";
  return c;
}

TrellowPhaser::TrellowPhaser(const frame::InstanceInfo& /*info*/) : TrellowPhaserBase(makeConfig())
{
  SetChannelLabel(frame::kInput, 0, "Mistlegrove Phaser Left");
  SetChannelLabel(frame::kInput, 1, "Mistlegrove Phaser Right");
  SetChannelLabel(frame::kOutput, 0, "Mistlegrove Phaser Left");
  SetChannelLabel(frame::kOutput, 1, "Mistlegrove Phaser Right");

  initParameters();
  initPresets();
}

TrellowPhaser::~TrellowPhaser() = default;

// ---------------------------------------------------------------------------------------
// Presets

void TrellowPhaser::initPresets()
{
  makePreset(0, "default", 0, 0.0625, 0.0, 0.5, std::sqrt(0.006), 0.5, 0.5, 0, 0.5, 1);
  makePreset(1, "Nebulesque", 0, 0.0625, 0.0, -0.65, std::sqrt(0.0032), 0.66, 0.5, 0, 0.5, 1);
  makePreset(2, "Uni-Vibe", 0, 0.25, 1.0, 0.0, std::sqrt(0.012), 0.9, 0.5, 0, 0.5, 1);
  makePreset(3, "8-Stager", 1, 0.62, 0.0, 0.0, std::sqrt(0.006), 0.95, 0.5, 0, 0.5, 1);
  makePreset(4, "8-Viber", 1, 1.0, 0.75, 0.0, std::sqrt(0.0176), 0.85, 0.5, 0, 0.5, 1);
  makePreset(5, "Wash out", 0, 0.48, 1.0, 0.26, std::sqrt(0.124), 0.9, 0.5, 0, 0.0, 0);
  makePreset(6, "Comfort", 1, 0.14, 0.35, 0.0, std::sqrt(0.016), 0.7, 0.5, 0, 1.0, 1);
  makePreset(7, "Vibrato", 0, 0.45, 1.0, 0.0, std::sqrt(0.22), 0.75, 1.0, 0, 0.5, 0);
  makePreset(8, "Feedbacker", 0, 1.0, 0.66, -0.86, std::sqrt(0.004), 0.95, 1.0, 0, 0.5, 1);
  makePreset(9, "Aliens", 1, 0.25, 0.5, 0.9, std::sqrt(0.32), 0.35, 1.0, 0, 1.0, 0);
}

void TrellowPhaser::makePreset(int index, const char* name, ...)
{
  frame::IPreset* preset = GetPreset(index);
  if (!preset)
    return;
  preset->mInitialized = true;
  std::strncpy(preset->mName, name, sizeof(preset->mName) - 1);
  preset->mName[sizeof(preset->mName) - 1] = '\0';

  // Written unchanged: stepping and clamping happen when the preset is recalled.
  frame::IByteChunk& chunk = preset->mChunk;
  chunk.Clear();
  chunk.PutBytes(versionMagic_2_0_1, tagLength(versionMagic_2_0_1));
  va_list args;
  va_start(args, name);
  for (int i = 0; i < kNumParams; ++i)
  {
    const bool whole = i == kParamStages || i == kParamSync || i == kParamWaveform;
    const double v = whole ? static_cast<double>(va_arg(args, int)) : va_arg(args, double);
    chunk.Put(&v);
  }
  va_end(args);
}

void TrellowPhaser::changePreset(int index) { RecallPresetFromUI(index); }

// ---------------------------------------------------------------------------------------
// State

bool TrellowPhaser::SerializeState(frame::IByteChunk& chunk) const
{
  chunk.PutBytes(versionMagic_2_0_1, tagLength(versionMagic_2_0_1));
  SerializeParams(chunk);
  return chunk.Size() > 0;
}

bool TrellowPhaser::isNewVersion(const frame::IByteChunk& chunk, int startPos, const char* tag)
{
  const int len = tagLength(tag);
  // Written so that no sum can overflow on a damaged start position.
  if (startPos < 0 || startPos > chunk.Size() || chunk.Size() - startPos < len)
    return false;
  return std::memcmp(chunk.GetData() + startPos, tag, static_cast<size_t>(len)) == 0;
}

int TrellowPhaser::ReadState(const frame::IByteChunk& chunk, int startPos, double* values) const
{
  const bool current = isNewVersion(chunk, startPos, versionMagic_2_0_1);
  const bool previous = isNewVersion(chunk, startPos, versionMagic_2_0_0);

  // A later release's tag: its layout is unknown, and reading the tag's bytes as values
  // would load nonsense, so the state is refused and nothing changes.
  if (!current && !previous && isNewVersion(chunk, startPos, kTagPrefix))
    return -1;

  int pos = startPos;
  int count = 7; // the first release wrote the bare values of parameters 0..6
  if (current || previous)
  {
    pos = startPos + tagLength(versionMagic_2_0_1);
    count = current ? 10 : 9;
  }

  // What an older release did not store starts from 0, not from the defaults.
  for (int i = 0; i < kNumParams; ++i)
    values[i] = 0.0;
  for (int i = 0; i < count; ++i)
  {
    pos = chunk.Get(&values[i], pos);
    // A chunk that ends early is no state: loading part of it would leave a project
    // half-restored, with the host showing other values than the ones heard.
    if (pos < 0)
      return -1;
    // Without a tag nothing marks the bytes as a state but its values: the first release
    // only wrote values in range, and a damaged tag read as values lies far outside.
    const frame::IParam* param = GetParam(i);
    if (!current && !previous && !(values[i] >= param->GetMin() && values[i] <= param->GetMax()))
      return -1;
  }
  return pos;
}

int TrellowPhaser::UnserializeState(const frame::IByteChunk& chunk, int startPos)
{
  double values[kNumParams];
  const int pos = ReadState(chunk, startPos, values);
  if (pos >= 0)
    ApplyState(values);
  return pos;
}
