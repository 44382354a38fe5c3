// The graphics context's controls: attaching them, finding them, and carrying values
// between them and the delegate.
#include "editor/IBitmapControl.h"
#include "editor/ICornerResizerControl.h"
#include "editor/IGraphics.h"
#include "frame/IGEditorDelegate.h"

namespace frame::graphics {

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

} // namespace frame::graphics
