#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/profile_ini.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace ini = settings::profile_ini;

namespace {

class ProfileIni : public ::testing::Test
{
protected:
  void Put(const std::string& text) { Put(mFile, text); }
  static void Put(const std::string& path, const std::string& text)
  {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }
  std::string Contents() const { return Contents(mFile); }
  static std::string Contents(const std::string& path)
  {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  /** What the folder holds besides the file and the writers' lock file: any temporary
   *  file left behind. */
  std::vector<std::string> Leftovers() const
  {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(mDir))
      if (e.path().filename() != "test.ini" && e.path().filename() != ".test.ini.lock")
        names.push_back(e.path().filename().string());
    return names;
  }
  std::string Get(const char* section, const char* key, const char* def = "<none>")
  {
    char out[256];
    ini::GetPrivateProfileString(section, key, def, out, sizeof out, mFile.c_str());
    return out;
  }
  bool Set(const char* section, const char* key, const char* value)
  {
    return ini::WritePrivateProfileString(section, key, value, mFile.c_str());
  }
  ino_t Inode() const
  {
    struct stat st{};
    ::stat(mFile.c_str(), &st);
    return st.st_ino;
  }

  test_support::TempDir mTemp{"profile_ini"};
  const std::string mDir = mTemp.path();
  const std::string mFile = mDir + "/test.ini";
};

// ---- what the reader accepts --------------------------------------------------------------

TEST_F(ProfileIni, BlanksBeforeEqualsBelongToTheKeyBlanksAfterAreTrimmedOnRead)
{
  Put("[Editor]\nScale = 0.75\nZoom=\t 2 \t\n");
  EXPECT_EQ(Get("Editor", "Scale"), "<none>");
  EXPECT_EQ(Get("Editor", "Scale "), "0.75");
  EXPECT_EQ(Get("Editor", "Zoom"), "2");
}

TEST_F(ProfileIni, OnePairOfMatchingQuotesIsRemoved)
{
  Put("[S]\ndq=\"a b\"\nsq= 'x' \nlone=\"\nmixed=\"abc'\nempty=''\nnested=\"'v'\"\n");
  EXPECT_EQ(Get("S", "dq"), "a b");
  EXPECT_EQ(Get("S", "sq"), "x");
  EXPECT_EQ(Get("S", "lone"), "\"");
  EXPECT_EQ(Get("S", "mixed"), "\"abc'");
  EXPECT_EQ(Get("S", "empty"), "");
  EXPECT_EQ(Get("S", "nested"), "'v'");
}

TEST_F(ProfileIni, HeadersOpenSectionsOnlyWhenClosedAndNamed)
{
  Put("[]\nlost=1\n[S] trailing text\nk=1\n[broken\nk2=2\n");
  EXPECT_EQ(Get("S", "k"), "1");
  EXPECT_EQ(Get("S", "k2"), "2"); // "[broken" keeps S current
  EXPECT_EQ(Get("", "lost"), "<none>");
  char names[64];
  const int n = ini::GetPrivateProfileString(nullptr, nullptr, nullptr, names, sizeof names,
                                             mFile.c_str());
  EXPECT_EQ(std::string(names, n + 1), std::string("S\0\0", 3));
}

TEST_F(ProfileIni, RepeatedSectionKeepsOnlyItsLastBlock)
{
  Put("[S]\na=1\n[T]\nx=1\n[s]\nb=2\n");
  EXPECT_EQ(Get("S", "a"), "<none>");
  EXPECT_EQ(Get("S", "b"), "2");
  EXPECT_EQ(Get("T", "x"), "1");
}

TEST_F(ProfileIni, LinesBeforeTheFirstHeaderAndLinesWithoutEqualsAreIgnored)
{
  Put("a=1\nfree text\n[S]\nfree text\n=nokey\nb=2");
  EXPECT_EQ(Get("S", "a"), "<none>");
  EXPECT_EQ(Get("S", "b"), "2"); // last line without LF
  char list[64];
  const int n = ini::GetPrivateProfileSection("S", list, sizeof list, mFile.c_str());
  EXPECT_EQ(std::string(list, n + 1), std::string("b=2\0\0", 5));
}

TEST_F(ProfileIni, ThereIsNoCommentSyntax)
{
  Put("[S]\n;c=1\n# d = 2\n; only a remark\n");
  EXPECT_EQ(Get("S", ";c"), "1");
  EXPECT_EQ(Get("S", "# d "), "2");
}

TEST_F(ProfileIni, NamesAndKeysIgnoreLetterCaseValuesDoNot)
{
  Put("[Editor]\nScale=Big\n");
  EXPECT_EQ(Get("EDITOR", "scale"), "Big");
}

TEST_F(ProfileIni, FirstOfTwoEqualKeysWins)
{
  Put("[S]\nk=first\nK=second\n");
  EXPECT_EQ(Get("S", "k"), "first");
}

TEST_F(ProfileIni, CrLfLineEndsAndIndentationAreAccepted)
{
  Put("\t[S]\r\n   k=v \t\r\n");
  EXPECT_EQ(Get("S", "k"), "v");
}

TEST_F(ProfileIni, AFileWithoutHeaderInItsFirstQuarterMegabyteIsNotParsed)
{
  Put(std::string(300000, 'x') + "\n[S]\nk=v\n");
  EXPECT_EQ(Get("S", "k"), "<none>");
  Put(mDir + "/late.ini", std::string(200000, 'x') + "\n[S]\nk=v\n");
  char out[8];
  ini::GetPrivateProfileString("S", "k", "", out, sizeof out, (mDir + "/late.ini").c_str());
  EXPECT_STREQ(out, "v");
}

TEST_F(ProfileIni, MissingFileReadsDefaultsAndCreatesNothing)
{
  EXPECT_EQ(Get("S", "k", "dflt"), "dflt");
  char out[4] = "xyz";
  EXPECT_EQ(ini::GetPrivateProfileString("S", "k", nullptr, out, sizeof out, mFile.c_str()), 0);
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(std::filesystem::exists(mFile));
}

TEST_F(ProfileIni, OutputIsCutToTheBufferAndZeroSizeLeavesItAlone)
{
  Put("[S]\nk=abcdef\n");
  char out[4];
  EXPECT_EQ(ini::GetPrivateProfileString("S", "k", "", out, sizeof out, mFile.c_str()), 3);
  EXPECT_STREQ(out, "abc");
  char untouched[4] = "zz";
  EXPECT_EQ(ini::GetPrivateProfileString("S", "k", "", untouched, 0, mFile.c_str()), 0);
  EXPECT_STREQ(untouched, "zz");
}

// ---- what the writer produces -------------------------------------------------------------

TEST_F(ProfileIni, RewriteOrdersSectionsAndKeysWithoutCase)
{
  ASSERT_TRUE(Set("b", "gamma", "3"));
  ASSERT_TRUE(Set("b", "Alpha", "1"));
  ASSERT_TRUE(Set("A", "k", "v"));
  ASSERT_TRUE(Set("b", "beta", "2"));
  EXPECT_EQ(Contents(), "[A]\nk=v\n\n[b]\nAlpha=1\nbeta=2\ngamma=3\n\n");
}

TEST_F(ProfileIni, RewriteKeepsStoredTextExactlyAndDropsEverythingElse)
{
  Put("junk\n[S]\n k = ' v'\n;remark\n");
  ASSERT_TRUE(Set("S", "new", "1"));
  EXPECT_EQ(Contents(), "[S]\nk = ' v'\nnew=1\n\n");
}

TEST_F(ProfileIni, WritingTheStoredValueAgainLeavesTheFileAlone)
{
  ASSERT_TRUE(Set("S", "k", "v"));
  const ino_t first = Inode();
  ASSERT_TRUE(Set("s", "K", "v"));
  EXPECT_EQ(Inode(), first);
  ASSERT_TRUE(Set("S", "k", "w"));
  EXPECT_NE(Inode(), first);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ProfileIni, RemovingTheLastKeyKeepsAnEmptySection)
{
  ASSERT_TRUE(Set("S", "k", "v"));
  ASSERT_TRUE(Set("S", "k", nullptr));
  EXPECT_EQ(Contents(), "[S]\n\n");
  ASSERT_TRUE(Set("S", nullptr, nullptr));
  EXPECT_EQ(Contents(), "");
}

TEST_F(ProfileIni, InvalidWritesChangeNothing)
{
  EXPECT_FALSE(Set(nullptr, "k", "v"));
  EXPECT_FALSE(Set("S", "", "v"));
  EXPECT_TRUE(Set("S", "k", nullptr)); // nothing to remove
  EXPECT_FALSE(std::filesystem::exists(mFile));
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ProfileIni, RewriteKeepsTheFilePermissions)
{
  Put("[S]\nk=1\n");
  ::chmod(mFile.c_str(), 0640);
  ASSERT_TRUE(Set("S", "k", "2"));
  struct stat st{};
  ::stat(mFile.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// ---- integers, structs, sections ----------------------------------------------------------

TEST_F(ProfileIni, IntegersNeedALeadingNumber)
{
  Put("[S]\nabc=abc\nzero=0abc\ntwelve=12abc\nneg=-7\nempty=\n");
  const char* f = mFile.c_str();
  EXPECT_EQ(ini::GetPrivateProfileInt("S", "abc", 42, f), 42);
  EXPECT_EQ(ini::GetPrivateProfileInt("S", "zero", 42, f), 0);
  EXPECT_EQ(ini::GetPrivateProfileInt("S", "twelve", 42, f), 12);
  EXPECT_EQ(ini::GetPrivateProfileInt("S", "neg", 42, f), -7);
  EXPECT_EQ(ini::GetPrivateProfileInt("S", "empty", 42, f), 42);
  EXPECT_EQ(ini::GetPrivateProfileInt("S", "missing", 42, f), 42);
}

TEST_F(ProfileIni, StructsAreHexWithAByteSum)
{
  const unsigned char bytes[3] = {0x01, 0xAB, 0xFF};
  ASSERT_TRUE(ini::WritePrivateProfileStruct("S", "k", bytes, 3, mFile.c_str()));
  EXPECT_EQ(Get("S", "k"), "01ABFFAB"); // 0x01 + 0xAB + 0xFF = 0x1AB
  unsigned char back[3] = {};
  ASSERT_TRUE(ini::GetPrivateProfileStruct("S", "k", back, 3, mFile.c_str()));
  EXPECT_EQ(std::memcmp(back, bytes, 3), 0);
}

TEST_F(ProfileIni, StructReadsRejectWrongLengthSumOrDigits)
{
  Put("[S]\nlower=01abffab\nshort=01ABFFA\nlong=01ABFFAB0\nsum=01ABFFAC\nhex=01ABFGAB\n");
  unsigned char back[3] = {7, 7, 7};
  const char* f = mFile.c_str();
  EXPECT_TRUE(ini::GetPrivateProfileStruct("S", "lower", back, 3, f));
  back[0] = 7;
  EXPECT_FALSE(ini::GetPrivateProfileStruct("S", "short", back, 3, f));
  EXPECT_FALSE(ini::GetPrivateProfileStruct("S", "long", back, 3, f));
  EXPECT_FALSE(ini::GetPrivateProfileStruct("S", "sum", back, 3, f));
  EXPECT_FALSE(ini::GetPrivateProfileStruct("S", "hex", back, 3, f));
  EXPECT_FALSE(ini::GetPrivateProfileStruct("S", "lower", back, -1, f));
  EXPECT_EQ(back[0], 7); // a failed read leaves the destination alone
}

TEST_F(ProfileIni, SectionWriteReplacesAllEntries)
{
  ASSERT_TRUE(Set("S", "old", "1"));
  ASSERT_TRUE(ini::WritePrivateProfileSection("S", "b=2\0no equals\0=x\0a=1\0", mFile.c_str()));
  EXPECT_EQ(Contents(), "[S]\na=1\nb=2\n\n");
  char list[32];
  const int n = ini::GetPrivateProfileSection("S", list, sizeof list, mFile.c_str());
  EXPECT_EQ(std::string(list, n + 1), std::string("a=1\0b=2\0\0", 9));
}

TEST_F(ProfileIni, EmptySectionListEmptiesButKeepsTheSection)
{
  ASSERT_TRUE(Set("S", "k", "1"));
  ASSERT_TRUE(ini::WritePrivateProfileSection("S", "\0", mFile.c_str()));
  EXPECT_EQ(Contents(), "[S]\n\n");
  ASSERT_TRUE(ini::WritePrivateProfileSection("T", "\0", mFile.c_str()));
  EXPECT_EQ(Contents(), "[S]\n\n");
  EXPECT_FALSE(ini::WritePrivateProfileSection(nullptr, "a=1\0", mFile.c_str()));
}

// ---- cache and failures -------------------------------------------------------------------

TEST_F(ProfileIni, PathsDifferingInCaseAreDifferentFiles)
{
  const std::string upper = mDir + "/A.ini", lower = mDir + "/a.ini";
  ASSERT_TRUE(ini::WritePrivateProfileString("S", "k", "upper", upper.c_str()));
  ASSERT_TRUE(ini::WritePrivateProfileString("S", "k", "lower", lower.c_str()));
  char out[16];
  ini::GetPrivateProfileString("S", "k", "", out, sizeof out, upper.c_str());
  EXPECT_STREQ(out, "upper");
  EXPECT_EQ(Contents(upper), "[S]\nk=upper\n\n");
}

TEST_F(ProfileIni, SubSecondEditWithTheSameSizeIsSeen)
{
  Put("[S]\nk=1\n");
  timespec times[2] = {{1000, 100}, {1000, 100}};
  ASSERT_EQ(::utimensat(AT_FDCWD, mFile.c_str(), times, 0), 0);
  ASSERT_EQ(Get("S", "k"), "1");
  Put("[S]\nk=2\n"); // same inode, same size
  times[1].tv_nsec = 200;
  ASSERT_EQ(::utimensat(AT_FDCWD, mFile.c_str(), times, 0), 0);
  EXPECT_EQ(Get("S", "k"), "2");
}

TEST_F(ProfileIni, FileReplacedByAnotherProgramIsReRead)
{
  Put("[S]\nk=1\n");
  ASSERT_EQ(Get("S", "k"), "1");
  Put(mDir + "/other", "[S]\nk=9\n");
  ASSERT_EQ(::rename((mDir + "/other").c_str(), mFile.c_str()), 0);
  EXPECT_EQ(Get("S", "k"), "9");
}

TEST_F(ProfileIni, UncreatableTemporaryFileFailsAndKeepsTheFile)
{
  Put("[S]\nk=old\n");
  ASSERT_TRUE(Set("T", "t", "1")); // leaves the lock file: only the temporary file fails
  ASSERT_EQ(::chmod(mDir.c_str(), 0555), 0);
  const std::string file = mFile;
  EXPECT_TRUE(test_support::RunUnprivileged([&] {
    const unsigned char b = 1;
    return Get("S", "k") == "old" && !Set("S", "k", "new") && Contents() == "[S]\nk=old\n\n[T]\nt=1\n\n" &&
           Get("S", "k") == "old" && // the cache forgot the change
           !ini::WritePrivateProfileSection("S", "k=x\0", file.c_str()) &&
           !ini::WritePrivateProfileStruct("S", "k", &b, 1, file.c_str());
  }));
  EXPECT_EQ(Contents(), "[S]\nk=old\n\n[T]\nt=1\n\n");
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ProfileIni, HardLinksPlantedAtTheWritersNamesKeepTheirTargets)
{
  // Whatever a writer opens beside the file, or the file's own name, may be a hard link to
  // some other file of the user's; a rewrite must never write through it.
  const char* const names[] = {".test.ini.new", ".test.ini.lock", "test.ini"};
  for (const char* name : names)
  {
    Put(mDir + "/victim" + name, "precious\n");
    ASSERT_EQ(::link((mDir + "/victim" + name).c_str(), (mDir + "/" + name).c_str()), 0) << name;
  }
  EXPECT_TRUE(Set("S", "k", "v"));
  EXPECT_TRUE(Set("S", "k", "w"));
  EXPECT_EQ(Contents(), "[S]\nk=w\n\n");
  for (const char* name : names)
    EXPECT_EQ(Contents(mDir + "/victim" + name), "precious\n") << name;
}

TEST_F(ProfileIni, WriteBackFileRewritesTheCachedContent)
{
  Put("[S]\nk=1\njunk\n");
  auto lock = ini::LockProfiles();
  ini::iniFileContext* ctx = ini::GetFileContext(mFile.c_str());
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ctx->mPath, mFile);
  ctx->mSections["S"]["j"] = "2";
  ASSERT_TRUE(ini::WriteBackFile(ctx));
  EXPECT_EQ(Contents(), "[S]\nj=2\nk=1\n\n");
  EXPECT_FALSE(ini::WriteBackFile(nullptr));
}

TEST_F(ProfileIni, BareNamesResolveBesideTheDefaultFile)
{
  ini::SetDefaultProfileFile((mDir + "/base.ini").c_str());
  EXPECT_EQ(ini::GetFileContext(nullptr)->mPath, mDir + "/base.ini");
  EXPECT_EQ(ini::GetFileContext("extra")->mPath, mDir + "/base_extra.ini");
  EXPECT_EQ(ini::GetFileContext("Extra.INI")->mPath, mDir + "/base_Extra.INI");
  ini::SetDefaultProfileFile(nullptr);
  const char* oldHome = std::getenv("HOME");
  const std::string saved = oldHome ? oldHome : "";
  ::setenv("HOME", mDir.c_str(), 1);
  EXPECT_EQ(ini::GetFileContext("")->mPath, mDir + "/.libprofile.ini");
  EXPECT_EQ(ini::GetFileContext("x")->mPath, mDir + "/.libprofile_x.ini");
  if (oldHome)
    ::setenv("HOME", saved.c_str(), 1);
  else
    ::unsetenv("HOME");
}

} // namespace
