#include <algorithm>
#include <cmath>

#include "Artwork.h"
#include "Layout.h"
#include "Palette.h"
#include "Shapes.h"

namespace artwork {

namespace {

using namespace palette;

constexpr float kPi = 3.14159265358979f;
constexpr int kSize = layout::kKnobSize;
constexpr float kC = 0.5f * kSize;              // centre of the frame
constexpr float kMinAngle = -135.f, kMaxAngle = 135.f; // 7 o'clock to 5 o'clock
constexpr float kRingR = 41.f, kTrackWidth = 7.f, kArcWidth = 4.5f;
constexpr float kBodyR = 32.f, kFaceR = 29.f;

float rad(float degrees) { return degrees * kPi / 180.f; }

} // namespace

// Everything that does not turn: shadow, scale, value track and the spun-metal cap. It is
// painted into the background under each knob, so the 65 frames carry only the arc and the
// pointer and the strip stays small.
Canvas MakeKnobBase()
{
  Shapes shapes(kSize, kSize);
  Canvas c(kSize, kSize);

  // The cap throws a soft shadow down onto the panel and the track.
  c.Paint(shapes.Circle(kC, kC + 3.f, kBodyR + 1.f).Blurred(3.5f), kShadow, 0.8f);

  // Scale: eleven ticks, the ends and the centre a little longer and brighter.
  for (int k = 0; k <= 10; ++k)
  {
    const float a = rad(kMinAngle + 27.f * static_cast<float>(k));
    const bool major = k == 0 || k == 5 || k == 10;
    const float r0 = 46.5f, r1 = major ? 51.f : 50.f;
    const Mask tick = shapes.Polyline({kC + r0 * std::sin(a), kC - r0 * std::cos(a), kC + r1 * std::sin(a),
                                       kC - r1 * std::cos(a)},
                                      major ? 2.4f : 2.f);
    c.Paint(tick, kLabel, major ? 0.75f : 0.42f);
  }

  // The recessed groove the value arc lights up.
  const Mask track = shapes.Arc(kC, kC, kRingR, kMinAngle, kMaxAngle, kTrackWidth, true);
  c.Paint(track, Rgb8(8, 10, 13));
  c.Paint(track.Minus(track.Shifted(0, -1)), Rgb8(255, 255, 255), 0.07f); // lit lower lip
  c.Paint(track.Minus(track.Shifted(0, 2).Blurred(1.f)), kShadow, 0.5f);    // shaded upper lip

  // Rim: brushed bevel lit from above.
  const Mask body = shapes.Circle(kC, kC, kBodyR);
  c.Paint(body, [](float, float y) {
    const float t = (y - (kC - kBodyR)) / (2.f * kBodyR);
    return Mix(Rgb8(150, 160, 172), Rgb8(22, 26, 32), std::pow(t, 0.8f));
  });

  // Face: spun metal, whose concentric grain catches the light in two opposite sectors.
  const Mask face = shapes.Circle(kC, kC, kFaceR);
  c.Paint(face, [](float x, float y) {
    const float dx = x - kC, dy = y - kC;
    const float r = std::sqrt(dx * dx + dy * dy);
    const float phi = std::atan2(dy, dx);
    const float sheen = std::pow(std::fabs(std::cos(phi + rad(55.f))), 8.f);
    const float grain = 0.5f + 0.5f * std::sin(r * 2.9f) * std::sin(r * 0.7f + 1.3f);
    const float lift = 0.5f - 0.5f * dy / kFaceR; // brighter towards the top
    Rgba base = Mix(Rgb8(40, 46, 54), Rgb8(74, 82, 93), lift);
    base = Mix(base, Rgb8(150, 160, 170), 0.32f * sheen + 0.0f * grain);
    return base;
  });
  // A thin dark seam between face and rim, and a soft highlight across the top.
  c.Paint(shapes.Ring(kC, kC, kFaceR, 1.4f), kShadow, 0.55f);
  c.AddLight(shapes.Circle(kC, kC - 13.f, 15.f).Blurred(6.f).Times(face), Rgb8(190, 205, 220), 0.10f);
  return c;
}

namespace {

void drawValue(Canvas& c, Shapes& shapes, float t)
{
  const float angle = kMinAngle + (kMaxAngle - kMinAngle) * t;
  if (t > 0.f)
  {
    const Mask arc = shapes.Arc(kC, kC, kRingR, kMinAngle, angle, kArcWidth, true);
    // The arc warms from amber at the start to pale cream at its head.
    c.Paint(arc, [](float x, float y) {
      const float a = std::atan2(x - kC, kC - y) * 180.f / kPi;
      return Mix(kAmber, kAmberLight, std::clamp((a - kMinAngle) / (kMaxAngle - kMinAngle), 0.f, 1.f));
    });
    c.AddLight(arc.Blurred(2.8f).Minus(arc), kAmber, 0.55f);
  }

  const float a = rad(angle);
  const float r0 = 10.f, r1 = 25.f;
  const std::vector<float> line = {kC + r0 * std::sin(a), kC - r0 * std::cos(a), kC + r1 * std::sin(a),
                                   kC - r1 * std::cos(a)};
  // A dark halo keeps the pointer legible over the bright sectors of the face.
  c.Paint(shapes.Polyline(line, 7.f).Shifted(0, 1).Blurred(1.2f), kShadow, 0.7f);
  c.Paint(shapes.Polyline(line, 4.2f), kCream);
}

} // namespace

Picture MakeKnob()
{
  Shapes shapes(kSize, kSize);
  std::vector<Picture> frames;
  for (int f = 0; f < layout::kKnobFrames; ++f)
  {
    Canvas c(kSize, kSize);
    drawValue(c, shapes, static_cast<float>(f) / static_cast<float>(layout::kKnobFrames - 1));
    frames.push_back(c.ToPicture());
  }
  return StackFrames(frames);
}

} // namespace artwork
