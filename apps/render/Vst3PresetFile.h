#pragma once

#include <string>
#include <vector>

namespace render {

/** A VST 3 preset file (.vstpreset), read whole and checked with the SDK's preset-file reader
 *  before any plug-in is loaded, so that a wrong file fails at once: the header, the chunk
 *  list, every chunk within the file and a component state among them. */
struct Vst3PresetFile
{
  std::string path;
  std::string classId; ///< the class it was saved from: 32 hex digits, as PluginDescription's
  std::vector<char> bytes; ///< the whole file
};

/** False with a one-line reason for a file that is missing, unreadable, no VST 3 preset file,
 *  or damaged. */
bool ReadVst3PresetFile(const std::string& path, Vst3PresetFile& preset, std::string& error);

} // namespace render
