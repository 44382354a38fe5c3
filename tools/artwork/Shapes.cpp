#include "Shapes.h"

#include <cmath>

#include "Palette.h"
#include "graphics/FontRegistry.h"
#include "graphics/Surface.h"

namespace artwork {

using namespace frame::graphics;

namespace {

constexpr float kPi = 3.14159265358979f;

// The text split into code points, so tracked capitals can be placed one by one.
std::vector<std::string> codePoints(const std::string& text)
{
  std::vector<std::string> out;
  for (unsigned char c : text)
  {
    if ((c & 0xC0u) != 0x80u || out.empty())
      out.emplace_back();
    out.back().push_back(static_cast<char>(c));
  }
  return out;
}

IText styleOf(const Lettering& s)
{
  return IText(s.size, COLOR_WHITE, s.font, EAlign::Near, EVAlign::Bottom);
}

} // namespace

Shapes::Shapes(int width, int height) : mW(width), mH(height) {}

Mask Shapes::Draw(const std::function<void(Renderer&)>& draw)
{
  Surface s(mW, mH, 0);
  Renderer r(s, 1.f);
  draw(r);
  Mask m(mW, mH);
  for (int y = 0; y < mH; ++y)
    for (int x = 0; x < mW; ++x)
      m.At(x, y) = static_cast<float>(s.At(x, y) >> 24) / 255.f;
  return m;
}

Mask Shapes::Circle(float cx, float cy, float r)
{
  return Draw([&](Renderer& g) { g.FillCircle(COLOR_WHITE, cx, cy, r); });
}

Mask Shapes::Ring(float cx, float cy, float r, float thickness)
{
  return Draw([&](Renderer& g) { g.DrawCircle(COLOR_WHITE, cx, cy, r, nullptr, thickness); });
}

Mask Shapes::RoundRect(const IRECT& r, float radius)
{
  return Draw([&](Renderer& g) { g.FillRoundRect(COLOR_WHITE, r, radius); });
}

Mask Shapes::Arc(float cx, float cy, float r, float a1, float a2, float thickness, bool roundCaps)
{
  return Draw([&](Renderer& g) {
    g.DrawArc(COLOR_WHITE, cx, cy, r, a1, a2, nullptr, thickness);
    if (roundCaps)
      for (float a : {a1, a2})
      {
        const float rad = a * kPi / 180.f;
        g.FillCircle(COLOR_WHITE, cx + r * std::sin(rad), cy - r * std::cos(rad), 0.5f * thickness);
      }
  });
}

Mask Shapes::Polyline(const std::vector<float>& xy, float thickness)
{
  return Draw([&](Renderer& g) {
    // Drawn as one polygon per segment with a disc on every joint; overlaps merge, since
    // white over white stays white.
    const size_t n = xy.size() / 2;
    for (size_t i = 0; i < n; ++i)
    {
      g.FillCircle(COLOR_WHITE, xy[2 * i], xy[2 * i + 1], 0.5f * thickness);
      if (i + 1 < n)
        g.DrawLine(COLOR_WHITE, xy[2 * i], xy[2 * i + 1], xy[2 * i + 2], xy[2 * i + 3], nullptr, thickness);
    }
  });
}

Mask Shapes::Polygon(const std::vector<float>& xy)
{
  std::vector<float> xs, ys;
  for (size_t i = 0; i + 1 < xy.size(); i += 2)
    xs.push_back(xy[i]), ys.push_back(xy[i + 1]);
  return Draw([&](Renderer& g) { g.FillPolygon(COLOR_WHITE, xs.data(), ys.data(), static_cast<int>(xs.size())); });
}

float Shapes::TextWidth(const Lettering& style, const std::string& text) const
{
  Surface none(1, 1);
  Renderer r(none, 1.f);
  const IText t = styleOf(style);
  if (style.tracking == 0.f)
    return r.MeasureTextWidth(t, text.c_str());
  const std::vector<std::string> cps = codePoints(text);
  float w = 0.f;
  for (const std::string& cp : cps)
    w += r.MeasureTextWidth(t, cp.c_str());
  return w + style.tracking * static_cast<float>(cps.size() > 0 ? cps.size() - 1 : 0);
}

float Shapes::CapHeight(const Lettering& style) const
{
  // Roboto's capitals stand 1456 of its 2048 units tall.
  return style.size * 1456.f / 2048.f;
}

void Shapes::drawText(Renderer& r, const Lettering& style, const std::string& text, float penX, float baseline) const
{
  const IText t = styleOf(style);
  std::shared_ptr<frame::graphics::Font> font = FontRegistry::Instance().Find(style.font);
  if (!font)
    return;
  // Bottom alignment puts the baseline at bounds.B + descent.
  const float descent = font->GetVMetrics(style.size).descent;
  const float bottom = baseline - descent;
  if (style.tracking == 0.f)
  {
    r.DrawText(t, text.c_str(), IRECT(penX, bottom - 4.f * style.size, penX + 10000.f, bottom));
    return;
  }
  float x = penX;
  for (const std::string& cp : codePoints(text))
  {
    r.DrawText(t, cp.c_str(), IRECT(x, bottom - 4.f * style.size, x + 10000.f, bottom));
    x += r.MeasureTextWidth(t, cp.c_str()) + style.tracking;
  }
}

Mask Shapes::Text(const Lettering& style, const std::string& text, float x, float baseline, EAlign align)
{
  const float w = TextWidth(style, text);
  const float penX = align == EAlign::Near ? x : (align == EAlign::Far ? x - w : x - 0.5f * w);
  return Draw([&](Renderer& r) { drawText(r, style, text, penX, baseline); });
}

void PaintKey(Canvas& c, Shapes& shapes, const IRECT& rect, const KeyStyle& style)
{
  c.Paint(shapes.RoundRect(rect.GetTranslated(0.f, 3.f), style.radius).Blurred(style.shadowBlur), palette::kShadow,
          style.shadowOpacity);
  c.Paint(shapes.RoundRect(rect, style.radius), [&](float, float y) {
    return Mix(style.rimTop, style.rimBottom, (y - rect.T) / rect.H());
  });
  const IRECT face = rect.GetPadded(-style.bevel);
  c.Paint(shapes.RoundRect(face, style.faceRadius), [&](float, float y) {
    return Mix(style.faceTop, style.faceBottom, (y - face.T) / face.H());
  });
}

bool RegisterFonts(const std::string& dir, std::string& error)
{
  const struct
  {
    const char* id;
    const char* file;
  } faces[] = {
    {"Art-Light", "RobotoTTF/Roboto-Light.ttf"},
    {"Art-Regular", "RobotoTTF/Roboto-Regular.ttf"},
    {"Art-Medium", "RobotoTTF/Roboto-Medium.ttf"},
    {"Art-Bold", "RobotoTTF/Roboto-Bold.ttf"},
    {"Art-CondensedBold", "RobotoCondensed-Bold.ttf"},
    {"Roboto-Regular.ttf", "RobotoTTF/Roboto-Regular.ttf"},
  };
  for (const auto& f : faces)
  {
    const std::string path = dir + "/" + f.file;
    if (!FontRegistry::Instance().Load(f.id, path))
    {
      error = "cannot read font " + path;
      return false;
    }
  }
  return true;
}

} // namespace artwork
