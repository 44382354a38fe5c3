// Runs the built mistlegrove-render against the built bundle, as a user would.

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "support/Unprivileged.h"
#include "tools/RenderCli.h"

using namespace render_cli;

// ---------------------------------------------------------------------------------------
// What a user gets wrong is refused with one line, and nothing is written

TEST_F(RenderCli, AMissingInputIsNamed)
{
  ExpectFailure(Run({"absent.wav", "-o", "out.wav"}), "absent.wav");
  EXPECT_TRUE(Entries().empty());
}

TEST_F(RenderCli, InputsThatAreNoAudioAreRefused)
{
  std::ofstream(Path("notes.wav")) << "plain text, no audio";
  fs::create_directory(Path("folder.wav"));
  ExpectFailure(Run({"notes.wav", "-o", "out.wav"}), "notes.wav");
  ExpectFailure(Run({"folder.wav", "-o", "out.wav"}), "folder.wav");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"folder.wav", "notes.wav"}));
}

TEST_F(RenderCli, AnUnreadableInputIsRefused)
{
  WriteAudio("locked.wav", Music(2, 100), 2);
  fs::permissions(Path("locked.wav"), fs::perms::none);
  fs::permissions(mDir, fs::perms::all);
  ExpectFailure(Run({"locked.wav", "-o", "out.wav"}, true, true), "Permission denied");
  EXPECT_FALSE(fs::exists(Path("out.wav")));
}

TEST_F(RenderCli, AnUnknownOutputFormatIsRefused)
{
  WriteAudio("in.wav", Music(2, 100), 2);
  ExpectFailure(Run({"in.wav", "-o", "out.mp3"}), ".mp3");
  ExpectFailure(Run({"in.wav", "-o", "out.flac", "--float"}), "FLAC");
  EXPECT_EQ(Entries(), std::vector<std::string>{"in.wav"});
}

TEST_F(RenderCli, UnknownPresetsAndParametersAreRefusedWithTheChoices)
{
  const Result preset = Run({"--preset", "Nonesuch", "-o", "out.wav"});
  ExpectFailure(preset, "Nonesuch");
  EXPECT_NE(preset.err.find("Aliens"), std::string::npos) << preset.err;
  ExpectFailure(Run({"--preset", "10", "-o", "out.wav"}), "10");

  const Result param = Run({"--set", "Wobble=3", "-o", "out.wav"});
  ExpectFailure(param, "Wobble");
  EXPECT_NE(param.err.find("Feedback"), std::string::npos) << param.err;
  EXPECT_TRUE(Entries().empty());
}

TEST_F(RenderCli, ValuesThePluginCannotReadAreRefused)
{
  ExpectFailure(Run({"--set", "Manual=banana", "-o", "out.wav"}), "banana");
  ExpectFailure(Run({"--set", "Waveform=Square", "-o", "out.wav"}), "Square");
  ExpectFailure(Run({"--set", "Feedback=500%", "-o", "out.wav"}), "range");
  ExpectFailure(Run({"--set", "Mix", "-o", "out.wav"}), "NAME=VALUE");
  EXPECT_TRUE(Entries().empty());
}

TEST_F(RenderCli, AnUnloadableBundleIsRefused)
{
  fs::create_directory(Path("Fake.vst3"));
  ExpectFailure(Run({"--bundle", Path("Fake.vst3"), "-o", "out.wav"}, false), "Fake.vst3");
  ExpectFailure(Run({"--bundle", Path("Absent.vst3"), "--list"}, false), "Absent.vst3");
  EXPECT_EQ(Entries(), std::vector<std::string>{"Fake.vst3"});
}

