#pragma once

#include <cstdint>

#include "tools/render/AudioSource.h"

namespace render {

/** Eight seconds of stereo white noise at 48 kHz, the channels independent, for pictures of
 *  the sweep: noise has energy at every frequency, so each notch shows. Uniform samples
 *  within ±0.5, leaving room for resonant settings; the same samples every time. */
class NoiseSignal : public AudioSource
{
public:
  static constexpr int kSampleRate = 48000;
  static constexpr int64_t kFrames = 8 * kSampleRate;

  int Channels() const override { return 2; }
  int SampleRate() const override { return kSampleRate; }
  int64_t Frames() const override { return kFrames; }
  int64_t Read(float* interleaved, int64_t frames) override;
  int64_t Read(double* interleaved, int64_t frames) override;
  std::string Error() const override { return {}; }

private:
  template <typename T>
  int64_t Fill(T* interleaved, int64_t frames);

  int64_t mPos = 0;
  uint64_t mState = 0x2545F4914F6CDD1Dull;
};

} // namespace render
