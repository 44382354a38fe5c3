// mistlegrove-phaser's window on a private Xvfb and a private dummy JACK server: the editor
// draws in it as in a host, and closing the window quits with the state saved.

// JACK's names before Xlib's macros (Status) can rewrite them.
#include "apps/JackTestSupport.h"
#include "e2e/X11TestSupport.h"

#include <filesystem>
#include <sys/wait.h>

#include "graphics/PngWriter.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace {

class JackAppWindowTest : public e2e::XTestCase
{
};

TEST_F(JackAppWindowTest, TheEditorDrawsInItsOwnWindowAndClosingItQuitsWithTheStateSaved)
{
  std::string error;
  const jack::Library* j = jack::Open(error);
  if (!j || system("command -v jackd >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no JACK here: " << error;
  jack_test::Server server("mg-window-" + std::to_string(getpid()));
  ASSERT_TRUE(server.Start(*j));
  test_support::TempDir dir("mg-jack-window");
  const std::string state = dir.path() + "/state";
  const pid_t app = test_support::SpawnProgram(MG_APP_EXE, {"--state", state, "--preset", "Aliens"},
                                               {dir.path(), dir.path(), "", false});

  e2e::TestX x;
  const Window top = x.WaitForTitle("Mistlegrove Phaser", 30000);
  ASSERT_NE(top, 0u) << "no window";
  int wx, wy, w, h;
  x.Geometry(top, wx, wy, w, h);
  EXPECT_EQ(w * 348, h * 1440) << w << "x" << h << " is not the editor's shape"; // the layout's units
  // Painted once the stages switch is: nothing of the artwork is black.
  ASSERT_TRUE(jack_test::WaitFor([&] { return x.PixelAt(top, w * 90 / 1440, h * 248 / 348) != 0; }))
    << "the editor never painted";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  frame::graphics::WritePNG(x.Capture(top), e2e::ArtefactPath("jack-app-editor.png"));

  x.Close(top);
  int status = 0;
  ASSERT_TRUE(jack_test::WaitFor([&] { return waitpid(app, &status, WNOHANG) == app; }, 20000))
    << "closing the window did not quit";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(std::filesystem::file_size(state), 108u);
}

} // namespace
