#include "frame/IGEditorDelegate.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "frame/AudioThread.h"

namespace frame::graphics {

namespace {
std::atomic<EditorFactory> gEditorFactory{nullptr};
}

void SetEditorFactory(EditorFactory factory) { gEditorFactory.store(factory); }

EditorFactory GetEditorFactory() { return gEditorFactory.load(); }

IGEditorDelegate::IGEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

void IGEditorDelegate::CreateEditor()
{
  if (EditorFactory make = GetEditorFactory())
    mEditor = make(*this);
}

void IGEditorDelegate::OnParamChangeUI(int paramIdx, EParamSource source)
{
  if (mEditor)
    mEditor->OnParamChangeUI(paramIdx, source);
}

IGEditorDelegate::~IGEditorDelegate()
{
  if (mGraphics)
    mGraphics->CloseWindow();
}

void IGEditorDelegate::SetSizeConstraints(int minW, int maxW, int minH, int maxH)
{
  mMinWidth = std::min(minW, maxW);
  mMaxWidth = std::max(minW, maxW);
  mMinHeight = std::min(minH, maxH);
  mMaxHeight = std::max(minH, maxH);
}

IGraphicsContext* IGEditorDelegate::CreateGraphics()
{
  if (mMakeGraphicsFunc)
    return mMakeGraphicsFunc();
  return mEditor ? mEditor->MakeGraphics() : nullptr;
}

void IGEditorDelegate::LayoutUI(IGraphicsContext* graphics)
{
  if (mLayoutFunc)
    mLayoutFunc(graphics);
  else if (mEditor && graphics)
    mEditor->Layout(*graphics);
}

void* IGEditorDelegate::OpenWindow(void* parent)
{
  if (mGraphics)
    CloseWindow();
  mGraphics.reset(CreateGraphics());
  if (!mGraphics)
    return nullptr;
  if (mLastWidth > 0 && mLastHeight > 0 && mLastScale > 0.f)
    mGraphics->Resize(mLastWidth, mLastHeight, mLastScale, false);
  LayoutUI(mGraphics.get());
  void* view = mGraphics->OpenWindow(parent);
  if (!view)
  {
    mGraphics.reset();
    return nullptr;
  }
  OnUIOpen();
  return view;
}

void IGEditorDelegate::CloseWindow()
{
  if (!mGraphics)
    return;
  mLastWidth = mGraphics->Width();
  mLastHeight = mGraphics->Height();
  mLastScale = mGraphics->GetDrawScale();
  mGraphics->CloseWindow();
  mGraphics.reset();
  OnUIClose();
}

void IGEditorDelegate::SetScreenScale(float scale)
{
  if (mGraphics)
    mGraphics->SetScreenScale(scale);
}

void IGEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double value, bool normalized)
{
  const IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  if (!normalized)
    value = param->ToNormalized(value);
  if (IsAudioThread())
  {
    // The controls belong to the main thread; a full queue only loses a redraw.
    mUITasks.Push({kUITaskSendValue, paramIdx, value});
    return;
  }
  if (EditorIsOpen())
    mGraphics->SetControlValueFromDelegate(paramIdx, value);
  IEditorDelegate::SendParameterValueFromDelegate(paramIdx, value, true);
}

void IGEditorDelegate::RunOnUIThread(int task, int paramIdx, double value)
{
  const UITask t{task, paramIdx, value};
  if (IsAudioThread())
    mUITasks.Push(t);
  else
    runTask(t);
}

void IGEditorDelegate::runTask(const UITask& t)
{
  if (t.task == kUITaskSendValue)
    SendParameterValueFromDelegate(t.paramIdx, t.value, true);
  else
    OnDeferredUITask(t.task, t.paramIdx, t.value);
}

void IGEditorDelegate::DrainDeferredUITasks()
{
  UITask t;
  while (mUITasks.Pop(t))
    runTask(t);
}

} // namespace frame::graphics
