#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Surface.h"

namespace frame::graphics {

/** The surface as PNG bytes with straight (not premultiplied) RGBA; empty on failure. */
std::vector<uint8_t> EncodePNG(const Surface& surface);

/** Writes the surface as a PNG file. The bytes go to a temporary file beside path that is
 *  then renamed over it, so a failed write never leaves half a file behind. */
bool WritePNG(const Surface& surface, const std::string& path);

/** Writes bytes to a temporary file beside path, then renames it over path; false (and no
 *  file left behind) when any step fails. */
bool WriteFileAtomically(const std::vector<uint8_t>& bytes, const std::string& path);

} // namespace frame::graphics
