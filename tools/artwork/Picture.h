#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Surface.h"

namespace artwork {

/** A finished picture: 8-bit straight RGBA, R first, rows top to bottom, as a PNG holds it. */
struct Picture
{
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};

/** Frames of one size stacked top to bottom into one picture, as the editor loads them. */
Picture StackFrames(const std::vector<Picture>& frames);

/** The picture as the editor holds it after decoding (premultiplied pixels). */
frame::graphics::Surface ToSurface(const Picture& picture);

/** Writes the picture as a PNG at maximum compression, through a temporary file beside
 *  path that is renamed over it, so a failed run never leaves half a file behind. */
bool WritePng(const Picture& picture, const std::string& path);

} // namespace artwork
