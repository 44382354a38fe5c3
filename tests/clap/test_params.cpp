// The parameters a CLAP host sees: the VST 3 plug-in's ids, names and texts, and flush.
#include <gtest/gtest.h>

#include "ClapTestHost.h"
#include "vst3/Bundle.h"

using claptest::Host;
using claptest::InputEvents;
using claptest::Plugin;

namespace {
std::string vst3Text(mgtest::Instance& vst3, Steinberg::Vst::ParamID id, double normalized)
{
  Steinberg::Vst::String128 text{};
  vst3.controller->getParamStringByValue(id, normalized, text);
  return Steinberg::Vst::StringConvert::convert(text);
}

// The host value of a normalised one, through the range the plug-in announces.
double hostValue(const clap_param_info_t& info, double normalized)
{
  const double v = info.min_value + normalized * (info.max_value - info.min_value);
  return (info.flags & CLAP_PARAM_IS_STEPPED) ? std::round(v) : v;
}
} // namespace

TEST(Params, SameIdsNamesAndKindsAsVST3PlusTheHostsBypass)
{
  Host host;
  Plugin plug(host);
  mgtest::Instance vst3(mgtest::createComponent());
  const clap_plugin_params_t* params = plug.Params();
  ASSERT_NE(params, nullptr);
  ASSERT_EQ(params->count(plug.plugin), 11u);
  for (uint32_t i = 0; i < 11; ++i)
  {
    clap_param_info_t info{};
    ASSERT_TRUE(params->get_info(plug.plugin, i, &info));
    const Steinberg::Vst::ParamID id = i < 10 ? i : 65536;
    EXPECT_EQ(info.id, id);
    Steinberg::Vst::ParameterInfo v{};
    ASSERT_EQ(vst3.controller->getParameterInfo(static_cast<Steinberg::int32>(i), v), Steinberg::kResultOk);
    ASSERT_EQ(v.id, id);
    EXPECT_EQ(std::string(info.name), Steinberg::Vst::StringConvert::convert(v.title)) << i;
    EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, v.stepCount > 0) << info.name;
    EXPECT_EQ((info.flags & CLAP_PARAM_IS_BYPASS) != 0, id == 65536) << info.name;
    EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
    if (info.flags & CLAP_PARAM_IS_STEPPED)
    {
      EXPECT_EQ(info.max_value - info.min_value, v.stepCount) << info.name;
    }
    EXPECT_DOUBLE_EQ(info.default_value, hostValue(info, v.defaultNormalizedValue)) << info.name;
    double value = -1;
    ASSERT_TRUE(params->get_value(plug.plugin, id, &value));
    EXPECT_DOUBLE_EQ(value, info.default_value) << info.name;
  }
  clap_param_info_t info{};
  EXPECT_FALSE(params->get_info(plug.plugin, 11, &info));
  double value = 0;
  EXPECT_FALSE(params->get_value(plug.plugin, 10, &value));
  EXPECT_FALSE(params->get_value(plug.plugin, 65537, &value));
  for (const char* name : {"Stages", "Sync to Host", "Waveform"})
  {
    bool found = false;
    for (uint32_t i = 0; i < 10 && !found; ++i)
      if (params->get_info(plug.plugin, i, &info) && std::string(info.name) == name)
        found = (info.flags & CLAP_PARAM_IS_ENUM) && (info.flags & CLAP_PARAM_IS_STEPPED);
    EXPECT_TRUE(found) << name << " is a switch or list";
  }
}

TEST(Params, TextsAreVST3sAndReadBackToTheSameText)
{
  Host host;
  Plugin plug(host);
  mgtest::Instance vst3(mgtest::createComponent());
  const clap_plugin_params_t* params = plug.Params();
  for (uint32_t i = 0; i < 11; ++i)
  {
    clap_param_info_t info{};
    ASSERT_TRUE(params->get_info(plug.plugin, i, &info));
    for (double n : {0.0, 0.1, 0.25, 0.5, 0.77, 1.0})
    {
      const double v = hostValue(info, n);
      const std::string text = plug.Text(info.id, v);
      EXPECT_EQ(text, vst3Text(vst3, info.id, n)) << info.name << " at " << n;
      double back = -1;
      ASSERT_TRUE(params->text_to_value(plug.plugin, info.id, text.c_str(), &back)) << text;
      EXPECT_EQ(plug.Text(info.id, back), text) << info.name;
    }
  }
  // With sync on the LFO speed shows note values.
  const std::string freeRate = plug.Text(4, 0.5);
  InputEvents sync;
  sync.Param(0, 7, 1.0);
  params->flush(plug.plugin, &sync.list, &plug.out.list);
  EXPECT_NE(plug.Text(4, 0.5), freeRate);
  EXPECT_NE(plug.Text(4, 0.5).find('/'), std::string::npos) << plug.Text(4, 0.5);
  char tiny[4];
  EXPECT_TRUE(params->value_to_text(plug.plugin, 4, 0.5, tiny, sizeof(tiny)));
  EXPECT_LT(std::strlen(tiny), sizeof(tiny));
  EXPECT_FALSE(params->value_to_text(plug.plugin, 4, 0.5, tiny, 0));
  EXPECT_FALSE(params->value_to_text(plug.plugin, 99, 0.5, tiny, sizeof(tiny)));
  double v = 0;
  EXPECT_FALSE(params->text_to_value(plug.plugin, 99, "1", &v));
  EXPECT_FALSE(params->text_to_value(plug.plugin, 65536, "maybe", &v));
}

TEST(Params, FlushTakesValuesWithoutProcessingIgnoringUnknownIdsAndClampingRanges)
{
  Host host;
  Plugin plug(host);
  InputEvents events;
  events.Param(0, 6, 0.8);    // Mix
  events.Param(0, 0, 7.0);    // Stages: only 0 or 1
  events.Param(0, 3, -3.0);   // Feedback, below its range
  events.Param(0, 4242, 0.5); // unknown
  events.Param(0, 65537, 1.0); // the VST 3 program change has no CLAP parameter
  events.Param(0, Plugin::kBypass, 1.0);
  events.Param(0, 5, std::numeric_limits<double>::quiet_NaN());
  plug.Params()->flush(plug.plugin, &events.list, &plug.out.list);
  EXPECT_DOUBLE_EQ(plug.Value(6), 0.8);
  EXPECT_EQ(plug.Value(0), 1.0);
  EXPECT_EQ(plug.Value(3), 0.0);
  EXPECT_EQ(plug.Value(5), 0.5) << "a NaN is no value";
  EXPECT_EQ(plug.Value(Plugin::kBypass), 1.0);
  EXPECT_TRUE(plug.out.log.empty());

  // While active, flush comes on the audio thread; it works the same.
  ASSERT_TRUE(plug.Activate());
  events.Clear();
  events.Param(0, 6, 0.1);
  host.inAudio = true;
  plug.Params()->flush(plug.plugin, &events.list, &plug.out.list);
  host.inAudio = false;
  EXPECT_DOUBLE_EQ(plug.Value(6), 0.1);
}
