#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "effect/trellowphaser.h"

namespace {
// Points HOME at a fresh folder for the life of a test.
class FreshHome : public ::testing::Test
{
protected:
  void SetUp() override
  {
    char tmpl[] = "/tmp/mg-home-XXXXXX";
    home = mkdtemp(tmpl);
    const char* old = std::getenv("HOME");
    oldHome = old ? old : "";
    setenv("HOME", home.c_str(), 1);
  }
  void TearDown() override
  {
    setenv("HOME", oldHome.c_str(), 1);
    std::system(("rm -rf '" + home + "'").c_str());
  }
  std::string folder() const { return home + "/Library/Application Support/MistlegroveMusic"; }
  std::string file() const { return folder() + "/trellowphaser.ini"; }
  static std::string slurp(const std::string& path)
  {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string home, oldHome;
};
} // namespace

TEST_F(FreshHome, FirstInstanceCreatesTheFolderAndAnEmptyFile)
{
  TrellowPhaser effect{frame::InstanceInfo{}};
  struct stat st{};
  ASSERT_EQ(stat(folder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0774u);
  EXPECT_EQ(slurp(file()), "");
  EXPECT_EQ(effect.GetEditorScale(), 0.5f);
  EXPECT_EQ(std::string(effect.GetSettingsPath()), file());
}

TEST_F(FreshHome, StoredScaleIsReadAndSavedAsThreeLines)
{
  {
    TrellowPhaser first{frame::InstanceInfo{}};
  }
  std::ofstream(file()) << "[Editor]\nScale=0.25\n";
  TrellowPhaser effect{frame::InstanceInfo{}};
  EXPECT_EQ(effect.GetEditorScale(), 0.25f);
  std::ofstream(file()) << "[Editor]\nScale=0.5\n";
  EXPECT_TRUE(effect.loadConfig());
  EXPECT_EQ(effect.GetEditorScale(), 0.5f);
  std::ofstream(file()) << "";
  ASSERT_TRUE(effect.saveConfig());
  EXPECT_EQ(slurp(file()), "[Editor]\nScale=0.500000\n\n");
}

TEST_F(FreshHome, FailedSaveIsReportedAndKeepsTheFile)
{
  TrellowPhaser effect{frame::InstanceInfo{}};
  std::ofstream(file()) << "[Editor]\nScale=0.25\n";
  chmod(folder().c_str(), 0555); // no temporary file can be made beside it
  if (access(folder().c_str(), W_OK) == 0)
    GTEST_SKIP() << "running with rights that ignore folder permissions";
  EXPECT_FALSE(effect.saveConfig());
  chmod(folder().c_str(), 0775);
  EXPECT_EQ(slurp(file()), "[Editor]\nScale=0.25\n");
}
