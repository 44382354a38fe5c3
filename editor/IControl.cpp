#include "editor/IControl.h"

#include <cmath>

#include "editor/IGraphics.h"
#include "frame/IGEditorDelegate.h"
#include "frame/IParam.h"

namespace frame::graphics {

IControl::IControl(const IRECT& bounds, int paramIdx, IActionFunction action)
  : mRECT(bounds), mTargetRECT(bounds), mVals{{0.0, paramIdx}}, mActionFunc(std::move(action))
{
}

IControl::IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction action)
  : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(action))
{
  for (int p : params)
    mVals.push_back({0.0, p});
  if (mVals.empty())
    mVals.push_back({0.0, kNoParameter});
}

IControl::~IControl() = default;

void IControl::bind(IGEditorDelegate& delegate, IGraphics& graphics, const char* group, int tag)
{
  mDelegate = &delegate;
  mGraphics = &graphics;
  mGroup = group ? group : "";
  mTag = tag;
}

void IControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mod.R)
    PromptUserInput(GetValIdxForPos(x, y));
}

void IControl::OnMouseDblClick(float x, float y, const IMouseMod&) { SetValueToDefault(GetValIdxForPos(x, y)); }

void IControl::OnMouseOver(float, float, const IMouseMod&)
{
  if (!mMouseIsOver)
  {
    mMouseIsOver = true;
    SetDirty(false);
  }
}

void IControl::OnMouseOut()
{
  if (mMouseIsOver)
  {
    mMouseIsOver = false;
    SetDirty(false);
  }
}

void IControl::SetParamIdx(int paramIdx, int valIdx)
{
  if (valIdx >= 0 && valIdx < NVals())
    mVals[static_cast<size_t>(valIdx)].paramIdx = paramIdx;
}

int IControl::GetParamIdx(int valIdx) const
{
  return valIdx >= 0 && valIdx < NVals() ? mVals[static_cast<size_t>(valIdx)].paramIdx : kNoParameter;
}

const IParam* IControl::GetParam(int valIdx) const
{
  return mDelegate ? mDelegate->GetParam(GetParamIdx(valIdx)) : nullptr;
}

double IControl::GetValue(int valIdx) const
{
  return valIdx >= 0 && valIdx < NVals() ? mVals[static_cast<size_t>(valIdx)].value : 0.0;
}

void IControl::SetValue(double value, int valIdx)
{
  forValues(valIdx, [value](int, Value& v) { v.value = value; });
}

void IControl::SetValueFromDelegate(double value, int valIdx)
{
  SetValue(value, valIdx);
  SetDirty(false, valIdx);
}

void IControl::SetValueFromUserInput(double value, int valIdx)
{
  // Typed entry is a gesture of its own: the host sees begin, the value, end.
  if (mDelegate)
    forValues(valIdx, [this](int, Value& v) {
      if (mDelegate->GetParam(v.paramIdx))
        mDelegate->BeginInformHostOfParamChangeFromUI(v.paramIdx);
    });
  SetValue(value, valIdx);
  SetDirty(true, valIdx);
  if (mDelegate)
    forValues(valIdx, [this](int, Value& v) {
      if (mDelegate->GetParam(v.paramIdx))
        mDelegate->EndInformHostOfParamChangeFromUI(v.paramIdx);
    });
}

void IControl::SetValueToDefault(int valIdx)
{
  forValues(valIdx, [this](int i, Value& v) {
    if (const IParam* p = GetParam(i))
      v.value = p->GetDefault(true);
  });
  SetDirty(true, valIdx);
}

void IControl::SetPosition(float x, float y)
{
  const float dx = x - mRECT.L, dy = y - mRECT.T;
  mRECT = mRECT.GetTranslated(dx, dy);
  mTargetRECT = mTargetRECT.GetTranslated(dx, dy);
  SetDirty(false);
  OnResize();
}

void IControl::SetSize(float w, float h)
{
  mRECT = IRECT::MakeXYWH(mRECT.L, mRECT.T, w, h);
  mTargetRECT = IRECT::MakeXYWH(mTargetRECT.L, mTargetRECT.T, w, h);
  SetDirty(false);
  OnResize();
}

void IControl::Hide(bool hide)
{
  if (mHide != hide)
  {
    mHide = hide;
    SetDirty(false); // the area it covered must be redrawn either way
  }
}

void IControl::SetDisabled(bool disable)
{
  if (mDisabled != disable)
  {
    mDisabled = disable;
    SetDirty(false);
  }
}

void IControl::SetDirty(bool triggerAction, int valIdx)
{
  forValues(valIdx, [](int, Value& v) {
    // A NaN would survive a plain clamp and reach the host.
    v.value = std::isnan(v.value) ? 0.0 : (v.value < 0.0 ? 0.0 : (v.value > 1.0 ? 1.0 : v.value));
  });
  mDirty = true;
  if (mGraphics)
    mGraphics->RequestFrame();
  if (!triggerAction)
    return;
  if (mGraphics)
    forValues(valIdx, [this](int, Value& v) {
      if (v.paramIdx > kNoParameter)
        mGraphics->SendParameterValueFromUI(*this, v.paramIdx, v.value);
    });
  if (mActionFunc)
    mActionFunc(this);
}

} // namespace frame::graphics
