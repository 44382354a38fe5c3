#include "editor/MakeGraphics.h"

#include <mutex>

#include "editor/OffscreenPlatformView.h"
#include "frame/IPluginBase.h"

namespace frame::graphics {

namespace {

// Several plug-in instances of the process share these; the lock keeps a module-level
// installation and an editor opening elsewhere from tearing a std::function apart.
std::mutex& settingsMutex()
{
  static std::mutex m;
  return m;
}
PlatformViewFactory& factory()
{
  static PlatformViewFactory f;
  return f;
}
std::string& resourcePath()
{
  static std::string p;
  return p;
}

} // namespace

void SetPlatformViewFactory(PlatformViewFactory f)
{
  std::lock_guard<std::mutex> lock(settingsMutex());
  factory() = std::move(f);
}

void SetDefaultResourcePath(const std::string& path)
{
  std::lock_guard<std::mutex> lock(settingsMutex());
  resourcePath() = path;
}

std::string GetDefaultResourcePath()
{
  std::lock_guard<std::mutex> lock(settingsMutex());
  return resourcePath();
}

IGraphics* MakeGraphics(IGEditorDelegate& delegate, int width, int height, int fps, float scale)
{
  PlatformViewFactory make;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(settingsMutex());
    make = factory();
    path = resourcePath();
  }
  std::unique_ptr<IPlatformView> view = make ? make() : std::make_unique<OffscreenPlatformView>();
  if (!view)
    return nullptr;
  auto* graphics = new IGraphics(delegate, width, height, fps, scale, std::move(view));
  graphics->SetResourcePath(path);
  if (auto* plug = dynamic_cast<IPluginBase*>(&delegate))
  {
    graphics->SetBundleID(plug->GetBundleID());
    graphics->SetDisplayName(plug->GetPluginName());
  }
  return graphics;
}

} // namespace frame::graphics
