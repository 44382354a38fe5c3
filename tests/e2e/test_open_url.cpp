// Handing addresses to the desktop's opener: what reaches it, that we never wait for it and
// that no child of ours is left behind. A stand-in xdg-open on PATH records its arguments.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "graphics/X11OpenURL.h"

using frame::graphics::OpenWithDesktop;

namespace {

class OpenURLTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    char dir[] = "/tmp/mg-opener-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    mDir = dir;
    mLog = mDir + "/args";
    const char* path = std::getenv("PATH");
    mOldPath = path ? path : "";
    setenv("PATH", (mDir + ":" + mOldPath).c_str(), 1);
  }
  void TearDown() override
  {
    setenv("PATH", mOldPath.c_str(), 1);
    if (!mDir.empty())
      std::system(("rm -rf '" + mDir + "'").c_str());
  }

  /** An xdg-open that writes its arguments, one a line, after sleeping seconds. */
  void installOpener(int sleepSeconds = 0)
  {
    const std::string script = mDir + "/xdg-open";
    std::ofstream out(script);
    out << "#!/bin/sh\n";
    if (sleepSeconds)
      out << "sleep " << sleepSeconds << "\n";
    out << "printf '%s\\n' \"$@\" > '" << mLog << ".tmp' && mv '" << mLog << ".tmp' '" << mLog << "'\n";
    out.close();
    chmod(script.c_str(), 0755);
  }

  std::string waitForLog(int timeoutMs = 3000)
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end)
    {
      std::ifstream in(mLog);
      if (in)
        return std::string(std::istreambuf_iterator<char>(in), {});
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "<no call>";
  }

  static bool hasNoChildren()
  {
    errno = 0;
    return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
  }

  std::string mDir, mLog, mOldPath;
};

TEST_F(OpenURLTest, AWebAddressReachesTheOpenerAsItIs)
{
  installOpener();
  EXPECT_TRUE(OpenWithDesktop("https://www.example.org/music/?a=1&b=two words"));
  EXPECT_EQ(waitForLog(), "https://www.example.org/music/?a=1&b=two words\n");
}

TEST_F(OpenURLTest, AFilePathThatLooksLikeAnOptionIsPassedAsAPath)
{
  installOpener();
  EXPECT_TRUE(OpenWithDesktop("/home/someone/trellowphaser.ini"));
  EXPECT_EQ(waitForLog(), "/home/someone/trellowphaser.ini\n");
  unlink(mLog.c_str());
  EXPECT_TRUE(OpenWithDesktop("--help"));
  EXPECT_EQ(waitForLog(), "./--help\n");
}

TEST_F(OpenURLTest, ItReturnsAtOnceAndLeavesNoChildBehind)
{
  installOpener(2);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(OpenWithDesktop("https://www.example.org/"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_TRUE(hasNoChildren()) << "the opener belongs to init, not to the host";
  EXPECT_EQ(waitForLog(5000), "https://www.example.org/\n");
}

TEST_F(OpenURLTest, NoOpenerOrNoAddressIsRefused)
{
  setenv("PATH", mDir.c_str(), 1); // nothing in it
  EXPECT_FALSE(OpenWithDesktop("https://www.example.org/"));
  installOpener();
  EXPECT_FALSE(OpenWithDesktop(""));
  EXPECT_FALSE(OpenWithDesktop(nullptr));
  EXPECT_TRUE(hasNoChildren());
}

} // namespace
