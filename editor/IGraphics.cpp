#include "editor/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/IBitmapControl.h"
#include "editor/ICornerResizerControl.h"
#include "frame/IGEditorDelegate.h"
#include "graphics/FontRegistry.h"
#include "graphics/ImageCache.h"
#include "graphics/PngWriter.h"

namespace frame::graphics {

IGraphics::IGraphics(IGEditorDelegate& delegate, int width, int height, int fps, float scale,
                     std::unique_ptr<IPlatformView> platform)
  : mDelegate(delegate), mWidth(width), mHeight(height), mFPS(fps),
    mDrawScale(scale > 0.f && std::isfinite(scale) ? scale : 1.f), mRenderer(mSurface, mDrawScale),
    mPlatform(std::move(platform))
{
  resizeSurface();
}

IGraphics::~IGraphics()
{
  // The delegate may be half destroyed by now (it owns us): no control hook runs, only
  // the host gestures still open are ended.
  mMouseOverControl = nullptr;
  CloseWindow();
  // The platform goes first: it may still hold a menu that a control owns.
  mPlatform.reset();
  mCornerResizer.reset();
  mControls.clear();
}

// Window

void* IGraphics::OpenWindow(void* parent)
{
  if (!mPlatform)
    return nullptr;
  void* view = mPlatform->Open(parent, WindowWidth(), WindowHeight(), *this, mDelegate.GetEventLoop(), mFPS);
  if (view)
    DrawAll();
  return view;
}

void IGraphics::CloseWindow()
{
  mPopupControl = nullptr;
  ++mPopupSerial;
  if (mMouseOverControl)
  {
    mMouseOverControl->OnMouseOut();
    mMouseOverControl = nullptr;
  }
  ReleaseMouseCapture();
  mResizingInProgress = false;
  if (mPlatform && mPlatform->IsOpen())
    mPlatform->Close();
}

bool IGraphics::WindowIsOpen() const { return mPlatform && mPlatform->IsOpen(); }

// Size and scale

int IGraphics::WindowWidth() const
{
  return static_cast<int>(static_cast<float>(static_cast<int>(mWidth * mDrawScale)) * GetPlatformWindowScale());
}

int IGraphics::WindowHeight() const
{
  return static_cast<int>(static_cast<float>(static_cast<int>(mHeight * mDrawScale)) * GetPlatformWindowScale());
}

void IGraphics::resizeSurface()
{
  mSurface.Resize(WindowWidth(), WindowHeight(), 0xFF000000u);
  mRenderer.SetSurface(mSurface);
  mRenderer.SetDrawScale(mDrawScale);
  mFullRedraw = true;
  RequestFrame();
}

void IGraphics::SetScaleConstraints(float lo, float hi)
{
  if (!(lo > 0.f) || !(hi > 0.f) || !std::isfinite(lo) || !std::isfinite(hi))
    return;
  mMinScale = std::min(lo, hi);
  mMaxScale = std::max(lo, hi);
}

void IGraphics::Resize(int width, int height, float scale, bool needsPlatformResize)
{
  if (!std::isfinite(scale))
    return;
  // A delegate without limits (both 0) leaves that axis free.
  if (mDelegate.GetMaxWidth() > 0)
    width = std::clamp(width, mDelegate.GetMinWidth(), mDelegate.GetMaxWidth());
  if (mDelegate.GetMaxHeight() > 0)
    height = std::clamp(height, mDelegate.GetMinHeight(), mDelegate.GetMaxHeight());
  scale = std::clamp(scale, mMinScale, mMaxScale);
  if (width == mWidth && height == mHeight && scale == mDrawScale)
    return;

  // During a corner drag the platform keeps the pointer: the drag goes on resizing.
  releaseCapture(!mResizingInProgress);
  mDrawScale = scale;
  mWidth = width;
  mHeight = height;
  if (mCornerResizer)
    mCornerResizer->OnRescale();

  const int windowW = WindowWidth(), windowH = WindowHeight();
  mDelegate.EditorResizeFromUI(windowW, windowH, needsPlatformResize);
  if (WindowIsOpen())
    mPlatform->Resize(windowW, windowH);

  ForAllControls([](IControl& c) { c.OnRescale(); });
  SetAllControlsDirty();
  resizeSurface();

  if (mLayoutOnResize)
    mDelegate.LayoutUI(this);
}

void IGraphics::SetScreenScale(float scale)
{
  if (!(scale > 0.f) || !std::isfinite(scale) || scale == mScreenScale)
    return;
  mScreenScale = scale;
  SetAllControlsDirty();
}

void IGraphics::OnDragResize(float x, float y)
{
  if (mResizerMode == EUIResizerMode::Scale)
  {
    if (!(mMouseDownX > 0.f) || !(mMouseDownY > 0.f))
      return;
    const float scale = std::min(x * mDrawScale / mMouseDownX, y * mDrawScale / mMouseDownY);
    Resize(mWidth, mHeight, scale, true);
  }
  else
  {
    Resize(static_cast<int>(x), static_cast<int>(y), mDrawScale, true);
  }
}

// Resources

IBitmap IGraphics::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  if (targetScale <= 0)
    targetScale = std::max(1, static_cast<int>(std::ceil(mScreenScale)));
  return ::frame::graphics::LoadBitmap(mResourcePath, name ? name : "", nStates, framesAreHorizontal, targetScale);
}

