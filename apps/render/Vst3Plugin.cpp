// A VST 3 bundle's loading and teardown, parameters and presets.

#include "apps/render/Vst3Plugin.h"

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <vector>

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vstpresetfile.h"
#include "public.sdk/source/vst/utility/stringconvert.h"

#include "apps/render/ElfCheck.h"

namespace render {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

std::string OneLine(std::string text)
{
  std::replace(text.begin(), text.end(), '\n', ' ');
  while (!text.empty() && (text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return text;
}

std::string Hex(const TUID id)
{
  std::string out;
  char byte[3];
  for (int i = 0; i < 16; ++i)
  {
    std::snprintf(byte, sizeof(byte), "%02X", static_cast<unsigned char>(id[i]));
    out += byte;
  }
  return out;
}

std::string Utf8(const TChar* text) { return StringConvert::convert(text); }

// Where the SDK's module loader looks: <bundle>/Contents/<machine>-linux/<bundle stem>.so.
std::string LibraryOfBundle(const std::string& bundle)
{
  utsname system{};
  if (uname(&system) != 0)
    return {};
  const size_t slash = bundle.find_last_of('/');
  std::string stem = slash == std::string::npos ? bundle : bundle.substr(slash + 1);
  if (const size_t dot = stem.find_last_of('.'); dot != std::string::npos && dot > 0)
    stem.resize(dot);
  return bundle + "/Contents/" + system.machine + "-linux/" + stem + ".so";
}

} // namespace

Vst3Plugin::Vst3Plugin() : mHandler(owned(new ComponentHandler))
{
  mHandler->onEdit = [this](ParamID id, ParamValue value) { mPending.Set(id, value); };
}

Vst3Plugin::~Vst3Plugin() { Unload(); }

bool Vst3Plugin::Load(const std::string& bundlePath, PluginDescription& description, std::string& error)
{
  std::string path = bundlePath;
  // The SDK takes the library's name from the folder's; "X.vst3/" would have none.
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  const std::string what = "cannot load the plug-in bundle '" + path + "': ";

  struct stat st{};
  if (stat(path.c_str(), &st) != 0)
  {
    error = what + "no such folder";
    return false;
  }
  std::string reason;
  // A library the loader would take in, checked first: a damaged one crashes inside dlopen.
  const std::string library = LibraryOfBundle(path);
  if (stat(library.c_str(), &st) == 0 && !CheckSharedObject(library, reason))
  {
    error = what + "its library '" + library + "' is damaged: " + reason;
    return false;
  }
  try
  {
    mModule = VST3::Hosting::Module::create(path, reason);
  }
  catch (...)
  {
    mModule = nullptr;
    reason = "the bundle cannot be read";
  }
  if (!mModule)
  {
    error = what + OneLine(reason.empty() ? "not a VST 3 bundle" : reason);
    return false;
  }

  const auto& factory = mModule->getFactory();
  factory.setHostContext(&mHostApp);
  const auto info = factory.info();
  mDescription.factoryVendor = info.vendor();
  mDescription.url = info.url();
  mDescription.email = info.email();
  mDescription.bundle = path;

  bool found = false;
  for (const auto& cls : factory.classInfos())
  {
    if (cls.category() != kVstAudioEffectClass)
      continue;
    mDescription.name = cls.name();
    mDescription.category = cls.category();
    mDescription.subCategories = cls.subCategoriesString();
    mDescription.vendor = cls.vendor().empty() ? mDescription.factoryVendor : cls.vendor();
    mDescription.version = cls.version();
    mDescription.sdkVersion = cls.sdkVersion();
    mDescription.classId = Hex(cls.ID().data());
    mClassId = cls.ID();
    mComponent = factory.createInstance<IComponent>(cls.ID());
    found = true;
    break;
  }
  if (!found)
  {
    error = what + "it holds no audio effect";
    return false;
  }
  if (!mComponent)
  {
    error = what + "the factory did not create '" + mDescription.name + "'";
    return false;
  }
  if (mComponent->initialize(&mHostApp) != kResultOk)
  {
    error = what + "'" + mDescription.name + "' failed to initialise";
    return false;
  }
  mComponentInitialized = true;

  mProcessor = U::cast<IAudioProcessor>(mComponent);
  if (!mProcessor)
  {
    error = what + "'" + mDescription.name + "' is no audio processor";
    return false;
  }

  // A single-component effect is its own controller; otherwise the factory makes one.
  mController = U::cast<IEditController>(mComponent);
  if (!mController)
  {
    TUID controllerId;
    if (mComponent->getControllerClassId(controllerId) == kResultOk)
      mController = factory.createInstance<IEditController>(VST3::UID::fromTUID(controllerId));
    if (!mController || mController->initialize(&mHostApp) != kResultOk)
    {
      mController = nullptr;
      error = what + "'" + mDescription.name + "' has no edit controller";
      return false;
    }
    mSeparateController = true;
    mComponentPoint = U::cast<IConnectionPoint>(mComponent);
    mControllerPoint = U::cast<IConnectionPoint>(mController);
    if (mComponentPoint && mControllerPoint)
    {
      mComponentPoint->connect(mControllerPoint);
      mControllerPoint->connect(mComponentPoint);
    }
    // The controller learns the component's start-up state as after loading a project.
    MemoryStream state;
    if (mComponent->getState(&state) == kResultOk)
    {
      state.seek(0, IBStream::kIBSeekSet, nullptr);
      mController->setComponentState(&state);
    }
  }
  mController->setComponentHandler(mHandler);
  description = mDescription;
  return true;
}

void Vst3Plugin::Unload()
{
  Stop();
  if (mController)
    mController->setComponentHandler(nullptr);
  if (mComponentPoint && mControllerPoint)
  {
    mControllerPoint->disconnect(mComponentPoint);
    mComponentPoint->disconnect(mControllerPoint);
  }
  mComponentPoint = nullptr;
  mControllerPoint = nullptr;
  if (mSeparateController && mController)
    mController->terminate();
  mController = nullptr;
  mProcessor = nullptr;
  if (mComponentInitialized)
    mComponent->terminate();
  mComponentInitialized = false;
  mSeparateController = false;
  mComponent = nullptr;
  mModule = nullptr;
  mPending.Clear();
}

// ---------------------------------------------------------------------------------------
// Parameters

std::vector<PluginParam> Vst3Plugin::Params() const
{
  std::vector<PluginParam> params;
  if (!mController)
    return params;
  const int32 count = mController->getParameterCount();
  for (int32 i = 0; i < count; ++i)
  {
    ParameterInfo info{};
    if (mController->getParameterInfo(i, info) != kResultOk)
      continue;
    PluginParam p;
    p.id = info.id;
    p.title = Utf8(info.title);
    p.units = Utf8(info.units);
    p.stepCount = info.stepCount;
    p.flags = ((info.flags & ParameterInfo::kCanAutomate) ? kParamCanAutomate : 0) |
              ((info.flags & ParameterInfo::kIsReadOnly) ? kParamReadOnly : 0) |
              ((info.flags & ParameterInfo::kIsList) ? kParamList : 0) |
              ((info.flags & ParameterInfo::kIsProgramChange) ? kParamProgramChange : 0) |
              ((info.flags & ParameterInfo::kIsBypass) ? kParamBypass : 0);
    p.defaultNormalized = info.defaultNormalizedValue;
    params.push_back(std::move(p));
  }
  return params;
}

double Vst3Plugin::Normalized(ParamID id) const
{
  return mController ? mController->getParamNormalized(id) : 0.0;
}

std::string Vst3Plugin::TextFor(ParamID id, double normalized) const
{
  String128 text{};
  if (!mController || mController->getParamStringByValue(id, normalized, text) != kResultOk)
    return {};
  return Utf8(text);
}

bool Vst3Plugin::FromText(ParamID id, const std::string& text, double& normalized) const
{
  String128 s{};
  ParamValue v = 0.0;
  if (!mController || !StringConvert::convert(text, s) || mController->getParamValueByString(id, s, v) != kResultOk)
    return false;
  normalized = v;
  return true;
}

double Vst3Plugin::ToPlain(ParamID id, double normalized) const
{
  return mController ? mController->normalizedParamToPlain(id, normalized) : normalized;
}

bool Vst3Plugin::SetParam(ParamID id, double normalized)
{
  if (!mController || mController->setParamNormalized(id, normalized) != kResultOk)
    return false;
  mPending.Set(id, normalized);
  return true;
}

// ---------------------------------------------------------------------------------------
// Presets

std::string Vst3Plugin::PresetListName() const
{
  FUnknownPtr<IUnitInfo> units(mController);
  ProgramListInfo info{};
  if (!units || units->getProgramListCount() < 1 || units->getProgramListInfo(0, info) != kResultOk)
    return {};
  return Utf8(info.name);
}

std::vector<std::string> Vst3Plugin::PresetNames() const
{
  std::vector<std::string> names;
  FUnknownPtr<IUnitInfo> units(mController);
  ProgramListInfo info{};
  if (!units || units->getProgramListCount() < 1 || units->getProgramListInfo(0, info) != kResultOk)
    return names;
  for (int32 i = 0; i < info.programCount; ++i)
  {
    String128 name{};
    names.push_back(units->getProgramName(info.id, i, name) == kResultOk ? Utf8(name) : std::string());
  }
  return names;
}

bool Vst3Plugin::SelectPreset(int index, std::string& error)
{
  PluginParam program;
  if (!FindFlagged(Params(), kParamProgramChange, program))
  {
    error = "the plug-in has no program-change parameter to recall presets with";
    return false;
  }
  if (index < 0 || index > program.stepCount)
  {
    error = "preset index " + std::to_string(index) + " is out of range 0 .. " + std::to_string(program.stepCount);
    return false;
  }
  const double normalized = program.stepCount > 0 ? static_cast<double>(index) / program.stepCount : 0.0;
  if (mController->setParamNormalized(program.id, normalized) != kResultOk)
  {
    error = "the plug-in refused preset " + std::to_string(index);
    return false;
  }
  // The program change itself is the controller's business; what the processor needs are
  // the values it recalled, which Start sends along with all others.
  return true;
}

bool Vst3Plugin::LoadPresetFile(const Vst3PresetFile& preset, std::string& error)
{
  const std::string what = "cannot load the preset file '" + preset.path + "': ";
  if (!mComponent || !mController)
  {
    error = what + "no plug-in is loaded";
    return false;
  }
  std::vector<char> bytes = preset.bytes;
  MemoryStream stream(bytes.data(), static_cast<TSize>(bytes.size()));
  PresetFile reader(&stream);
  if (!reader.readChunkList())
  {
    error = what + "it is damaged";
    return false;
  }
  if (reader.getClassID() != FUID::fromTUID(mClassId.data()))
  {
    error = what + "it is a preset of another plug-in (class " + preset.classId + ", not " + mDescription.classId + ")";
    return false;
  }
  if (!reader.restoreComponentState(mComponent) || !reader.restoreComponentState(mController) ||
      (reader.contains(kControllerState) && !reader.restoreControllerState(mController)))
  {
    error = what + "'" + mDescription.name + "' refused the state it holds";
    return false;
  }
  return true;
}

uint32_t Vst3Plugin::LatencySamples() const
{
  return mProcessor ? mProcessor->getLatencySamples() : 0;
}

uint32_t Vst3Plugin::TailSamples() const
{
  return mProcessor ? mProcessor->getTailSamples() : 0;
}

} // namespace render
