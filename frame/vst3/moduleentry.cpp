// Module entry points besides the SDK's ModuleEntry/ModuleExit (linuxmain.cpp): the bundle
// names some loaders look for, and the SDK's module hooks, which have nothing to do here.
#include "pluginterfaces/base/fplatform.h"

extern "C" {
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle);
SMTG_EXPORT_SYMBOL bool ModuleExit(void);

SMTG_EXPORT_SYMBOL bool bundleEntry(void* bundleRef) { return ModuleEntry(bundleRef); }
SMTG_EXPORT_SYMBOL bool bundleExit(void) { return ModuleExit(); }
}

bool InitModule() { return true; }
bool DeinitModule() { return true; }
