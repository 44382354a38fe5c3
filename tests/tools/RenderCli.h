#pragma once

// The fixture of the renderer's command-line tests: the built mistlegrove-render, run in a
// folder of its own against the built bundle, as a user would run it.

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace render_cli {

namespace fs = std::filesystem;

const char* const kProgram = MG_RENDER_EXE;
const char* const kBundle = MG_TEST_BUNDLE;

using Result = test_support::ChildResult;

struct Audio
{
  int channels = 0;
  int rate = 0;
  int format = 0;
  std::vector<float> samples; ///< interleaved
  int64_t Frames() const { return channels ? static_cast<int64_t>(samples.size()) / channels : 0; }
};

inline std::string Slurp(const fs::path& path) { return test_support::Slurp(path.string()); }

class RenderCli : public ::testing::Test
{
protected:
  void SetUp() override { std::signal(SIGPIPE, SIG_IGN); }

  std::string Path(const std::string& name) const { return (mDir / name).string(); }

  // Starts the program in the test folder, with a HOME of its own, so that nothing of the
  // user's is read or written (the plug-in keeps its settings there).
  // unprivileged: as nobody when we are root, so that file permissions bind.
  pid_t Spawn(std::vector<std::string> args, bool withBundle = true, bool unprivileged = false)
  {
    if (withBundle)
      args.insert(args.begin(), {"--bundle", kBundle});
    return test_support::SpawnProgram(kProgram, std::move(args), {mHome.string(), mDir.string(), mDir.string(), unprivileged});
  }

  Result Wait(pid_t pid)
  {
    const Result r = test_support::WaitChild(pid, mDir.string());
    fs::remove(Path(".stdout"));
    fs::remove(Path(".stderr"));
    return r;
  }

  Result Run(std::vector<std::string> args, bool withBundle = true, bool unprivileged = false)
  {
    return Wait(Spawn(std::move(args), withBundle, unprivileged));
  }

  // A failure: non-zero exit with exactly one line on stderr naming what went wrong.
  void ExpectFailure(const Result& r, const std::string& mention)
  {
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(mention), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Assertion"), std::string::npos) << r.err;
  }

  // Everything in the test folder, to prove nothing was left behind.
  std::vector<std::string> Entries() const
  {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(mDir))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  void WriteAudio(const std::string& name, const std::vector<float>& samples, int channels, int rate = 48000)
  {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(Path(name).c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_writef_float(f, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
    sf_close(f);
  }

  Audio ReadAudio(const std::string& name)
  {
    Audio a;
    SF_INFO info{};
    SNDFILE* f = sf_open(Path(name).c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << name << ": " << sf_strerror(nullptr);
    if (!f)
      return a;
    a.channels = info.channels;
    a.rate = info.samplerate;
    a.format = info.format;
    a.samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, a.samples.data(), info.frames);
    sf_close(f);
    return a;
  }

  // Half a second of a chord with noise, interleaved, well inside full scale.
  static std::vector<float> Music(int channels, int frames = 24000)
  {
    std::vector<float> s(static_cast<size_t>(frames) * channels);
    uint32_t seed = 12345;
    for (int i = 0; i < frames; ++i)
    {
      for (int c = 0; c < channels; ++c)
      {
        seed = seed * 1664525u + 1013904223u;
        const double noise = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
        const double t = i / 48000.0;
        s[static_cast<size_t>(i) * channels + c] = static_cast<float>(
          0.2 * std::sin(2 * std::numbers::pi * 220.0 * t + c) + 0.15 * std::sin(2 * std::numbers::pi * 331.0 * t) + 0.05 * noise);
      }
    }
    return s;
  }

  static double MaxDifference(const std::vector<float>& a, const std::vector<float>& b)
  {
    EXPECT_EQ(a.size(), b.size());
    double d = 0.0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
      d = std::max(d, std::abs(static_cast<double>(a[i]) - b[i]));
    return d;
  }

  test_support::TempDir mTemp{"mg-render-cli"}, mTempHome{"mg-render-home"};
  const fs::path mDir = mTemp.path(), mHome = mTempHome.path();
};

} // namespace render_cli
