// Modal message boxes of the editor's X11 view, answered from a second thread the way a user
// would answer them, and the layout of their text.

#include "e2e/X11TestSupport.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "graphics/FontRegistry.h"
#include "graphics/PngWriter.h"
#include "graphics/X11MessageBox.h"
#include "graphics/X11Support.h"
#include "graphics/X11View.h"

using namespace frame::graphics;
using e2e::PollLoop;
using e2e::RecordingEvents;

namespace {

constexpr int kW = 300, kH = 200;
constexpr uint32_t kAmber = 0xE0A030;

/** Plays the user on a connection of its own: waits for the box titled caption to have the
 *  keyboard, then acts on it. */
class User
{
public:
  using Act = std::function<void(e2e::TestX& x, Window box)>;
  User(const char* caption, Act act)
    : mThread([this, caption = std::string(caption), act = std::move(act)] {
        e2e::TestX x;
        const Window box = x.WaitForTitle(caption.c_str());
        if (!box)
          return;
        for (int i = 0; i < 500; ++i)
        {
          Window focus = 0;
          int revert = 0;
          XGetInputFocus(x.display(), &focus, &revert);
          if (focus == box)
            break;
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        found = true;
        act(x, box);
      })
  {
  }
  ~User() { mThread.join(); }
  std::atomic<bool> found{false};

private:
  std::thread mThread;
};

/** The centre of the box's amber pixels: its focused (default) button. */
void centreOfAmber(e2e::TestX& x, Window box, int& cx, int& cy)
{
  const Surface s = x.Capture(box);
  long sx = 0, sy = 0, n = 0;
  for (int y = s.Height() / 2; y < s.Height(); ++y)
    for (int px = 0; px < s.Width(); ++px)
      if ((s.At(px, y) & 0xFFFFFFu) == kAmber)
      {
        sx += px;
        sy += y;
        ++n;
      }
  cx = n ? static_cast<int>(sx / n) : 0;
  cy = n ? static_cast<int>(sy / n) : 0;
}

class X11MessageBoxTest : public e2e::ViewTestCase
{
protected:
  X11MessageBoxTest() : ViewTestCase(200, 150, 600, 400, kW, kH) {}
  void SetUp() override
  {
    ViewTestCase::SetUp();
    if (!IsSkipped())
      OpenView(&loop);
  }
};

// Answers ---------------------------------------------------------------------------------

TEST_F(X11MessageBoxTest, EnterAnswersOK)
{
  User user("Save Window Size", [](e2e::TestX& ux, Window) { ux.Tap(XK_Return); });
  EXPECT_EQ(view->ShowMessageBox("The current window size was saved.", "Save Window Size", kMB_OK), kOK);
  EXPECT_TRUE(user.found);
}

TEST_F(X11MessageBoxTest, AClickOnYesAnswersYes)
{
  User user("Update", [](e2e::TestX& ux, Window box) {
    int cx = 0, cy = 0;
    centreOfAmber(ux, box, cx, cy);
    ux.MoveTo(box, cx, cy);
    ux.Click(1);
  });
  EXPECT_EQ(view->ShowMessageBox("A newer version is available. Download it?", "Update", kMB_YESNO), kYES);
}

TEST_F(X11MessageBoxTest, TabMovesTheDefaultToNo)
{
  User user("Question", [](e2e::TestX& ux, Window) {
    ux.Tap(XK_Tab);
    ux.Tap(XK_Return);
  });
  EXPECT_EQ(view->ShowMessageBox("Sure?", "Question", kMB_YESNO), kNO);
}

TEST_F(X11MessageBoxTest, EscapeGivesEachTypesCancelAnswer)
{
  const std::pair<EMsgBoxType, int> cases[] = {
    {kMB_YESNO, kNO}, {kMB_OKCANCEL, kCANCEL}, {kMB_OK, kOK}, {kMB_YESNOCANCEL, kCANCEL}, {kMB_RETRYCANCEL, kCANCEL}};
  for (const auto& [type, expected] : cases)
  {
    User user("Escape", [](e2e::TestX& ux, Window) { ux.Tap(XK_Escape); });
    EXPECT_EQ(view->ShowMessageBox("Text", "Escape", type), expected) << "type " << type;
  }
}

TEST_F(X11MessageBoxTest, ClosingTheWindowGivesTheCancelAnswer)
{
  User user("Close me", [](e2e::TestX& ux, Window box) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = box;
    e.xclient.message_type = XInternAtom(ux.display(), "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(ux.display(), "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(ux.display(), box, False, NoEventMask, &e);
    ux.Sync();
  });
  EXPECT_EQ(view->ShowMessageBox("Text", "Close me", kMB_YESNO), kNO);
}

// The window ------------------------------------------------------------------------------

TEST_F(X11MessageBoxTest, TheBoxIsTitledTransientForTheEditorAndCentredOverIt)
{
  std::string title;
  Window transientFor = 0;
  int bx = 0, by = 0, bw = 0, bh = 0;
  User user("Save Window Size", [&](e2e::TestX& ux, Window box) {
    title = ux.Title(box);
    XGetTransientForHint(ux.display(), box, &transientFor);
    ux.Geometry(box, bx, by, bw, bh);
    const Surface shot = ux.Capture(box);
    WritePNG(shot, e2e::ArtefactPath("message-box.png"));
    ux.Tap(XK_Return);
  });
  view->ShowMessageBox("The current window size was saved to the INI configuration file:\n"
                       "/home/someone/Library/Application Support/MistlegroveMusic/trellowphaser.ini",
                       "Save Window Size", kMB_OK);
  EXPECT_EQ(title, "Save Window Size");
  EXPECT_EQ(transientFor, top) << "the editor's top-level window, not our child";
  EXPECT_NEAR(bx + bw / 2, 200 + 600 / 2, 1);
  EXPECT_NEAR(by + bh / 2, 150 + 400 / 2, 1);
  EXPECT_LE(bw, 600) << "long paths wrap instead of widening the box";
}

TEST_F(X11MessageBoxTest, TheEditorKeepsBeingPaintedWhileTheBoxIsOpen)
{
  events->surface.Fill(events->surface.Bounds(), 0xFF5080A0);
  User user("Busy", [&](e2e::TestX& ux, Window) {
    XUnmapWindow(ux.display(), top);
    XMapWindow(ux.display(), top);
    ux.Sync();
    for (int i = 0; i < 200 && ux.PixelAt(win, 10, 10) != 0x5080A0u; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ux.Tap(XK_Return);
  });
  const int ticks = events->ticks;
  view->ShowMessageBox("Text", "Busy", kMB_OK);
  EXPECT_EQ(x->PixelAt(win, 10, 10), 0x5080A0u);
  EXPECT_EQ(events->ticks, ticks) << "the host's loop, and so the editor, waits for the answer";
}

TEST_F(X11MessageBoxTest, ABoxWithoutAnOpenViewUsesAConnectionOfItsOwn)
{
  view->Close();
  User user("Alone", [](e2e::TestX& ux, Window) { ux.Tap(XK_Return); });
  EXPECT_EQ(view->ShowMessageBox("Text", "Alone", kMB_YESNO), kYES);
}

// Text layout -----------------------------------------------------------------------------

class MessageTextTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const char* id = x11::UIFontID();
    if (!id)
      GTEST_SKIP() << "no Roboto font installed";
    font = FontRegistry::Instance().Find(id);
  }
  static std::string joined(const std::vector<MessageLine>& lines, const char* sep)
  {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i)
    {
      if (i)
        out += sep;
      for (const auto& run : lines[i].runs)
        out += run.text;
    }
    return out;
  }
  std::shared_ptr<frame::graphics::Font> font;
  static constexpr float kPx = 14.f;
};

