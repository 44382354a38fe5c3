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

void IEditorDelegate::OnUIOpen()
{
  for (int i = 0; i < NParams(); ++i)
    SendParameterValueFromDelegate(i, GetParam(i)->GetNormalized(), true);
}

void IEditorDelegate::OnRestoreState()
{
  for (int i = 0; i < NParams(); ++i)
    SendParameterValueFromDelegate(i, GetParam(i)->GetNormalized(), true);
}

void IEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double, bool)
{
  if (GetParam(paramIdx))
    OnParamChangeUI(paramIdx, kSourceDelegate);
}

} // namespace frame
