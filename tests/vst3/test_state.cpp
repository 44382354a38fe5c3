// The state a host keeps in its projects: the effect's chunk plus the bypass flag.
#include <gtest/gtest.h>

#include "vst3/Bundle.h"

using namespace mgtest;

namespace {

const double kDefaults[10] = {0, 0.0625, 0, 0, 0.077, 0.5, 0.5, 0, 0.5, 1};

std::vector<uint8_t> chunk(const char* tag, std::vector<double> values, int bypass = -1)
{
  std::vector<uint8_t> bytes(tag, tag + std::strlen(tag));
  for (double v : values)
  {
    const auto* b = reinterpret_cast<const uint8_t*>(&v);
    bytes.insert(bytes.end(), b, b + 8);
  }
  if (bypass >= 0)
    bytes.insert(bytes.end(), {static_cast<uint8_t>(bypass), 0, 0, 0});
  return bytes;
}

const char kTag201[] = "Mistlegrove Phaser_2.0.1";
const char kTag200[] = "Mistlegrove Phaser_2.0.0";

const std::vector<double> kLoaded = {1, 0.25, 0.5, 0.9, 0.5, 0.35, 1.0, 1, 1.0, 0};

} // namespace

TEST(State, FreshInstanceSavesItsDefaultsAndAClearBypassFlag)
{
  Instance plug(createComponent());
  const std::vector<uint8_t> state = plug.getState();
  EXPECT_EQ(plug.stateResult, kResultOk);
  std::vector<double> defaults(kDefaults, kDefaults + 10);
  EXPECT_EQ(state, chunk(kTag201, defaults, 0));
}

TEST(State, CurrentLayoutLoadsValuesBypassAndHostSideParameters)
{
  Instance plug(createComponent());
  ASSERT_EQ(plug.setState(chunk(kTag201, kLoaded, 1)), kResultOk);
  EXPECT_EQ(savedValues(plug), kLoaded);
  EXPECT_EQ(plug.controller->getParamNormalized(0x10000), 1.0);
  EXPECT_DOUBLE_EQ(plug.plain(6), 1.0);
  EXPECT_DOUBLE_EQ(plug.plain(3), 0.9);
  EXPECT_EQ(plug.getState(), chunk(kTag201, kLoaded, 1));
}

TEST(State, PreviousLayoutsLoadWithTheMissingValuesAtZero)
{
  Instance plug(createComponent());
  ASSERT_EQ(plug.setState(chunk(kTag200, {1, 0.25, 0.5, 0.9, 0.5, 0.35, 1.0, 1, 1.0}, 0)), kResultOk);
  EXPECT_EQ(savedValues(plug), (std::vector<double>{1, 0.25, 0.5, 0.9, 0.5, 0.35, 1.0, 1, 1.0, 0}));

  // The first release wrote seven bare values.
  ASSERT_EQ(plug.setState(chunk("", {0, 0.5, 0.25, -0.5, 0.1, 0.2, 0.3}, 1)), kResultOk);
  EXPECT_EQ(savedValues(plug), (std::vector<double>{0, 0.5, 0.25, -0.5, 0.1, 0.2, 0.3, 0, 0, 0}));
  EXPECT_EQ(plug.controller->getParamNormalized(0x10000), 1.0);
}

TEST(State, ARefusedStateChangesNothingTheHostCanSee)
{
  Instance plug(createComponent());
  ASSERT_EQ(plug.setState(chunk(kTag201, kLoaded, 1)), kResultOk);
  const std::vector<uint8_t> before = plug.getState();
  auto hostValues = [&] {
    std::vector<double> v;
    for (ParamID id = 0; id < 10; ++id)
      v.push_back(plug.controller->getParamNormalized(id));
    v.push_back(plug.controller->getParamNormalized(0x10000));
    return v;
  };
  const std::vector<double> shown = hostValues();
  auto expectRefused = [&](std::vector<uint8_t> bytes, const std::string& what) {
    EXPECT_NE(plug.setState(std::move(bytes)), kResultOk) << what;
    EXPECT_EQ(plug.getState(), before) << what;
    EXPECT_EQ(hostValues(), shown) << what;
  };

  const std::vector<uint8_t> other = chunk(kTag201, {0, 0.5, 0.1, -0.3, 0.2, 0.8, 0.25, 0, 0.0, 1}, 0);
  for (size_t n = 0; n < other.size(); ++n)
    expectRefused(std::vector<uint8_t>(other.begin(), other.begin() + static_cast<long>(n)), "first " + std::to_string(n) + " bytes");
  expectRefused(chunk("Mistlegrove Phaser_2.1.0", kLoaded, 0), "a later release");
  std::vector<uint8_t> huge = other;
  huge.resize((1 << 20) + 1); // past the frame's limit, however well the state begins
  expectRefused(huge, "a stream above 1 MiB");
  for (size_t i = 0; i < std::strlen(kTag201); ++i)
  {
    std::vector<uint8_t> flipped = other;
    flipped[i] ^= 1;
    if (std::memcmp(flipped.data(), kTag200, std::strlen(kTag200)) != 0) // one flip from the old tag
      expectRefused(flipped, "bit flipped in tag byte " + std::to_string(i));
  }
}

TEST(State, AStreamThatClaimsMoreThanItWasAskedForIsRefused)
{
  // It delivers the whole state at once, then says a thousand bytes more came.
  struct LyingStream : TestStream
  {
    using TestStream::TestStream;
    tresult PLUGIN_API read(void* buffer, int32 n, int32* got) override
    {
      const tresult result = TestStream::read(buffer, n, got);
      if (*got > 0)
        *got += 1000;
      return result;
    }
  };
  Instance plug(createComponent());
  EXPECT_NE(plug.component->setState(owned(new LyingStream(chunk(kTag201, kLoaded, 1)))), kResultOk);
  EXPECT_EQ(plug.getState(), chunk(kTag201, std::vector<double>(kDefaults, kDefaults + 10), 0));
}

TEST(State, EmptyStreamChangesNothing)
{
  Instance plug(createComponent());
  EXPECT_NE(plug.setState({}), kResultOk);
  EXPECT_EQ(savedValues(plug), std::vector<double>(kDefaults, kDefaults + 10));
}

TEST(State, WaveLabStreamsAreReadPastErrors)
{
  // The first read delivers 64 bytes and reports an error.
  Instance wavelab(createComponent(), "WaveLab 12");
  EXPECT_EQ(wavelab.setState(chunk(kTag201, kLoaded, 0), 0, 64), kResultOk);
  EXPECT_EQ(savedValues(wavelab), kLoaded);

  Instance elements(createComponent(), "WaveLab Elements 12");
  EXPECT_NE(elements.setState(chunk(kTag201, kLoaded, 0), 0, 64), kResultOk);
  EXPECT_EQ(savedValues(elements), std::vector<double>(kDefaults, kDefaults + 10));
}
