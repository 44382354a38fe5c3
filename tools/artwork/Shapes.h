#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Canvas.h"
#include "graphics/IGraphicsStructs.h"
#include "graphics/Renderer.h"

namespace artwork {

// The art is laid out in the editor's rectangles and aligns text as the editor does.
using frame::graphics::EAlign;
using frame::graphics::IRECT;

/** A typeface and size for lettering baked into the pictures. Tracking is extra space
 *  between letters, in pixels, for spaced capitals. */
struct Lettering
{
  const char* font = "Art-Medium";
  float size = 20.f;
  float tracking = 0.f;
};

/** Coverage masks drawn by the editor's rasteriser at scale 1, one pixel per layout unit,
 *  so the art's edges are anti-aliased exactly as the editor draws its own shapes. */
class Shapes
{
public:
  Shapes(int width, int height);

  /** Whatever draw paints (in white) onto a clear surface, as a mask. */
  Mask Draw(const std::function<void(frame::graphics::Renderer&)>& draw);

  Mask Circle(float cx, float cy, float r);
  Mask Ring(float cx, float cy, float r, float thickness);
  Mask RoundRect(const IRECT& r, float radius);
  /** Angles in degrees, 0 up, clockwise. Round caps put a half disc on each end. */
  Mask Arc(float cx, float cy, float r, float a1, float a2, float thickness, bool roundCaps = false);
  /** A stroke through the points with round joins and ends. */
  Mask Polyline(const std::vector<float>& xy, float thickness);
  Mask Polygon(const std::vector<float>& xy);

  /** A line of text with its pen at x (left, centre or right by align) on the baseline y. */
  Mask Text(const Lettering& style, const std::string& text, float x, float baseline,
            EAlign align = EAlign::Center);
  float TextWidth(const Lettering& style, const std::string& text) const;
  /** Height of the capitals above the baseline, for centring a line of capitals. */
  float CapHeight(const Lettering& style) const;

private:
  void drawText(frame::graphics::Renderer& r, const Lettering& style, const std::string& text, float penX,
                float baseline) const;

  int mW, mH;
};

/** How a raised key looks: the rim's corner radius, its soft shadow, and the face inset by
 *  bevel; rim and face each shade from top to bottom over their own height. */
struct KeyStyle
{
  float radius, shadowBlur, shadowOpacity, bevel, faceRadius;
  Rgba rimTop, rimBottom, faceTop, faceBottom;
};

/** Paints a raised key filling rect, its shadow cast 3 units below. */
void PaintKey(Canvas& c, Shapes& shapes, const IRECT& rect, const KeyStyle& style);

/** Registers the Roboto faces used for lettering under the identifiers "Art-Light",
 *  "Art-Regular", "Art-Medium", "Art-Bold" and "Art-CondensedBold", plus the editor's value
 *  font as "Roboto-Regular.ttf" for previews. dir is the unhinted Roboto folder. False when
 *  a face cannot be read. */
bool RegisterFonts(const std::string& dir, std::string& error);

} // namespace artwork
