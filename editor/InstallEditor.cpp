#include "editor/InstallEditor.h"

#include "editor/MakeGraphics.h"
#include "frame/IEditor.h"
#include "graphics/X11View.h"

namespace frame::graphics {

void InstallPluginEditor(const std::string& resourcePath)
{
  SetEditorFactory(&MakePluginEditor);
  SetPlatformViewFactory([] { return MakeX11PlatformView(); });
  SetDefaultResourcePath(resourcePath);
}

void UninstallPluginEditor()
{
  SetPlatformViewFactory(nullptr);
  SetEditorFactory(nullptr);
  SetDefaultResourcePath({});
}

} // namespace frame::graphics
