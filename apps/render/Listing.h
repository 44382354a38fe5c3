#pragma once

#include <string>

#include "apps/render/PluginHost.h"

namespace render {

/** The --list text: the class information, every parameter with its current value text
 *  and what values it takes, and the presets. */
std::string DescribePlugin(const PluginHost& host);

} // namespace render
