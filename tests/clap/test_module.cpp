// The module as a host scans it, and an instance through its lifecycle.
#include <cmath>
#include <limits>
#include <set>

#include <unistd.h>

#include <gtest/gtest.h>

#include "ClapTestHost.h"

using namespace claptest;

namespace {
long residentKiB()
{
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r"))
  {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
      resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
} // namespace

TEST(Entry, OneDescribedPluginMadeOnlyByItsId)
{
  ASSERT_NE(entry(), nullptr);
  EXPECT_TRUE(clap_version_is_compatible(entry()->clap_version));
  EXPECT_EQ(entry()->get_factory("no.such.factory"), nullptr);
  ASSERT_NE(factory(), nullptr);
  ASSERT_EQ(factory()->get_plugin_count(factory()), 1u);
  EXPECT_EQ(factory()->get_plugin_descriptor(factory(), 1), nullptr);

  const clap_plugin_descriptor_t* d = factory()->get_plugin_descriptor(factory(), 0);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->id, "com.mistlegrovemusic.phaser");
  EXPECT_STREQ(d->name, "Mistlegrove Phaser");
  EXPECT_STREQ(d->vendor, "Mistlegrove Music");
  EXPECT_STREQ(d->version, "2.0.1");
  EXPECT_STREQ(d->url, "https://www.mistlegrovemusic.com/");
  std::set<std::string> features;
  for (const char* const* f = d->features; f && *f; ++f)
    features.insert(*f);
  EXPECT_EQ(features, (std::set<std::string>{"audio-effect", "phaser", "stereo", "filter"}));

  Host host;
  EXPECT_EQ(factory()->create_plugin(factory(), &host.clap, "com.mistlegrovemusic.other"), nullptr);
  EXPECT_EQ(factory()->create_plugin(factory(), &host.clap, nullptr), nullptr);
  EXPECT_EQ(factory()->create_plugin(factory(), nullptr, d->id), nullptr);
  Plugin plug(host);
  EXPECT_TRUE(plug.initialised);
}

TEST(Lifecycle, ActivateStartStopDeactivateInHostOrder)
{
  Host host;
  Plugin plug(host);
  EXPECT_EQ(plug.Process(64), CLAP_PROCESS_ERROR) << "not active yet";
  ASSERT_TRUE(plug.Start());
  EXPECT_FALSE(plug.plugin->activate(plug.plugin, 44100.0, 1, 512)) << "already active";
  EXPECT_EQ(plug.Process(512), CLAP_PROCESS_SLEEP) << "silence";
  plug.Stop();
  plug.plugin->deactivate(plug.plugin);
  plug.active = false;
  EXPECT_EQ(plug.Process(64), CLAP_PROCESS_ERROR);
  // Again, at another rate and block size.
  ASSERT_TRUE(plug.Start(96000.0, 2048));
  EXPECT_EQ(plug.Process(2048), CLAP_PROCESS_SLEEP);
}

TEST(Lifecycle, UnusableRatesAndBlockSizesAreRefused)
{
  Host host;
  Plugin plug(host);
  // Positive but absurd rates too: 5e-324 gave NaN out, 1 Hz a gain of 257.
  for (double rate : {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                      5e-324, 1.0, 999.0, 768001.0, 1e12})
    EXPECT_FALSE(plug.Activate(rate)) << rate;
  EXPECT_FALSE(plug.Activate(48000.0, 0));
  EXPECT_EQ(plug.Process(64), CLAP_PROCESS_ERROR);
  for (double rate : {1000.0, 1234.57, 768000.0, 48000.0})
  {
    ASSERT_TRUE(plug.Activate(rate, 512)) << rate;
    plug.plugin->deactivate(plug.plugin);
  }
}

TEST(Lifecycle, AHugeAnnouncedBlockTakesLittleMemoryAndLongCallsStillSoundAsPieces)
{
  Host host;
  Plugin huge(host), small(host);
  const long before = residentKiB();
  // What hosts announce for offline bounces: this took 2 GiB and 6 s.
  ASSERT_TRUE(huge.Start(48000.0, 1u << 26));
  ASSERT_LT(residentKiB() - before, 16 * 1024) << "KiB resident after activating";
  huge.Stop();
  huge.plugin->deactivate(huge.plugin);
  ASSERT_TRUE(huge.Start(48000.0, UINT32_MAX));
  EXPECT_LT(residentKiB() - before, 16 * 1024);
  ASSERT_TRUE(small.Start(48000.0, 500));

  constexpr uint32_t kLong = 20011;
  std::vector<float> in(kLong), outHuge(kLong), outSmall(kLong);
  for (uint32_t i = 0; i < kLong; ++i)
    in[i] = static_cast<float>(std::sin(i * 0.01) * 0.5);
  auto run = [&](Plugin& p, std::vector<float>& out, uint32_t from, uint32_t n) {
    float* ins[2] = {in.data() + from, in.data() + from};
    float* outs[2] = {out.data() + from, out.data() + from};
    clap_audio_buffer_t input{ins, nullptr, 2, 0, 0}, output{outs, nullptr, 2, 0, 0};
    InputEvents none;
    clap_process_t pr{};
    pr.steady_time = -1;
    pr.frames_count = n;
    pr.audio_inputs = &input;
    pr.audio_outputs = &output;
    pr.audio_inputs_count = pr.audio_outputs_count = 1;
    pr.in_events = &none.list;
    pr.out_events = &p.out.list;
    return p.ProcessRaw(&pr);
  };
  ASSERT_EQ(run(huge, outHuge, 0, kLong), CLAP_PROCESS_CONTINUE);
  for (uint32_t done = 0; done < kLong; done += 500)
    run(small, outSmall, done, std::min(500u, kLong - done));
  EXPECT_EQ(outHuge, outSmall);
}

TEST(Extensions, StereoPortsNoLatencyAndRenderModesNoted)
{
  Host host;
  Plugin plug(host);
  const auto* ports = plug.Ext<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
  ASSERT_NE(ports, nullptr);
  for (bool input : {true, false})
  {
    ASSERT_EQ(ports->count(plug.plugin, input), 1u);
    clap_audio_port_info_t info{};
    ASSERT_TRUE(ports->get(plug.plugin, 0, input, &info));
    EXPECT_EQ(info.channel_count, 2u);
    EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
    EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_IS_MAIN);
    EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS);
    EXPECT_EQ(info.in_place_pair, info.id);
    EXPECT_FALSE(ports->get(plug.plugin, 1, input, &info));
  }
  const auto* latency = plug.Ext<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
  ASSERT_NE(latency, nullptr);
  EXPECT_EQ(latency->get(plug.plugin), 0u);
  const auto* render = plug.Ext<clap_plugin_render_t>(CLAP_EXT_RENDER);
  ASSERT_NE(render, nullptr);
  EXPECT_FALSE(render->has_hard_realtime_requirement(plug.plugin));
  EXPECT_TRUE(render->set(plug.plugin, CLAP_RENDER_OFFLINE));
  EXPECT_TRUE(render->set(plug.plugin, CLAP_RENDER_REALTIME));
  EXPECT_EQ(plug.Ext<void>("clap.no-such-extension"), nullptr);
  // Without the host's timers and descriptors the editor could not run.
  const auto* gui = plug.Ext<clap_plugin_gui_t>(CLAP_EXT_GUI);
  ASSERT_NE(gui, nullptr);
  EXPECT_FALSE(gui->create(plug.plugin, CLAP_WINDOW_API_X11, false));
}
