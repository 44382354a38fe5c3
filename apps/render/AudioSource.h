#pragma once

#include <cstdint>
#include <string>

namespace render {

/** Where the audio to render comes from: a file or the demo signal. Frames are
 *  interleaved, Channels() samples each, in the range -1 .. 1 for full scale. */
class AudioSource
{
public:
  virtual ~AudioSource() = default;

  virtual int Channels() const = 0;
  virtual int SampleRate() const = 0;
  /** The number of frames the source holds. */
  virtual int64_t Frames() const = 0;
  /** Reads up to frames frames; returns how many were read (0 at the end), or -1 after a
   *  read error, which Error() then describes. */
  virtual int64_t Read(float* interleaved, int64_t frames) = 0;
  virtual int64_t Read(double* interleaved, int64_t frames) = 0;
  virtual std::string Error() const = 0;
};

} // namespace render
