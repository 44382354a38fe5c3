#include "frame/IEditorDelegate.h"

namespace frame {

IEditorDelegate::IEditorDelegate(int nParams)
{
  mParams.reserve(static_cast<size_t>(nParams > 0 ? nParams : 0));
  for (int i = 0; i < nParams; ++i)
    mParams.push_back(std::make_unique<IParam>());
}

IEditorDelegate::~IEditorDelegate() = default;

void IEditorDelegate::OnParamChange(int paramIdx, EParamSource, int) { OnParamChange(paramIdx); }

void IEditorDelegate::OnParamReset(EParamSource source)
{
  for (int i = 0; i < NParams(); ++i)
  {
    OnParamChange(i, source, -1);
    OnParamChangeUI(i, source);
  }
}

namespace {
void sendEveryValueToEditor(IEditorDelegate& delegate)
{
  for (int i = 0; i < delegate.NParams(); ++i)
    delegate.SendParameterValueFromDelegate(i, delegate.GetParam(i)->GetNormalized(), true);
}
} // namespace

void IEditorDelegate::OnUIOpen() { sendEveryValueToEditor(*this); }

void IEditorDelegate::OnRestoreState() { sendEveryValueToEditor(*this); }

void IEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double, bool)
{
  if (GetParam(paramIdx))
    OnParamChangeUI(paramIdx, kSourceDelegate);
}

} // namespace frame
