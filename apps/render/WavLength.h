#pragma once

#include <cstdint>

namespace render {

/** The frames a WAV file's data chunk announces but the file does not hold: > 0 for a file
 *  cut short (libsndfile quietly shortens its frame count to what is there). 0 for a
 *  complete file, a file of another type, or a header that announces no length (a
 *  streamed 0 or 0xFFFFFFFF). Reads fd with pread, leaving its position alone. */
int64_t MissingWavFrames(int fd);

} // namespace render
