#pragma once

#include <cstdint>

#include "apps/render/GeneratedSignal.h"

namespace render {

/** Six seconds of stereo at 48 kHz to hear the phaser on without bringing a file: two
 *  sustained chords of band-limited sawtooths, detuned a little between the channels, over
 *  soft pink noise. Bright and dense on purpose: a sweeping notch needs partials to cut.
 *  The same samples every time. */
class DemoSignal : public GeneratedSignal
{
public:
  static constexpr int64_t kFrames = 6 * kSampleRate;

  DemoSignal();

protected:
  void Next(double& left, double& right) override;

private:
  static constexpr int kVoices = 6;

  struct Saw
  {
    double phase = 0.0;
    double inc = 0.0;
    double Next();
  };

  void Tune(int chord);
  double Noise();

  Saw mLeft[kVoices];
  Saw mRight[kVoices];
  int mChord = -1;
  uint32_t mSeed = 0x9E3779B9u;
  double mPink[3] = {};
};

} // namespace render