TEST_F(RenderCli, AnInputCutShortIsNamedWithWhatIsMissingAndStrictRefusesIt)
{
  // A header that promises 2.00 s over data of 0.35 s.
  WriteAudio("whole.wav", Music(2, 96000), 2);
  std::string wav = Slurp(Path("whole.wav"));
  fs::remove(Path("whole.wav"));
  const size_t data = wav.find("data");
  ASSERT_NE(data, std::string::npos);
  wav.resize(data + 8 + 16800 * 2 * sizeof(float));
  std::ofstream(Path("cut.wav"), std::ios::binary) << wav;

  const Result r = Run({"--no-tail", "cut.wav", "-o", "out.wav"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find("1.65 s"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAudio("out.wav").Frames(), 16800);
  fs::remove(Path("out.wav"));

  ExpectFailure(Run({"--no-tail", "cut.wav", "--strict", "-o", "out.wav"}), "1.65 s");
  EXPECT_EQ(Entries(), std::vector<std::string>{"cut.wav"});
}

TEST_F(RenderCli, ABundleWithADamagedLibraryIsRefusedNotCrashedOn)
{
  const fs::path bundle = mDir / "copy" / fs::canonical(kBundle).filename();
  fs::create_directories(bundle.parent_path());
  fs::copy(kBundle, bundle, fs::copy_options::recursive);
  fs::path library;
  for (const auto& e : fs::recursive_directory_iterator(bundle))
    if (e.path().extension() == ".so")
      library = e.path();
  ASSERT_FALSE(library.empty());
  // Cut inside its segments, inside its header, and to nothing.
  for (const uintmax_t size : {uintmax_t{65536}, uintmax_t{30}, uintmax_t{0}})
  {
    SCOPED_TRACE(size);
    fs::resize_file(library, size);
    ExpectFailure(Run({"--bundle", bundle.string(), "--list"}, false), "damaged");
  }
}

TEST_F(RenderCli, TheInputIsNeverTheOutput)
{
  WriteAudio("in.wav", Music(2, 1000), 2);
  fs::create_symlink(Path("in.wav"), Path("alias.wav"));
  fs::create_hard_link(Path("in.wav"), Path("hard.wav"));
  const std::string before = Slurp(Path("in.wav"));
  ExpectFailure(Run({"in.wav", "-o", "in.wav"}), "in.wav");
  ExpectFailure(Run({"in.wav", "-o", Path("./in.wav")}), "in.wav");
  ExpectFailure(Run({"in.wav", "-o", "alias.wav"}), "overwrite");
  ExpectFailure(Run({"alias.wav", "-o", "hard.wav"}), "overwrite");
  EXPECT_EQ(Slurp(Path("in.wav")), before);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"alias.wav", "hard.wav", "in.wav"}));
}

TEST_F(RenderCli, AFailedRunLeavesAnExistingOutputAlone)
{
  std::ofstream(Path("out.wav")) << "the previous render";
  ExpectFailure(Run({"--set", "Manual=banana", "-o", "out.wav"}), "banana");
  EXPECT_EQ(Slurp(Path("out.wav")), "the previous render");
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.wav"});
}

TEST_F(RenderCli, ARenderStoppedHalfwayLeavesNoFile)
{
  // The input is a pipe fed with only part of a file, so the render waits mid-way with
  // its output open until it is terminated.
  WriteAudio("source.wav", Music(2, 48000), 2);
  const std::string wav = Slurp(Path("source.wav"));
  fs::remove(Path("source.wav"));
  ASSERT_EQ(mkfifo(Path("feed.wav").c_str(), 0600), 0);
  const pid_t pid = Spawn({"feed.wav", "-o", "out.wav"});
  const int feed = open(Path("feed.wav").c_str(), O_WRONLY);
  ASSERT_GE(feed, 0);
  ASSERT_EQ(write(feed, wav.data(), 32768), 32768);

  bool writing = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!writing && std::chrono::steady_clock::now() < deadline)
  {
    for (const std::string& name : Entries())
      writing = writing || name.rfind(".out.wav.", 0) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(writing) << "the output was never started";
  kill(pid, SIGTERM);
  const Result r = Wait(pid);
  close(feed);
  EXPECT_EQ(r.status, 128 + SIGTERM) << r.err;
  EXPECT_EQ(Entries(), std::vector<std::string>{"feed.wav"});
}

// ---------------------------------------------------------------------------------------
// Listing the plug-in

