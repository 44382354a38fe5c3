#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "apps/render/DemoSignal.h"

using render::DemoSignal;

namespace {

std::vector<double> ReadAll(DemoSignal& demo, int block)
{
  std::vector<double> all, buf(static_cast<size_t>(block) * 2);
  int64_t n = 0;
  while ((n = demo.Read(buf.data(), block)) > 0)
    all.insert(all.end(), buf.begin(), buf.begin() + 2 * n);
  return all;
}

} // namespace

TEST(DemoSignal, SixSecondsOfStereoAt48kHz)
{
  DemoSignal demo;
  EXPECT_EQ(demo.Channels(), 2);
  EXPECT_EQ(demo.SampleRate(), 48000);
  EXPECT_EQ(demo.Frames(), 6 * 48000);
  EXPECT_EQ(ReadAll(demo, 1000).size(), static_cast<size_t>(2 * 6 * 48000));
}

TEST(DemoSignal, TheSameSamplesWhateverTheReadsAndSampleType)
{
  DemoSignal a, b, c;
  const std::vector<double> x = ReadAll(a, 512);
  const std::vector<double> y = ReadAll(b, 37);
  EXPECT_EQ(x, y);
  std::vector<float> f(2 * 1000);
  ASSERT_EQ(c.Read(f.data(), 1000), 1000);
  for (size_t i = 0; i < f.size(); ++i)
    ASSERT_EQ(f[i], static_cast<float>(x[i])) << i;
}

TEST(DemoSignal, LoudEnoughToHearWithHeadroomAndDifferentSides)
{
  DemoSignal demo;
  const std::vector<double> x = ReadAll(demo, 4096);
  double peak = 0.0, energy = 0.0, sideEnergy = 0.0;
  for (size_t i = 0; i + 1 < x.size(); i += 2)
  {
    peak = std::max({peak, std::abs(x[i]), std::abs(x[i + 1])});
    energy += x[i] * x[i] + x[i + 1] * x[i + 1];
    sideEnergy += (x[i] - x[i + 1]) * (x[i] - x[i + 1]);
  }
  const double rms = std::sqrt(energy / static_cast<double>(x.size()));
  EXPECT_LT(peak, 0.7);
  EXPECT_GT(rms, 0.05);
  EXPECT_GT(sideEnergy, energy * 0.01) << "the channels differ, so stereo settings can be heard";
  EXPECT_LT(std::abs(x[0]), 1e-3) << "starts from silence, without a click";
  EXPECT_LT(std::abs(x[x.size() - 2]), 1e-3) << "ends in silence";
}
