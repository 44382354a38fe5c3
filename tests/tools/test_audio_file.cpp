#include <gtest/gtest.h>

#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/TempDir.h"
#include "apps/render/AudioFile.h"

using namespace render;
namespace fs = std::filesystem;

namespace {

class AudioFileTest : public ::testing::Test
{
protected:
  std::string Path(const std::string& name) const { return (mDir / name).string(); }

  std::vector<std::string> Entries() const
  {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(mDir))
      names.push_back(e.path().filename().string());
    return names;
  }

  // Writes through the writer under test and commits.
  void Write(const std::string& path, const char* ext, std::vector<float> samples, int channels, bool floats)
  {
    OutputFormat format;
    std::string error;
    ASSERT_TRUE(ChooseOutputFormat(std::string("x") + ext, floats, format, error)) << error;
    AtomicAudioWriter writer;
    ASSERT_TRUE(writer.Open(path, format, 44100, channels, error)) << error;
    ASSERT_TRUE(writer.Write(samples.data(), static_cast<int64_t>(samples.size()) / channels, error)) << error;
    ASSERT_TRUE(writer.Commit(error)) << error;
  }

  // Opens the writer on o.wav in the default format and writes one stereo frame.
  void StartWriting(AtomicAudioWriter& writer)
  {
    OutputFormat format;
    std::string error;
    ASSERT_TRUE(ChooseOutputFormat("o.wav", false, format, error));
    ASSERT_TRUE(writer.Open(Path("o.wav"), format, 48000, 2, error)) << error;
    const float frame[2] = {0.1f, 0.2f};
    ASSERT_TRUE(writer.Write(frame, 1, error)) << error;
  }

  std::vector<float> ReadAll(const std::string& path, int& channels, int& format)
  {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
    if (!f)
      return {};
    std::vector<float> out(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, out.data(), info.frames);
    sf_close(f);
    channels = info.channels;
    format = info.format;
    return out;
  }

  test_support::TempDir mTemp{"mg-audiofile"};
  const fs::path mDir = mTemp.path();
};

} // namespace

