#pragma once

#include <cstdint>
#include <string>

namespace render {

/** Where rendered audio goes: a file, an analysis, or both. Frames are interleaved stereo. */
class AudioSink
{
public:
  virtual ~AudioSink() = default;

  /** False with a reason when the frames cannot be taken; the render then stops. */
  virtual bool Write(const float* interleaved, int64_t frames, std::string& error) = 0;
  virtual bool Write(const double* interleaved, int64_t frames, std::string& error) = 0;
};

} // namespace render
