// What a host reads from the bundle before it creates anything.
#include <gtest/gtest.h>

#include "pluginterfaces/vst/vsttypes.h"

#include "vst3/Bundle.h"

using namespace mgtest;

TEST(Factory, DescribesTheVendorWithUnicodeClassInfo)
{
  ASSERT_TRUE(bundle());
  const auto info = bundle()->getFactory().info();
  EXPECT_EQ(info.vendor(), "Mistlegrove Music");
  EXPECT_EQ(info.url(), "https://www.mistlegrovemusic.com");
  EXPECT_EQ(info.email(), "support@mistlegrovemusic.com");
  EXPECT_EQ(info.flags(), static_cast<Steinberg::int32>(PFactoryInfo::kUnicode));
}

TEST(Factory, RegistersOneEffectClass)
{
  ASSERT_TRUE(bundle());
  const auto infos = bundle()->getFactory().classInfos();
  ASSERT_EQ(infos.size(), 1u);
  const auto& c = infos.front();
  const uint8_t id[16] = {0xF2, 0xAE, 0xE7, 0x0D, 0x00, 0xDE, 0x4F, 0x4E, 0x54, 0x72, 0x4D, 0x75, 0x74, 0x72, 0x70, 0x68};
  EXPECT_EQ(std::memcmp(c.ID().data(), id, 16), 0);
  EXPECT_EQ(c.category(), "Audio Module Class");
  EXPECT_EQ(c.name(), "Mistlegrove Phaser");
  EXPECT_EQ(c.subCategoriesString(), "Fx|Filter");
  EXPECT_EQ(c.version(), "2.0.1");
  EXPECT_EQ(c.classFlags(), 2u);
  EXPECT_EQ(c.cardinality(), PClassInfo::kManyInstances);
  // The SDK the module was built with, not a version it was never built with.
  EXPECT_EQ(c.sdkVersion(), kVstVersionString);
}

TEST(Factory, CreatesIndependentInstances)
{
  auto a = createComponent();
  auto b = createComponent();
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.get(), b.get());
  Instance plug(a);
  EXPECT_EQ(plug.initResult, kResultOk);
  // One object is component and controller.
  EXPECT_TRUE(U::cast<IEditController>(a));
  EXPECT_TRUE(U::cast<IAudioProcessor>(a));
}
