#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "frame/IMidiMsg.h"
#include "graphics/IGraphicsStructs.h"
#include "graphics/IPopupMenu.h"

namespace frame {
class IParam;
}

namespace frame::graphics {

class IGEditorDelegate;
class IGraphics;
class IControl;

inline constexpr int kNoParameter = -1;
/** Addresses every value of a control at once. */
inline constexpr int kNoValIdx = -1;
inline constexpr int kNoTag = -1;

using IActionFunction = std::function<void(IControl*)>;

/** Base of every editor control: a drawing rectangle, a target rectangle that takes the
 *  mouse, normalised values bound to parameters, a text style, a blend and virtual hooks
 *  for drawing and input. The graphics context owns attached controls and calls every hook
 *  on the main thread; mouse coordinates are editor units. */
class IControl
{
public:
  /** One value: normalised 0 ... 1 and the parameter it stands for (kNoParameter: none). */
  struct Value
  {
    double value = 0.0;
    int paramIdx = kNoParameter;
  };

  explicit IControl(const IRECT& bounds, int paramIdx = kNoParameter, IActionFunction action = nullptr);
  IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction action = nullptr);
  virtual ~IControl();
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Input. The press that starts a drag decides which control gets the drag and the release.
  /** Default: the right button asks for typed entry of the value. */
  virtual void OnMouseDown(float x, float y, const IMouseMod& mod);
  virtual void OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) {}
  /** dX, dY: movement since the previous mouse event. */
  virtual void OnMouseDrag(float /*x*/, float /*y*/, float /*dX*/, float /*dY*/, const IMouseMod& /*mod*/) {}
  /** Default: the value under the mouse returns to its parameter's default. */
  virtual void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  virtual void OnMouseWheel(float /*x*/, float /*y*/, const IMouseMod& /*mod*/, float /*d*/) {}
  virtual bool OnKeyDown(float /*x*/, float /*y*/, const IKeyPress& /*key*/) { return false; }
  virtual bool OnKeyUp(float /*x*/, float /*y*/, const IKeyPress& /*key*/) { return false; }
  /** Called on every movement over the control, not only on entry. Default: sets the
   *  mouse-over flag and redraws (without action) when it changes. */
  virtual void OnMouseOver(float x, float y, const IMouseMod& mod);
  /** Default: clears the mouse-over flag and redraws when it changes. */
  virtual void OnMouseOut();
  virtual void OnTouchCancelled(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) {}
  virtual void OnDrop(const char* /*str*/) {}

  // Life cycle.
  /** The draw scale or the logical size of the context changed. */
  virtual void OnRescale() {}
  /** The control's rectangle changed. */
  virtual void OnResize() {}
  /** Bound to delegate and context, before it joins the control list. */
  virtual void OnInit() {}
  /** In the control list. */
  virtual void OnAttached() {}
  virtual void OnMsgFromDelegate(int /*msgTag*/, int /*dataSize*/, const void* /*data*/) {}
  virtual void OnMidi(const IMidiMsg& /*msg*/) {}

  // Menus and text entry.
  virtual void CreateContextMenu(IPopupMenu& /*menu*/) {}
  /** A menu this control showed has closed: menu carries the chosen index, or is null
   *  when the user chose nothing. Runs later than the press that opened it. */
  virtual void OnPopupMenuSelection(IPopupMenu* /*menu*/, int /*valIdx*/) {}
  virtual void OnTextEntryCompletion(const char* /*str*/, int /*valIdx*/) {}
  virtual void OnContextSelection(int /*itemSelected*/) {}
  /** Typed entry of a value. This editor has no text-entry field, so nothing happens. */
  virtual void PromptUserInput(int /*valIdx*/) {}

  /** Draws the control in editor units; the context has clipped to the area being redrawn. */
  virtual void Draw(IGraphics& g) = 0;

  // Values.
  virtual void SetParamIdx(int paramIdx, int valIdx = 0);
  int GetParamIdx(int valIdx = 0) const;
  /** The delegate's parameter bound to the value, or null. */
  const IParam* GetParam(int valIdx = 0) const;
  int NVals() const { return static_cast<int>(mVals.size()); }
  /** Which value a point addresses; with one value it is always 0. */
  virtual int GetValIdxForPos(float /*x*/, float /*y*/) const { return NVals() > 1 ? kNoValIdx : 0; }
  double GetValue(int valIdx = 0) const;
  /** Stores without clamping; kNoValIdx stores into every value. */
  virtual void SetValue(double value, int valIdx = 0);
  /** The delegate pushes a value (host automation, presets, another control on the same
   *  parameter): stored and redrawn, nothing is sent back. */
  virtual void SetValueFromDelegate(double value, int valIdx = 0);
  /** A value typed by the user, sent on like a drag (bracketed as one gesture). */
  virtual void SetValueFromUserInput(double value, int valIdx = 0);
  /** The parameter's default (normalised), then SetDirty(true). */
  virtual void SetValueToDefault(int valIdx = kNoValIdx);

  // Appearance and geometry.
  virtual void SetText(const IText& text) { mText = text; SetDirty(false); }
  const IText& GetText() const { return mText; }
  const IBlend& GetBlend() const { return mBlend; }
  void SetBlend(const IBlend& blend) { mBlend = blend; }
  /** Moves both rectangles so the drawing rectangle's top-left is (x, y). */
  virtual void SetPosition(float x, float y);
  /** Resizes both rectangles from their top-left corner. */
  virtual void SetSize(float w, float h);
  const IRECT& GetRECT() const { return mRECT; }
  void SetRECT(const IRECT& r) { mRECT = r; OnResize(); }
  const IRECT& GetTargetRECT() const { return mTargetRECT; }
  void SetTargetRECT(const IRECT& r) { mTargetRECT = r; OnResize(); }
  void SetTargetAndDrawRECTs(const IRECT& r) { mRECT = mTargetRECT = r; OnResize(); }

  virtual void Hide(bool hide);
  bool IsHidden() const { return mHide; }
  virtual void SetDisabled(bool disable);
  bool IsDisabled() const { return mDisabled; }
  void SetIgnoreMouse(bool ignore) { mIgnoreMouse = ignore; }
  bool GetIgnoreMouse() const { return mIgnoreMouse; }
  bool GetMouseIsOver() const { return mMouseIsOver; }

  /** Left and top edges hit, right and bottom edges not. */
  virtual bool IsHit(float x, float y) const { return mTargetRECT.Contains(x, y); }

  /** Limits the addressed values to 0 ... 1 and marks the control for redraw. With
   *  triggerAction each addressed value bound to a parameter goes to the delegate as a
   *  change from the user (other controls on that parameter follow), then the action
   *  function runs. */
  virtual void SetDirty(bool triggerAction = true, int valIdx = kNoValIdx);
  virtual void SetClean() { mDirty = false; }
  virtual bool IsDirty() { return mDirty; }
  /** Main-thread idle, once per frame tick before the redraw. Ticks pause while no control
   *  has been dirty for a while; a control that animates keeps them coming by marking
   *  itself dirty. */
  virtual void OnGUIIdle() {}

  void SetActionFunction(IActionFunction action) { mActionFunc = std::move(action); }
  const IActionFunction& GetActionFunction() const { return mActionFunc; }

  int GetTag() const { return mTag; }
  const char* GetGroup() const { return mGroup.c_str(); }

  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  IGraphics* GetUI() const { return mGraphics; }

private:
  friend class IGraphics;
  /** Called by the context when the control is attached. */
  void bind(IGEditorDelegate& delegate, IGraphics& graphics, const char* group, int tag);

protected:
  /** The addressed values: all of them for kNoValIdx, none for an index out of range. */
  template <typename F>
  void forValues(int valIdx, F&& f)
  {
    for (int i = 0; i < NVals(); ++i)
      if (valIdx == kNoValIdx || valIdx == i)
        f(i, mVals[static_cast<size_t>(i)]);
  }

  IRECT mRECT;
  IRECT mTargetRECT;
  std::vector<Value> mVals;
  IText mText;
  IBlend mBlend;
  bool mMouseIsOver = false;
  bool mDirty = true;
  bool mHide = false;
  bool mDisabled = false;
  bool mIgnoreMouse = false;
  IActionFunction mActionFunc;
  int mTag = kNoTag;
  std::string mGroup;
  IGEditorDelegate* mDelegate = nullptr;
  IGraphics* mGraphics = nullptr;
};

} // namespace frame::graphics