TEST(OutputFormatChoice, TheExtensionPicksTheTypeIn24BitUnlessFloatIsAsked)
{
  OutputFormat f;
  std::string error;
  ASSERT_TRUE(ChooseOutputFormat("a/b.wav", false, f, error));
  EXPECT_EQ(f.sndfileFormat, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  ASSERT_TRUE(ChooseOutputFormat("b.WAV", true, f, error));
  EXPECT_EQ(f.sndfileFormat, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  ASSERT_TRUE(ChooseOutputFormat("b.flac", false, f, error));
  EXPECT_EQ(f.sndfileFormat, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  ASSERT_TRUE(ChooseOutputFormat("b.aif", false, f, error));
  EXPECT_EQ(f.sndfileFormat, SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
  ASSERT_TRUE(ChooseOutputFormat("b.Aiff", false, f, error));
  EXPECT_EQ(f.sndfileFormat, SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
}

TEST(OutputFormatChoice, UnknownExtensionsAndFloatFlacAreRefused)
{
  OutputFormat f;
  std::string error;
  EXPECT_FALSE(ChooseOutputFormat("song.mp3", false, f, error));
  EXPECT_NE(error.find(".mp3"), std::string::npos);
  EXPECT_FALSE(ChooseOutputFormat("song", false, f, error));
  EXPECT_FALSE(ChooseOutputFormat("dir.wav/song", false, f, error));
  EXPECT_FALSE(ChooseOutputFormat("song.flac", true, f, error));
}

TEST(OutputFormatChoice, TheDefaultNameSitsBesideTheInput)
{
  EXPECT_EQ(DefaultOutputPath("dir/song.flac"), "dir/song-phased.flac");
  EXPECT_EQ(DefaultOutputPath("song.WAV"), "song-phased.WAV");
  EXPECT_EQ(DefaultOutputPath("take.ogg"), "take-phased.wav");
  EXPECT_EQ(DefaultOutputPath("my.dir/take"), "my.dir/take-phased.wav");
}

TEST_F(AudioFileTest, FloatWavKeepsEverySampleAndMonoStaysMono)
{
  const std::vector<float> samples = {0.0f, 0.25f, -0.5f, 1.5f, -1e-7f};
  Write(Path("m.wav"), ".wav", samples, 1, true);
  AudioFileReader reader;
  std::string error;
  ASSERT_TRUE(reader.Open(Path("m.wav"), error)) << error;
  EXPECT_EQ(reader.Channels(), 1);
  EXPECT_EQ(reader.SampleRate(), 44100);
  ASSERT_EQ(reader.Frames(), 5);
  std::vector<double> back(5);
  EXPECT_EQ(reader.Read(back.data(), 5), 5);
  for (size_t i = 0; i < samples.size(); ++i)
    EXPECT_EQ(back[i], samples[i]) << i;
  EXPECT_EQ(reader.Read(back.data(), 5), 0) << "the end reads as 0 frames, not an error";
}

TEST_F(AudioFileTest, IntegerFormatsClipBeyondFullScaleInsteadOfWrapping)
{
  for (const char* ext : {".wav", ".flac", ".aiff"})
  {
    const std::string path = Path(std::string("c") + ext);
    Write(path, ext, {1.7f, -1.7f, 0.5f, -0.5f}, 2, false);
    int channels = 0, format = 0;
    const std::vector<float> back = ReadAll(path, channels, format);
    ASSERT_EQ(back.size(), 4u) << ext;
    EXPECT_EQ(format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_24) << ext;
    EXPECT_GT(back[0], 0.999f) << ext;
    EXPECT_LT(back[1], -0.999f) << ext;
    EXPECT_NEAR(back[2], 0.5f, 1e-6f) << ext;
  }
}

TEST_F(AudioFileTest, TheTargetAppearsOnlyOnCommit)
{
  AtomicAudioWriter writer;
  ASSERT_NO_FATAL_FAILURE(StartWriting(writer));
  EXPECT_FALSE(fs::exists(Path("o.wav")));
  EXPECT_EQ(fs::path(writer.TemporaryPath()).parent_path(), mDir) << "same folder, so rename is atomic";
  std::string error;
  ASSERT_TRUE(writer.Commit(error)) << error;
  EXPECT_TRUE(fs::exists(Path("o.wav")));
  EXPECT_EQ(Entries().size(), 1u) << "no temporary file left";
}

TEST_F(AudioFileTest, AnUncommittedWriteLeavesTheOldFileAndNoTemporary)
{
  {
    std::ofstream(Path("o.wav")) << "previous";
  }
  {
    AtomicAudioWriter writer;
    ASSERT_NO_FATAL_FAILURE(StartWriting(writer));
  }
  std::ifstream in(Path("o.wav"));
  std::string content;
  in >> content;
  EXPECT_EQ(content, "previous");
  EXPECT_EQ(Entries().size(), 1u);
}

TEST_F(AudioFileTest, WritingIntoAMissingFolderFailsCleanly)
{
  OutputFormat format;
  std::string error;
  ASSERT_TRUE(ChooseOutputFormat("o.wav", false, format, error));
  AtomicAudioWriter writer;
  EXPECT_FALSE(writer.Open(Path("nowhere/o.wav"), format, 48000, 2, error));
  EXPECT_NE(error.find("nowhere"), std::string::npos) << error;
  EXPECT_FALSE(writer.Open(mDir.string(), format, 48000, 2, error)) << "a folder is no output";
}

TEST_F(AudioFileTest, MoreThanTwoChannelsAreRefused)
{
  Write(Path("q.wav"), ".wav", std::vector<float>(12, 0.0f), 4, true);
  std::string error;
  EXPECT_FALSE(AudioFileReader().Open(Path("q.wav"), error));
  EXPECT_NE(error.find("4 channels"), std::string::npos) << error;
}
