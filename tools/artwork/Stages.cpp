#include <algorithm>
#include <cmath>

#include "Artwork.h"
#include "Layout.h"
#include "Palette.h"
#include "Shapes.h"

namespace artwork {

namespace {

using namespace palette;

constexpr int kW = layout::kStagesW, kH = layout::kStagesH;
constexpr float kCx = 0.5f * kW;
const IRECT kWindow(18.f, 14.f, 78.f, 86.f);

// Seven segments, a b c d e f g clockwise from the top and the middle bar last, as
// hexagons in a box of width w and height h around (cx, cy), leaning forward by slant.
std::vector<std::vector<float>> segments(float cx, float cy, float w, float h, float t, float slant)
{
  const float gap = 1.2f;
  const float l = cx - 0.5f * w, r = cx + 0.5f * w, top = cy - 0.5f * h, bottom = cy + 0.5f * h;
  auto horizontal = [&](float y) {
    const float x0 = l + gap, x1 = r - gap;
    return std::vector<float>{x0, y, x0 + 0.5f * t, y - 0.5f * t, x1 - 0.5f * t, y - 0.5f * t,
                              x1, y, x1 - 0.5f * t, y + 0.5f * t, x0 + 0.5f * t, y + 0.5f * t};
  };
  auto vertical = [&](float x, float y0, float y1) {
    y0 += gap, y1 -= gap;
    return std::vector<float>{x, y0, x + 0.5f * t, y0 + 0.5f * t, x + 0.5f * t, y1 - 0.5f * t,
                              x, y1, x - 0.5f * t, y1 - 0.5f * t, x - 0.5f * t, y0 + 0.5f * t};
  };
  std::vector<std::vector<float>> s = {
    horizontal(top), vertical(r, top, cy), vertical(r, cy, bottom), horizontal(bottom),
    vertical(l, cy, bottom), vertical(l, top, cy), horizontal(cy),
  };
  for (auto& poly : s)
    for (size_t i = 0; i + 1 < poly.size(); i += 2)
      poly[i] += (cy - poly[i + 1]) * slant;
  return s;
}

// A raised button with an amber seven-segment read-out of the stage count. The unlit
// segments stay faintly visible, as on a real display, so "4" and "8" differ in light only
// where it matters and the digit never looks like a different character.
Canvas makeFrame(Shapes& shapes, int digit)
{
  Canvas c(kW, kH);
  PaintKey(c, shapes, IRECT(6.f, 4.f, 90.f, 108.f),
           {12.f, 3.5f, 0.85f, 3.f, 9.5f, Rgb8(128, 138, 150), Rgb8(24, 28, 34), Rgb8(72, 80, 91), Rgb8(42, 48, 56)});

  // The dark glass of the read-out, sunk into the button.
  const Mask window = shapes.RoundRect(kWindow, 6.f);
  c.Paint(window, Rgb8(9, 11, 14));
  c.Paint(window.Minus(window.Shifted(0, 3).Blurred(2.f)), kShadow, 0.9f);
  c.Paint(window.Minus(window.Shifted(0, -1)).Shifted(0, 1), Rgb8(255, 255, 255), 0.10f);

  const bool lit8[7] = {true, true, true, true, true, true, true};
  const bool lit4[7] = {false, true, true, false, false, true, true};
  const bool* lit = digit == 8 ? lit8 : lit4;
  const auto segs = segments(kWindow.MW(), kWindow.MH(), 30.f, 50.f, 6.5f, 0.09f);
  Mask on(kW, kH), off(kW, kH);
  for (size_t i = 0; i < segs.size(); ++i)
  {
    const Mask m = shapes.Polygon(segs[i]);
    Mask& target = lit[i] ? on : off;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        target.At(x, y) = std::max(target.At(x, y), m.At(x, y));
  }
  c.Paint(off, kAmber, 0.08f);
  c.AddLight(on.Blurred(3.f).Times(window), kAmber, 0.55f);
  c.Paint(on, [](float, float y) { return Mix(kAmberLight, kAmber, (y - kWindow.T) / kWindow.H()); });

  // Two position lamps under the read-out: left for four stages, right for eight.
  for (int k = 0; k < 2; ++k)
  {
    const float x0 = k == 0 ? 22.f : 52.f;
    const IRECT lampRect(x0, 93.f, x0 + 22.f, 99.f);
    c.Paint(shapes.RoundRect(lampRect.GetPadded(1.f), 3.5f), Rgb8(10, 12, 15));
    const bool active = (k == 0) == (digit == 4);
    const Mask lamp = shapes.RoundRect(lampRect, 3.f);
    if (active)
    {
      c.AddLight(lamp.Blurred(2.f), kAmber, 0.6f);
      c.Paint(lamp, kAmberLight);
    }
    else
      c.Paint(lamp, Rgb8(54, 42, 26));
  }
  return c;
}

} // namespace

Picture MakeStages()
{
  Shapes shapes(kW, kH);
  return StackFrames({makeFrame(shapes, 4).ToPicture(), makeFrame(shapes, 8).ToPicture()});
}

} // namespace artwork
