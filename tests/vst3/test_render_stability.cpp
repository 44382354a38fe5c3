// Renders as real sessions make them: automation that jumps, presets recalled mid-play,
// hosts that run different pre-roll before an export, and a project reloaded at another
// sample rate than the one the instance was created for.
#include <cmath>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "vst3/Bundle.h"

using namespace mgtest;

namespace {

constexpr ParamID kFeedback = 3, kSync = 7, kProgram = 0x10001;

/** Drives one instance block by block with a transport, in 32-bit like most hosts. */
struct Session
{
  explicit Session(int32 maxBlock = 4096) : plug(createComponent())
  {
    plug.setup(kSample32, maxBlock);
    context.sampleRate = 48000.0;
    context.tempo = 120.0;
    context.timeSigNumerator = context.timeSigDenominator = 4;
  }

  /** One block of the given stereo input; returns the interleaved-free outputs. */
  std::vector<std::vector<double>> block(const std::vector<double>& left, const std::vector<double>& right,
                                         const std::vector<Change>& changes = {})
  {
    HostProcessData data;
    const int32 n = static_cast<int32>(left.size());
    data.prepare(*plug.component, n, kSample32);
    data.numSamples = n;
    ParameterChanges queue;
    fillChanges(queue, changes);
    data.inputParameterChanges = &queue;
    data.processContext = withContext ? &context : nullptr;
    for (int32 i = 0; i < n; ++i)
    {
      data.inputs[0].channelBuffers32[0][i] = static_cast<float>(left[static_cast<size_t>(i)]);
      data.inputs[0].channelBuffers32[1][i] = static_cast<float>(right[static_cast<size_t>(i)]);
    }
    plug.processor->process(data);
    std::vector<std::vector<double>> out(2, std::vector<double>(static_cast<size_t>(n)));
    for (int32 c = 0; c < 2; ++c)
      for (int32 i = 0; i < n; ++i)
        out[static_cast<size_t>(c)][static_cast<size_t>(i)] = data.outputs[0].channelBuffers32[c][i];
    if (context.state & ProcessContext::kPlaying)
      context.projectTimeMusic += n / 48000.0 * context.tempo / 60.0;
    return out;
  }

  Instance plug;
  ProcessContext context{};
  bool withContext = true;
};

std::vector<double> noise(std::mt19937& rng, int n, double amplitude)
{
  std::uniform_real_distribution<double> d(-amplitude, amplitude);
  std::vector<double> x(static_cast<size_t>(n));
  for (double& v : x)
    v = d(rng);
  return x;
}

/** Largest magnitude over both channels; infinity once anything is not finite. */
double peakOf(const std::vector<std::vector<double>>& out)
{
  double peak = 0.0;
  for (const auto& channel : out)
    for (double v : channel)
      peak = std::isfinite(v) ? std::max(peak, std::fabs(v)) : INFINITY;
  return peak;
}

} // namespace

// A full-scale sine at the loop's resonance reaches about +40 dBFS. Full-scale noise through
// a sweep at the strongest feedback reaches about +43 dBFS with steady settings, and the
// transients of settings that jump at that feedback somewhat more; a loop that runs away
// passes any bound within a second.
constexpr double kLoudestSane = 110.0;
constexpr double kLoudestTransient = 1000.0;

TEST(RenderStability, FeedbackSwitchedBetweenItsExtremesStaysBounded)
{
  for (int blockSize : {64, 4096})
  {
    Session s;
    std::mt19937 rng(7);
    double peak = 0.0;
    for (int b = 0; b < 4000 * 64 / blockSize + 8; ++b)
      peak = std::max(peak, peakOf(s.block(noise(rng, blockSize, 0.5), noise(rng, blockSize, 0.5),
                                           {{kFeedback, 0, b % 2 ? 1.0 : 0.0}})));
    EXPECT_LT(peak, kLoudestSane) << "blocks of " << blockSize;
  }
}

TEST(RenderStability, PresetsRecalledInTurnStayBounded)
{
  Session s(512);
  std::mt19937 rng(8);
  double peak = 0.0;
  for (int b = 0; b < 2000; ++b)
  {
    if (b % 8 == 0) // "Feedbacker" and "Aliens"
      s.plug.controller->setParamNormalized(kProgram, (b / 8) % 2 ? 8.0 / 9.0 : 1.0);
    peak = std::max(peak, peakOf(s.block(noise(rng, 512, 1.0), noise(rng, 512, 1.0))));
  }
  EXPECT_LT(peak, kLoudestSane);
}

TEST(RenderStability, EveryParameterWanderingAtRandomBlockSizesStaysBounded)
{
  Session s;
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> size(1, 4096);
  double values[10] = {};
  double peak = 0.0;
  for (int b = 0; b < 3000; ++b)
  {
    std::vector<Change> changes;
    for (ParamID id = 0; id < 10; ++id)
    {
      values[id] = std::clamp(values[id] + (unit(rng) - 0.5) * 0.6, 0.0, 1.0);
      changes.push_back({id, 0, values[id]});
    }
    const int n = size(rng);
    peak = std::max(peak, peakOf(s.block(noise(rng, n, 1.0), noise(rng, n, 1.0), changes)));
  }
  EXPECT_LT(peak, kLoudestTransient);
}

