// Times one build of the plug-in against another in one run, both loaded the way a host
// loads them: the development build's module beside the release package's, so that what
// users install is measured against what the other benchmarks measure. Each stage count
// gets an instance of each module with bench_plugin's busy setting, and the two take turns
// at slices of whole process calls of 64 frames (A B, then B A, so that neither always goes
// first); a round's figures are medians over its slices, and B/A is the median of the
// ratios of neighbouring slices, so a busy machine slows both sides of a ratio alike.
//   compare_modules [--rounds N] [--pairs N] [--calls N] [--cpu N] [--max-ratio R] A B
// A and B: two .vst3 bundles, two .clap files, or two LV2 bundles (or their signal-path
// .so). --cpu pins the run to that core; --max-ratio fails the run (exit 1) when B/A over
// all rounds exceeds R at either stage count.
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/BusySettings.h"

namespace {
using namespace bench;

constexpr int kBlock = 64;

bool EndsWith(const std::string& s, const std::string& tail)
{
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

/** One instance of a module, started with the busy setting. */
class Module
{
public:
  virtual ~Module() = default;
  /** One process call of kBlock frames; false with a reason when the plug-in fails it. */
  virtual bool Run(std::string& error) = 0;
};

class HostedModule : public Module
{
public:
  bool Start(const std::string& path, bool eightStages, std::string& error)
  {
    return StartBusy(mHost, path, eightStages, kBlock, error);
  }
  bool Run(std::string& error) override { return mHost.Process(kBlock, error); }

private:
  render::PluginHost mHost;
};

class Lv2Module : public Module
{
public:
  explicit Lv2Module(const LV2_Descriptor* d) : mInstance(d, kBlock, true, kSampleRate) {}
  bool Start(bool eightStages) { return StartBusy(mInstance, eightStages, kBlock); }
  bool Run(std::string&) override
  {
    mInstance.d->run(mInstance.handle, kBlock);
    return true;
  }

private:
  Lv2Instance mInstance;
};

/** A bundle's signal-path module: <name>.lv2/Contents/x86_64-linux/<name>.so. */
std::string Lv2ModulePath(const std::string& path)
{
  if (!EndsWith(path, ".lv2"))
    return path;
  const size_t slash = path.find_last_of('/');
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  return path + "/Contents/x86_64-linux/" + name.substr(0, name.size() - 4) + ".so";
}

bool IsLv2(const std::string& path) { return !EndsWith(path, ".vst3") && !EndsWith(path, ".clap"); }

std::unique_ptr<Module> Open(const std::string& path, bool eightStages, std::string& error)
{
  if (IsLv2(path))
  {
    const std::string so = Lv2ModulePath(path);
    const LV2_Descriptor* d = Lv2DescriptorAt(so.c_str());
    auto m = d ? std::make_unique<Lv2Module>(d) : nullptr;
    if (!m || !m->Start(eightStages))
    {
      error = "no LV2 plug-in in " + so;
      return nullptr;
    }
    return m;
  }
  auto m = std::make_unique<HostedModule>();
  if (!m->Start(path, eightStages, error))
    return nullptr;
  return m;
}

/** Seconds for calls process calls; negative, with a reason, when one fails. */
double TimeSlice(Module& m, int calls, std::string& error)
{
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i)
    if (!m.Run(error))
      return -1.0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v)
{
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

struct Options
{
  int rounds = 3, pairs = 300, calls = 1000, cpu = -1;
  double maxRatio = 0.0;
  std::string a, b;
};

bool ParseOptions(int argc, char** argv, Options& o)
{
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i)
  {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--rounds" && hasValue)
      o.rounds = std::atoi(argv[++i]);
    else if (arg == "--pairs" && hasValue)
      o.pairs = std::atoi(argv[++i]);
    else if (arg == "--calls" && hasValue)
      o.calls = std::atoi(argv[++i]);
    else if (arg == "--cpu" && hasValue)
      o.cpu = std::atoi(argv[++i]);
    else if (arg == "--max-ratio" && hasValue)
      o.maxRatio = std::atof(argv[++i]);
    else if (arg.rfind("--", 0) == 0)
      return false;
    else
      paths.push_back(arg);
    while (!paths.empty() && paths.back().size() > 1 && paths.back().back() == '/')
      paths.back().pop_back();
  }
  if (paths.size() != 2 || o.rounds < 1 || o.pairs < 1 || o.calls < 1)
    return false;
  o.a = paths[0];
  o.b = paths[1];
  return IsLv2(o.a) == IsLv2(o.b) && EndsWith(o.a, ".clap") == EndsWith(o.b, ".clap");
}

} // namespace

