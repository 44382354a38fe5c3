#pragma once

#include <string>

namespace frame {
class IFramePlugin;
}

namespace app {

/** Where the parameters live between runs: $XDG_CONFIG_HOME/mistlegrove-phaser/state, else
 *  ~/.config/mistlegrove-phaser/state; empty without either variable. */
std::string DefaultStatePath();

enum class ELoad
{
  kLoaded,
  kMissing, ///< no file yet: a first start
  kRefused  ///< unreadable or not a state the plug-in takes; nothing changed
};

/** Loads the file, in the plug-in's own state format, all or nothing. */
ELoad LoadStateFile(frame::IFramePlugin& plugin, const std::string& path, std::string& error);

/** Writes the plug-in's state to path atomically (a temporary beside it, synced, renamed
 *  over it), making its folder where missing. False with a one-line reason; an existing
 *  file is then left as it was. */
bool SaveStateFile(const frame::IFramePlugin& plugin, const std::string& path, std::string& error);

} // namespace app
