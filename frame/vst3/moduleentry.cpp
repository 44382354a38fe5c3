// Module entry points besides the SDK's ModuleEntry/ModuleExit (linuxmain.cpp): the bundle
// names some loaders look for, and the SDK's module hooks.
#include "editor/InstallEditor.h"
#include "pluginterfaces/base/fplatform.h"

extern "C" {
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle);
SMTG_EXPORT_SYMBOL bool ModuleExit(void);

SMTG_EXPORT_SYMBOL bool bundleEntry(void* bundleRef) { return ModuleEntry(bundleRef); }
SMTG_EXPORT_SYMBOL bool bundleExit(void) { return ModuleExit(); }
}

bool InitModule()
{
  frame::graphics::InstallPluginEditor();
  return true;
}

bool DeinitModule()
{
  frame::graphics::UninstallPluginEditor();
  return true;
}
