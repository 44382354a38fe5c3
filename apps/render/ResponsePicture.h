#pragma once

#include <string>
#include <vector>

#include "graphics/IGraphicsStructs.h"
#include "apps/render/Plot.h"
#include "apps/render/Response.h"

namespace render {

/** Where the parts of a response picture go, in pixels, from its size alone: the title,
 *  the left channel above the right, and the legend of the cycle's points at the right. */
struct ResponseLayout
{
  frame::graphics::IRECT panels[2];
  frame::graphics::IRECT legend;

  static ResponseLayout For(int width, int height);
};

/** The picture of the measured curves, dB over log frequency, one colour a point. */
frame::graphics::Surface DrawResponsePicture(int width, int height, const Response& response, const std::string& heading,
                         const std::vector<std::string>& settings);

} // namespace render
