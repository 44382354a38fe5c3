#include <algorithm>
#include <cmath>

#include "graphics/FontRegistry.h"
#include "graphics/Pixel.h"
#include "graphics/Renderer.h"

namespace frame::graphics {

namespace {

struct Placement
{
  float x = 0.f;        // pen start, pixels
  float baseline = 0.f; // pixels
  float width = 0.f;    // advance, pixels
  Font::VMetrics vm;
};

Placement place(Font& font, const IText& text, const char* str, const IRECT& bounds, float scale)
{
  Placement p;
  const float px = text.mSize * scale;
  p.width = font.MeasureWidth(str, px);
  p.vm = font.GetVMetrics(px);
  const float l = bounds.L * scale, r = bounds.R * scale, t = bounds.T * scale, b = bounds.B * scale;
  switch (text.mAlign)
  {
    case EAlign::Near: p.x = l; break;
    case EAlign::Far: p.x = r - p.width; break;
    default: p.x = 0.5f * (l + r) - 0.5f * p.width; break;
  }
  switch (text.mVAlign)
  {
    case EVAlign::Top: p.baseline = t + p.vm.ascent; break;
    case EVAlign::Bottom: p.baseline = b + p.vm.descent; break;
    default: p.baseline = 0.5f * (t + b) + 0.5f * (p.vm.ascent + p.vm.descent); break;
  }
  return p;
}

template <EBlend kMethod>
void drawGlyphs(Surface& s, const TextLine& line, int baseline, const PixelRect& clip, uint32_t color)
{
  for (const TextLine::Placed& pg : line.placed)
  {
    const Glyph& g = *pg.glyph;
    const int gx = pg.x, gy = baseline + pg.y;
    const PixelRect area = PixelRect{gx, gy, gx + g.w, gy + g.h}.Intersect(clip);
    for (int y = area.T; y < area.B; ++y)
    {
      const uint8_t* cov = g.coverage.data() + static_cast<size_t>(y - gy) * g.w + (area.L - gx);
      uint32_t* d = s.Row(y) + area.L;
      for (int i = 0; i < area.W(); ++i)
        if (cov[i])
          d[i] = pixel::BlendCoverage<kMethod>(color, cov[i], d[i]);
    }
  }
}

} // namespace

bool Renderer::DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend)
{
  std::shared_ptr<Font> font = FontRegistry::Instance().Find(text.mFont);
  if (!font)
    return false;
  const float px = text.mSize * mScale;
  if (!str || !*str || !(px > 0.f) || px > Font::kMaxPixelSize)
    return true;

  const Placement p = place(*font, text, str, bounds, mScale);
  // A whole-pixel baseline keeps stems and the x-height crisp; horizontal positions keep
  // their fraction through the glyphs' sub-pixel variants.
  const int baseline = ClampToPixel(std::round(p.baseline));
  font->Layout(str, px, p.x, mLine);
  const uint32_t color = pixel::FromColor(text.mFGColor, BlendWeight(blend));
  const PixelRect clip = GetClip();
  switch (BlendMethod(blend))
  {
    case EBlend::Clobber: drawGlyphs<EBlend::Clobber>(*mSurface, mLine, baseline, clip, color); break;
    case EBlend::Add: drawGlyphs<EBlend::Add>(*mSurface, mLine, baseline, clip, color); break;
    default:
      if (pixel::Alpha(color))
        drawGlyphs<EBlend::Default>(*mSurface, mLine, baseline, clip, color);
      break;
  }
  mLine.glyphs.reset(); // the layout may hold a glyph set the font has since dropped
  return true;
}

float Renderer::MeasureTextWidth(const IText& text, const char* str) const
{
  std::shared_ptr<Font> font = FontRegistry::Instance().Find(text.mFont);
  if (!font || !str)
    return 0.f;
  return font->MeasureWidth(str, text.mSize * mScale) / mScale;
}

IRECT Renderer::MeasureText(const IText& text, const char* str, const IRECT& bounds) const
{
  std::shared_ptr<Font> font = FontRegistry::Instance().Find(text.mFont);
  if (!font || !str || !(text.mSize > 0.f))
    return {};
  const Placement p = place(*font, text, str, bounds, mScale);
  return IRECT(p.x, p.baseline - p.vm.ascent, p.x + p.width, p.baseline - p.vm.descent).GetScaled(1.f / mScale);
}

} // namespace frame::graphics
