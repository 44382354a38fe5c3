#include "frame/IPluginBase.h"

#include <cctype>
#include <cstring>
#include <iterator>
#include <string>

namespace frame {

IPluginBase::IPluginBase(int nParams, int nPresets)
  : IGEditorDelegate(nParams), mPresets(static_cast<size_t>(nPresets > 0 ? nPresets : 0))
{
}

IPluginBase::~IPluginBase() = default;

void IPluginBase::InitFromConfig(const Config& c)
{
  mPluginName.Set(c.pluginName);
  mProductName.Set(c.productName);
  mMfrName.Set(c.mfrName);
  mBundleID.Set(c.bundleID);
  mVersion = c.vendorVersion;
  mUniqueID = c.uniqueID;
  mMfrID = c.mfrID;
  mStateChunks = c.plugDoesChunks;
  mHasUI = c.plugHasUI;
  mHostResize = c.plugHostResize;
  SetEditorSize(c.plugWidth, c.plugHeight);
  SetSizeConstraints(c.plugMinWidth, c.plugMaxWidth, c.plugMinHeight, c.plugMaxHeight);
}

namespace {
int decimalVersion(int packed)
{
  return ((packed >> 16) & 0xFFFF) * 10000 + ((packed >> 8) & 0xFF) * 100 + (packed & 0xFF);
}
void versionStr(int packed, IString& str)
{
  str.SetFormatted(-1, "v%d.%d.%d", (packed >> 16) & 0xFFFF, (packed >> 8) & 0xFF, packed & 0xFF);
}
} // namespace

int IPluginBase::GetPluginVersion(bool decimal) const { return decimal ? decimalVersion(mVersion) : mVersion; }
void IPluginBase::GetPluginVersionStr(IString& str) const { versionStr(mVersion, str); }
int IPluginBase::GetHostVersion(bool decimal) const { return decimal ? decimalVersion(mHostVersion) : mHostVersion; }
void IPluginBase::GetHostVersionStr(IString& str) const { versionStr(mHostVersion, str); }

const char* IPluginBase::GetAPIStr() const
{
  static const char* const names[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP", "LV2"};
  return mAPI >= 0 && mAPI < static_cast<int>(std::size(names)) ? names[mAPI] : "";
}

void IPluginBase::GetBuildInfoStr(IString& str, const char* date, const char* time) const
{
  IString version;
  GetPluginVersionStr(version);
  str.SetFormatted(-1, "%s %s (%s), built on %s at %.5s ", version.Get(), GetAPIStr(), GetArchStr(), date, time);
}

int IPluginBase::LookUpHost(const char* name)
{
  // Order matters: longer names that contain shorter ones come first.
  static const struct
  {
    const char* text;
    int id;
  } hosts[] = {
    {"reaper", 1}, {"protools", 2}, {"cubase", 3}, {"nuendo", 4}, {"cakewalk", 5}, {"vegas", 6},
    {"fruity", 7}, {"samplitude", 8}, {"live", 9}, {"tracktion", 10}, {"ntracks", 11},
    {"melodyne", 12}, {"vstmanlib", 13}, {"aulab", 14}, {"forte", 15}, {"chainer", 16},
    {"audition", 17}, {"orion", 18}, {"bias", 19}, {"sawstudio", 20}, {"logic", 21},
    {"garageband", 22}, {"digital", 23}, {"audiomulch", 25}, {"presonus", 26},
    {"vst3plugintesthost", 27}, {"ardour", 28}, {"renoise", 29}, {"openmpt", 30},
    {"wavelab elements", 32}, {"wavelab", 31}, {"twistedwave", 33}, {"bitwig studio", 34},
    {"reason", 36}, {"gwvst", 37}, {"waveform", 38}, {"audacity", 39}, {"acoustica", 40},
    {"plugindoctor", 41}, {"izotope rx", 42}, {"savihost", 43}, {"blue cat's vst host", 44},
    {"mixbus", 45}, {"standalone", 24}, {"www", 35},
  };
  std::string lower = name ? name : "";
  for (char& ch : lower)
    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  for (const auto& host : hosts)
    if (lower.find(host.text) != std::string::npos)
      return host.id;
  return kHostUnknown;
}

void IPluginBase::SetHost(const char* name, int version)
{
  mHost = LookUpHost(name);
  mHostVersion = version;
}

const char* IPluginBase::GetPresetName(int idx) const
{
  return idx >= 0 && idx < NPresets() ? mPresets[static_cast<size_t>(idx)].mName : "";
}

bool IPluginBase::RestorePreset(int idx)
{
  IPreset* preset = GetPreset(idx);
  if (!preset)
    return false;
  if (UnserializeState(preset->mChunk, 0) < 1)
    return false;
  mCurrentPresetIdx = idx;
  OnPresetsModified();
  OnRestoreState();
  return true;
}

void IPluginBase::RecallPresetFromUI(int idx)
{
  ModifyCurrentPreset(nullptr);
  RestorePreset(idx);
  InformHostOfPresetChange();
  for (int i = 0; i < NParams(); ++i)
    SendParameterValueFromDelegate(i, GetParam(i)->GetNormalized(), true);
}

void IPluginBase::ModifyCurrentPreset(const char* name)
{
  IPreset* preset = GetPreset(mCurrentPresetIdx);
  if (!preset)
    return;
  preset->mChunk.Clear();
  SerializeState(preset->mChunk);
  if (name)
  {
    std::strncpy(preset->mName, name, sizeof(preset->mName) - 1);
    preset->mName[sizeof(preset->mName) - 1] = '\0';
  }
}

bool IPluginBase::SerializeParams(IByteChunk& chunk) const
{
  for (int i = 0; i < NParams(); ++i)
  {
    const double v = GetParam(i)->Value();
    chunk.Put(&v);
  }
  return chunk.Size() > 0;
}

int IPluginBase::ReadState(const IByteChunk& chunk, int startPos, double* values) const
{
  int pos = startPos;
  for (int i = 0; i < NParams() && pos >= 0; ++i)
    pos = chunk.Get(&values[i], pos);
  return pos;
}

void IPluginBase::ApplyState(const double* values)
{
  for (int i = 0; i < NParams(); ++i)
    GetParam(i)->Set(values[i]);
  OnParamReset(kSourcePreset);
}

int IPluginBase::UnserializeParams(const IByteChunk& chunk, int startPos)
{
  std::vector<double> values(static_cast<size_t>(NParams()));
  const int pos = IPluginBase::ReadState(chunk, startPos, values.data());
  if (pos < 0)
    return -1;
  ApplyState(values.data());
  return pos;
}

} // namespace frame
