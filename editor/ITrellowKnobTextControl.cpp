#include "editor/ITrellowKnobTextControl.h"

#include <cmath>

#include "frame/IParam.h"

namespace frame::graphics {

namespace {
// Cool against the amber value arc, so the modulator reads as something else moving it.
constexpr IColor kModulationColour(255, 96, 214, 255);
// In bitmap units from the knob's centre: the value ring, and just inside it.
constexpr float kRingRadius = 41.f, kArcRadius = 35.5f;

float angleOf(double normalized)
{
  return ITrellowKnobTextControl::kMinAngle +
         (ITrellowKnobTextControl::kMaxAngle - ITrellowKnobTextControl::kMinAngle) * static_cast<float>(normalized);
}
} // namespace

ITrellowKnobTextControl::ITrellowKnobTextControl(float x, float y, int paramIdx, const IBitmap& bitmap)
  : ITrellowTextControl(x, y, paramIdx, bitmap, static_cast<float>(bitmap.FH()) + kTrellowTextStripHeight)
{
  mHideCursorOnDrag = false;
}

ITrellowKnobTextControl::~ITrellowKnobTextControl() = default;

void ITrellowKnobTextControl::Draw(IGraphics& g)
{
  ITrellowTextControl::Draw(g);
  const IParam* param = GetParam();
  if (!param || param->GetModulation() == 0.0)
    return;
  // Both ends from the parameter, read together, so the arc never lags the dot.
  const float from = angleOf(param->GetNormalized());
  const float to = angleOf(param->SoundNormalized());
  const float scale = static_cast<float>(mBitmap.FW()) / 104.f; // the artwork's knob size
  const float cx = mBitmapRect.MW(), cy = mBitmapRect.MH();
  if (from != to)
    g.GetRenderer().DrawArc(kModulationColour, cx, cy, kArcRadius * scale, from < to ? from : to, from < to ? to : from,
                            nullptr, 2.5f * scale);
  const float a = to * 3.14159265f / 180.f;
  g.FillCircle(kModulationColour, cx + kRingRadius * scale * std::sin(a), cy - kRingRadius * scale * std::cos(a),
               3.5f * scale);
}

} // namespace frame::graphics