TEST_F(RenderCli, ListShowsTheClassEveryParameterAndEveryPresetWithoutInput)
{
  const Result r = Run({"--list"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* text : {"Mistlegrove Phaser", "Audio Module Class", "Fx|Filter", "Factory Presets"})
    EXPECT_NE(r.out.find(text), std::string::npos) << text;
  for (const char* name : {"Stages", "Manual", "Spread", "Feedback", "LFOSpeed", "LFODepth", "Mix", "Sync to Host",
                           "Stereo", "Waveform"})
    EXPECT_NE(r.out.find(std::string("  ") + name + " "), std::string::npos) << name;
  for (const char* preset : {"default", "Nebulesque", "Uni-Vibe", "8-Stager", "8-Viber", "Wash out", "Comfort",
                             "Vibrato", "Feedbacker", "Aliens"})
    EXPECT_NE(r.out.find(std::string(" ") + preset + "\n"), std::string::npos) << preset;
  EXPECT_TRUE(Entries().empty()) << "listing writes nothing";
}

TEST_F(RenderCli, ListShowsTheValuesThatPresetsAndSettingsGive)
{
  const Result r = Run({"--list", "--preset", "8-stager", "--set", "manual=2500 Hz", "--set", "sync to host=on",
                        "--set", "LFOSpeed=1/8"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto row = [&](const std::string& title) {
    const size_t at = r.out.find("  " + title + " ");
    return at == std::string::npos ? std::string() : r.out.substr(at, r.out.find('\n', at) - at);
  };
  EXPECT_NE(row("Stages").find(" 8 "), std::string::npos) << row("Stages");
  EXPECT_NE(row("Manual").find("2500Hz"), std::string::npos) << row("Manual");
  EXPECT_NE(row("Sync to Host").find(" ON "), std::string::npos) << row("Sync to Host");
  EXPECT_NE(row("LFOSpeed").find(" 1/8 "), std::string::npos) << row("LFOSpeed");
}

// ---------------------------------------------------------------------------------------
// Rendering

TEST_F(RenderCli, TheDemoRendersSixSecondsOfStereoIn24Bit)
{
  const Result r = Run({"--no-tail"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << "quiet when not on a terminal: " << r.err;
  const Audio a = ReadAudio("demo-phased.wav");
  EXPECT_EQ(a.channels, 2);
  EXPECT_EQ(a.rate, 48000);
  EXPECT_EQ(a.Frames(), 6 * 48000);
  EXPECT_EQ(a.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  const double peak = std::abs(*std::max_element(a.samples.begin(), a.samples.end(),
                                                 [](float x, float y) { return std::abs(x) < std::abs(y); }));
  EXPECT_GT(peak, 0.1);
  EXPECT_LT(peak, 1.0);
  EXPECT_EQ(Entries(), std::vector<std::string>{"demo-phased.wav"});
}

TEST_F(RenderCli, ADryMixGivesTheInputBack)
{
  const std::vector<float> in = Music(2);
  WriteAudio("in.wav", in, 2);
  ASSERT_EQ(Run({"--no-tail", "in.wav", "--set", "Mix=Dry", "--float", "-o", "dry.wav"}).status, 0);
  const Audio out = ReadAudio("dry.wav");
  EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_LT(MaxDifference(out.samples, in), 1e-6);
}

TEST_F(RenderCli, BypassGivesTheInputBack)
{
  const std::vector<float> in = Music(2);
  WriteAudio("in.wav", in, 2);
  ASSERT_EQ(Run({"--no-tail", "in.wav", "--bypass", "--preset", "Aliens", "--float", "-o", "by.wav"}).status, 0);
  EXPECT_LT(MaxDifference(ReadAudio("by.wav").samples, in), 1e-7);
}

TEST_F(RenderCli, TheEffectChangesTheSound)
{
  const std::vector<float> in = Music(2);
  WriteAudio("in.wav", in, 2);
  ASSERT_EQ(Run({"--no-tail", "in.wav", "--float", "-o", "wet.wav"}).status, 0);
  EXPECT_GT(MaxDifference(ReadAudio("wet.wav").samples, in), 0.01);
}

TEST_F(RenderCli, MonoInputGivesStereoOutputOfTheSameLength)
{
  const std::vector<float> mono = Music(1);
  WriteAudio("mono.wav", mono, 1, 44100);
  ASSERT_EQ(Run({"--no-tail", "mono.wav", "--set", "Mix=Dry", "--float", "-o", "st.wav"}).status, 0);
  const Audio out = ReadAudio("st.wav");
  ASSERT_EQ(out.channels, 2);
  EXPECT_EQ(out.rate, 44100);
  ASSERT_EQ(out.Frames(), static_cast<int64_t>(mono.size()));
  std::vector<float> left, right;
  for (int64_t i = 0; i < out.Frames(); ++i)
  {
    left.push_back(out.samples[2 * i]);
    right.push_back(out.samples[2 * i + 1]);
  }
  EXPECT_LT(MaxDifference(left, mono), 1e-6);
  EXPECT_LT(MaxDifference(right, mono), 1e-6);
}

TEST_F(RenderCli, TheRingFollowsTheInputUnlessTurnedOff)
{
  const std::vector<float> in = Music(2);
  WriteAudio("in.wav", in, 2);
  ASSERT_EQ(Run({"in.wav", "--set", "Feedback=90%", "--float", "-o", "ring.wav"}).status, 0);
  ASSERT_EQ(Run({"in.wav", "--set", "Feedback=90%", "--float", "--no-tail", "-o", "cut.wav"}).status, 0);
  const Audio ring = ReadAudio("ring.wav"), cut = ReadAudio("cut.wav");
  const int64_t frames = static_cast<int64_t>(in.size()) / 2;
  ASSERT_EQ(cut.Frames(), frames);
  ASSERT_GT(ring.Frames(), frames + 4800) << "feedback rings for longer than 0.1 s";
  EXPECT_TRUE(std::equal(cut.samples.begin(), cut.samples.end(), ring.samples.begin()));
  // What the cut file loses is heard; where the tail ends, nothing is.
  EXPECT_GT(std::abs(ring.samples[static_cast<size_t>(2 * frames)]), 1e-3);
  EXPECT_LT(std::abs(ring.samples.back()), 1e-6);
}

TEST_F(RenderCli, SixtyFourAndThirtyTwoBitProcessingAgree)
{
  const std::vector<float> in = Music(2);
  WriteAudio("in.wav", in, 2);
  ASSERT_EQ(Run({"--no-tail", "in.wav", "--preset", "Feedbacker", "--float", "-o", "f32.wav"}).status, 0);
  ASSERT_EQ(Run({"--no-tail", "in.wav", "--preset", "Feedbacker", "--float", "--double", "-o", "f64.wav"}).status, 0);
  const Audio a = ReadAudio("f32.wav"), b = ReadAudio("f64.wav");
  EXPECT_LT(MaxDifference(a.samples, b.samples), 1e-5);
  EXPECT_GT(MaxDifference(a.samples, in), 0.01) << "the preset is heard";
}

TEST_F(RenderCli, APresetByIndexIsThePresetByName)
{
  const std::vector<float> in = Music(2);
  WriteAudio("in.wav", in, 2);
  ASSERT_EQ(Run({"--no-tail", "in.wav", "--preset", "9", "--float", "-o", "a.wav"}).status, 0);
  ASSERT_EQ(Run({"--no-tail", "in.wav", "--preset", "aliens", "--float", "-o", "b.wav"}).status, 0);
  ASSERT_EQ(Run({"--no-tail", "in.wav", "--float", "-o", "c.wav"}).status, 0);
  EXPECT_EQ(ReadAudio("a.wav").samples, ReadAudio("b.wav").samples);
  EXPECT_GT(MaxDifference(ReadAudio("a.wav").samples, ReadAudio("c.wav").samples), 0.01);
}

TEST_F(RenderCli, TheTransportTempoDrivesTheSyncedSweep)
{
  const std::vector<float> in = Music(2);
  WriteAudio("in.wav", in, 2);
  const std::vector<std::string> synced = {"in.wav", "--set", "Sync to Host=ON", "--set", "LFOSpeed=1/16", "--float", "--no-tail"};
  auto render = [&](const char* tempo, const char* out) {
    std::vector<std::string> args = synced;
    args.insert(args.end(), {"--tempo", tempo, "-o", out});
    return Run(args).status;
  };
  ASSERT_EQ(render("60", "slow.wav"), 0);
  ASSERT_EQ(render("180", "fast.wav"), 0);
  ASSERT_EQ(render("180", "again.wav"), 0);
  EXPECT_GT(MaxDifference(ReadAudio("slow.wav").samples, ReadAudio("fast.wav").samples), 0.01);
  EXPECT_EQ(ReadAudio("fast.wav").samples, ReadAudio("again.wav").samples);
}

#ifdef MG_TEST_CLAP
TEST_F(RenderCli, TheClapPluginRendersWhatTheBundleRendersSampleForSample)
{
  const std::vector<std::vector<std::string>> settings = {
    {},
    {"--preset", "Aliens"},
    {"--set", "Sync to Host=ON", "--set", "LFOSpeed=1/16", "--tempo", "97", "--set", "Stages=8"},
    {"--bypass", "--double"},
  };
  for (const auto& s : settings)
  {
    std::vector<std::string> vst3 = s, clap = {"--bundle", MG_TEST_CLAP};
    vst3.insert(vst3.end(), {"-o", "vst3.wav"});
    clap.insert(clap.end(), s.begin(), s.end());
    clap.insert(clap.end(), {"-o", "clap.wav"});
    ASSERT_EQ(Run(vst3).status, 0);
    const Result r = Run(clap, false);
    ASSERT_EQ(r.status, 0) << r.err;
    const Audio a = ReadAudio("vst3.wav"), b = ReadAudio("clap.wav");
    EXPECT_EQ(a.samples, b.samples) << (s.empty() ? "the demo" : s.front() + " " + s.back());
    EXPECT_FALSE(a.samples.empty());
  }
  const Result list = Run({"--bundle", MG_TEST_CLAP, "--list"}, false);
  EXPECT_NE(list.out.find("Presets (Factory Presets)"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("Sync to Host"), std::string::npos) << list.out;
}
#endif
