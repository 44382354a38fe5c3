#include "editor/IKnobControlBase.h"

#include <cmath>

#include "editor/IGraphics.h"
#include "frame/IParam.h"

namespace frame::graphics {

namespace {

double clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

/** A stepped parameter with a usable step, or null. */
const IParam* steppedParam(const IParam* p) { return p && p->GetStepped() && p->GetStep() > 0.0 ? p : nullptr; }

/** A real value rounded to the parameter's step and limited to its range. */
double stepAndClamp(const IParam& p, double v)
{
  v = RoundHalfAway(v / p.GetStep()) * p.GetStep();
  return v < p.GetMin() ? p.GetMin() : (v > p.GetMax() ? p.GetMax() : v);
}

} // namespace

IKnobControlBase::IKnobControlBase(const IRECT& bounds, int paramIdx, EDirection direction, double gearing)
  : IControl(bounds, paramIdx), mDirection(direction), mGearing(gearing)
{
}

double IKnobControlBase::snapToStep(double normalized) const
{
  const IParam* p = steppedParam(GetParam());
  if (!p)
    return normalized;
  return clamp01(p->ToNormalized(stepAndClamp(*p, p->FromNormalized(normalized))));
}

void IKnobControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  mMouseDragValue = GetValue();
  if (mHideCursorOnDrag && GetUI())
    GetUI()->HideMouseCursor(true, true);
  if (mod.R)
    PromptUserInput(GetValIdxForPos(x, y));
}

void IKnobControlBase::OnMouseUp(float, float, const IMouseMod&)
{
  if (mHideCursorOnDrag && GetUI())
    GetUI()->HideMouseCursor(false, false);
  mMouseDown = false;
  SetDirty(false);
}

void IKnobControlBase::OnMouseDrag(float, float, float dX, float dY, const IMouseMod& mod)
{
  const double gearing = isFine(mod) ? mGearing * 10.0 : mGearing;
  const IRECT r = GetKnobDragBounds();
  // Screen y grows downward, so the extent is taken top minus bottom: moving up raises.
  const double extent = mDirection == kVertical ? r.T - r.B : r.R - r.L;
  const double delta = mDirection == kVertical ? dY : dX;
  if (extent == 0.0 || gearing == 0.0)
    return;
  mMouseDragValue = clamp01(mMouseDragValue + delta / extent / gearing);
  SetValue(snapToStep(mMouseDragValue));
  SetDirty(true);
}

void IKnobControlBase::OnMouseWheel(float, float, const IMouseMod& mod, float d)
{
  if (const IParam* p = steppedParam(GetParam()); p && d != 0.f)
  {
    const double current = stepAndClamp(*p, p->FromNormalized(GetValue()));
    const double next = stepAndClamp(*p, current + (d > 0.f ? p->GetStep() : -p->GetStep()));
    SetValue(clamp01(p->ToNormalized(next)));
  }
  else
  {
    SetValue(GetValue() + d * (isFine(mod) ? 0.001 : 0.01));
  }
  SetDirty(true);
}

} // namespace frame::graphics
