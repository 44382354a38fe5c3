// The saved state across formats, refused states, and the factory presets.
#include <gtest/gtest.h>

#include "ClapTestHost.h"
#include "vst3/Bundle.h"

using claptest::Host;
using claptest::InputEvents;
using claptest::Plugin;

namespace {
std::vector<uint8_t> chunk(const char* tag, const std::vector<double>& values, int bypass)
{
  std::vector<uint8_t> bytes(tag, tag + std::strlen(tag));
  for (double v : values)
  {
    const auto* b = reinterpret_cast<const uint8_t*>(&v);
    bytes.insert(bytes.end(), b, b + 8);
  }
  bytes.insert(bytes.end(), {static_cast<uint8_t>(bypass), 0, 0, 0});
  return bytes;
}

const char kTag[] = "Mistlegrove Phaser_2.0.1";
const std::vector<double> kBusy = {1, 0.25, 0.5, 0.9, 0.5, 0.35, 1.0, 0, 1.0, 0};

// 2048 samples of both, block by block, 32-bit.
void expectSameSound(Plugin& clap, mgtest::Instance& vst3)
{
  const std::vector<double> x = mgtest::testSignal(2048);
  for (int block = 0; block < 4; ++block)
  {
    const std::vector<double> in(x.begin() + block * 512, x.begin() + (block + 1) * 512);
    clap.SetInput(in);
    ASSERT_EQ(clap.Process(512), CLAP_PROCESS_CONTINUE);
    const auto out = vst3.process(in, Steinberg::Vst::kSample32);
    for (int c = 0; c < 2; ++c)
      for (size_t i = 0; i < 512; ++i)
        ASSERT_EQ(clap.Out(c)[i], static_cast<float>(out[c][i])) << "block " << block << " channel " << c << " sample " << i;
  }
}
} // namespace

TEST(State, SameBytesAsVST3AndTheSameSoundEitherWay)
{
  Host host;
  Plugin fresh(host);
  mgtest::Instance freshVst3(mgtest::createComponent());
  EXPECT_EQ(fresh.Save(), freshVst3.getState());

  // VST 3 into CLAP.
  mgtest::Instance vst3(mgtest::createComponent());
  ASSERT_EQ(vst3.setState(chunk(kTag, kBusy, 0)), Steinberg::kResultOk);
  Plugin clap(host);
  ASSERT_TRUE(clap.Load(vst3.getState()));
  EXPECT_EQ(clap.Save(), vst3.getState());
  EXPECT_EQ(clap.Value(0), 1.0);
  ASSERT_TRUE(clap.Start());
  ASSERT_EQ(vst3.setup(), Steinberg::kResultOk);
  expectSameSound(clap, vst3);

  // CLAP into VST 3, bypass included.
  Plugin source(host);
  ASSERT_TRUE(source.Load(chunk(kTag, {0, 0.5, 0.1, -0.3, 0.2, 0.8, 0.25, 0, 0.0, 1}, 1)));
  mgtest::Instance back(mgtest::createComponent());
  ASSERT_EQ(back.setState(source.Save()), Steinberg::kResultOk);
  EXPECT_EQ(back.getState(), source.Save());
  EXPECT_EQ(back.controller->getParamNormalized(65536), 1.0);
  EXPECT_EQ(source.Value(Plugin::kBypass), 1.0);
}

TEST(State, RefusedStatesKeepEverySetting)
{
  Host host;
  Plugin plug(host);
  ASSERT_TRUE(plug.Load(chunk(kTag, kBusy, 1)));
  const std::vector<uint8_t> before = plug.Save();
  const int rescans = static_cast<int>(host.rescans.size());
  auto expectRefused = [&](const std::vector<uint8_t>& bytes, const std::string& what, long failAt = -1) {
    EXPECT_FALSE(plug.Load(bytes, 7, failAt)) << what;
    EXPECT_EQ(plug.Save(), before) << what;
  };
  const std::vector<uint8_t> other = chunk(kTag, {0, 0.5, 0.1, -0.3, 0.2, 0.8, 0.25, 0, 0.0, 1}, 0);
  for (size_t n : {size_t{0}, size_t{1}, size_t{24}, size_t{50}, other.size() - 4, other.size() - 1})
    expectRefused(std::vector<uint8_t>(other.begin(), other.begin() + static_cast<long>(n)), "first " + std::to_string(n) + " bytes");
  expectRefused(chunk("Mistlegrove Phaser_2.1.0", kBusy, 0), "a later release");
  expectRefused(other, "a stream that fails", 50);
  EXPECT_EQ(static_cast<int>(host.rescans.size()), rescans) << "nothing changed, nothing to rescan";
  EXPECT_FALSE(plug.Ext<clap_plugin_state_t>(CLAP_EXT_STATE)->load(plug.plugin, nullptr));
  EXPECT_FALSE(plug.Ext<clap_plugin_state_t>(CLAP_EXT_STATE)->save(plug.plugin, nullptr));

  ASSERT_TRUE(plug.Load(other, 1));
  EXPECT_EQ(plug.Save(), other);
  EXPECT_EQ(host.rescans.back(), static_cast<uint32_t>(CLAP_PARAM_RESCAN_VALUES));

  // Loaded again as it stands, as a host that opens its project does: a rescan then told
  // Qtractor of a change, and it showed the project modified.
  const size_t rescanned = host.rescans.size();
  ASSERT_TRUE(plug.Load(other));
  EXPECT_EQ(host.rescans.size(), rescanned);
  EXPECT_EQ(host.dirty, 0);
}