TEST(RenderReproducibility, PreRollBeforePlaybackDoesNotChangeASyncedRender)
{
  // Two hosts, the same session, different numbers of idle blocks before the export starts.
  auto render = [](int preRollBlocks, int blockSize) {
    Session s;
    const std::vector<double> silence(static_cast<size_t>(blockSize), 0.0);
    s.block(silence, silence, {{kSync, 0, 1.0}});
    for (int b = 0; b < preRollBlocks; ++b)
      s.block(silence, silence);
    s.context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid;
    s.context.projectTimeMusic = 8.0;
    std::mt19937 rng(10);
    std::vector<double> out;
    for (int b = 0; b < 48000 * 2 / 512; ++b)
    {
      const auto o = s.block(noise(rng, 512, 0.5), noise(rng, 512, 0.5));
      out.insert(out.end(), o[0].begin(), o[0].end());
    }
    return out;
  };
  const std::vector<double> first = render(3, 512);
  for (auto [blocks, size] : {std::pair{10, 512}, {7, 100}, {1, 37}})
    EXPECT_EQ(render(blocks, size), first) << blocks << " blocks of " << size << " before playback";
}

TEST(RenderReproducibility, AReloadedProjectSweepsLikeTheFreshInstance)
{
  // A fresh instance at 48 kHz, and one whose state was saved and loaded back.
  auto render = [](bool reload) {
    Session s(512);
    if (reload)
      s.plug.setState(s.plug.getState());
    s.plug.processor->setProcessing(false); // a reset: the render starts from here
    s.plug.processor->setProcessing(true);
    std::mt19937 rng(11);
    std::vector<double> out;
    for (int b = 0; b < 48000 * 4 / 512; ++b)
    {
      const auto o = s.block(noise(rng, 512, 0.5), noise(rng, 512, 0.5));
      out.insert(out.end(), o[1].begin(), o[1].end());
    }
    return out;
  };
  EXPECT_EQ(render(true), render(false));
}

TEST(RenderReproducibility, AnExportSoundsTheSameWhereverTheHostStartsPlaybackAndItsBlocks)
{
  // Layouts a host used for exports of one session: playback starts at a pre-roll of its
  // choosing, its blocks fall differently on the timeline, and it tells each block's position
  // rounded to its ticks of 1/1920 quarter note (12.5 samples here). From the export's start
  // at 0 on, the synced sweep and the filter must be the same to the bit.
  struct Layout
  {
    int idleBlocks;
    int64_t start;
    std::vector<int> blocks; // then blocks of 1024
  };
  auto render = [](const Layout& layout) {
    Session s(1024);
    const std::vector<double> idle(1024, 0.0);
    s.block(idle, idle, {{kSync, 0, 1.0}});
    for (int b = 0; b < layout.idleBlocks; ++b)
      s.block(idle, idle);
    s.context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid;
    std::vector<double> out;
    int64_t pos = layout.start;
    for (size_t b = 0; pos < 48000 * 4; ++b)
    {
      const int n = b < layout.blocks.size() ? layout.blocks[b] : 1024;
      s.context.projectTimeSamples = pos;
      s.context.projectTimeMusic = std::round(static_cast<double>(pos) / 12.5) / 1920.0;
      std::vector<double> left(static_cast<size_t>(n)), right(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i)
      {
        const double t = static_cast<double>(pos + i);
        left[static_cast<size_t>(i)] = t < 0 ? 0.0 : 0.3 * std::sin(t * 0.0287) + 0.1 * std::sin(t * t * 1e-7);
        right[static_cast<size_t>(i)] = t < 0 ? 0.0 : 0.3 * std::sin(t * 0.0431);
      }
      const auto o = s.block(left, right);
      for (int i = 0; i < n; ++i)
        if (pos + i >= 0)
          for (int c = 0; c < 2; ++c)
            out.push_back(o[static_cast<size_t>(c)][static_cast<size_t>(i)]);
      pos += n;
    }
    out.resize(48000 * 4 * 2);
    return out;
  };
  const std::vector<double> first = render({143, -1776, {1024, 752, 272}});
  EXPECT_EQ(render({140, -1024, {752, 272}}), first);
  EXPECT_EQ(render({3, -3000, {100, 37, 1000, 999}}), first);
}

TEST(RenderReproducibility, ABlockWithoutAContextPlaysOnAsTheSongDoes)
{
  // A host that leaves the context out of some blocks while it plays: the last one told
  // stands for them, and brings no news. The synced sweep runs on as with every context.
  auto render = [](bool dropSome) {
    Session s(512);
    s.context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid;
    std::vector<double> out;
    const std::vector<double> left(512, 0.25), right(512, -0.25);
    for (int b = 0; b < 200; ++b)
    {
      s.context.projectTimeSamples = b * 512;
      s.context.projectTimeMusic = b * 512 / 24000.0;
      s.withContext = !dropSome || b % 3 != 2 || b < 10;
      const auto o = s.block(left, right, b == 0 ? std::vector<Change>{{kSync, 0, 1.0}} : std::vector<Change>{});
      out.insert(out.end(), o[0].begin(), o[0].end());
    }
    return out;
  };
  EXPECT_EQ(render(true), render(false));
}
