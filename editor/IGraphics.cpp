// The editor's graphics context: its window, size and scale, resources and the platform
// services it passes on. Controls are in IGraphicsControls.cpp, drawing in
// IGraphicsDraw.cpp, mouse routing in IGraphicsMouse.cpp.
#include "editor/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/ICornerResizerControl.h"
#include "frame/IGEditorDelegate.h"
#include "graphics/FontRegistry.h"
#include "graphics/ImageCache.h"

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
