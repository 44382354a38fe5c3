#pragma once

#include <string>
#include <vector>

namespace render {

class PluginHost;
struct ProcessSettings;

/** One frozen point of the sweep, measured on both channels. */
struct ResponseCurve
{
  double degrees = 0.0;      ///< the point of the LFO cycle
  std::vector<double> left;  ///< dB at each of Response::frequencies
  std::vector<double> right;
};

struct Response
{
  std::vector<double> frequencies; ///< log-spaced over 20 Hz .. 20 kHz
  std::vector<ResponseCurve> curves;
};

/** Measures the magnitude response of the loaded plug-in, with its current settings, at
 *  points evenly spread over one LFO cycle. Each point is frozen by rendering with
 *  "LFODepth" 0 and "Manual" at the break frequency the sweep passes there (see
 *  SweepPoints); the response is the spectrum of an impulse rendered through the plug-in
 *  from a fresh start. The settings are restored afterwards and processing is stopped.
 *  False with a reason when the plug-in lacks those parameters or fails to process. */
bool MeasureResponse(PluginHost& host, const ProcessSettings& settings, int points, Response& response,
                     std::string& error);

} // namespace render
