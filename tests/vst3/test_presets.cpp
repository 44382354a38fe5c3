// The factory presets as VST 3 preset files: one per program, each read back through the
// SDK's preset-file reader into a fresh instance sounds as the program of its name.
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "pluginterfaces/base/ustring.h"
#include "public.sdk/source/vst/utility/stringconvert.h"
#include "public.sdk/source/vst/vstpresetfile.h"

#include "vst3/Bundle.h"

using namespace mgtest;

namespace {
constexpr ParamID kProgram = 0x10001;

std::vector<std::vector<double>> render(Instance& plug)
{
  const std::vector<double> input = testSignal(4096);
  std::vector<std::vector<double>> out(2);
  for (size_t at = 0; at < input.size(); at += 512)
  {
    const auto block = plug.process(std::vector<double>(input.begin() + static_cast<long>(at), input.begin() + static_cast<long>(at) + 512), kSample32);
    for (int c = 0; c < 2; ++c)
      out[c].insert(out[c].end(), block[c].begin(), block[c].end());
  }
  return out;
}
} // namespace

TEST(PresetFiles, EachLoadsThroughTheSdkReaderAndSoundsAsItsProgram)
{
  const std::filesystem::path folder = std::filesystem::path(MG_VST3_PRESETS) / "Mistlegrove Music" / "Mistlegrove Phaser";
  const FUID classId = FUID::fromTUID(bundle()->getFactory().classInfos().front().ID().data());
  Instance programs(createComponent());
  ASSERT_EQ(programs.units->getProgramListCount(), 1);
  ProgramListInfo list{};
  programs.units->getProgramListInfo(0, list);
  ASSERT_EQ(list.programCount, 10);
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files.insert(entry.path().filename().string());
  EXPECT_EQ(files.size(), 10u);

  for (int32 i = 0; i < list.programCount; ++i)
  {
    String128 name{};
    programs.units->getProgramName(list.id, i, name);
    const std::string file = Vst::StringConvert::convert(name) + ".vstpreset";
    SCOPED_TRACE(file);
    ASSERT_EQ(files.count(file), 1u);

    Instance byProgram(createComponent()), byFile(createComponent());
    ASSERT_EQ(byProgram.controller->setParamNormalized(kProgram, i / 9.0), kResultTrue);
    IBStream* stream = Vst::FileStream::open((folder / file).c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    const bool loaded = Vst::PresetFile::loadPreset(stream, classId, byFile.component, byFile.controller);
    stream->release();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(savedValues(byFile), savedValues(byProgram));
    ASSERT_EQ(byProgram.setup(), kResultOk);
    ASSERT_EQ(byFile.setup(), kResultOk);
    EXPECT_EQ(render(byFile), render(byProgram));
  }
}
