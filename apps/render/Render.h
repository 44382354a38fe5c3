#pragma once

#include <cstdint>
#include <string>

#include "apps/render/AudioSink.h"
#include "apps/render/AudioSource.h"
#include "apps/render/PluginHost.h"

namespace render {

/** Streams source through the started plug-in into sink, one block per processing call.
 *  A mono source feeds both input channels; the output is always stereo: a latency the
 *  plug-in reports is skipped, and the source is followed by the plug-in's tail (up to a
 *  minute), rendered from silence, unless settings.renderTail is off. The sample type is the one the host was started with. Returns
 *  the frames written, or -1 with a reason. */
int64_t RenderThrough(PluginHost& host, AudioSource& source, AudioSink& sink, const ProcessSettings& settings,
                      bool showProgress, std::string& error);

} // namespace render
