#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/IControl.h"
#include "frame/IGraphicsContext.h"
#include "graphics/IBitmap.h"
#include "graphics/IGraphicsConstants.h"
#include "graphics/IGraphicsStructs.h"
#include "graphics/IPlatformView.h"
#include "graphics/IPopupMenu.h"
#include "graphics/Renderer.h"
#include "graphics/Surface.h"

namespace frame::graphics {

class IGEditorDelegate;
class ICornerResizerControl;

using MsgBoxCompletionFunc = std::function<void(EMsgBoxResult)>;

/** The editor's drawing and input context, bound to one delegate while the editor is open.
 *  It owns the controls (the background first, the corner resizer apart from the list),
 *  routes the platform's mouse input to them, redraws what is dirty at most once per frame
 *  tick onto a surface of the window's pixel size, and reaches the platform's menus,
 *  message boxes, pointer shapes and web addresses. Logical size and coordinates are in
 *  editor units; the window is that size times the draw scale. Main thread only. */
class IGraphics : public IGraphicsContext, public IPlatformEvents
{
public:
  IGraphics(IGEditorDelegate& delegate, int width, int height, int fps, float scale,
            std::unique_ptr<IPlatformView> platform);
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // IGraphicsContext
  /** Opens the platform window at the window size inside parent; null when that failed. */
  void* OpenWindow(void* parent) override;
  /** Closes the platform window; a menu still open no longer reports to its control. */
  void CloseWindow() override;
  bool WindowIsOpen() const override;
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return mDrawScale; }
  /** Clamps the size to the delegate's limits and the scale to the draw-scale limits; an
   *  unchanged result does nothing at all. Otherwise tells the delegate and the platform
   *  the new window size, rescales every control and redraws everything. */
  void Resize(int width, int height, float scale, bool needsPlatformResize) override;
  /** The display's scale; selects the resolution variant of bitmaps loaded afterwards. */
  void SetScreenScale(float scale) override;
  void SetControlValueFromDelegate(int paramIdx, double normalized) override;
  void SetAllControlsDirty() override;

  // IPlatformEvents: window pixels in, editor units out.
  void OnPlatformMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnPlatformMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnPlatformMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnPlatformMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnPlatformMouseWheel(float x, float y, const IMouseMod& mod, float delta) override;
  void OnPlatformMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnPlatformMouseOut() override;
  /** Runs every control's OnGUIIdle and draws what is dirty. After kIdleTicksBeforePause
   *  ticks in a row without drawing, the platform's ticks are paused until RequestFrame. */
  void OnPlatformFrameTick() override;
  const Surface& GetPlatformSurface() const override { return mSurface; }

  // Identity and resources.
  IGEditorDelegate* GetDelegate() const { return &mDelegate; }
  IPlatformView& GetPlatform() { return *mPlatform; }
  void SetBundleID(const char* id) { mBundleID = id ? id : ""; }
  const char* GetBundleID() const { return mBundleID.c_str(); }
  void SetDisplayName(const char* name) { mDisplayName = name ? name : ""; }
  const char* GetDisplayName() const { return mDisplayName.c_str(); }
  /** The folder that bitmaps and fonts are loaded from (the bundle's resources). */
  void SetResourcePath(const std::string& path) { mResourcePath = path; }
  const std::string& GetResourcePath() const { return mResourcePath; }

