// The signal path as a format's DSP-only module links it: no editor, no window system, no
// network. Makes an instance the way a binding does and runs it once.
#include <cmath>
#include <cstdio>
#include <memory>

#include "frame/AudioThread.h"
#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"

int main()
{
  std::unique_ptr<frame::IFramePlugin> plug(frame::CreatePlugin());
  plug->Initialize("dsp only");
  plug->SetupProcessing(48000.0, 64);
  plug->SetActive(true);
  double l[64], r[64];
  for (int i = 0; i < 64; ++i)
    l[i] = r[i] = std::sin(0.1 * i);
  const double* in[2] = {l, r};
  double* out[2] = {l, r};
  {
    frame::AudioThreadScope audio;
    plug->ProcessBuffers(in, 2, out, 2, 64);
  }
  frame::IByteChunk state;
  const bool ok = plug->SaveState(state) && plug->LoadState(state) && std::isfinite(l[63]) && !plug->GetEditor();
  std::printf("%s: %s\n", frame::PluginDescriptor().name, ok ? "processed" : "failed");
  return ok ? 0 : 1;
}