TEST(State, AStreamThatClaimsMoreThanItWasAskedForIsRefused)
{
  Host host;
  Plugin plug(host);
  const std::vector<uint8_t> before = plug.Save();
  // It delivers the whole state at once, then says a thousand bytes more came.
  struct Reader
  {
    std::vector<uint8_t> bytes;
    size_t pos;
  } r{chunk(kTag, kBusy, 1), 0};
  const clap_istream_t lying{&r, [](const clap_istream_t* st, void* b, uint64_t n) -> int64_t {
                               auto& rd = *static_cast<Reader*>(st->ctx);
                               const size_t k = std::min<size_t>(static_cast<size_t>(n), rd.bytes.size() - rd.pos);
                               std::memcpy(b, rd.bytes.data() + rd.pos, k);
                               rd.pos += k;
                               return k > 0 ? static_cast<int64_t>(k) + 1000 : 0;
                             }};
  EXPECT_FALSE(plug.Ext<clap_plugin_state_t>(CLAP_EXT_STATE)->load(plug.plugin, &lying));
  EXPECT_EQ(plug.Save(), before);
}

TEST(Presets, DiscoveryListsTheTenFactoryPresetsThatPresetLoadRecalls)
{
  const auto* discovery = static_cast<const clap_preset_discovery_factory_t*>(
    claptest::entry()->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
  ASSERT_NE(discovery, nullptr);
  ASSERT_EQ(discovery->count(discovery), 1u);
  const auto* desc = discovery->get_descriptor(discovery, 0);
  ASSERT_NE(desc, nullptr);

  struct Indexed
  {
    std::vector<clap_preset_discovery_location_t> locations;
    std::vector<std::pair<std::string, std::string>> presets;
    std::vector<std::string> pluginIds;
    uint32_t flags = 0;
  } seen;
  clap_preset_discovery_indexer_t indexer{CLAP_VERSION, "Test Host", "Tests", "", "1.0", &seen, nullptr, nullptr, nullptr, nullptr};
  indexer.declare_filetype = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_filetype_t*) { return true; };
  indexer.declare_location = [](const clap_preset_discovery_indexer_t* i, const clap_preset_discovery_location_t* l) {
    static_cast<Indexed*>(i->indexer_data)->locations.push_back(*l);
    return true;
  };
  indexer.declare_soundpack = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_soundpack_t*) { return true; };
  indexer.get_extension = [](const clap_preset_discovery_indexer_t*, const char*) -> const void* { return nullptr; };
  EXPECT_EQ(discovery->create(discovery, &indexer, "other.provider"), nullptr);
  const clap_preset_discovery_provider_t* provider = discovery->create(discovery, &indexer, desc->id);
  ASSERT_NE(provider, nullptr);
  ASSERT_TRUE(provider->init(provider));
  ASSERT_EQ(seen.locations.size(), 1u);
  EXPECT_EQ(seen.locations[0].kind, static_cast<uint32_t>(CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN));
  EXPECT_TRUE(seen.locations[0].flags & CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);

  clap_preset_discovery_metadata_receiver_t receiver{};
  receiver.receiver_data = &seen;
  receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver_t* r, const char* name, const char* key) {
    static_cast<Indexed*>(r->receiver_data)->presets.emplace_back(name, key);
    return true;
  };
  receiver.add_plugin_id = [](const clap_preset_discovery_metadata_receiver_t* r, const clap_universal_plugin_id_t* id) {
    static_cast<Indexed*>(r->receiver_data)->pluginIds.push_back(std::string(id->abi) + ":" + id->id);
  };
  receiver.set_flags = [](const clap_preset_discovery_metadata_receiver_t* r, uint32_t flags) {
    static_cast<Indexed*>(r->receiver_data)->flags |= flags;
  };
  ASSERT_TRUE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &receiver));
  EXPECT_FALSE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp", &receiver));
  provider->destroy(provider);
  ASSERT_EQ(seen.presets.size(), 10u);
  EXPECT_EQ(seen.pluginIds, std::vector<std::string>(10, "clap:com.mistlegrovemusic.phaser"));
  EXPECT_TRUE(seen.flags & CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);

  // Each key recalls what the VST 3 program list recalls under that name.
  Host host;
  Plugin plug(host);
  const auto* load = plug.Ext<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
  ASSERT_NE(load, nullptr);
  mgtest::Instance vst3(mgtest::createComponent());
  for (int i = 0; i < 10; ++i)
  {
    Steinberg::Vst::String128 name{};
    ASSERT_EQ(vst3.units->getProgramName(65537, i, name), Steinberg::kResultTrue);
    EXPECT_EQ(seen.presets[static_cast<size_t>(i)].first, Steinberg::Vst::StringConvert::convert(name));
    ASSERT_TRUE(load->from_location(plug.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                    seen.presets[static_cast<size_t>(i)].second.c_str()));
    vst3.controller->setParamNormalized(65537, i / 9.0);
    EXPECT_EQ(plug.Save(), vst3.getState()) << seen.presets[static_cast<size_t>(i)].first;
  }
  EXPECT_EQ(host.presetLog.back(), "loaded 9");
  EXPECT_EQ(host.rescans.back(), static_cast<uint32_t>(CLAP_PARAM_RESCAN_VALUES));
  const std::vector<uint8_t> last = plug.Save();
  for (const char* key : {"10", "-1", "3x", "", "99999999999999999999"})
    EXPECT_FALSE(load->from_location(plug.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, key)) << key;
  EXPECT_FALSE(load->from_location(plug.plugin, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp/x", "1"));
  EXPECT_FALSE(load->from_location(plug.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, nullptr));
  EXPECT_EQ(plug.Save(), last);
  EXPECT_EQ(host.presetLog.back(), "error null");
}