TEST_F(MessageTextTest, LineBreaksStartLinesAndCarriageReturnsAreIgnored)
{
  const auto lines = LayoutMessageText(*font, kPx, "first\r\nsecond\n\nfourth", 400.f);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(joined(lines, "|"), "first|second||fourth");
}

TEST_F(MessageTextTest, LongTextWrapsBetweenWordsWithinTheWidth)
{
  const char* text = "A newer version of the plug-in is available on the web site; download it from there.";
  const auto lines = LayoutMessageText(*font, kPx, text, 150.f);
  EXPECT_GT(lines.size(), 2u);
  for (const auto& line : lines)
  {
    EXPECT_LE(line.width, 150.f);
    ASSERT_FALSE(line.runs.empty());
    EXPECT_NE(line.runs.front().text.front(), ' ');
    EXPECT_NE(line.runs.back().text.back(), ' ');
  }
  EXPECT_EQ(joined(lines, " "), text);
}

TEST_F(MessageTextTest, AWordWiderThanTheLineIsBrokenInsideWithoutSplittingCharacters)
{
  const std::string path = "/home/someone/Library/Application\xC3\xA9Support/Mistlegrove\xC3\xA9Music/trellowphaser.ini";
  const auto lines = LayoutMessageText(*font, kPx, path.c_str(), 80.f);
  EXPECT_GT(lines.size(), 3u);
  for (const auto& line : lines)
  {
    EXPECT_LE(line.width, 80.f);
    const std::string& t = line.runs.front().text;
    EXPECT_NE(static_cast<unsigned char>(t.front()) & 0xC0, 0x80) << "no line begins inside a character";
  }
  EXPECT_EQ(joined(lines, ""), path);
}

TEST_F(MessageTextTest, TabsAdvanceToTheNextStop)
{
  const float stop = 8.f * font->MeasureWidth(" ", kPx);
  const auto lines = LayoutMessageText(*font, kPx, "a\tb\tc", 400.f);
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].runs.size(), 3u);
  EXPECT_EQ(lines[0].runs[1].x, stop);
  EXPECT_EQ(lines[0].runs[2].x, 2.f * stop);
  EXPECT_EQ(lines[0].runs[2].text, "c");
}

} // namespace
