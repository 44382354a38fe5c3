#pragma once

#include <string>

// Where the plug-in's bitmaps and font live: the Resources folder of the bundle that holds
// the module, found from the module's own file, since a host may load the bundle from
// anywhere.
namespace frame::graphics {

/** The Resources folder of a bundle module: ".../Contents/<architecture>/<name>.so" gives
 *  ".../Contents/Resources". Empty when the file does not sit in such a bundle. */
std::string BundleResourcesForModule(const std::string& modulePath);

/** The file of the loaded module (shared object or program) that contains address, made
 *  absolute; empty when the loader does not know it. */
std::string ModuleFileOf(const void* address);

} // namespace frame::graphics
