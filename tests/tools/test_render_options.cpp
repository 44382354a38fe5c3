#include <gtest/gtest.h>

#include "apps/render/RenderOptions.h"

using render::ParseOptions;
using render::RenderOptions;

namespace {

bool Parse(std::vector<std::string> args, RenderOptions& options, std::string& error)
{
  return ParseOptions(args, options, error);
}

RenderOptions ParseOk(std::vector<std::string> args)
{
  RenderOptions options;
  std::string error;
  EXPECT_TRUE(Parse(args, options, error)) << error;
  return options;
}

std::string ParseError(std::vector<std::string> args)
{
  RenderOptions options;
  std::string error;
  EXPECT_FALSE(Parse(args, options, error));
  EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
  return error;
}

} // namespace

TEST(RenderOptionsDefaults, NoArgumentsRenderTheDemoWithHostDefaults)
{
  const RenderOptions o = ParseOk({});
  EXPECT_TRUE(o.input.empty());
  EXPECT_TRUE(o.output.empty());
  EXPECT_TRUE(o.bundle.empty());
  EXPECT_EQ(o.blockSize, 512);
  EXPECT_EQ(o.tempo, 120.0);
  EXPECT_FALSE(o.doublePrecision);
  EXPECT_FALSE(o.bypass);
  EXPECT_FALSE(o.floatOutput);
  EXPECT_FALSE(o.list);
}

TEST(RenderOptionsValues, TakeTheirValueInEitherSpelling)
{
  const RenderOptions a = ParseOk({"in.wav", "-o", "out.flac", "--tempo", "90", "--block", "64", "--preset", "Aliens",
                                   "--bundle", "/x/P.vst3"});
  const RenderOptions b =
    ParseOk({"--output=out.flac", "--tempo=90", "--block=64", "--preset=Aliens", "--bundle=/x/P.vst3", "in.wav"});
  for (const RenderOptions* o : {&a, &b})
  {
    EXPECT_EQ(o->input, "in.wav");
    EXPECT_EQ(o->output, "out.flac");
    EXPECT_EQ(o->tempo, 90.0);
    EXPECT_EQ(o->blockSize, 64);
    EXPECT_EQ(o->preset, "Aliens");
    EXPECT_EQ(o->bundle, "/x/P.vst3");
  }
}

TEST(RenderOptionsValues, FlagsSwitchTheirBehaviourOn)
{
  const RenderOptions o = ParseOk({"--double", "--bypass", "--float", "--list", "--realtime", "--editor", "--strict"});
  EXPECT_TRUE(o.doublePrecision);
  EXPECT_TRUE(o.bypass);
  EXPECT_TRUE(o.floatOutput);
  EXPECT_TRUE(o.list);
  EXPECT_TRUE(o.realtime);
  EXPECT_TRUE(o.editor);
  EXPECT_TRUE(o.strict);
}

TEST(RenderOptionsValues, SetRepeatsAndKeepsTheValueAsTyped)
{
  const RenderOptions o = ParseOk({"--set", "Mix=Dry", "--set=Sync to Host=ON", "--set", "Stereo=> 50% <",
                                   "--set", "Odd=a=b"});
  ASSERT_EQ(o.settings.size(), 4u);
  EXPECT_EQ(o.settings[0].name, "Mix");
  EXPECT_EQ(o.settings[0].value, "Dry");
  EXPECT_EQ(o.settings[1].name, "Sync to Host");
  EXPECT_EQ(o.settings[1].value, "ON");
  EXPECT_EQ(o.settings[2].value, "> 50% <");
  EXPECT_EQ(o.settings[3].name, "Odd");
  EXPECT_EQ(o.settings[3].value, "a=b");
}

TEST(RenderOptionsValues, DoubleDashLetsAnInputStartWithADash)
{
  EXPECT_EQ(ParseOk({"--", "-take1.wav"}).input, "-take1.wav");
}

TEST(RenderOptionsErrors, UnknownOptionsAndStrayInputsAreRefused)
{
  EXPECT_NE(ParseError({"--frobnicate"}).find("--frobnicate"), std::string::npos);
  EXPECT_NE(ParseError({"a.wav", "b.wav"}).find("b.wav"), std::string::npos);
  ParseError({"--double=yes"});
}

TEST(RenderOptionsErrors, OptionsWithoutTheirValueAreRefused)
{
  for (const char* option : {"-o", "--preset", "--preset-file", "--set", "--tempo", "--block", "--bundle"})
    EXPECT_NE(ParseError({option}).find(option), std::string::npos) << option;
  ParseError({"-o", ""});
  ParseError({"--preset="});
  ParseError({"--preset-file="});
}

TEST(RenderOptionsErrors, APresetAndAPresetFileAreNotBothTaken)
{
  EXPECT_EQ(ParseOk({"--preset-file", "A.vstpreset"}).presetFile, "A.vstpreset");
  EXPECT_NE(ParseError({"--preset", "Aliens", "--preset-file=A.vstpreset"}).find("--preset-file"), std::string::npos);
}

TEST(RenderOptionsErrors, SetNeedsANameAndAnEqualsSign)
{
  ParseError({"--set", "Mix"});
  ParseError({"--set", "=Dry"});
}

TEST(RenderOptionsErrors, NumbersOutsideTheirRangeOrNotNumbersAreRefused)
{
  for (const char* bad : {"0", "-5", "65537", "12x", "", "1.5"})
    ParseError({"--block", bad});
  for (const char* bad : {"0", "1000", "fast", "nan", "inf", "120bpm"})
    ParseError({"--tempo", bad});
  EXPECT_EQ(ParseOk({"--block", "1"}).blockSize, 1);
  EXPECT_EQ(ParseOk({"--block", "65536"}).blockSize, 65536);
  EXPECT_EQ(ParseOk({"--tempo", "72.5"}).tempo, 72.5);
}