bool IGraphics::LoadFont(const char* fontID, const char* fileName)
{
  if (!fontID || !fileName || !*fileName)
    return false;
  const std::string path = fileName[0] == '/' ? std::string(fileName) : mResourcePath + "/" + fileName;
  return FontRegistry::Instance().Load(fontID, path);
}

// Controls

void IGraphics::attach(IControl& control, const char* group, int tag)
{
  control.bind(mDelegate, *this, group, tag);
  control.OnInit();
  control.OnResize();
}

IControl* IGraphics::AttachBackground(const char* name)
{
  const IBitmap bitmap = LoadBitmap(name, 1, false, 0);
  auto control = std::make_unique<IBitmapControl>(
    IRECT(0.f, 0.f, static_cast<float>(bitmap.W()), static_cast<float>(bitmap.H())), bitmap);
  IControl* raw = control.get();
  attach(*raw, "", kNoTag);
  raw->OnRescale();
  mControls.insert(mControls.begin(), std::move(control));
  mBackground = raw;
  raw->OnAttached();
  return raw;
}

IControl* IGraphics::AttachControl(IControl* control, const char* group, int tag)
{
  if (!control)
    return nullptr;
  attach(*control, group, tag);
  control->OnRescale();
  mControls.emplace_back(control);
  control->OnAttached();
  return control;
}

void IGraphics::AttachCornerResizer(ICornerResizerControl* control, EUIResizerMode mode, bool layoutOnResize)
{
  if (mMouseOverControl == mCornerResizer.get())
    mMouseOverControl = nullptr;
  if (mCapturedControl == mCornerResizer.get())
    ReleaseMouseCapture();
  mCornerResizer.reset(control);
  mResizerMode = mode;
  mLayoutOnResize = layoutOnResize;
  if (!control)
    return;
  attach(*control, "", kNoTag);
  control->OnAttached();
}

void IGraphics::RemoveAllControls()
{
  ReleaseMouseCapture();
  mMouseOverControl = nullptr;
  mPopupControl = nullptr;
  ++mPopupSerial;
  mBackground = nullptr;
  mCornerResizer.reset();
  mControls.clear();
  mFullRedraw = true;
  RequestFrame();
}

IControl* IGraphics::GetControl(int idx) const
{
  return idx >= 0 && idx < NControls() ? mControls[static_cast<size_t>(idx)].get() : nullptr;
}

IControl* IGraphics::GetControlWithParamIdx(int paramIdx) const
{
  if (paramIdx <= kNoParameter)
    return nullptr;
  for (const auto& c : mControls)
    for (int v = 0; v < c->NVals(); ++v)
      if (c->GetParamIdx(v) == paramIdx)
        return c.get();
  return nullptr;
}

IControl* IGraphics::GetControlWithTag(int tag) const
{
  if (tag == kNoTag)
    return nullptr;
  for (const auto& c : mControls)
    if (c->GetTag() == tag)
      return c.get();
  return nullptr;
}

