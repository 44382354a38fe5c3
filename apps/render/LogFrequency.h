#pragma once

#include <cmath>

namespace render {

/** The frequency axis of every picture: 20 Hz to 20 kHz, evenly spaced in octaves. */
struct LogFrequency
{
  static constexpr double kLow = 20.0;
  static constexpr double kHigh = 20000.0;

  /** 0 at kLow, 1 at kHigh. */
  static double Fraction(double hz) { return std::log(hz / kLow) / std::log(kHigh / kLow); }
  static double At(double fraction) { return kLow * std::pow(kHigh / kLow, fraction); }
};

} // namespace render
