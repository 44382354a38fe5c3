#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "graphics/IPopupMenu.h"
#include "graphics/Surface.h"

namespace frame::graphics {

/** One open popup menu: an override-redirect window of our own on the view's display,
 *  drawn by the renderer, with the pointer and keyboard grabbed while it is open. The view
 *  feeds it the events of its window; it never calls out, so whoever owns it decides when
 *  and how the choice is reported. Main thread. */
class X11PopupMenu
{
public:
  enum class Outcome
  {
    kOpen,
    kChosen,   // ChosenIndex() tells which item
    kDismissed // Escape, or a press outside the menu
  };

  X11PopupMenu(Display* display, const IPopupMenu& menu);
  /** Ungrabs and destroys the window. */
  ~X11PopupMenu();
  X11PopupMenu(const X11PopupMenu&) = delete;
  X11PopupMenu& operator=(const X11PopupMenu&) = delete;

  /** Maps the menu below the anchor (root coordinates), moved or flipped to stay on the
   *  screen. False when there is nothing to show or the window cannot be made. */
  bool Show(int anchorL, int anchorT, int anchorR, int anchorB);

  Window GetWindow() const { return mWindow; }
  Outcome HandleEvent(const XEvent& event);
  int ChosenIndex() const { return mChosen; }

  /** Layout, in menu pixels. */
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int HighlightedIndex() const { return mHighlight; }

  static constexpr int kItemHeight = 24;
  static constexpr int kSeparatorHeight = 9;
  static constexpr int kPadding = 4;

private:
  struct Row
  {
    int top = 0, bottom = 0;
    bool selectable = false;
  };

  void layout();
  void draw();
  void present();
  void grab();
  int rowAt(int x, int y) const;
  void setHighlight(int index);
  void step(int direction);
  Outcome choose(int index);

  Display* mDisplay;
  const IPopupMenu& mMenu;
  Window mWindow = 0;
  GC mGC = nullptr;
  Visual* mVisual = nullptr;
  int mDepth = 0;
  std::vector<Row> mRows;
  int mWidth = 0, mHeight = 0;
  int mHighlight = -1;
  int mChosen = -1;
  bool mPointerGrabbed = false, mKeyboardGrabbed = false;
  // A release chooses only after the pointer travelled or was pressed inside, so the
  // release of the press that opened the menu does not pick the item under it.
  bool mReleaseArmed = false;
  int mOpenRootX = 0, mOpenRootY = 0;
  Surface mSurface;
};

} // namespace frame::graphics
