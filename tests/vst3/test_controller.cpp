// The controller side: host-side parameters, program changes, units and the program list.
#include <cmath>

#include <gtest/gtest.h>

#include "vst3/Bundle.h"

using namespace mgtest;

namespace {

constexpr ParamID kBypass = 0x10000;
constexpr ParamID kProgram = 0x10001;

std::string text(const String128 s) { return StringConvert::convert(s, 128); }

} // namespace

TEST(ProgramChange, RecallsThePresetAtTheRoundedIndex)
{
  Instance plug(createComponent());
  // 9 × 0.5 = 4.5 rounds away from zero to preset 5.
  ASSERT_EQ(plug.controller->setParamNormalized(kProgram, 0.5), kResultTrue);
  EXPECT_EQ(savedValues(plug), (std::vector<double>{0, 0.48, 1.0, 0.26, std::sqrt(0.124), 0.9, 0.5, 0, 0.0, 0}));
  ASSERT_EQ(plug.controller->setParamNormalized(kProgram, 1.0), kResultTrue);
  EXPECT_EQ(savedValues(plug), (std::vector<double>{1, 0.25, 0.5, 0.9, std::sqrt(0.32), 0.35, 1.0, 0, 1.0, 0}));
}

TEST(ProgramChange, TellsTheHostThatEveryValueChanged)
{
  Instance plug(createComponent());
  plug.controller->setParamNormalized(kProgram, 1.0);
  EXPECT_EQ(plug.handler->calls, std::vector<std::string>{"restart 4"});
  // What the host reads back is the recalled preset, not the values from before.
  EXPECT_NEAR(plug.plain(0), 1.0, 1e-12);
  EXPECT_NEAR(plug.plain(3), 0.9, 1e-12);
  EXPECT_NEAR(plug.plain(6), 1.0, 1e-12);
  EXPECT_NEAR(plug.plain(8), 1.0, 1e-12);
}

TEST(HostParameters, ValuesSetByTheHostReachThePlugin)
{
  Instance plug(createComponent());
  ASSERT_EQ(plug.controller->setParamNormalized(6, 0.2), kResultTrue);
  EXPECT_EQ(plug.controller->getParamNormalized(6), 0.2);
  EXPECT_NEAR(savedValues(plug)[6], 0.2, 1e-12);
  // Nothing to tell the host about a value it set itself.
  EXPECT_TRUE(plug.handler->calls.empty());
}

TEST(HostParameters, UnknownIdentifiersAreRefused)
{
  Instance plug(createComponent());
  EXPECT_EQ(plug.controller->setParamNormalized(10, 0.5), kResultFalse);
  EXPECT_EQ(plug.controller->setParamNormalized(0x10002, 0.5), kResultFalse);
  ParamID id = 0;
  EXPECT_EQ(U::cast<IMidiMapping>(plug.component)->getMidiControllerAssignment(0, 0, 7, id), kResultFalse);
}

TEST(HostParameters, DescribeThePluginsParametersBypassAndProgramChange)
{
  Instance plug(createComponent());
  ASSERT_EQ(plug.controller->getParameterCount(), 12);
  ParameterInfo info{};
  plug.controller->getParameterInfo(0, info);
  EXPECT_EQ(text(info.title), "Stages");
  EXPECT_EQ(info.stepCount, 1);
  plug.controller->getParameterInfo(1, info);
  EXPECT_EQ(info.stepCount, 0);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
  plug.controller->getParameterInfo(9, info);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList);
  plug.controller->getParameterInfo(10, info);
  EXPECT_EQ(info.id, kBypass);
  EXPECT_EQ(text(info.title), "Bypass");
  EXPECT_EQ(info.flags, 0x10009);
  plug.controller->getParameterInfo(11, info);
  EXPECT_EQ(info.id, kProgram);
  EXPECT_EQ(info.flags, ParameterInfo::kIsProgramChange);
  EXPECT_EQ(info.stepCount, 9);

  String128 s{};
  plug.controller->getParamStringByValue(9, 0.0, s);
  EXPECT_EQ(text(s), "Sine");
  plug.controller->getParamStringByValue(kBypass, 1.0, s);
  EXPECT_EQ(text(s), "on");
  ParamValue v = 0;
  ASSERT_EQ(plug.controller->getParamValueByString(9, const_cast<TChar*>(STR16("Triangle")), v), kResultTrue);
  EXPECT_EQ(v, 1.0);
}

TEST(HostParameters, SitInTheRootUnitWithTheFactoryPresets)
{
  Instance plug(createComponent());
  ASSERT_EQ(plug.units->getUnitCount(), 1);
  UnitInfo unit{};
  plug.units->getUnitInfo(0, unit);
  EXPECT_EQ(unit.id, kRootUnitId);
  EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
  EXPECT_EQ(unit.programListId, static_cast<ProgramListID>(kProgram));
  EXPECT_EQ(text(unit.name), "Root");

  ASSERT_EQ(plug.units->getProgramListCount(), 1);
  ProgramListInfo list{};
  plug.units->getProgramListInfo(0, list);
  EXPECT_EQ(text(list.name), "Factory Presets");
  EXPECT_EQ(list.programCount, 10);
  String128 name{};
  ASSERT_EQ(plug.units->getProgramName(kProgram, 5, name), kResultTrue);
  EXPECT_EQ(text(name), "Wash out");
  EXPECT_EQ(plug.units->getProgramName(kProgram, 10, name), kResultFalse);
  EXPECT_EQ(plug.units->getProgramName(0, 0, name), kResultFalse);
}
