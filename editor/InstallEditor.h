#pragma once

#include <string>

namespace frame::graphics {

/** For a module that holds the plug-in's editor: every plug-in made from now on gets it, and
 *  every editor a host opens is an X11 child window of the host's. The bitmaps and the font
 *  come from resourcePath when it is given, else from the module's bundle. Main thread. */
void InstallPluginEditor(const std::string& resourcePath = {});
/** Undoes InstallPluginEditor, as the module unloads. */
void UninstallPluginEditor();

} // namespace frame::graphics
