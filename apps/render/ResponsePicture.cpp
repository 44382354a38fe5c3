#include "apps/render/ResponsePicture.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <cstdio>

#include "apps/render/LogFrequency.h"

namespace render {

using frame::graphics::EAlign;
using frame::graphics::IColor;
using frame::graphics::IRECT;

namespace {

constexpr float kTitle = 82.f, kLeft = 56.f, kRight = 110.f, kBottom = 40.f, kName = 18.f, kGap = 36.f;
constexpr double kRangeDb = 60.0, kStepDb = 12.0;
// Round the hues with the cycle, so neighbouring points look alike and opposite ones apart.
constexpr IColor kCurves[] = {{255, 255, 178, 76},  {255, 255, 245, 170}, {255, 160, 225, 120}, {255, 96, 206, 184},
                              {255, 110, 165, 240}, {255, 175, 135, 235}, {255, 235, 120, 175}, {255, 240, 110, 80}};
constexpr const char* kNames[2] = {"Left", "Right"};

} // namespace

ResponseLayout ResponseLayout::For(int width, int height)
{
  ResponseLayout layout;
  const float h = std::floor((height - kTitle - kBottom - 2 * kName - kGap) / 2);
  layout.panels[0] = IRECT(kLeft, kTitle + kName, width - kRight, kTitle + kName + h);
  layout.panels[1] = layout.panels[0].GetTranslated(0, h + kGap + kName);
  layout.legend = IRECT(width - kRight + 16, layout.panels[0].T, width - 8.f, layout.panels[1].B);
  return layout;
}

frame::graphics::Surface DrawResponsePicture(int width, int height, const Response& response, const std::string& heading,
                         const std::vector<std::string>& settings)
{
  Plot plot(width, height);
  plot.Title(heading, settings);
  const ResponseLayout layout = ResponseLayout::For(width, height);

  double peak = 0.0;
  for (const ResponseCurve& c : response.curves)
    for (const std::vector<double>* v : {&c.left, &c.right})
      peak = std::max(peak, *std::max_element(v->begin(), v->end()));
  const double high = std::max(kStepDb / 2, std::ceil((peak + 1.0) / (kStepDb / 2)) * (kStepDb / 2));
  const double low = high - kRangeDb;

  for (int p = 0; p < 2; ++p)
  {
    const IRECT& area = layout.panels[p];
    plot.Frame(area);
    plot.Text(kNames[p], IRECT(area.L, area.T - kName, area.R, area.T), EAlign::Near, true);
    plot.FrequencyAxis(area, true, true);
    plot.LevelAxis(area, low, high, kStepDb);
    plot.Renderer().SetClipRect(area);
    for (size_t k = 0; k < response.curves.size(); ++k)
    {
      const std::vector<double>& db = p == 0 ? response.curves[k].left : response.curves[k].right;
      float lastX = 0.f, lastY = 0.f;
      for (size_t i = 0; i < db.size(); ++i)
      {
        const float x = area.L + static_cast<float>(LogFrequency::Fraction(response.frequencies[i])) * area.W();
        const float y = area.B - static_cast<float>((std::max(db[i], low - 1.0) - low) / kRangeDb) * area.H();
        if (i > 0)
          plot.Renderer().DrawLine(kCurves[k % std::size(kCurves)], lastX, lastY, x, y, nullptr, 1.5f);
        lastX = x;
        lastY = y;
      }
    }
    plot.Renderer().ResetClip();
  }

  const IRECT& legend = layout.legend;
  plot.Text("LFO cycle", IRECT(legend.L, legend.T, legend.R, legend.T + Plot::kLineHeight), EAlign::Near, true);
  for (size_t k = 0; k < response.curves.size(); ++k)
  {
    const float y = legend.T + (k + 1.5f) * Plot::kLineHeight;
    plot.Renderer().DrawLine(kCurves[k % std::size(kCurves)], legend.L, y, legend.L + 18, y, nullptr, 2.f);
    char text[16];
    std::snprintf(text, sizeof text, "%.0f°", response.curves[k].degrees);
    plot.Text(text, IRECT(legend.L + 24, y - Plot::kLineHeight / 2, legend.R, y + Plot::kLineHeight / 2),
              EAlign::Near);
  }
  return std::move(plot.Surface());
}

} // namespace render