  /** The named image with nStates frames, shared through the process-wide cache. Target
   *  scale 0 means the screen's scale rounded up. Invalid when the file cannot be read. */
  IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false, int targetScale = 0);
  /** Registers the TrueType file (in the resource folder) under fontID. */
  bool LoadFont(const char* fontID, const char* fileName);

  // Controls. The context owns what is attached.
  /** A one-frame bitmap control at (0, 0) of the image's size, first in the list: drawn
   *  first, reached by the mouse last, left out of mouse-over tracking. */
  IControl* AttachBackground(const char* name);
  /** Binds the control, runs OnInit, OnResize and OnRescale, appends it, runs OnAttached. */
  IControl* AttachControl(IControl* control, const char* group = "", int tag = kNoTag);
  /** The corner resizer: drawn after and hit-tested before the listed controls. It keeps
   *  its constructed rectangle until the next Resize rescales it. */
  void AttachCornerResizer(ICornerResizerControl* control, EUIResizerMode mode = EUIResizerMode::Scale,
                           bool layoutOnResize = false);
  void RemoveAllControls();

  int NControls() const { return static_cast<int>(mControls.size()); }
  IControl* GetControl(int idx) const;
  IControl* GetBackgroundControl() const { return mBackground; }
  ICornerResizerControl* GetCornerResizer() const { return mCornerResizer.get(); }
  /** The first control with a value bound to paramIdx, or null. */
  IControl* GetControlWithParamIdx(int paramIdx) const;
  IControl* GetControlWithTag(int tag) const;
  /** Runs func for every control (corner resizer included) with a value bound to paramIdx. */
  void ForControlWithParam(int paramIdx, const std::function<void(IControl&)>& func);
  /** Runs func for every control, the corner resizer last. */
  void ForAllControls(const std::function<void(IControl&)>& func);

  /** A control's change of a parameter: to the delegate as a change from the user, then
   *  into every other control bound to the same parameter. */
  void SendParameterValueFromUI(IControl& source, int paramIdx, double normalized);

  // Size and scale.
  /** Window size in pixels: the logical size times the draw scale, truncated. */
  int WindowWidth() const;
  int WindowHeight() const;
  /** Extra factor between window units and platform pixels; 1 on this platform. */
  float GetPlatformWindowScale() const { return 1.f; }
  float GetScreenScale() const { return mScreenScale; }
  int FPS() const { return mFPS; }
  void SetScaleConstraints(float lo, float hi);
  float GetMinScale() const { return mMinScale; }
  float GetMaxScale() const { return mMaxScale; }
  EUIResizerMode GetResizerMode() const { return mResizerMode; }
  bool ResizeInProgress() const { return mResizingInProgress; }
  /** The corner resizer took a press: the following drag resizes the editor. */
  void StartResizeGesture() { mResizingInProgress = true; }
  /** A corner-resizer drag at (x, y): in scale mode the scale follows the smaller of the
   *  two axis ratios to the press position; in size mode (x, y) becomes the size. */
  void OnDragResize(float x, float y);

  void EnableMouseOver(bool enable);
  bool MouseOverEnabled() const { return mMouseOverEnabled; }
  /** Recorded only: this platform delivers no touches. */
  void EnableMultiTouch(bool enable) { mMultiTouchEnabled = enable; }
  bool MultiTouchEnabled() const { return mMultiTouchEnabled; }

  // Mouse input in editor units (the platform events arrive here after scaling).
  void OnMouseDown(float x, float y, const IMouseMod& mod);
  void OnMouseUp(float x, float y, const IMouseMod& mod);
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod);
  void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta);
  void OnMouseOver(float x, float y, const IMouseMod& mod);
  void OnMouseOut();
  /** The control a press at (x, y) reaches: the corner resizer first, then the list from
   *  the last attached, skipping hidden, disabled and mouse-ignoring controls. With
   *  mouseOver the background is left out. */
  IControl* GetMouseControl(float x, float y, bool mouseOver = false) const;
  IControl* GetCapturedControl() const { return mCapturedControl; }
  IControl* GetMouseOverControl() const { return mMouseOverControl; }
  float GetMouseDownX() const { return mMouseDownX; }
  float GetMouseDownY() const { return mMouseDownY; }
  /** Ends the current press: no more drags to its control, its gestures end, the pointer
   *  shows again. */
  void ReleaseMouseCapture();

  // Drawing, in editor units, inside the clip of the area being redrawn.
  void DrawBitmap(const IBitmap& bitmap, const IRECT& rect, int frame = 1, const IBlend* blend = nullptr);
  void DrawText(const IText& text, const char* str, const IRECT& rect, const IBlend* blend = nullptr);
  IRECT MeasureText(const IText& text, const char* str, const IRECT& rect) const;
  void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                    const IBlend* blend = nullptr);
  void FillRect(const IColor& color, const IRECT& rect, const IBlend* blend = nullptr);
  void DrawRect(const IColor& color, const IRECT& rect, const IBlend* blend = nullptr, float thickness = 1.f);
  void FillRoundRect(const IColor& color, const IRECT& rect, float cornerRadius, const IBlend* blend = nullptr);
  void DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                float thickness = 1.f);
  void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr);
  void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr,
                  float thickness = 1.f);
  Renderer& GetRenderer() { return mRenderer; }
  const Surface& GetSurface() const { return mSurface; }

  /** Redraws the union of the dirty controls' rectangles (everything after a resize):
   *  the background and every control meeting it, clipped to it, then asks the platform
   *  to present those pixels. False when nothing was dirty. */
  bool DrawDirty();
  /** Something became dirty: frame ticks resume if they were paused. */
  void RequestFrame();
  static constexpr int kIdleTicksBeforePause = 30;
  /** Redraws the whole surface. */
  void DrawAll();
  /** A full redraw, for snapshots without a window. */
  const Surface& RenderOffscreen();
  bool SaveSnapshotPNG(const std::string& path);

  // Platform services.
  /** Sets the pointer shape; returns the previous one. */
  ECursor SetMouseCursor(ECursor cursor);
  ECursor GetMouseCursor() const { return mCursor; }
  void HideMouseCursor(bool hide = true, bool lock = true);
  /** Shows menu at anchor and returns at once. When the user closes it the control's
   *  OnPopupMenuSelection gets the menu (chosen index set) or null. Nothing is reported
   *  once the window has closed or another menu has replaced this one. */
  void CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& anchor, int valIdx = 0);
  IControl* GetPopupMenuControl() const { return mPopupControl; }
  /** Modal. Releases the mouse first; completion, when given, receives the result too. */
  EMsgBoxResult ShowMessageBox(const char* text, const char* caption, EMsgBoxType type,
                               MsgBoxCompletionFunc completion = nullptr);
  /** Opens a web address (text with "http") or a file path with the desktop's handler.
   *  With confirmMsg the user is asked first; errorMsg is shown when it fails. */
  bool OpenURL(const char* url, const char* windowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errorMsg = nullptr);

