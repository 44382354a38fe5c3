#include "apps/render/Response.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "apps/render/LogFrequency.h"
#include "apps/render/PluginHost.h"
#include "apps/render/Sweep.h"

namespace render {

namespace {

constexpr int kFrequencies = 480;
// Long enough for the slowest resonance of high feedback to ring out.
constexpr double kImpulseSeconds = 2.5;
constexpr double kFloorDb = -120.0;

bool Find(const PluginHost& host, const char* title, PluginParam& param, std::string& error)
{
  if (host.FindParam(title, param))
    return true;
  error = "the plug-in has no '" + std::string(title) + "' parameter to freeze its sweep with";
  return false;
}

double LeadingNumber(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

/** The impulse response of both channels, rendered from a fresh start of processing. */
template <typename T>
bool RenderImpulse(PluginHost& host, const ProcessSettings& settings, T* (PluginHost::*in)(int),
                   T* (PluginHost::*out)(int), std::vector<double> (&response)[2], std::string& error)
{
  if (!host.Start(settings, error))
    return false;
  const size_t length = response[0].size();
  for (size_t done = 0; done < length;)
  {
    const int32_t n = static_cast<int32_t>(std::min<size_t>(settings.maxBlockSize, length - done));
    for (int ch = 0; ch < 2; ++ch)
      if (T* buffer = (host.*in)(ch))
      {
        std::fill(buffer, buffer + n, T(0));
        if (done == 0)
          buffer[0] = T(1);
      }
    if (!host.Process(n, error))
      return false;
    for (int ch = 0; ch < 2; ++ch)
    {
      const T* o = (host.*out)(ch) ? (host.*out)(ch) : (host.*out)(0);
      std::copy(o, o + n, response[ch].begin() + static_cast<std::ptrdiff_t>(done));
    }
    done += static_cast<size_t>(n);
  }
  host.Stop();
  return true;
}

/** dB of the impulse response's spectrum at each frequency, between the nearest bins. */
std::vector<double> MagnitudeDb(const std::vector<double>& impulse, double sampleRate,
                                const std::vector<double>& frequencies)
{
  const int n = static_cast<int>(impulse.size());
  std::vector<double> in(impulse);
  fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), out, FFTW_ESTIMATE);
  fftw_execute(plan);
  std::vector<double> db;
  for (double f : frequencies)
  {
    const double at = std::min(f * n / sampleRate, n / 2 - 1.0);
    const int k = static_cast<int>(at);
    const double w = at - k;
    const double re = out[k][0] * (1 - w) + out[k + 1][0] * w, im = out[k][1] * (1 - w) + out[k + 1][1] * w;
    db.push_back(std::max(10.0 * std::log10(re * re + im * im + 1e-30), kFloorDb));
  }
  fftw_destroy_plan(plan);
  fftw_free(out);
  return db;
}

} // namespace

bool MeasureResponse(PluginHost& host, const ProcessSettings& settings, int points, Response& response,
                     std::string& error)
{
  PluginParam manual, depth, stereo, waveform;
  if (!Find(host, "Manual", manual, error) || !Find(host, "LFODepth", depth, error) ||
      !Find(host, "Stereo", stereo, error) || !Find(host, "Waveform", waveform, error))
    return false;

  // The plug-in's own texts give the frequencies, so the tool needs no copy of its curve.
  SweepSettings sweep;
  sweep.manualHz = LeadingNumber(host.ValueText(manual.id));
  sweep.fullScaleHz = LeadingNumber(host.TextFor(manual.id, 1.0));
  sweep.depth = host.Normalized(depth.id);
  sweep.stereo = host.Normalized(stereo.id);
  sweep.triangle = host.ValueText(waveform.id) != "Sine";
  const double manualBefore = host.Normalized(manual.id), depthBefore = host.Normalized(depth.id);

  response = Response{};
  for (int i = 0; i < kFrequencies; ++i)
    response.frequencies.push_back(LogFrequency::At(static_cast<double>(i) / (kFrequencies - 1)));

  int length = 1;
  while (length < settings.sampleRate * kImpulseSeconds)
    length *= 2;
  std::vector<double> impulse[2] = {std::vector<double>(length), std::vector<double>(length)};

  auto measure = [&](double hz, std::vector<double>* left, std::vector<double>* right) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0fHz", hz);
    double normalized = 0.0;
    if (!host.ReadValue(manual, text, normalized, error) || !host.SetParam(manual.id, normalized, error) ||
        !host.SetParam(depth.id, 0.0, error))
      return false;
    const bool rendered = settings.doublePrecision
                            ? RenderImpulse(host, settings, &PluginHost::Input64, &PluginHost::Output64, impulse, error)
                            : RenderImpulse(host, settings, &PluginHost::Input32, &PluginHost::Output32, impulse, error);
    if (!rendered)
      return false;
    if (left)
      *left = MagnitudeDb(impulse[0], settings.sampleRate, response.frequencies);
    if (right)
      *right = MagnitudeDb(impulse[1], settings.sampleRate, response.frequencies);
    return true;
  };

  for (const SweepPoint& point : SweepPoints(sweep, points))
  {
    ResponseCurve curve;
    curve.degrees = point.degrees;
    const bool same = std::abs(point.leftHz - point.rightHz) < 0.5;
    if (!measure(point.leftHz, &curve.left, same ? &curve.right : nullptr) ||
        (!same && !measure(point.rightHz, nullptr, &curve.right)))
      return false;
    response.curves.push_back(std::move(curve));
  }
  return host.SetParam(manual.id, manualBefore, error) && host.SetParam(depth.id, depthBefore, error);
}

} // namespace render