int main(int argc, char** argv)
{
  Options o;
  if (!ParseOptions(argc, argv, o))
  {
    std::fprintf(stderr, "usage: compare_modules [--rounds N] [--pairs N] [--calls N] [--cpu N] [--max-ratio R] A B\n"
                         "  A, B: two .vst3 bundles, two .clap files or two LV2 bundles\n");
    return 2;
  }
  if (o.cpu >= 0)
  {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(o.cpu, &set);
    if (sched_setaffinity(0, sizeof(set), &set) != 0)
    {
      std::fprintf(stderr, "compare_modules: cannot pin the run to core %d\n", o.cpu);
      return 1;
    }
  }

  const int stageCounts[] = {4, 8};
  std::unique_ptr<Module> modules[2][2]; // [stage count][A, B]
  for (int s = 0; s < 2; ++s)
  {
    for (int which = 0; which < 2; ++which)
    {
      std::string error;
      modules[s][which] = Open(which ? o.b : o.a, stageCounts[s] == 8, error);
      if (!modules[s][which])
      {
        std::fprintf(stderr, "compare_modules: %s: %s\n", (which ? o.b : o.a).c_str(), error.c_str());
        return 1;
      }
    }
  }

  std::printf("A: %s\nB: %s\n%d rounds of %d pairs of %d calls of %d frames\n", o.a.c_str(), o.b.c_str(), o.rounds,
              o.pairs, o.calls, kBlock);
  std::printf("stages  round  A ns/frame  B ns/frame     B/A\n");
  const double framesPerSlice = static_cast<double>(o.calls) * kBlock;
  std::vector<double> allRatios[2];
  for (int round = 1; round <= o.rounds; ++round)
  {
    for (int s = 0; s < 2; ++s)
    {
      Module* pair[2] = {modules[s][0].get(), modules[s][1].get()};
      std::string error;
      // Warm: caches and branch predictors on each side.
      double t[2] = {TimeSlice(*pair[0], o.calls, error), TimeSlice(*pair[1], o.calls, error)};
      std::vector<double> seconds[2], ratios;
      for (int p = 0; p < o.pairs && t[0] >= 0.0 && t[1] >= 0.0; ++p)
      {
        const int first = p % 2;
        t[first] = TimeSlice(*pair[first], o.calls, error);
        t[1 - first] = TimeSlice(*pair[1 - first], o.calls, error);
        seconds[0].push_back(t[0]);
        seconds[1].push_back(t[1]);
        ratios.push_back(t[1] / t[0]);
      }
      if (t[0] < 0.0 || t[1] < 0.0)
      {
        std::fprintf(stderr, "compare_modules: a process call failed: %s\n", error.c_str());
        return 1;
      }
      allRatios[s].insert(allRatios[s].end(), ratios.begin(), ratios.end());
      std::printf("%6d  %5d  %10.3f  %10.3f  %6.3f\n", stageCounts[s], round, Median(seconds[0]) / framesPerSlice * 1e9,
                  Median(seconds[1]) / framesPerSlice * 1e9, Median(ratios));
      std::fflush(stdout);
    }
  }
  bool within = true;
  for (int s = 0; s < 2; ++s)
  {
    const double ratio = Median(allRatios[s]);
    std::printf("%6d    all                          %6.3f\n", stageCounts[s], ratio);
    if (o.maxRatio > 0.0 && ratio > o.maxRatio)
      within = false;
  }
  if (!within)
  {
    std::fprintf(stderr, "compare_modules: B is slower than A by more than %.3f\n", o.maxRatio);
    return 1;
  }
  return 0;
}
