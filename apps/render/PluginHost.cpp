// The format chosen once, and what the renderer asks of a plug-in whatever its format.

#include "apps/render/PluginHost.h"

#include "apps/render/ValueText.h"
#include "apps/render/Vst3Plugin.h"
#ifdef MG_RENDER_CLAP
#include "apps/render/ClapPlugin.h"
#endif

namespace render {


namespace {

bool EndsWith(const std::string& text, const std::string& end)
{
  return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::unique_ptr<HostedPlugin> PluginOfFormat(const std::string& path, [[maybe_unused]] std::string& error)
{
  if (!EndsWith(path, ".clap"))
    return std::make_unique<Vst3Plugin>();
#ifdef MG_RENDER_CLAP
  return std::make_unique<ClapPlugin>();
#else
  error = "cannot load '" + path + "': this build has no CLAP support";
  return nullptr;
#endif
}

} // namespace

PluginHost::PluginHost() = default;

PluginHost::~PluginHost() { Stop(); }

bool PluginHost::Load(const std::string& bundlePath, std::string& error)
{
  Stop();
  mPlugin.reset();
  mDescription = {};
  std::unique_ptr<HostedPlugin> plugin = PluginOfFormat(bundlePath, error);
  if (!plugin || !plugin->Load(bundlePath, mDescription, error))
    return false;
  mPlugin = std::move(plugin);
  return true;
}

// ---------------------------------------------------------------------------------------
// Parameters

std::vector<PluginParam> PluginHost::Params() const { return mPlugin ? mPlugin->Params() : std::vector<PluginParam>{}; }

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

double PluginHost::Normalized(ParamId id) const { return mPlugin ? mPlugin->Normalized(id) : 0.0; }

std::string PluginHost::ValueText(ParamId id) const { return TextFor(id, Normalized(id)); }

std::string PluginHost::TextFor(ParamId id, double normalized) const
{
  return mPlugin ? mPlugin->TextFor(id, normalized) : std::string();
}

bool PluginHost::ReadValue(const PluginParam& param, const std::string& text, double& normalized,
                           std::string& error) const
{
  if (!mPlugin)
  {
    error = "no plug-in is loaded";
    return false;
  }
  const HostedPlugin* plugin = mPlugin.get();
  const ParamId id = param.id;
  ParamTextModel model;
  model.title = param.title;
  model.stepCount = param.stepCount;
  model.units = param.units;
  model.toText = [plugin, id](double n) { return plugin->TextFor(id, n); };
  model.fromText = [plugin, id](const std::string& t, double& n) { return plugin->FromText(id, t, n); };
  model.toPlain = [plugin, id](double n) { return plugin->ToPlain(id, n); };
  return ReadValueText(model, text, normalized, error);
}

bool PluginHost::SetParam(ParamId id, double normalized, std::string& error)
{
  if (!mPlugin || !mPlugin->SetParam(id, normalized))
  {
    error = "the plug-in refused a value for parameter " + std::to_string(id);
    return false;
  }
  return true;
}

bool PluginHost::SetBypass(bool on, std::string& error)
{
  PluginParam bypass;
  if (!FindFlagged(Params(), kParamBypass, bypass))
  {
    error = "the plug-in has no bypass parameter";
    return false;
  }
  return SetParam(bypass.id, on ? 1.0 : 0.0, error);
}

// ---------------------------------------------------------------------------------------
// Presets

std::string PluginHost::PresetListName() const { return mPlugin ? mPlugin->PresetListName() : std::string(); }

std::vector<std::string> PluginHost::PresetNames() const
{
  return mPlugin ? mPlugin->PresetNames() : std::vector<std::string>{};
}

bool PluginHost::SelectPreset(int index, std::string& error)
{
  if (!mPlugin)
  {
    error = "no plug-in is loaded";
    return false;
  }
  return mPlugin->SelectPreset(index, error);
}

uint32_t PluginHost::LatencySamples() const { return mPlugin ? mPlugin->LatencySamples() : 0; }

uint32_t PluginHost::TailSamples() const { return mPlugin ? mPlugin->TailSamples() : 0; }

// ---------------------------------------------------------------------------------------
// Processing

bool PluginHost::Start(const ProcessSettings& settings, std::string& error)
{
  Stop();
  if (!mPlugin)
  {
    error = "no plug-in is loaded";
    return false;
  }
  mSettings = settings;
  mStarted = mPlugin->Start(settings, error);
  mPosition = 0;
  mSameInput = false;
  return mStarted;
}

bool PluginHost::Process(int32_t frames, std::string& error)
{
  if (!mStarted || frames < 0 || frames > mSettings.maxBlockSize)
  {
    error = "processing was not started for blocks of " + std::to_string(frames);
    return false;
  }
  const bool processed = mPlugin->Process(frames, mPosition, mSameInput, error);
  mSameInput = false;
  mPosition += frames;
  return processed;
}

void PluginHost::Stop()
{
  if (mPlugin)
    mPlugin->Stop();
  mStarted = false;
}

} // namespace render
