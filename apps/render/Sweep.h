#pragma once

#include <vector>

namespace render {

/** What decides where the sweep stands, in the plug-in's terms. */
struct SweepSettings
{
  double manualHz = 1000.0;    ///< "Manual"
  double fullScaleHz = 16000.0; ///< "Manual" at its maximum
  double depth = 0.5;           ///< "LFODepth", 0 .. 1
  double stereo = 0.5;          ///< "Stereo", 0 .. 1
  bool triangle = true;         ///< "Waveform"
};

/** Where the sweep stands at one point of the LFO cycle: the break frequency the "Manual"
 *  control would give with "LFODepth" 0, for each channel. */
struct SweepPoint
{
  double degrees = 0.0; ///< from the start of the cycle
  double leftHz = 0.0;
  double rightHz = 0.0;
};

/** count points evenly spaced over the LFO's first cycle, computed by the effect's own LFO
 *  and sweep law (effect/lfo.h): the LFO output is squared and blended from "Manual" by
 *  "LFODepth"; the right channel runs ahead by the "Stereo" offset below the middle and
 *  alternates with the left above it. */
std::vector<SweepPoint> SweepPoints(const SweepSettings& settings, int count);

} // namespace render
