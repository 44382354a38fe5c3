#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "editor/trellowphaser.editor.h"
#include "effect/trellowphaser.h"
#include "support/TempHome.h"
#include "support/Unprivileged.h"

namespace {
// Points HOME at a fresh folder for the life of a test.
class FreshHome : public ::testing::Test
{
protected:
  void SetUp() override { frame::graphics::SetEditorFactory(&frame::graphics::MakePluginEditor); }
  void TearDown() override { frame::graphics::SetEditorFactory(nullptr); }
  std::string folder() const { return mHome.settingsFolder(); }
  std::string file() const { return mHome.settingsFile(); }
  static std::string slurp(const std::string& path)
  {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static TrellowPhaserEditor& editorOf(TrellowPhaser& effect) { return *TrellowPhaserEditor::of(effect); }
  test_support::TempHome mHome;
  const std::string& home = mHome.path();
};
} // namespace

TEST_F(FreshHome, FirstInstanceCreatesTheFolderAndAnEmptyFile)
{
  TrellowPhaser effect{frame::InstanceInfo{}};
  struct stat st{};
  ASSERT_EQ(stat(folder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0774u);
  EXPECT_EQ(slurp(file()), "");
  EXPECT_EQ(editorOf(effect).GetEditorScale(), 0.5f);
  EXPECT_EQ(std::string(editorOf(effect).GetSettingsPath()), file());
}

TEST_F(FreshHome, StoredScaleIsReadAndSavedAsThreeLines)
{
  {
    TrellowPhaser first{frame::InstanceInfo{}};
  }
  std::ofstream(file()) << "[Editor]\nScale=0.25\n";
  TrellowPhaser effect{frame::InstanceInfo{}};
  EXPECT_EQ(editorOf(effect).GetEditorScale(), 0.25f);
  std::ofstream(file()) << "[Editor]\nScale=0.5\n";
  EXPECT_TRUE(editorOf(effect).loadConfig());
  EXPECT_EQ(editorOf(effect).GetEditorScale(), 0.5f);
  std::ofstream(file()) << "";
  ASSERT_TRUE(editorOf(effect).saveConfig());
  EXPECT_EQ(slurp(file()), "[Editor]\nScale=0.500000\n\n");
}

TEST_F(FreshHome, FailedSaveIsReportedAndKeepsTheFile)
{
  TrellowPhaser effect{frame::InstanceInfo{}};
  std::ofstream(file()) << "[Editor]\nScale=0.25\n";
  chmod(home.c_str(), 0755);
  chmod(folder().c_str(), 0555); // no temporary file can be made beside it
  EXPECT_TRUE(test_support::RunUnprivileged([&effect] { return !editorOf(effect).saveConfig(); }));
  chmod(folder().c_str(), 0775);
  EXPECT_EQ(slurp(file()), "[Editor]\nScale=0.25\n");
}

TEST_F(FreshHome, ASettingsFileLockedByAnotherProgramDelaysBySecondsNotForever)
{
  {
    TrellowPhaser first{frame::InstanceInfo{}};
  }
  std::ofstream(file()) << "[Editor]\nScale=0.25\n";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0)
  {
    const int fd = open(file().c_str(), O_RDONLY);
    if (fd < 0 || flock(fd, LOCK_EX) != 0)
      _exit(1);
    (void)!write(ready[1], "x", 1);
    sleep(8); // far past the bounded wait, and the end of a test whose wait is unbounded
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  const auto start = std::chrono::steady_clock::now();
  TrellowPhaser effect{frame::InstanceInfo{}};
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  const float scaleWhileLocked = editorOf(effect).GetEditorScale();
  const bool savedWhileLocked = editorOf(effect).saveConfig();
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  close(ready[0]);
  close(ready[1]);

  EXPECT_GT(took.count(), 0.5);
  EXPECT_LT(took.count(), 3.0);
  EXPECT_EQ(scaleWhileLocked, 0.5f);
  EXPECT_FALSE(savedWhileLocked);
  EXPECT_EQ(slurp(file()), "[Editor]\nScale=0.25\n");
  EXPECT_TRUE(editorOf(effect).loadConfig()); // the next read tries again
  EXPECT_EQ(editorOf(effect).GetEditorScale(), 0.25f);
}
