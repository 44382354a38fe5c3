// Cost of the editor's drawing: the redraw after one knob step at scale 1.0 (only what is
// dirty), and a full redraw of the largest window, 2880 x 696. Each also reports the
// editor's memory: its window surface and the decoded bitmaps with their scaled copies.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "editor/IGraphics.h"
#include "editor/trellowphaser.editor.h"
#include "effect/trellowphaser.h"
#include "graphics/Image.h"

namespace {

namespace fs = std::filesystem;
using frame::graphics::IControl;
using frame::graphics::IGraphics;

/** An editor opened offscreen at a stored scale, under a scratch HOME and with a resource
 *  folder of links to the project's bitmaps and the system font. */
class BenchEditor
{
public:
  explicit BenchEditor(const char* scale)
  {
    char tmpl[] = "/tmp/mg-bench-editor-XXXXXX";
    mDir = mkdtemp(tmpl);
    const fs::path resources = mDir / "resources";
    fs::create_directories(resources);
    for (const char* name : {"back.png", "knob.png", "switch.png", "stages.png"})
      fs::create_symlink(fs::path(MG_BENCH_RESOURCES) / name, resources / name);
    fs::create_symlink(MG_BENCH_FONT, resources / "Roboto-Regular.ttf");
    const fs::path settings = mDir / "Library/Application Support/MistlegroveMusic";
    fs::create_directories(settings);
    std::ofstream(settings / "trellowphaser.ini") << "[Editor]\nScale=" << scale << "\n";

    if (const char* home = getenv("HOME"))
      mOldHome = home;
    setenv("HOME", mDir.c_str(), 1);
    TrellowPhaserEditor::setEditorResourcePath(resources.c_str());
    frame::graphics::SetEditorFactory(&frame::graphics::MakePluginEditor);
    mEffect = std::make_unique<TrellowPhaser>(frame::InstanceInfo{});
    mEffect->OnParamReset(frame::kSourceReset);
    static char parent;
    mEffect->OpenWindow(&parent);
    mGraphics = dynamic_cast<IGraphics*>(mEffect->GetUI());
  }
  ~BenchEditor()
  {
    mEffect.reset();
    setenv("HOME", mOldHome.c_str(), 1);
    std::error_code ec;
    fs::remove_all(mDir, ec);
  }

  IGraphics* Graphics() const { return mGraphics; }

  /** Window surface plus decoded bitmaps and their resampled copies, in bytes. */
  double MemoryBytes() const
  {
    double bytes = 4.0 * mGraphics->GetSurface().Width() * mGraphics->GetSurface().Height();
    const std::pair<const char*, int> bitmaps[] = {{"back.png", 1}, {"knob.png", 65}, {"switch.png", 2}, {"stages.png", 2}};
    for (const auto& [name, frames] : bitmaps)
      if (const auto* image = mGraphics->LoadBitmap(name, frames).GetAPIBitmap())
        bytes += 4.0 * image->PixelWidth() * image->PixelHeight() + static_cast<double>(image->ScaledBytes());
    return bytes;
  }

private:
  fs::path mDir;
  std::string mOldHome;
  std::unique_ptr<TrellowPhaser> mEffect;
  IGraphics* mGraphics = nullptr;
};

void BM_RedrawAfterKnobStep(benchmark::State& state)
{
  BenchEditor editor("1.0");
  IGraphics* g = editor.Graphics();
  if (!g)
  {
    state.SkipWithError("the editor did not open");
    return;
  }
  g->DrawAll();
  IControl* knob = g->GetControlWithParamIdx(kParamLFODepth);
  double value = 0.5;
  double step = 0.01;
  for (auto _ : state)
  {
    // One wheel step's worth, sent on to the effect as a user's change, then the redraw.
    if (value + step > 1.0 || value + step < 0.0)
      step = -step;
    value += step;
    knob->SetValue(value);
    knob->SetDirty(true);
    benchmark::DoNotOptimize(g->DrawDirty());
  }
  state.counters["memory_MiB"] = editor.MemoryBytes() / (1024.0 * 1024.0);
}
BENCHMARK(BM_RedrawAfterKnobStep)->Unit(benchmark::kMicrosecond);

void BM_FullRedrawLargestWindow(benchmark::State& state)
{
  BenchEditor editor("2.0");
  IGraphics* g = editor.Graphics();
  if (!g || g->WindowWidth() != 2880 || g->WindowHeight() != 696)
  {
    state.SkipWithError("the editor did not open at 2880 x 696");
    return;
  }
  g->DrawAll(); // the first draw at a scale resamples the bitmaps once
  for (auto _ : state)
  {
    g->DrawAll();
    benchmark::ClobberMemory();
  }
  state.counters["memory_MiB"] = editor.MemoryBytes() / (1024.0 * 1024.0);
}
BENCHMARK(BM_FullRedrawLargestWindow)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
