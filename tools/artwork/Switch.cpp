#include <algorithm>
#include <cmath>

#include "Artwork.h"
#include "Layout.h"
#include "Palette.h"
#include "Shapes.h"

namespace artwork {

namespace {

using namespace palette;

constexpr int kW = layout::kSwitchW, kH = layout::kSwitchH;
constexpr float kCx = 0.5f * kW;
constexpr float kLedY = 11.f;

// A slide lever in a recessed slot with a status lamp above it: down and dark for 0, up and
// lit for 1, so the two states differ in shape and in light.
Canvas makeFrame(Shapes& shapes, bool up)
{
  Canvas c(kW, kH);

  // Lamp in a dark bezel.
  c.Paint(shapes.Circle(kCx, kLedY + 1.f, 7.f).Blurred(1.2f), kShadow, 0.6f);
  c.Paint(shapes.Circle(kCx, kLedY, 6.5f), Rgb8(12, 15, 19));
  const Mask lamp = shapes.Circle(kCx, kLedY, 4.6f);
  if (up)
  {
    c.AddLight(shapes.Circle(kCx, kLedY, 6.f).Blurred(3.f), kTeal, 0.9f);
    c.Paint(lamp, [](float x, float y) {
      const float d = std::hypot(x - kCx + 1.f, y - kLedY + 1.f) / 4.6f;
      return Mix(Rgb8(225, 255, 240), kTeal, std::min(1.f, d));
    });
  }
  else
  {
    c.Paint(lamp, Rgb8(30, 48, 46));
    c.Paint(shapes.Circle(kCx - 1.2f, kLedY - 1.4f, 1.6f), Rgb8(255, 255, 255), 0.12f);
  }

  // The slot the lever runs in.
  const Mask slot = shapes.RoundRect(IRECT(kCx - 11.f, 22.f, kCx + 11.f, 90.f), 9.f);
  c.Paint(slot, Rgb8(8, 10, 13));
  c.Paint(slot.Minus(slot.Shifted(0, 3).Blurred(1.5f)), kShadow, 0.8f);
  c.Paint(slot.Minus(slot.Shifted(0, -1)), Rgb8(255, 255, 255), 0.08f);

  // The lever cap, a ribbed metal block with its own shadow.
  const float cy = up ? layout::kSwitchCapUpY : layout::kSwitchCapDownY;
  const IRECT cap(kCx - 20.f, cy - 14.f, kCx + 20.f, cy + 14.f);
  c.Paint(shapes.RoundRect(cap.GetTranslated(0.f, 3.f), 6.f).Blurred(2.5f), kShadow, 0.85f);
  const Mask capMask = shapes.RoundRect(cap, 6.f);
  c.Paint(capMask, [cap](float, float y) {
    const float t = (y - cap.T) / cap.H();
    return Mix(Rgb8(132, 142, 154), Rgb8(44, 50, 58), t);
  });
  const Mask capFace = shapes.RoundRect(cap.GetPadded(-2.f), 4.5f);
  c.Paint(capFace, [cap](float, float y) {
    const float t = (y - cap.T) / cap.H();
    return Mix(Rgb8(94, 103, 114), Rgb8(58, 65, 75), t);
  });
  for (int k = -1; k <= 1; ++k)
  {
    const float ry = cy + 5.f * static_cast<float>(k);
    c.Paint(shapes.Polyline({kCx - 12.f, ry, kCx + 12.f, ry}, 1.6f), kShadow, 0.75f);
    c.Paint(shapes.Polyline({kCx - 12.f, ry + 1.6f, kCx + 12.f, ry + 1.6f}, 1.2f), Rgb8(255, 255, 255), 0.16f);
  }
  // A warm line on the lit state's cap echoes the lamp, readable even when the lamp is small.
  if (up)
    c.Paint(shapes.RoundRect(IRECT(kCx - 16.f, cap.T + 3.f, kCx + 16.f, cap.T + 5.f), 1.f), kTeal, 0.9f);
  return c;
}

} // namespace

Picture MakeSwitch()
{
  Shapes shapes(kW, kH);
  return StackFrames({makeFrame(shapes, false).ToPicture(), makeFrame(shapes, true).ToPicture()});
}

} // namespace artwork
