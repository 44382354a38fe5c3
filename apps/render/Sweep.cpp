#include "apps/render/Sweep.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace render {

namespace {

constexpr double kPi = std::numbers::pi;

// 1 at the cycle's ends and middle of the phase range, 0 a quarter of the way between.
double Triangle(double phase)
{
  const double d = phase / kPi;
  return std::abs(d + (d >= 0.0 ? -1.0 : 1.0));
}

double Sine(double phase) { return (std::cos(phase) + 1.0) * 0.5; }

} // namespace

std::vector<SweepPoint> SweepPoints(const SweepSettings& s, int count)
{
  const bool alternating = s.stereo > 0.5;
  const double offset = alternating ? kPi : (0.5 - s.stereo) * 2.0 * kPi;
  const double swing = alternating ? 2.0 * s.stereo - 1.0 : 0.0;
  const double manual = s.fullScaleHz > 0.0 ? s.manualHz / s.fullScaleHz : 0.0;
  auto hz = [&](double m) {
    const double x = (m * m - manual) * s.depth + manual;
    return std::clamp(x, 0.0, 1.0) * s.fullScaleHz;
  };

  std::vector<SweepPoint> points;
  for (int k = 0; k < count; ++k)
  {
    // The phase starts a cycle at -2 pi and covers two, which the alternation spans.
    const double phase = -2.0 * kPi + 2.0 * kPi * k / count;
    double left = s.triangle ? Triangle(phase) : Sine(phase);
    double right = 0.0;
    if (alternating)
    {
      const double e = s.triangle ? std::abs(phase) / (2.0 * kPi) : (std::cos(phase * 0.5) + 1.0) * 0.5;
      right = (1.0 - e * swing) * left;
      left *= (e - 1.0) * swing + 1.0;
    }
    else
    {
      double ahead = phase + offset;
      if (ahead >= 2.0 * kPi)
        ahead -= 4.0 * kPi;
      right = s.triangle ? Triangle(ahead) : Sine(ahead);
    }
    points.push_back({360.0 * k / count, hz(left), hz(right)});
  }
  return points;
}

} // namespace render
