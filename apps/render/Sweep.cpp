#include "apps/render/Sweep.h"

#include <algorithm>

#include "effect/lfo.h"

namespace render {

std::vector<SweepPoint> SweepPoints(const SweepSettings& s, int count)
{
  // The effect's own oscillator and law, so the picture follows the sound.
  constexpr double kTwoPi = 6.283185307179586;
  LFO lfo;
  lfo.setStereo(s.stereo);
  lfo.mWaveform = s.triangle ? 1 : 0;
  const double manual = s.fullScaleHz > 0.0 ? s.manualHz / s.fullScaleHz : 0.0;
  auto hz = [&](double sweep) { return std::clamp(sweepFraction(sweep, manual, s.depth), 0.0, 1.0) * s.fullScaleHz; };

  std::vector<SweepPoint> points;
  for (int k = 0; k < count; ++k)
  {
    // The phase starts a cycle at -2 pi and covers two, which the alternation spans.
    lfo.mPhase = -kTwoPi + kTwoPi * k / count;
    lfo.update();
    points.push_back({360.0 * k / count, hz(lfo.mOutput[0]), hz(lfo.mOutput[1])});
  }
  return points;
}

} // namespace render
