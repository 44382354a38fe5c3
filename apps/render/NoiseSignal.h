#pragma once

#include <cstdint>

#include "apps/render/GeneratedSignal.h"

namespace render {

/** Eight seconds of stereo white noise at 48 kHz, the channels independent, for pictures of
 *  the sweep: noise has energy at every frequency, so each notch shows. Uniform samples
 *  within ±0.5, leaving room for resonant settings; the same samples every time. */
class NoiseSignal : public GeneratedSignal
{
public:
  NoiseSignal() : GeneratedSignal(8 * kSampleRate) {}

protected:
  void Next(double& left, double& right) override;

private:
  double Uniform();

  uint64_t mState = 0x2545F4914F6CDD1Dull;
};

} // namespace render
