#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "apps/render/Silence.h"

namespace {

// Every length around the vector steps, every position of a single sound: a scan that
// skips a tail or a head calls sound silence, which would put a playing plug-in to sleep.
template <typename T, typename Scan>
void checkEveryPosition(Scan allZero)
{
  for (int64_t n : {1, 2, 3, 7, 8, 15, 16, 17, 31, 33, 63, 64, 65, 100, 512})
  {
    std::vector<T> x(static_cast<size_t>(n) + 1, T(0));
    const T* at = x.data() + 1; // not aligned to the vector size
    EXPECT_TRUE(allZero(at, n)) << n;
    for (int64_t i = 0; i < n; ++i)
    {
      x[static_cast<size_t>(i) + 1] = std::numeric_limits<T>::denorm_min();
      EXPECT_FALSE(allZero(at, n)) << n << " at " << i;
      x[static_cast<size_t>(i) + 1] = T(-0.0);
      EXPECT_TRUE(allZero(at, n)) << n << " with -0 at " << i;
    }
  }
}

TEST(Silence, AnySampleThatSoundsIsFoundAndNegativeZeroIsSilence)
{
  checkEveryPosition<float>(render::AllZero<float>);
  checkEveryPosition<double>(render::AllZero<double>);
  // Whichever one the processor picks, both ways of reading are checked where they can run.
  checkEveryPosition<float>(render::silence::AllZeroNarrow<float>);
  checkEveryPosition<double>(render::silence::AllZeroNarrow<double>);
  if (render::silence::kWideLoads)
  {
    checkEveryPosition<float>(render::silence::AllZeroWide<float>);
    checkEveryPosition<double>(render::silence::AllZeroWide<double>);
  }
}

TEST(Silence, QuietChannelsFlagsEachChannelAndNullAsQuiet)
{
  std::vector<float> quiet(64, 0.0f), loud(64, 0.0f);
  loud[63] = 0.5f;
  const float* channels[3] = {loud.data(), quiet.data(), nullptr};
  EXPECT_EQ(render::QuietChannels(channels, 3, 64), 6u);
  EXPECT_EQ(render::QuietChannels(channels, 3, 63), 7u); // the sound lies past the frames
}

} // namespace
