#pragma once

#include "clap/clap.h"

namespace frame {

/** The factory presets for a host's browser: one provider, whose one location is inside
 *  the plug-in; a preset's load key is its index, which preset-load takes back. */
const clap_preset_discovery_factory_t& PresetDiscoveryFactory();

} // namespace frame
