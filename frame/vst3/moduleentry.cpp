// Module entry points besides the SDK's ModuleEntry/ModuleExit (linuxmain.cpp): the bundle
// names some loaders look for, and the SDK's module hooks.
#include "editor/MakeGraphics.h"
#include "pluginterfaces/base/fplatform.h"

extern "C" {
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle);
SMTG_EXPORT_SYMBOL bool ModuleExit(void);

SMTG_EXPORT_SYMBOL bool bundleEntry(void* bundleRef) { return ModuleEntry(bundleRef); }
SMTG_EXPORT_SYMBOL bool bundleExit(void) { return ModuleExit(); }
}

// A host must never get an editor it cannot see: until the module has a window-system view,
// its views refuse to attach instead of drawing offscreen.
bool InitModule()
{
  frame::graphics::SetPlatformViewFactory([] { return std::unique_ptr<frame::graphics::IPlatformView>(); });
  return true;
}

bool DeinitModule()
{
  frame::graphics::SetPlatformViewFactory(nullptr);
  return true;
}
