// Mouse routing of the graphics context: which control a press, drag, release, double
// click, wheel or movement reaches, and the host gestures around a press.
#include <algorithm>

#include "editor/ICornerResizerControl.h"
#include "editor/IGraphics.h"
#include "frame/IGEditorDelegate.h"

namespace frame::graphics {

namespace {

bool takesMouse(const IControl& c) { return !c.IsHidden() && !c.IsDisabled() && !c.GetIgnoreMouse(); }

} // namespace

IControl* IGraphics::GetMouseControl(float x, float y, bool mouseOver) const
{
  if (mCornerResizer && takesMouse(*mCornerResizer) && mCornerResizer->IsHit(x, y))
    return mCornerResizer.get();
  for (auto it = mControls.rbegin(); it != mControls.rend(); ++it)
  {
    IControl& c = **it;
    if (mouseOver && &c == mBackground)
      continue;
    if (takesMouse(c) && c.IsHit(x, y))
      return &c;
  }
  return nullptr;
}

int IGraphics::paramUnder(const IControl& control, float x, float y) const
{
  const int valIdx = control.GetValIdxForPos(x, y);
  if (valIdx >= 0 && mDelegate.GetParam(control.GetParamIdx(valIdx)))
    return control.GetParamIdx(valIdx);
  for (int v = 0; v < control.NVals(); ++v)
    if (mDelegate.GetParam(control.GetParamIdx(v)))
      return control.GetParamIdx(v);
  return kNoParameter;
}

void IGraphics::beginGestures(const IControl& control)
{
  for (int v = 0; v < control.NVals(); ++v)
  {
    const int paramIdx = control.GetParamIdx(v);
    if (mDelegate.GetParam(paramIdx) &&
        std::find(mGestureParams.begin(), mGestureParams.end(), paramIdx) == mGestureParams.end())
    {
      mGestureParams.push_back(paramIdx);
      mDelegate.BeginInformHostOfParamChangeFromUI(paramIdx);
    }
  }
}

void IGraphics::endGestures()
{
  // Taken out first: an end notification may lead to another press being routed.
  std::vector<int> params;
  params.swap(mGestureParams);
  for (int paramIdx : params)
    mDelegate.EndInformHostOfParamChangeFromUI(paramIdx);
}

void IGraphics::releaseCapture(bool platformToo)
{
  mCapturedControl = nullptr;
  endGestures();
  if (mCursorHidden)
    HideMouseCursor(false, false);
  if (platformToo && mPlatform)
    mPlatform->ReleaseMouseCapture();
}

void IGraphics::ReleaseMouseCapture() { releaseCapture(true); }

void IGraphics::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!mod.IsTouch())
  {
    mMouseDownX = x;
    mMouseDownY = y;
  }
  // A press while another is held (a second button) ends the first one's gestures.
  if (mCapturedControl || !mGestureParams.empty())
    releaseCapture(false);

  IControl* control = pressedControl(x, y, mod);
  if (!control)
    return;
  beginGestures(*control);
  mCapturedControl = control;
  control->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (mResizingInProgress)
  {
    mResizingInProgress = false;
    if (mCornerResizer)
      mCornerResizer->SetDirty(false);
  }
  IControl* control = mCapturedControl;
  mCapturedControl = nullptr;
  if (control)
    control->OnMouseUp(x, y, mod);
  endGestures();
}

void IGraphics::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if (mResizingInProgress)
    OnDragResize(x, y);
  else if (mCapturedControl)
    mCapturedControl->OnMouseDrag(x, y, dX, dY, mod);
}

IControl* IGraphics::pressedControl(float x, float y, const IMouseMod& mod)
{
  IControl* control = GetMouseControl(x, y);
  if (!control)
    return nullptr;
  const int paramIdx = paramUnder(*control, x, y);
  if (mod.R && paramIdx > kNoParameter)
  {
    // The host's menu for the parameter; without one the press does nothing.
    mDelegate.ShowHostContextMenu(paramIdx, x, y);
    return nullptr;
  }
  return control;
}

void IGraphics::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  IControl* control = pressedControl(x, y, mod);
  if (!control)
    return;
  // A reset by double click is a gesture of its own for the host.
  if (mGestureParams.empty())
  {
    beginGestures(*control);
    control->OnMouseDblClick(x, y, mod);
    endGestures();
  }
  else
  {
    control->OnMouseDblClick(x, y, mod);
  }
}

void IGraphics::OnMouseWheel(float x, float y, const IMouseMod& mod, float delta)
{
  IControl* control = GetMouseControl(x, y);
  if (!control)
    return;
  if (mGestureParams.empty())
  {
    beginGestures(*control);
    control->OnMouseWheel(x, y, mod, delta);
    endGestures();
  }
  else
  {
    control->OnMouseWheel(x, y, mod, delta);
  }
}

void IGraphics::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (!mMouseOverEnabled)
    return;
  IControl* control = GetMouseControl(x, y, true);
  if (mMouseOverControl && mMouseOverControl != control)
    mMouseOverControl->OnMouseOut();
  mMouseOverControl = control;
  if (control)
    control->OnMouseOver(x, y, mod);
}

void IGraphics::OnMouseOut()
{
  IControl* control = mMouseOverControl;
  mMouseOverControl = nullptr;
  if (control)
    control->OnMouseOut();
}

// Platform events: window pixels to editor units.

void IGraphics::OnPlatformMouseDown(float x, float y, const IMouseMod& mod)
{
  const float k = pixelsPerUnit();
  OnMouseDown(x / k, y / k, mod);
}

void IGraphics::OnPlatformMouseUp(float x, float y, const IMouseMod& mod)
{
  const float k = pixelsPerUnit();
  OnMouseUp(x / k, y / k, mod);
}

void IGraphics::OnPlatformMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  const float k = pixelsPerUnit();
  OnMouseDrag(x / k, y / k, dX / k, dY / k, mod);
}

void IGraphics::OnPlatformMouseDblClick(float x, float y, const IMouseMod& mod)
{
  const float k = pixelsPerUnit();
  OnMouseDblClick(x / k, y / k, mod);
}

void IGraphics::OnPlatformMouseWheel(float x, float y, const IMouseMod& mod, float delta)
{
  const float k = pixelsPerUnit();
  OnMouseWheel(x / k, y / k, mod, delta);
}

void IGraphics::OnPlatformMouseOver(float x, float y, const IMouseMod& mod)
{
  const float k = pixelsPerUnit();
  OnMouseOver(x / k, y / k, mod);
}

void IGraphics::OnPlatformMouseOut() { OnMouseOut(); }

} // namespace frame::graphics
