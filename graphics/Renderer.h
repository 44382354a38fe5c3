#pragma once

#include <vector>

#include "graphics/Font.h"
#include "graphics/IBitmap.h"
#include "graphics/IGraphicsStructs.h"
#include "graphics/Rasterizer.h"
#include "graphics/Surface.h"

namespace frame::graphics {

/** Draws onto a surface in editor units, multiplied by the draw scale into pixels. A pixel
 *  (i, j) covers [i, i + 1) x [j, j + 1); shapes are anti-aliased by exact coverage. Every
 *  operation stays inside the clip rectangle, so a caller redraws only dirty areas by
 *  clipping to each in turn. Blends: the weight multiplies the source's alpha. Not
 *  thread-safe; one renderer per surface, used on one thread. */
class Renderer
{
public:
  explicit Renderer(Surface& surface, float drawScale = 1.f);

  void SetSurface(Surface& surface);
  Surface& GetSurface() { return *mSurface; }
  void SetDrawScale(float scale);
  float GetDrawScale() const { return mScale; }

  /** Clips to r (editor units, rounded outward to whole pixels) within the surface. */
  void SetClipRect(const IRECT& r);
  void SetClipPixels(const PixelRect& r);
  void ResetClip();
  /** The clip in pixels, within the surface. */
  PixelRect GetClip() const;

  /** Sets every pixel of the clip to colour, replacing what was there. */
  void Clear(const IColor& color);

  void FillRect(const IColor& color, const IRECT& r, const IBlend* blend = nullptr);
  /** Outline of r whose thickness lies inside r, so a 1-unit border on whole units stays
   *  crisp at scale 1. */
  void DrawRect(const IColor& color, const IRECT& r, const IBlend* blend = nullptr, float thickness = 1.f);
  void FillRoundRect(const IColor& color, const IRECT& r, float cornerRadius, const IBlend* blend = nullptr);
  /** A line of the given thickness centred on the segment, with flat ends. */
  void DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                float thickness = 1.f);
  void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                    const IBlend* blend = nullptr);
  void FillPolygon(const IColor& color, const float* x, const float* y, int n, const IBlend* blend = nullptr);
  void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr);
  /** A ring of the given thickness centred on the circle of radius r. */
  void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr,
                  float thickness = 1.f);
  /** An arc stroke from angle a1 to a2 (degrees; 0 points up, angles grow clockwise). */
  void DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* blend = nullptr,
               float thickness = 1.f);

  /** Draws frame (clamped to 1 ... N) of bitmap at its natural size with its top-left at
   *  rect's, cut to rect. The frame's source offset is (frame - 1) * W / N across or
   *  (frame - 1) * H / N down, in whole units. Edges land on the nearest whole pixels; at
   *  any scale but the bitmap's own the frame is resampled to that pixel size once, cached,
   *  and then only blitted. False when the bitmap is invalid. */
  bool DrawBitmap(const IBitmap& bitmap, const IRECT& rect, int frame = 1, const IBlend* blend = nullptr);

  /** Draws one line of UTF-8 text in the style's font, size and colour, placed inside
   *  bounds by its alignment: horizontally by the kerned advance width, vertically by the
   *  font's ascent (top), descent (bottom) or their middle. Glyphs outside bounds are not
   *  cut, only clipped. The angle is not applied. Text above Font::kMaxPixelSize is not
   *  drawn. False when the font is not registered. */
  bool DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr);

  /** Advance width of str in the style, in editor units (0 when the font is unknown). */
  float MeasureTextWidth(const IText& text, const char* str) const;
  /** The box (advance width by ascent to descent) DrawText would fill for str in bounds. */
  IRECT MeasureText(const IText& text, const char* str, const IRECT& bounds) const;

private:
  void fillPath(const IColor& color, const IBlend* blend);
  void addArcPoints(float cx, float cy, float r, float a1, float a2, bool reverse);
  int segmentsFor(float radiusPx, float sweepDegrees) const;

  Surface* mSurface;
  float mScale = 1.f;
  PixelRect mClip;
  bool mClipSet = false;
  Rasterizer mRaster;
  std::vector<float> mPoints; // contour scratch, in pixels
  TextLine mLine;             // layout scratch
};

} // namespace frame::graphics