void IGraphics::ForAllControls(const std::function<void(IControl&)>& func)
{
  for (const auto& c : mControls)
    func(*c);
  if (mCornerResizer)
    func(*mCornerResizer);
}

void IGraphics::ForControlWithParam(int paramIdx, const std::function<void(IControl&)>& func)
{
  if (paramIdx <= kNoParameter)
    return;
  ForAllControls([&](IControl& c) {
    for (int v = 0; v < c.NVals(); ++v)
      if (c.GetParamIdx(v) == paramIdx)
      {
        func(c);
        return;
      }
  });
}

void IGraphics::SetControlValueFromDelegate(int paramIdx, double normalized)
{
  if (paramIdx <= kNoParameter)
    return;
  ForAllControls([&](IControl& c) {
    for (int v = 0; v < c.NVals(); ++v)
      if (c.GetParamIdx(v) == paramIdx)
        c.SetValueFromDelegate(normalized, v);
  });
}

void IGraphics::SendParameterValueFromUI(IControl& source, int paramIdx, double normalized)
{
  mDelegate.SendParameterValueFromUI(paramIdx, normalized);
  // The frame tells the host and the effect; the other views of the parameter are ours.
  ForAllControls([&](IControl& c) {
    if (&c == &source)
      return;
    for (int v = 0; v < c.NVals(); ++v)
      if (c.GetParamIdx(v) == paramIdx)
        c.SetValueFromDelegate(normalized, v);
  });
}

void IGraphics::SetAllControlsDirty()
{
  ForAllControls([](IControl& c) { c.SetDirty(false); });
}

void IGraphics::EnableMouseOver(bool enable)
{
  mMouseOverEnabled = enable;
  if (!enable)
    OnMouseOut();
}

// Drawing

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

// Platform services

ECursor IGraphics::SetMouseCursor(ECursor cursor)
{
  const ECursor previous = mCursor;
  mCursor = cursor;
  if (mPlatform)
    mPlatform->SetCursor(cursor);
  return previous;
}

void IGraphics::HideMouseCursor(bool hide, bool lock)
{
  mCursorHidden = hide;
  if (mPlatform)
    mPlatform->HideCursor(hide, lock);
}

void IGraphics::CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& anchor, int valIdx)
{
  if (!mPlatform)
    return;
  // The menu takes the pointer: the press that opened it has no drag or release to follow.
  ReleaseMouseCapture();
  menu.SetChosenItemIdx(-1);
  mPopupControl = &control;
  mPopupValIdx = valIdx;
  const unsigned serial = ++mPopupSerial;
  std::weak_ptr<char> alive = mAlive;
  mPlatform->ShowPopupMenu(menu, anchor.GetScaled(pixelsPerUnit()), [this, alive, serial](IPopupMenu* chosen) {
    if (!alive.expired())
      onPopupMenuClosed(serial, chosen);
  });
}

void IGraphics::onPopupMenuClosed(unsigned serial, IPopupMenu* menu)
{
  if (serial != mPopupSerial || !mPopupControl)
    return;
  IControl* control = mPopupControl;
  mPopupControl = nullptr;
  if (menu && menu->GetChosenItemIdx() < 0)
    menu = nullptr;
  control->OnPopupMenuSelection(menu, mPopupValIdx);
}

EMsgBoxResult IGraphics::ShowMessageBox(const char* text, const char* caption, EMsgBoxType type,
                                        MsgBoxCompletionFunc completion)
{
  ReleaseMouseCapture();
  const auto result =
    mPlatform ? static_cast<EMsgBoxResult>(mPlatform->ShowMessageBox(text ? text : "", caption ? caption : "", type))
              : kNoResult;
  if (completion)
    completion(result);
  return result;
}

bool IGraphics::OpenURL(const char* url, const char* windowTitle, const char* confirmMsg, const char* errorMsg)
{
  if (!url || !*url || !mPlatform)
    return false;
  if (confirmMsg && *confirmMsg && ShowMessageBox(confirmMsg, windowTitle, kMB_OKCANCEL) != kOK)
    return false;
  const bool opened = mPlatform->OpenURL(url);
  if (!opened && errorMsg && *errorMsg)
    ShowMessageBox(errorMsg, windowTitle, kMB_OK);
  return opened;
}

} // namespace frame::graphics
