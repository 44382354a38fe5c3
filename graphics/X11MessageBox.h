#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

#include "graphics/IGraphicsConstants.h"
#include "graphics/IGraphicsStructs.h"
#include "graphics/Surface.h"

namespace frame::graphics {

class Font;

/** One line of a laid-out message: pieces of text at pen positions (tabs start a new
 *  piece at the next tab stop), and the width the line covers. */
struct MessageLine
{
  struct Run
  {
    float x = 0.f;
    std::string text;
  };
  std::vector<Run> runs;
  float width = 0.f;
};

/** Breaks a UTF-8 message into lines no wider than maxWidth: at line breaks, then between
 *  words, and inside a word (a long path, say) only when the word alone is too wide. Tabs
 *  advance to the next stop of eight spaces. Spaces at a wrap are dropped. */
std::vector<MessageLine> LayoutMessageText(Font& font, float pxSize, const char* text, float maxWidth);

/** A modal message box: a dialog window on the given display, transient for the owner's
 *  top-level window and centred over it, with the caption as its title and as a heading,
 *  the wrapped text and a row of buttons. Run blocks in a loop of its own on the display
 *  until the user answers, as a modal box must. Main thread. */
class X11MessageBox
{
public:
  using OtherEvent = std::function<void(XEvent&)>;

  /** display null: a connection of its own is opened (and closed again) for the box. */
  X11MessageBox(Display* display, Window owner, const char* text, const char* caption, EMsgBoxType type);
  ~X11MessageBox();
  X11MessageBox(const X11MessageBox&) = delete;
  X11MessageBox& operator=(const X11MessageBox&) = delete;

  /** Shows the box and returns the answer (EMsgBoxResult). Events of the display's other
   *  windows go to other meanwhile, so an owner can keep repainting. */
  int Run(const OtherEvent& other = {});

  /** The answer to Escape or to closing the window: cancel where the box has a Cancel
   *  button, No for Yes/No, else OK. */
  static int CancelResult(EMsgBoxType type);

private:
  struct Button
  {
    const char* label;
    int result;
    IRECT rect;
  };

  bool create();
  void layout();
  void draw();
  void present();
  int buttonAt(int x, int y) const;
  void handle(XEvent& event);

  Display* mDisplay;
  bool mOwnDisplay = false;
  Window mOwner;
  std::string mText, mCaption;
  EMsgBoxType mType;

  Window mWindow = 0;
  GC mGC = nullptr;
  Visual* mVisual = nullptr;
  int mDepth = 0;
  Atom mProtocols = 0, mDeleteWindow = 0;
  Surface mSurface;
  std::vector<MessageLine> mLines;
  std::vector<Button> mButtons;
  int mWidth = 0, mHeight = 0;
  float mLineHeight = 0.f, mCaptionHeight = 0.f;
  int mFocus = 0, mHover = -1, mPressed = -1;
  int mResult = 0;
};

} // namespace frame::graphics
