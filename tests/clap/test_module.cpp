// The module as a host scans it, and an instance through its lifecycle.
#include <cmath>
#include <limits>
#include <set>

#include <gtest/gtest.h>

#include "ClapTestHost.h"

using namespace claptest;

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
  EXPECT_EQ(plug.Process(512), CLAP_PROCESS_CONTINUE);
  plug.Stop();
  plug.plugin->deactivate(plug.plugin);
  plug.active = false;
  EXPECT_EQ(plug.Process(64), CLAP_PROCESS_ERROR);
  // Again, at another rate and block size.
  ASSERT_TRUE(plug.Start(96000.0, 2048));
  EXPECT_EQ(plug.Process(2048), CLAP_PROCESS_CONTINUE);
}

TEST(Lifecycle, UnusableRatesAndBlockSizesAreRefused)
{
  Host host;
  Plugin plug(host);
  for (double rate : {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    EXPECT_FALSE(plug.Activate(rate)) << rate;
  EXPECT_FALSE(plug.Activate(48000.0, 0));
  EXPECT_EQ(plug.Process(64), CLAP_PROCESS_ERROR);
  EXPECT_TRUE(plug.Activate(48000.0, 512));
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
