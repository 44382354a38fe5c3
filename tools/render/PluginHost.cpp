// The controller half of the host: loading and teardown, parameters and presets.

#include "tools/render/PluginHost.h"

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <vector>

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/utility/stringconvert.h"

#include "tools/render/ElfCheck.h"
#include "tools/render/ValueText.h"
#include "tools/render/ClapPluginHost.h"

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

PluginHost::PluginHost() : mHandler(owned(new ComponentHandler))
{
  mHandler->onEdit = [this](ParamID id, ParamValue value) { QueueChange(id, value); };
}

PluginHost::~PluginHost() { Unload(); }

bool PluginHost::Load(const std::string& bundlePath, std::string& error)
{
  Unload();
  if (bundlePath.size() > 5 && bundlePath.compare(bundlePath.size() - 5, 5, ".clap") == 0)
    return loadClap(bundlePath, error);
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
  return true;
}

bool PluginHost::loadClap(const std::string& path, std::string& error)
{
#ifdef MG_RENDER_CLAP
  mClap = std::make_unique<ClapPluginHost>();
  if (!mClap->Load(path, error))
  {
    mClap.reset();
    return false;
  }
  mDescription = mClap->Description();
  return true;
#else
  error = "cannot load '" + path + "': this build has no CLAP support";
  return false;
#endif
}

void PluginHost::Unload()
{
  Stop();
  mClap.reset();
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
  mPending.clear();
}

// ---------------------------------------------------------------------------------------
// Parameters

std::vector<PluginParam> PluginHost::Params() const
{
  std::vector<PluginParam> params;
  if (mClap)
    return mClap->Params();
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
    p.flags = info.flags;
    p.defaultNormalized = info.defaultNormalizedValue;
    params.push_back(std::move(p));
  }
  return params;
}

bool PluginHost::FindParam(const std::string& title, PluginParam& param) const
{
  for (const PluginParam& p : Params())
  {
    if (SameName(p.title, title))
    {
      param = p;
      return true;
    }
  }
  return false;
}

bool PluginHost::FindFlagged(int32_t flag, PluginParam& param) const
{
  for (const PluginParam& p : Params())
  {
    if (p.flags & flag)
    {
      param = p;
      return true;
    }
  }
  return false;
}

double PluginHost::Normalized(ParamID id) const
{
  if (mClap)
    return mClap->Normalized(id);
  return mController ? mController->getParamNormalized(id) : 0.0;
}

std::string PluginHost::ValueText(ParamID id) const { return TextFor(id, Normalized(id)); }

std::string PluginHost::TextFor(ParamID id, double normalized) const
{
  if (mClap)
    return mClap->TextFor(id, normalized);
  String128 text{};
  if (!mController || mController->getParamStringByValue(id, normalized, text) != kResultOk)
    return {};
  return Utf8(text);
}

bool PluginHost::ReadValue(const PluginParam& param, const std::string& text, double& normalized,
                           std::string& error) const
{
  if (mClap)
    return mClap->ReadValue(param, text, normalized, error);
  if (!mController)
  {
    error = "no plug-in is loaded";
    return false;
  }
  IEditController* controller = mController.get();
  const ParamID id = param.id;
  ParamTextModel model;
  model.title = param.title;
  model.stepCount = param.stepCount;
  model.units = param.units;
  model.toText = [controller, id](double n) {
    String128 s{};
    return controller->getParamStringByValue(id, n, s) == kResultOk ? Utf8(s) : std::string();
  };
  model.fromText = [controller, id](const std::string& t, double& n) {
    String128 s{};
    if (!StringConvert::convert(t, s))
      return false;
    ParamValue v = 0.0;
    if (controller->getParamValueByString(id, s, v) != kResultOk)
      return false;
    n = v;
    return true;
  };
  model.toPlain = [controller, id](double n) { return controller->normalizedParamToPlain(id, n); };
  return ReadValueText(model, text, normalized, error);
}

bool PluginHost::SetParam(ParamID id, double normalized, std::string& error)
{
  if (mClap)
    return mClap->SetParam(id, normalized, error);
  if (!mController || mController->setParamNormalized(id, normalized) != kResultOk)
  {
    error = "the plug-in refused a value for parameter " + std::to_string(id);
    return false;
  }
  QueueChange(id, normalized);
  return true;
}

bool PluginHost::SetBypass(bool on, std::string& error)
{
  PluginParam bypass;
  if (!FindFlagged(ParameterInfo::kIsBypass, bypass))
  {
    error = "the plug-in has no bypass parameter";
    return false;
  }
  return SetParam(bypass.id, on ? 1.0 : 0.0, error);
}

void PluginHost::QueueChange(ParamID id, double normalized)
{
  for (auto& change : mPending)
  {
    if (change.first == id)
    {
      change.second = normalized;
      return;
    }
  }
  mPending.emplace_back(id, normalized);
}

// ---------------------------------------------------------------------------------------
// Presets

std::string PluginHost::PresetListName() const
{
  if (mClap)
    return mClap->PresetListName();
  FUnknownPtr<IUnitInfo> units(mController);
  ProgramListInfo info{};
  if (!units || units->getProgramListCount() < 1 || units->getProgramListInfo(0, info) != kResultOk)
    return {};
  return Utf8(info.name);
}

std::vector<std::string> PluginHost::PresetNames() const
{
  if (mClap)
    return mClap->PresetNames();
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

bool PluginHost::SelectPreset(int index, std::string& error)
{
  if (mClap)
    return mClap->SelectPreset(index, error);
  PluginParam program;
  if (!FindFlagged(ParameterInfo::kIsProgramChange, program))
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

uint32_t PluginHost::LatencySamples() const
{
  if (mClap)
    return mClap->LatencySamples();
  return mProcessor ? mProcessor->getLatencySamples() : 0;
}

uint32_t PluginHost::TailSamples() const
{
  if (mClap)
    return mClap->TailSamples();
  return mProcessor ? mProcessor->getTailSamples() : 0;
}

} // namespace render
