// The host's modulation through the CLAP ABI: what the sound hears, what the host reads
// back, bad input; and the remote-controls page.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ClapTestHost.h"
#include "vst3/Bundle.h"

using claptest::Host;
using claptest::ParamEvents;
using claptest::Plugin;

namespace {
constexpr clap_id kStages = 0, kManual = 1, kFeedback = 3, kSync = 7, kWaveform = 9;
const std::vector<double> kSignal = mgtest::testSignal(8192);

/** Blocks of 512 through a started instance, the first block with events; the left output. */
std::vector<float> render(Plugin& p, const clap_input_events_t* first, int blocks = 4)
{
  std::vector<float> out;
  for (int b = 0; b < blocks; ++b)
  {
    p.SetInput(kSignal, static_cast<size_t>(b) * 512);
    p.Process(512, b == 0 ? first : nullptr);
    out.insert(out.end(), p.Out(0).begin(), p.Out(0).begin() + 512);
  }
  return out;
}

struct Pair
{
  Host host;
  Plugin modulated{host}, plain{host};
  Pair()
  {
    EXPECT_TRUE(modulated.Start());
    EXPECT_TRUE(plain.Start());
  }
};
} // namespace

TEST(Modulation, OnlyTheContinuousParametersAreModulatable)
{
  Host host;
  Plugin p(host);
  const clap_plugin_params_t* params = p.Params();
  for (uint32_t i = 0; i < params->count(p.plugin); ++i)
  {
    clap_param_info_t info{};
    ASSERT_TRUE(params->get_info(p.plugin, i, &info));
    const bool stepped = info.id == kStages || info.id == kSync || info.id == kWaveform || info.id == Plugin::kBypass;
    EXPECT_EQ((info.flags & CLAP_PARAM_IS_MODULATABLE) != 0, !stepped) << info.name;
    EXPECT_EQ(info.flags & (CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID | CLAP_PARAM_IS_MODULATABLE_PER_KEY |
                            CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL | CLAP_PARAM_IS_MODULATABLE_PER_PORT),
              0u);
  }
}

// Manual 0.25 moved by +0.5 at frame 100 sounds as Manual set to 0.75 there, to the bit;
// the host still reads 0.25, the state and texts are those of 0.25, and nothing goes back.
TEST(Modulation, BasePlusAmountAtTheEventsFrameWithoutTouchingWhatTheHostReads)
{
  Pair p;
  Plugin reference(p.host);
  ASSERT_TRUE(reference.Start());
  ParamEvents mod, value, base;
  mod.Value(0, kManual, 0.25);
  mod.Mod(100, kManual, 0.5);
  value.Value(0, kManual, 0.25);
  value.Value(100, kManual, 0.75);
  base.Value(0, kManual, 0.25);
  EXPECT_EQ(render(p.modulated, &mod.list), render(p.plain, &value.list));
  render(reference, &base.list);

  EXPECT_EQ(p.modulated.Value(kManual), 0.25);
  EXPECT_EQ(p.modulated.Save(), reference.Save());
  EXPECT_EQ(p.modulated.Text(kManual, p.modulated.Value(kManual)), reference.Text(kManual, 0.25));
  EXPECT_TRUE(p.modulated.out.log.empty()) << p.modulated.out.log.front();

  // The modulation stays while the value moves under it, and past the top it is clamped.
  ParamEvents up, top;
  up.Value(0, kManual, 0.8);
  top.Value(0, kManual, 1.0);
  EXPECT_EQ(render(p.modulated, &up.list), render(p.plain, &top.list));

  // A reset ends it: both are at their values again, and a fresh start sounds the same.
  ParamEvents again;
  again.Value(0, kManual, 0.8);
  for (Plugin* q : {&p.modulated, &p.plain})
  {
    p.host.inAudio = true;
    q->plugin->reset(q->plugin);
    p.host.inAudio = false;
  }
  EXPECT_EQ(render(p.modulated, nullptr), render(p.plain, &again.list));
}

TEST(Modulation, BadEventsAreIgnoredAndAFloodKeepsTheLastAmount)
{
  Pair p;
  ParamEvents bad;
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  bad.Mod(0, kManual, nan);
  bad.Mod(0, kFeedback, inf);
  bad.Mod(0, kFeedback, -inf);
  bad.Mod(10, kStages, 1.0);
  bad.Mod(10, kWaveform, 1.0);
  bad.Mod(10, kSync, 1.0);
  bad.Mod(20, Plugin::kBypass, 1.0);
  bad.Mod(20, 4242, 0.5);
  bad.Mod(20, CLAP_INVALID_ID, 0.5);
  bad.Value(30, 4242, 0.5);
  bad.Value(30, kManual, nan);
  EXPECT_EQ(render(p.modulated, &bad.list), render(p.plain, nullptr));
  EXPECT_EQ(p.modulated.Value(kManual), p.plain.Value(kManual));

  // Thousands at one frame: the last is heard.
  ParamEvents flood, last;
  flood.Reserve(6000);
  for (uint32_t i = 0; i < 6000; ++i)
    flood.Mod(300, kFeedback, i == 5999 ? 0.3 : std::sin(i) * 0.5);
  last.Mod(300, kFeedback, 0.3);
  const std::vector<float> flooded = render(p.modulated, &flood.list);
  EXPECT_EQ(flooded, render(p.plain, &last.list));
  Plugin unmodulated(p.host);
  ASSERT_TRUE(unmodulated.Start());
  render(unmodulated, nullptr);
  EXPECT_NE(flooded, render(unmodulated, nullptr)) << "heard at all";
}

TEST(RemoteControls, OnePageNamedAfterThePlugInWithTheEightKnobsAndStages)
{
  Host host;
  Plugin p(host);
  const auto* remote = p.Ext<clap_plugin_remote_controls_t>(CLAP_EXT_REMOTE_CONTROLS);
  ASSERT_NE(remote, nullptr);
  EXPECT_EQ(p.Ext<clap_plugin_remote_controls_t>(CLAP_EXT_REMOTE_CONTROLS_COMPAT), remote);
  ASSERT_EQ(remote->count(p.plugin), 1u);
  clap_remote_controls_page_t page{};
  EXPECT_FALSE(remote->get(p.plugin, 1, &page));
  ASSERT_TRUE(remote->get(p.plugin, 0, &page));
  EXPECT_STREQ(page.page_name, "Mistlegrove Phaser");
  EXPECT_FALSE(page.is_for_preset);
  std::vector<std::string> names;
  for (clap_id id : page.param_ids)
  {
    clap_param_info_t info{};
    for (uint32_t i = 0; i < p.Params()->count(p.plugin); ++i)
      if (p.Params()->get_info(p.plugin, i, &info) && info.id == id)
        names.emplace_back(info.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Manual", "Spread", "Feedback", "LFOSpeed", "LFODepth", "Mix", "Stereo", "Stages"}));
}