private:
  void attach(IControl& control, const char* group, int tag);
  /** First parameter-bound value of a control at (x, y), or kNoParameter. */
  int paramUnder(const IControl& control, float x, float y) const;
  /** The control a press at (x, y) goes to; null when there is none or when it was a right
   *  press on a parameter, which opens the host's menu for it instead. */
  IControl* pressedControl(float x, float y, const IMouseMod& mod);
  void releaseCapture(bool platformToo);
  void beginGestures(const IControl& control);
  void endGestures();
  void onPopupMenuClosed(unsigned serial, IPopupMenu* menu);
  float pixelsPerUnit() const { return mDrawScale * GetPlatformWindowScale(); }
  void resizeSurface();

  IGEditorDelegate& mDelegate;
  int mWidth, mHeight;
  int mFPS;
  float mDrawScale;
  float mScreenScale = 1.f;
  float mMinScale = 0.25f, mMaxScale = 4.f;
  bool mMouseOverEnabled = false;
  bool mMultiTouchEnabled = false;
  float mMouseDownX = 0.f, mMouseDownY = 0.f;
  bool mResizingInProgress = false;
  EUIResizerMode mResizerMode = EUIResizerMode::Scale;
  bool mLayoutOnResize = false;
  bool mFullRedraw = true;
  int mIdleTicks = 0;
  bool mFrameTicksPaused = false;

  std::vector<std::unique_ptr<IControl>> mControls;
  IControl* mBackground = nullptr;
  std::unique_ptr<ICornerResizerControl> mCornerResizer;
  IControl* mCapturedControl = nullptr;
  IControl* mMouseOverControl = nullptr;
  std::vector<int> mGestureParams; // begun on the press, ended on its release

  IControl* mPopupControl = nullptr;
  int mPopupValIdx = 0;
  unsigned mPopupSerial = 0;
  // Menu callbacks hold it weakly, so a platform that reports late finds the context gone.
  std::shared_ptr<char> mAlive = std::make_shared<char>();

  ECursor mCursor = ECursor::ARROW;
  bool mCursorHidden = false;
  std::string mBundleID, mDisplayName, mResourcePath;

  Surface mSurface;
  Renderer mRenderer;
  std::unique_ptr<IPlatformView> mPlatform;
};

} // namespace frame::graphics
