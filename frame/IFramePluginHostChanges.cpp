// What the host changes besides the values it sets: its modulation of the sound, and the
// editor catching up with both.
#include <cmath>

#include "frame/IFramePlugin.h"

namespace frame {

void IFramePlugin::changedForEditor(int paramIdx)
{
  mForEditor.Set(paramIdx);
  // One request until the main thread has taken the flags: a flood of events asks once.
  if (mHost && mEditorAttached.load(std::memory_order_relaxed) && !mMainThreadCallAsked.exchange(true, std::memory_order_acq_rel))
    mHost->RequestMainThreadCall();
}

void IFramePlugin::UpdateEditorFromHost()
{
  mMainThreadCallAsked.store(false, std::memory_order_release);
  mForEditor.Take([this](int idx) {
    OnParamChangeUI(idx, kSourceHost);
    SendParameterValueFromDelegate(idx, GetParam(idx)->GetNormalized(), true);
  });
}

void IFramePlugin::ApplyHostModulation(int paramIdx, double amount, int sampleOffset)
{
  IParam* param = GetParam(paramIdx);
  if (!param || param->Type() != kTypeDouble || !std::isfinite(amount))
    return;
  applyPendingChanges(); // as for a value: older changes are heard first
  // Beyond a whole range every amount sounds the same.
  amount = amount < -1.0 ? -1.0 : (amount > 1.0 ? 1.0 : amount);
  if (param->GetModulation() == amount)
    return;
  param->SetModulation(amount);
  OnParamChange(paramIdx, kSourceHost, sampleOffset);
  changedForEditor(paramIdx);
}

void IFramePlugin::ClearHostModulation()
{
  for (int i = 0; i < NParams(); ++i)
  {
    IParam* param = GetParam(i);
    if (param->GetModulation() == 0.0)
      continue;
    param->SetModulation(0.0);
    OnParamChange(i, kSourceHost, -1);
    changedForEditor(i);
  }
}

} // namespace frame
