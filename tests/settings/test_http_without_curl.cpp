// Run with an unloadable libcurl.so.4 first on the library path (http_tests.cmake), as on a
// system without libcurl: the check must say what to install, and the process must live on.
#include "settings/http.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace settings;
using namespace frame::graphics;

namespace {

struct BoxesUI : IVersionCheckUI
{
  EMsgBoxResult ShowMessageBox(const char* text, const char* caption, EMsgBoxType type) override
  {
    EXPECT_STREQ(caption, "Check Online for Update");
    EXPECT_EQ(type, kMB_OK);
    mTexts.emplace_back(text);
    return kOK;
  }
  bool OpenURL(const char*) override
  {
    ADD_FAILURE() << "no page may open";
    return false;
  }
  std::vector<std::string> mTexts;
};

TEST(VersionCheckWithoutLibcurl, ShowsTheErrorNamingWhatToInstallEveryTime)
{
  BoxesUI ui;
  // Looked for again on each check, so installing libcurl needs no restart of the host.
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(CheckVersionAgainstWeb("http://127.0.0.1:1/music/version/", ui, 200, 500), -1);
  const std::string expected =
    "An error occurred while contacting www.mistlegrovemusic.com.\n\nThe check needs libcurl "
    "(libcurl.so.4), which is not installed here. Please install it (on Debian and Ubuntu: sudo "
    "apt install libcurl4) and try again.";
  EXPECT_EQ(ui.mTexts, std::vector<std::string>(2, expected));
}

} // namespace
