#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "settings/settings_file.h"

namespace {

/** Points HOME at a fresh temporary folder for the duration of a case. */
class SettingsFile : public ::testing::Test
{
protected:
  void SetUp() override
  {
    char pattern[] = "/tmp/settings_file_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    mHome = pattern;
    const char* home = std::getenv("HOME");
    mHadHome = home != nullptr;
    if (home)
      mOldHome = home;
    ::setenv("HOME", mHome.c_str(), 1);
    mFolder = mHome + "/Library/Application Support/MistlegroveMusic";
    mFile = mFolder + "/trellowphaser.ini";
  }
  void TearDown() override
  {
    if (mHadHome)
      ::setenv("HOME", mOldHome.c_str(), 1);
    else
      ::unsetenv("HOME");
    std::error_code ec;
    std::filesystem::permissions(mFolder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(mHome, ec);
  }

  static std::string Contents(const std::string& path)
  {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static mode_t ModeOf(const std::string& path)
  {
    struct stat st{};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
  }
  void PutSettings(const std::string& text)
  {
    std::filesystem::create_directories(mFolder);
    std::ofstream(mFile, std::ios::binary | std::ios::trunc) << text;
  }

  std::string mHome, mOldHome, mFolder, mFile;
  bool mHadHome = false;
};

/** Runs check as an ordinary user when we are root, so that file permissions bind; in a child
 *  process, since dropping root cannot be undone. */
template <class Check>
bool AsUser(uid_t uid, Check check)
{
  if (::geteuid() != 0)
    return check();
  const pid_t pid = ::fork();
  if (pid == 0)
  {
    if (::setgid(uid) != 0 || ::setuid(uid) != 0)
      ::_exit(2);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

constexpr uid_t kNobody = 65534;

std::string PasswordHome()
{
  const passwd* pw = ::getpwuid(::getuid());
  return pw && pw->pw_dir ? pw->pw_dir : "";
}

// ---- where the file lives -----------------------------------------------------------------

TEST_F(SettingsFile, PathIsUnderHomeApplicationSupport)
{
  EXPECT_EQ(settings::SettingsFilePath(), mFile);
}

TEST_F(SettingsFile, UnsetEmptyOrRelativeHomeFallsBackToThePasswordDatabase)
{
  const std::string pw = PasswordHome();
  const std::string expected =
    pw.empty() || pw[0] != '/'
      ? std::string()
      : pw + "/Library/Application Support/MistlegroveMusic/trellowphaser.ini";
  ::unsetenv("HOME");
  EXPECT_EQ(settings::SettingsFilePath(), expected);
  ::setenv("HOME", "", 1);
  EXPECT_EQ(settings::SettingsFilePath(), expected);
  ::setenv("HOME", "relative/home", 1);
  EXPECT_EQ(settings::SettingsFilePath(), expected);
}

TEST_F(SettingsFile, UserWithoutHomeAnywhereGetsNoPath)
{
  const uid_t stranger = 54321;
  if (::geteuid() != 0 || ::getpwuid(stranger))
    GTEST_SKIP() << "needs root and a user id missing from the password database";
  ::unsetenv("HOME");
  EXPECT_TRUE(AsUser(stranger, [] { return settings::SettingsFilePath().empty(); }));
}

TEST_F(SettingsFile, OverlongHomeGivesNoPathRatherThanACutOne)
{
  ::setenv("HOME", ("/" + std::string(1000, 'h')).c_str(), 1);
  EXPECT_EQ(settings::SettingsFilePath(), "");
}

TEST_F(SettingsFile, WithoutAPathSettingsLiveInMemoryOnly)
{
  bool existed = true;
  EXPECT_FALSE(settings::PrepareSettingsFile("", existed));
  EXPECT_FALSE(existed);
  EXPECT_EQ(settings::ReadEditorScale(""), 0.5f);
  EXPECT_FALSE(settings::WriteEditorScale("", 1.0f));
  EXPECT_EQ(settings::InitEditorScale(""), 0.5f);
}

// ---- first use ----------------------------------------------------------------------------

TEST_F(SettingsFile, FirstUseCreatesFolderAndEmptyFileAtDefaultScale)
{
  EXPECT_EQ(settings::InitEditorScale(mFile), 0.5f);
  ASSERT_TRUE(std::filesystem::is_regular_file(mFile));
  EXPECT_EQ(Contents(mFile), "");
  bool existed = false;
  EXPECT_TRUE(settings::PrepareSettingsFile(mFile, existed));
  EXPECT_TRUE(existed);
}

TEST_F(SettingsFile, FolderGetsExactly0774WhateverTheMask)
{
  for (const mode_t mask : {mode_t(022), mode_t(077)})
  {
    std::filesystem::remove_all(mHome + "/Library");
    const mode_t old = ::umask(mask);
    bool existed = true;
    const bool made = settings::PrepareSettingsFile(mFile, existed);
    const mode_t maskAfter = ::umask(old);
    ASSERT_TRUE(made);
    EXPECT_FALSE(existed);
    EXPECT_EQ(ModeOf(mFolder), 0774u) << "mask " << mask;
    EXPECT_EQ(maskAfter, mask) << "the process mask must be left alone";
  }
}

TEST_F(SettingsFile, ExistingFolderKeepsItsPermissions)
{
  std::filesystem::create_directories(mFolder);
  ::chmod(mFolder.c_str(), 0700);
  EXPECT_EQ(settings::InitEditorScale(mFile), 0.5f);
  EXPECT_EQ(ModeOf(mFolder), 0700u);
}

// ---- the scale ----------------------------------------------------------------------------

TEST_F(SettingsFile, SavedScaleIsAThreeLineFile)
{
  settings::InitEditorScale(mFile);
  ASSERT_TRUE(settings::WriteEditorScale(mFile, 0.5f));
  EXPECT_EQ(Contents(mFile), "[Editor]\nScale=0.500000\n\n");
  ASSERT_TRUE(settings::WriteEditorScale(mFile, 1.25f));
  EXPECT_EQ(settings::ReadEditorScale(mFile), 1.25f);
  EXPECT_EQ(settings::InitEditorScale(mFile), 1.25f);
}

TEST_F(SettingsFile, StoredScaleIsReadEmptyMeansDefault)
{
  PutSettings("[editor]\nscale= 2\n");
  EXPECT_EQ(settings::InitEditorScale(mFile), 2.0f);
  PutSettings("[Editor]\nScale=\nother=1\n");
  EXPECT_EQ(settings::ReadEditorScale(mFile), 0.5f);
}

TEST_F(SettingsFile, FailedSaveIsReportedAndKeepsTheOldFile)
{
  PutSettings("[Editor]\nScale=0.750000\n\n");
  ASSERT_EQ(settings::ReadEditorScale(mFile), 0.75f);
  // A folder where the writers' lock file belongs: no writer gets its turn, even as root.
  ASSERT_EQ(::mkdir((mFolder + "/.trellowphaser.ini.lock").c_str(), 0700), 0);
  EXPECT_FALSE(settings::WriteEditorScale(mFile, 1.5f));
  EXPECT_EQ(Contents(mFile), "[Editor]\nScale=0.750000\n\n");
  EXPECT_EQ(settings::ReadEditorScale(mFile), 0.75f);
}

TEST_F(SettingsFile, SaveIntoReadOnlyFolderFails)
{
  PutSettings("[Editor]\nScale=0.750000\n\n");
  ASSERT_EQ(::chmod(mHome.c_str(), 0755), 0);
  ASSERT_EQ(::chmod((mHome + "/Library").c_str(), 0755), 0);
  ASSERT_EQ(::chmod((mHome + "/Library/Application Support").c_str(), 0755), 0);
  ASSERT_EQ(::chmod(mFolder.c_str(), 0555), 0);
  const std::string file = mFile;
  EXPECT_TRUE(AsUser(kNobody, [&file] {
    return settings::ReadEditorScale(file) == 0.75f && !settings::WriteEditorScale(file, 1.5f) &&
           settings::ReadEditorScale(file) == 0.75f;
  }));
  EXPECT_EQ(Contents(mFile), "[Editor]\nScale=0.750000\n\n");
}

} // namespace
