// The UI module at the host's desktop scale: loaded as a host loads it, in a window of the
// test's private Xvfb, under a HOME of its own so the settings file is the test's.
#include "e2e/X11TestSupport.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "lv2/atom/atom.h"
#include "lv2/options/options.h"
#include "lv2/ui/ui.h"
#include "lv2/urid/urid.h"

namespace {

class UiScale : public e2e::XTestCase
{
protected:
  void SetUp() override
  {
    e2e::XTestCase::SetUp();
    if (IsSkipped())
      return;
    home = std::filesystem::temp_directory_path() / ("mg-ui-scale-" + std::to_string(::getpid()));
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    x = std::make_unique<e2e::TestX>();
    module = dlopen(MG_LV2_UI_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(module, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    descriptor = entry(0);
  }
  void TearDown() override
  {
    x.reset();
    std::filesystem::remove_all(home);
    e2e::XTestCase::TearDown();
  }

  /** The width the editor asks for as it opens at the host's scale (0: no option). */
  int openedWidth(float scale)
  {
    const Window top = x->MakeTopLevel(0, 0, 3000, 800);
    LV2_URID_Map map{this, [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
                       auto& ids = static_cast<UiScale*>(h)->ids;
                       return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
                     }};
    const LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, map.map(this, LV2_UI__scaleFactor), sizeof(float), map.map(this, LV2_ATOM__Float), &scale},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    int width = 0;
    LV2UI_Resize resize{&width, [](LV2UI_Feature_Handle h, int w, int) {
                          *static_cast<int*>(h) = w;
                          return 0;
                        }};
    const LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(top))};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&parent, &mapFeature, &resizeFeature, scale > 0.f ? &optionsFeature : nullptr, nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = descriptor->instantiate(descriptor, "https://www.mistlegrovemusic.com/plugins/phaser", "", [](LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {}, nullptr, &widget, features);
    EXPECT_NE(ui, nullptr);
    if (ui)
      descriptor->cleanup(ui);
    x->Destroy(top);
    return width;
  }

  void storeScale(const char* text)
  {
    const auto folder = home / "Library/Application Support/MistlegroveMusic";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "trellowphaser.ini") << "[Editor]\nScale=" << text << "\n";
  }

  std::filesystem::path home;
  std::unique_ptr<e2e::TestX> x;
  void* module = nullptr;
  const LV2UI_Descriptor* descriptor = nullptr;
  std::map<std::string, LV2_URID> ids;
};

} // namespace

TEST_F(UiScale, OpensAtTheDesktopsScaleClampedUnlessTheUserChoseASize)
{
  EXPECT_EQ(openedWidth(0.f), 720);
  EXPECT_EQ(openedWidth(2.f), 1440);
  EXPECT_EQ(openedWidth(1000.f), openedWidth(8.f)) << "beyond the largest size";
  EXPECT_EQ(openedWidth(0.01f), 360);
  storeScale("0.25");
  EXPECT_EQ(openedWidth(2.f), 360) << "the stored scale wins";
}
