#include "apps/render/Render.h"

#include <algorithm>
#include <vector>

#include "apps/render/Progress.h"

namespace render {

namespace {

// A ring without end (a tail hosts read as infinite) still ends the file.
constexpr double kMaxTailSeconds = 60.0;

struct Buffers32
{
  static float* In(PluginHost& host, int ch) { return host.Input32(ch); }
  static float* Out(PluginHost& host, int ch) { return host.Output32(ch); }
};

struct Buffers64
{
  static double* In(PluginHost& host, int ch) { return host.Input64(ch); }
  static double* Out(PluginHost& host, int ch) { return host.Output64(ch); }
};

template <typename T, typename Buffers>
int64_t Run(PluginHost& host, AudioSource& source, AudioSink& sink, const ProcessSettings& settings,
            bool showProgress, std::string& error)
{
  const int32_t block = settings.maxBlockSize;
  const int sourceChannels = source.Channels();
  std::vector<T> in(static_cast<size_t>(block) * sourceChannels);
  std::vector<T> out(static_cast<size_t>(block) * 2);
  T* inputs[2] = {Buffers::In(host, 0), Buffers::In(host, 1)};
  T* outputs[2] = {Buffers::Out(host, 0), Buffers::Out(host, 1)};
  if (!outputs[0])
  {
    error = "the plug-in's output buffers are missing";
    return -1;
  }

  int64_t skip = host.LatencySamples();
  // Asked again where the input ends: the values set reach the plug-in with the first call.
  auto tail = [&] {
    return settings.renderTail ? std::min<int64_t>(host.TailSamples(), static_cast<int64_t>(kMaxTailSeconds * settings.sampleRate)) : 0;
  };
  int64_t silence = skip;
  bool sourceDone = false;
  int64_t written = 0;
  int64_t zeroed = 0; // leading input samples the last block left at zero after the source
  Progress progress(source.Frames() + tail(), showProgress);

  for (;;)
  {
    int64_t n = 0;
    if (!sourceDone)
    {
      n = source.Read(in.data(), block);
      if (n < 0)
      {
        error = source.Error();
        return -1;
      }
      sourceDone = n == 0;
      if (sourceDone)
        silence += tail();
    }
    if (sourceDone)
    {
      n = std::min<int64_t>(block, silence);
      if (n == 0)
        break;
      silence -= n;
      std::fill(in.begin(), in.end(), T(0));
    }

    // Through the tail the input stays silent: the host is told so rather than given it anew.
    if (sourceDone && n <= zeroed)
      host.InputUnchanged();
    else
    {
      for (int ch = 0; ch < 2; ++ch)
      {
        if (!inputs[ch])
          continue;
        const int from = std::min(ch, sourceChannels - 1);
        for (int64_t i = 0; i < n; ++i)
          inputs[ch][i] = in[i * sourceChannels + from];
      }
      zeroed = sourceDone ? n : 0;
    }
    if (!host.Process(static_cast<int32_t>(n), error))
      return -1;
    for (int ch = 0; ch < 2; ++ch)
    {
      // A mono output is heard on both sides.
      const T* o = outputs[ch] ? outputs[ch] : outputs[0];
      for (int64_t i = 0; i < n; ++i)
        out[2 * i + ch] = o[i];
    }

    const int64_t skipped = std::min(skip, n);
    skip -= skipped;
    if (!sink.Write(out.data() + 2 * skipped, n - skipped, error))
      return -1;
    written += n - skipped;
    progress.Update(written);
  }
  progress.Finish();
  return written;
}

} // namespace

int64_t RenderThrough(PluginHost& host, AudioSource& source, AudioSink& sink, const ProcessSettings& settings,
                      bool showProgress, std::string& error)
{
  if (source.Channels() < 1)
  {
    error = "the input has no channels";
    return -1;
  }
  return settings.doublePrecision ? Run<double, Buffers64>(host, source, sink, settings, showProgress, error)
                                  : Run<float, Buffers32>(host, source, sink, settings, showProgress, error);
}

} // namespace render
