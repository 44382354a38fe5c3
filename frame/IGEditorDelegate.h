#pragma once

#include <functional>
#include <memory>

#include "frame/IEditor.h"
#include "frame/IEditorDelegate.h"
#include "frame/IEventLoop.h"
#include "frame/IFrameQueue.h"
#include "frame/IGraphicsContext.h"

namespace frame::graphics {

/** The editor delegate with a graphics context: creates the context when the editor opens,
 *  lays it out, and remembers its size and scale across close and reopen. */
class IGEditorDelegate : public IEditorDelegate
{
public:
  using MakeGraphicsFunc = std::function<IGraphicsContext*()>;
  using LayoutFunc = std::function<void(IGraphicsContext*)>;

  explicit IGEditorDelegate(int nParams);
  ~IGEditorDelegate() override;

  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void SetScreenScale(float scale) override;
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override;

  /** Makes the context through the make-graphics callable, else through the editor; null
   *  with neither. */
  virtual IGraphicsContext* CreateGraphics();
  /** Places the controls through the layout callable, else through the editor. */
  virtual void LayoutUI(IGraphicsContext* graphics);
  /** Tells the editor, when there is one. */
  void OnParamChangeUI(int paramIdx, EParamSource source = kSourceDelegate) override;

  /** The plug-in's editor, or null when its module holds none. */
  IEditor* GetEditor() const { return mEditor.get(); }

  IGraphicsContext* GetUI() { return mGraphics.get(); }

  /** The host's event loop for the editor, set by the host binding while the editor's view
   *  is attached (null otherwise, or when the host offers none). */
  void SetEventLoop(IEventLoop* loop) { mEventLoop = loop; }
  IEventLoop* GetEventLoop() const { return mEventLoop; }
  bool EditorIsOpen() const { return mGraphics && mGraphics->WindowIsOpen(); }

  int GetEditorWidth() const { return mEditorWidth; }
  int GetEditorHeight() const { return mEditorHeight; }
  void SetEditorSize(int width, int height) { mEditorWidth = width; mEditorHeight = height; }
  int GetMinWidth() const { return mMinWidth; }
  int GetMaxWidth() const { return mMaxWidth; }
  int GetMinHeight() const { return mMinHeight; }
  int GetMaxHeight() const { return mMaxHeight; }
  /** Stores the limits, each pair sorted. */
  void SetSizeConstraints(int minW, int maxW, int minH, int maxH);

  /** Asks for editor work from any thread. On the audio thread it is queued (lock-free) and
   *  run by DrainDeferredUITasks on the main thread; elsewhere it runs at once. */
  void RunOnUIThread(int task, int paramIdx = -1, double value = 0.0);
  /** Main thread: runs the editor work queued from the audio thread, oldest first. */
  void DrainDeferredUITasks();
  /** Editor work of the effect's own (tasks numbered from kFirstCustomUITask). Main thread. */
  virtual void OnDeferredUITask(int /*task*/, int /*paramIdx*/, double /*value*/) {}

  static constexpr int kUITaskSendValue = 0;
  static constexpr int kFirstCustomUITask = 16;

protected:
  /** Makes the editor through the installed factory; the plug-in calls it once. */
  void CreateEditor();

  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;

private:
  struct UITask
  {
    int task = 0;
    int paramIdx = -1;
    double value = 0.0;
  };
  void runTask(const UITask& task);

  // Before the context: its controls may use the editor until they are gone.
  std::unique_ptr<IEditor> mEditor;
  std::unique_ptr<IGraphicsContext> mGraphics;
  IEventLoop* mEventLoop = nullptr;
  int mEditorWidth = 0, mEditorHeight = 0;
  int mMinWidth = 0, mMaxWidth = 0, mMinHeight = 0, mMaxHeight = 0;
  int mLastWidth = 0, mLastHeight = 0;
  float mLastScale = 0.f;
  IFrameQueue<UITask> mUITasks{512};
};

} // namespace frame::graphics
