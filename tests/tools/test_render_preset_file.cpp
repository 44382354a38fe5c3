// The renderer started from the VST 3 preset files the build writes for the packages.

#include <utility>

#include "tools/RenderCli.h"

using namespace render_cli;

namespace {

class RenderPresetFile : public RenderCli
{
protected:
  static std::vector<fs::path> ShippedPresets()
  {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(MG_TEST_PRESETS))
      if (e.path().extension() == ".vstpreset")
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
  }
};

} // namespace

TEST_F(RenderPresetFile, EachShippedFileRendersAsThePresetOfItsNameToTheBit)
{
  WriteAudio("in.wav", Music(2, 12000), 2);
  const std::vector<fs::path> files = ShippedPresets();
  ASSERT_EQ(files.size(), 10u);
  for (const fs::path& file : files)
  {
    const std::string name = file.stem().string();
    ASSERT_EQ(Run({"--no-tail", "in.wav", "--preset", name, "--float", "-o", "by-name.wav"}).status, 0) << name;
    const Result r = Run({"--no-tail", "in.wav", "--preset-file", file.string(), "--float", "-o", "by-file.wav"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Audio byName = ReadAudio("by-name.wav"), byFile = ReadAudio("by-file.wav");
    EXPECT_FALSE(byFile.samples.empty());
    EXPECT_EQ(byName.samples, byFile.samples) << name;
  }
}

TEST_F(RenderPresetFile, MissingDamagedAndForeignFilesAreRefusedAndNothingIsWritten)
{
  const fs::path shipped = ShippedPresets().at(0);
  const std::string good = Slurp(shipped);
  auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  };
  write("cut.vstpreset", good.substr(0, good.size() - 12));
  std::string foreign = good;
  foreign[8] = foreign[8] == 'A' ? 'B' : 'A'; // the class id's first digit
  write("foreign.vstpreset", foreign);
  write("text.vstpreset", "plain text, no preset");
  const std::vector<std::pair<std::string, std::string>> cases = {
    {"absent.vstpreset", "No such file"},
    {"cut.vstpreset", "damaged"},
    {"foreign.vstpreset", "another plug-in"},
    {"text.vstpreset", "not a VST 3 preset file"},
  };
  for (const auto& [file, mention] : cases)
    ExpectFailure(Run({"--preset-file", file, "-o", "out.wav"}), mention);
#ifdef MG_TEST_CLAP
  ExpectFailure(Run({"--bundle", MG_TEST_CLAP, "--preset-file", shipped.string(), "-o", "out.wav"}, false),
                "VST 3 preset file");
#endif
  EXPECT_FALSE(fs::exists(Path("out.wav")));
}
