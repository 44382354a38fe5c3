#include "apps/render/Plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "graphics/FontRegistry.h"
#include "graphics/PngWriter.h"
#include "apps/render/LogFrequency.h"

namespace render {

using namespace frame::graphics;

namespace {

// The editor's palette.
constexpr IColor kBackground{255, 24, 29, 36};
constexpr IColor kCream{255, 255, 255, 192};
constexpr IColor kLabel{255, 226, 221, 192};
constexpr IColor kFrame{255, 66, 74, 84};
constexpr IColor kGrid{48, 226, 221, 192};
constexpr IColor kScale[] = {{255, 9, 12, 15}, {255, 30, 50, 92}, {255, 76, 140, 128}, {255, 255, 178, 76},
                             {255, 255, 255, 192}};
constexpr const char* kFontId = "Roboto-Regular";
constexpr float kTick = 4.f;

std::string Hertz(double hz)
{
  char text[16];
  std::snprintf(text, sizeof text, hz >= 1000.0 ? "%gk" : "%g", hz >= 1000.0 ? hz / 1000.0 : hz);
  return text;
}

} // namespace

bool Plot::LoadFont(const std::string& path, std::string& error)
{
  if (FontRegistry::Instance().Load(kFontId, path))
    return true;
  error = "cannot read the font '" + path + "'";
  return false;
}

Plot::Plot(int width, int height) : mSurface(width, height), mRenderer(mSurface)
{
  mRenderer.Clear(kBackground);
}

void Plot::Text(const std::string& text, const IRECT& bounds, EAlign align, bool bright)
{
  const IText style(kTextSize, bright ? kCream : kLabel, kFontId, align, EVAlign::Middle);
  mRenderer.DrawText(style, text.c_str(), bounds);
}

float Plot::Title(const std::string& heading, const std::vector<std::string>& items)
{
  const float margin = 10.f, width = mSurface.Width() - 2 * margin;
  float y = 6.f;
  // A long heading shrinks to fit rather than run off the picture.
  IText big(kTitleSize, kCream, kFontId, EAlign::Near, EVAlign::Middle);
  const float wide = mRenderer.MeasureTextWidth(big, heading.c_str());
  if (wide > width)
    big.mSize = std::max(kTextSize, kTitleSize * width / wide);
  mRenderer.DrawText(big, heading.c_str(), IRECT(margin, y, margin + width, y + kLineHeight + 4));
  y += kLineHeight + 6;
  const IText style(kTextSize, kLabel, kFontId, EAlign::Near, EVAlign::Middle);
  std::string line;
  auto flush = [&] {
    mRenderer.DrawText(style, line.c_str(), IRECT(margin, y, margin + width, y + kLineHeight));
    y += kLineHeight;
    line.clear();
  };
  for (const std::string& item : items)
  {
    if (!line.empty() && mRenderer.MeasureTextWidth(style, (line + "  ·  " + item).c_str()) > width)
      flush();
    line += (line.empty() ? "" : "  ·  ") + item;
  }
  if (!line.empty())
    flush();
  return y + 6;
}

void Plot::Frame(const IRECT& area) { mRenderer.DrawRect(kFrame, area.GetPadded(1.f)); }

void Plot::FrequencyAxis(const IRECT& area, bool horizontal, bool grid)
{
  static constexpr double kAll[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
  const float length = horizontal ? area.W() : area.H();
  // Without room for a label at every step, the decades alone.
  const bool sparse = length / 3.f < (horizontal ? 90.f : 4.f * kLineHeight);
  for (double hz : kAll)
  {
    const bool decade = hz == 20 || hz == 20000 || std::fmod(std::log10(hz), 1.0) == 0.0;
    // Close above 10k, 20k is left to the frame's edge when labels are sparse.
    if (sparse && (!decade || (!horizontal && hz == 20000)))
      continue;
    const float at = static_cast<float>(LogFrequency::Fraction(hz));
    if (horizontal)
    {
      const float x = area.L + at * area.W();
      mRenderer.DrawLine(grid ? kGrid : kFrame, x, grid ? area.T : area.B, x, area.B + kTick);
      Text(Hertz(hz), IRECT(x - 30, area.B + kTick, x + 30, area.B + kTick + kLineHeight), EAlign::Center);
    }
    else
    {
      const float y = area.B - at * area.H();
      mRenderer.DrawLine(grid ? kGrid : kFrame, area.L - kTick, y, grid ? area.R : area.L, y);
      Text(Hertz(hz), IRECT(area.L - 60, y - kLineHeight / 2, area.L - kTick - 2, y + kLineHeight / 2), EAlign::Far);
    }
  }
  if (horizontal)
    Text("Hz", IRECT(area.R - 60, area.B + kTick + kLineHeight, area.R, area.B + kTick + 2 * kLineHeight), EAlign::Far);
  else
    Text("Hz", IRECT(area.L - 60, area.T - kLineHeight - 2, area.L - kTick - 2, area.T - 2), EAlign::Far);
}

void Plot::TimeAxis(const IRECT& area, double seconds)
{
  static constexpr double kSteps[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200};
  const double wanted = std::max(seconds, 1e-3) / std::max(2.0, std::floor(area.W() / 70.0));
  double step = kSteps[std::size(kSteps) - 1];
  for (double s : kSteps)
    if (s >= wanted)
    {
      step = s;
      break;
    }
  for (int i = 0; i * step <= seconds + 1e-9; ++i)
  {
    const float x = area.L + static_cast<float>(i * step / std::max(seconds, 1e-9)) * area.W();
    mRenderer.DrawLine(kFrame, x, area.B, x, area.B + kTick);
    char text[16];
    std::snprintf(text, sizeof text, "%g", i * step);
    Text(text, IRECT(x - 30, area.B + kTick, x + 30, area.B + kTick + kLineHeight), EAlign::Center);
  }
  Text("time (s)", IRECT(area.L, area.B + kTick + kLineHeight, area.R, area.B + kTick + 2 * kLineHeight),
       EAlign::Center);
}

void Plot::LevelAxis(const IRECT& area, double lowDb, double highDb, double stepDb)
{
  for (double db = std::ceil(lowDb / stepDb) * stepDb; db <= highDb + 1e-9; db += stepDb)
  {
    const float y = area.B - static_cast<float>((db - lowDb) / (highDb - lowDb)) * area.H();
    mRenderer.DrawLine(kGrid, area.L, y, area.R, y, nullptr, db == 0.0 ? 2.f : 1.f);
    char text[16];
    std::snprintf(text, sizeof text, "%+.0f", db);
    Text(db == 0.0 ? "0" : text, IRECT(area.L - 60, y - kLineHeight / 2, area.L - kTick - 2, y + kLineHeight / 2),
         EAlign::Far);
  }
  Text("dB", IRECT(area.L - 60, area.T - kLineHeight - 2, area.L - kTick - 2, area.T - 2), EAlign::Far);
}

void Plot::ColourScale(const IRECT& bar, double lowDb, double highDb, double stepDb)
{
  const double range = highDb - lowDb;
  for (float y = bar.T; y < bar.B; ++y)
  {
    const double db = (bar.B - y - 0.5) / bar.H() * range;
    mRenderer.FillRect(ScaleColour(std::floor(db / stepDb) * stepDb / range), IRECT(bar.L, y, bar.R, y + 1));
  }
  Frame(bar);
  const double step = highDb - lowDb > 60.0 ? 20.0 : 10.0;
  for (double db = std::ceil(lowDb / step) * step; db <= highDb + 1e-9; db += step)
  {
    const float y = bar.B - static_cast<float>((db - lowDb) / (highDb - lowDb)) * bar.H();
    char text[16];
    std::snprintf(text, sizeof text, "%.0f", db);
    Text(text, IRECT(bar.R + kTick + 2, y - kLineHeight / 2, bar.R + 60, y + kLineHeight / 2), EAlign::Near);
  }
  Text("dB", IRECT(bar.L - 20, bar.T - kLineHeight - 4, bar.R + 20, bar.T - 4), EAlign::Center);
}

IColor Plot::ScaleColour(double fraction)
{
  const double at = std::clamp(fraction, 0.0, 1.0) * (std::size(kScale) - 1);
  const size_t i = std::min(static_cast<size_t>(at), std::size(kScale) - 2);
  const double w = at - i;
  auto mix = [w](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * w)); };
  const IColor& a = kScale[i];
  const IColor& b = kScale[i + 1];
  return {255, mix(a.R, b.R), mix(a.G, b.G), mix(a.B, b.B)};
}

bool WritePicture(const Surface& picture, const std::string& path, std::string& error)
{
  if (WritePNG(picture, path))
    return true;
  error = "cannot write the picture '" + path + "'";
  return false;
}

} // namespace render
