// The real plug-in's editor opened and closed a hundred times in one process, as a host
// does when a user clicks through tracks: every window, connection, descriptor and byte the
// editor takes is given back each time. Under AddressSanitizer the leak check at exit
// covers what this test cannot see.

#include <gtest/gtest.h>

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include "e2e/X11TestSupport.h"
#include "apps/render/EditorWindowX11.h"
#include "apps/render/PluginHost.h"
#include "apps/render/Vst3Plugin.h"

#include <dirent.h>
#include <malloc.h>
#include <string>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define MG_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MG_ASAN 1
#endif
#endif
#ifdef MG_ASAN
// The sanitizer runtime's own count; GCC ships no header for it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace Steinberg;

namespace {

constexpr int kCycles = 100;

size_t HeapInUse()
{
#ifdef MG_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
#endif
}

int OpenDescriptors()
{
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd"))
  {
    while (readdir(d))
      ++n;
    closedir(d);
  }
  return n;
}

int TopLevelWindows(e2e::TestX& x)
{
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  XQueryTree(x.display(), x.Root(), &root, &parent, &children, &n);
  if (children)
    XFree(children);
  return static_cast<int>(n);
}


class PluginEditorCycles : public e2e::XTestCase
{
};

TEST_F(PluginEditorCycles, OpeningAndClosingTheEditorAHundredTimesLeavesNothingBehind)
{
  alarm(600); // a hundred editors take a while under the sanitizers
  render::PluginHost host;
  std::string error;
  ASSERT_TRUE(host.Load(MG_TEST_BUNDLE, error)) << error;
  render::ProcessSettings settings;
  ASSERT_TRUE(host.Start(settings, error)) << error;
  const auto* vst3 = dynamic_cast<const render::Vst3Plugin*>(host.Plugin());
  ASSERT_NE(vst3, nullptr);
  Vst::IEditController* controller = vst3->EditController();
  ASSERT_NE(controller, nullptr);

  e2e::TestX x;
  size_t heapAfterWarmUp = 0;
  int descriptorsAfterWarmUp = 0, windowsAfterWarmUp = 0;
  int painted = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle)
  {
    IPtr<IPlugView> view = owned(controller->createView(Vst::ViewType::kEditor));
    ASSERT_TRUE(view);
    const std::string title = "cycle " + std::to_string(cycle);
    int idles = 0;
    bool processed = true;
    auto idle = [&] {
      processed = processed && host.Process(0, error);
      if (++idles != 3)
        return;
      const Window w = x.WaitForTitle(title.c_str(), 2000);
      ASSERT_NE(w, 0u);
      // The middle of the stages switch: artwork, never the black of an unpainted window.
      int wx, wy, width, height;
      x.Geometry(w, wx, wy, width, height);
      painted += x.PixelAt(w, width * 90 / 1440, height * 248 / 348) != 0;
      x.Close(w);
    };
    ASSERT_TRUE(render::RunEditorView(view.get(), title, idle, error)) << "cycle " << cycle << ": " << error;
    ASSERT_TRUE(processed) << error;
    ASSERT_GE(idles, 3);
    view = nullptr;
    if (cycle == 9)
    {
      // Caches that fill once (fonts, decoded artwork) are full by now.
      heapAfterWarmUp = HeapInUse();
      descriptorsAfterWarmUp = OpenDescriptors();
      windowsAfterWarmUp = TopLevelWindows(x);
    }
  }
  EXPECT_EQ(painted, kCycles) << "every editor drew its artwork before it was closed";
  EXPECT_EQ(OpenDescriptors(), descriptorsAfterWarmUp) << "an X connection or other descriptor was kept";
  EXPECT_EQ(TopLevelWindows(x), windowsAfterWarmUp) << "a window outlived its editor";
  const size_t heap = HeapInUse();
  // Ninety editors of about 7 MiB each: a leak of any one surface or bitmap would show.
  EXPECT_LT(heap, heapAfterWarmUp + 256 * 1024) << "heap grew from " << heapAfterWarmUp << " to " << heap;
  host.Stop();
}

} // namespace
