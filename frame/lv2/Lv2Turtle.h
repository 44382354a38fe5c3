#pragma once

#include <ostream>
#include <string>

namespace frame {
class IFramePlugin;
}

namespace frame::lv2 {

/** The bundle's data, from the descriptor and the plug-in's parameter and preset tables.
 *  Binary paths are relative to the bundle. The plug-in object is left at its defaults. */
void WriteManifest(std::ostream& out, IFramePlugin& plug, const std::string& dspBinary,
                   const std::string& uiBinary, const std::string& pluginTtl, const std::string& presetsTtl);
void WritePluginTurtle(std::ostream& out, IFramePlugin& plug);
void WritePresets(std::ostream& out, IFramePlugin& plug);

/** A float as a Turtle number that reads back as the same float. */
std::string TurtleNumber(float value);

} // namespace frame::lv2
