// The graphics context's drawing: the renderer's shapes in editor units, the redraw of
// what is dirty, and the frame ticks that drive it.
#include "editor/ICornerResizerControl.h"
#include "editor/IGraphics.h"
#include "graphics/PngWriter.h"

namespace frame::graphics {

void IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& rect, int frame, const IBlend* blend)
{
  mRenderer.DrawBitmap(bitmap, rect, frame, blend);
}

void IGraphics::DrawText(const IText& text, const char* str, const IRECT& rect, const IBlend* blend)
{
  mRenderer.DrawText(text, str ? str : "", rect, blend);
}

IRECT IGraphics::MeasureText(const IText& text, const char* str, const IRECT& rect) const
{
  return mRenderer.MeasureText(text, str ? str : "", rect);
}

void IGraphics::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                             const IBlend* blend)
{
  mRenderer.FillTriangle(color, x1, y1, x2, y2, x3, y3, blend);
}

void IGraphics::FillRect(const IColor& color, const IRECT& rect, const IBlend* blend)
{
  mRenderer.FillRect(color, rect, blend);
}

void IGraphics::DrawRect(const IColor& color, const IRECT& rect, const IBlend* blend, float thickness)
{
  mRenderer.DrawRect(color, rect, blend, thickness);
}

void IGraphics::FillRoundRect(const IColor& color, const IRECT& rect, float cornerRadius, const IBlend* blend)
{
  mRenderer.FillRoundRect(color, rect, cornerRadius, blend);
}

void IGraphics::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                         float thickness)
{
  mRenderer.DrawLine(color, x1, y1, x2, y2, blend, thickness);
}

void IGraphics::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend)
{
  mRenderer.FillCircle(color, cx, cy, r, blend);
}

void IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend, float thickness)
{
  mRenderer.DrawCircle(color, cx, cy, r, blend, thickness);
}

bool IGraphics::DrawDirty()
{
  IRECT area;
  bool any = mFullRedraw;
  ForAllControls([&](IControl& c) {
    if (c.IsDirty())
    {
      any = true;
      area = area.Union(c.GetRECT());
    }
  });
  if (!any)
    return false;
  if (mFullRedraw)
    area = IRECT(0.f, 0.f, static_cast<float>(mWidth), static_cast<float>(mHeight));
  mFullRedraw = false;
  // Clean first, so a control that marks itself dirty while drawing is drawn next frame.
  ForAllControls([](IControl& c) { c.SetClean(); });

  // Whole pixels, and the controls chosen by those pixels: a control that only touches
  // the pixel-rounded border must be redrawn too, since that border is cleared.
  const PixelRect px = PixelRect::FromUnits(area, mDrawScale).Intersect(mSurface.Bounds());
  if (px.Empty())
    return true;
  const IRECT units(px.L / mDrawScale, px.T / mDrawScale, px.R / mDrawScale, px.B / mDrawScale);

  mRenderer.SetClipPixels(px);
  mRenderer.Clear(COLOR_BLACK);
  auto drawIfMet = [&](IControl& c) {
    if (!c.IsHidden() && c.GetRECT().Intersects(units))
      c.Draw(*this);
  };
  for (const auto& c : mControls)
    drawIfMet(*c);
  if (mCornerResizer)
    drawIfMet(*mCornerResizer);
  mRenderer.ResetClip();

  if (WindowIsOpen())
    mPlatform->Invalidate(IRECT(static_cast<float>(px.L), static_cast<float>(px.T), static_cast<float>(px.R),
                                static_cast<float>(px.B)));
  return true;
}

void IGraphics::DrawAll()
{
  mFullRedraw = true;
  DrawDirty();
}

const Surface& IGraphics::RenderOffscreen()
{
  DrawAll();
  return mSurface;
}

bool IGraphics::SaveSnapshotPNG(const std::string& path) { return WritePNG(RenderOffscreen(), path); }

void IGraphics::OnPlatformFrameTick()
{
  mFrameTicksPaused = false; // a tick came: the platform is ticking again
  ForAllControls([](IControl& c) { c.OnGUIIdle(); });
  if (DrawDirty())
    mIdleTicks = 0;
  else if (++mIdleTicks >= kIdleTicksBeforePause && mPlatform)
  {
    // Nothing has changed for a while: an idle editor should cost no wake-ups.
    mFrameTicksPaused = true;
    mPlatform->SetFrameTicksPaused(true);
  }
}

void IGraphics::RequestFrame()
{
  mIdleTicks = 0;
  if (mFrameTicksPaused && mPlatform)
  {
    mFrameTicksPaused = false;
    mPlatform->SetFrameTicksPaused(false);
  }
}

} // namespace frame::graphics
