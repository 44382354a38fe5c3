#include "apps/render/SpectrogramPicture.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "graphics/Pixel.h"

namespace render {

using frame::graphics::EAlign;
using frame::graphics::IRECT;

namespace {

constexpr float kTitle = 82.f, kLeft = 56.f, kRight = 80.f, kBottom = 40.f, kName = 18.f, kGap = 6.f;
constexpr double kRangeDb = 70.0;
constexpr double kStepDb = 3.0; // posterised: noise then takes a third of the bytes as PNG
constexpr const char* kNames[SpectrogramLayout::kPanels] = {"Input", "Output, left", "Output, right"};

} // namespace

SpectrogramLayout SpectrogramLayout::For(int width, int height)
{
  SpectrogramLayout layout;
  const float h = std::floor((height - kTitle - kBottom - kPanels * kName - (kPanels - 1) * kGap) / kPanels);
  float top = kTitle;
  for (IRECT& panel : layout.panels)
  {
    panel = IRECT(kLeft, top + kName, width - kRight, top + kName + h);
    top = panel.B + kGap;
  }
  layout.scale = IRECT(width - kRight + 14, layout.panels[0].T, width - kRight + 26, layout.panels[kPanels - 1].B);
  return layout;
}

frame::graphics::Surface DrawSpectrogramPicture(int width, int height, const Spectrogram* const (&panels)[SpectrogramLayout::kPanels],
                            double seconds, const std::string& heading, const std::vector<std::string>& settings)
{
  Plot plot(width, height);
  plot.Title(heading, settings);
  const SpectrogramLayout layout = SpectrogramLayout::For(width, height);

  float peak = -200.f;
  for (const Spectrogram* s : panels)
    peak = std::max(peak, s->Peak());
  const double high = std::ceil(peak / 10.0) * 10.0, low = high - kRangeDb;

  for (int p = 0; p < SpectrogramLayout::kPanels; ++p)
  {
    const IRECT& area = layout.panels[p];
    const Spectrogram& s = *panels[p];
    const int columns = std::min(s.Columns(), static_cast<int>(area.W()));
    const int rows = std::min(s.Rows(), static_cast<int>(area.H()));
    for (int r = 0; r < rows; ++r)
    {
      uint32_t* row = plot.Surface().Row(static_cast<int>(area.T) + r) + static_cast<int>(area.L);
      for (int c = 0; c < columns; ++c)
      {
        const auto colour = Plot::ScaleColour(std::floor((s.Level(c, r) - low) / kStepDb) * kStepDb / kRangeDb);
        row[c] = frame::graphics::pixel::Pack(255, colour.R, colour.G, colour.B);
      }
    }
    plot.Frame(area);
    plot.Text(kNames[p], IRECT(area.L, area.T - kName, area.R, area.T), EAlign::Near, true);
    plot.FrequencyAxis(area, false, false);
  }
  plot.TimeAxis(layout.panels[SpectrogramLayout::kPanels - 1], seconds);
  plot.ColourScale(layout.scale, low, high, kStepDb);
  return std::move(plot.Surface());
}

} // namespace render
