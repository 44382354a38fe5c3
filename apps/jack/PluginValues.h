#pragma once

#include <string>
#include <vector>

#include "apps/jack/AppOptions.h"

namespace frame {
class IFramePlugin;
}

namespace app {

/** Recalls a factory preset by name (case, blanks, '-' and '_' aside) or index. False with a
 *  one-line reason that lists the presets. Main thread, before processing. */
bool ApplyPreset(frame::IFramePlugin& plugin, const std::string& wanted, std::string& error);

/** Sets each parameter from its text as the renderer reads it: every name is checked first,
 *  then the switches are set before the rest, whose texts may depend on them. */
bool ApplySettings(frame::IFramePlugin& plugin, const std::vector<Setting>& settings, std::string& error);

} // namespace app
