// Module entry points besides the SDK's ModuleEntry/ModuleExit (linuxmain.cpp): the bundle
// names some loaders look for, and the SDK's module hooks.
#include "editor/MakeGraphics.h"
#include "frame/IEditor.h"
#include "graphics/X11View.h"
#include "pluginterfaces/base/fplatform.h"

extern "C" {
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle);
SMTG_EXPORT_SYMBOL bool ModuleExit(void);

SMTG_EXPORT_SYMBOL bool bundleEntry(void* bundleRef) { return ModuleEntry(bundleRef); }
SMTG_EXPORT_SYMBOL bool bundleExit(void) { return ModuleExit(); }
}

// The module holds the plug-in's editor; every editor the host opens is an X11 child window
// of the host's.
bool InitModule()
{
  frame::graphics::SetEditorFactory(&frame::graphics::MakePluginEditor);
  frame::graphics::SetPlatformViewFactory([] { return frame::graphics::MakeX11PlatformView(); });
  return true;
}

bool DeinitModule()
{
  frame::graphics::SetPlatformViewFactory(nullptr);
  frame::graphics::SetEditorFactory(nullptr);
  return true;
}
