// Arbitrary bytes as a saved state, read from an arbitrary start position: whatever comes
// in, every parameter stays inside its range and the sound stays finite.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/EffectHost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static EffectHost<> host(48000.0, 64);
  if (size < 2)
    return 0;

  // The first two bytes pick the start position, a few of them negative or past the end.
  const int startPos = static_cast<int>(static_cast<int8_t>(data[0])) * 4 + (data[1] & 3);
  frame::IByteChunk chunk;
  // Half the inputs get a real tag in front, so the tagged readers see damage too.
  if (data[1] & 4)
    chunk.PutBytes(data[1] & 8 ? versionMagic_2_0_1 : versionMagic_2_0_0, 24);
  chunk.PutBytes(data + 2, static_cast<int>(size - 2));

  host.plug().UnserializeState(chunk, startPos < 0 ? startPos : startPos % (chunk.Size() + 9));
  for (int i = 0; i < kNumParams; ++i)
  {
    const frame::IParam& p = host.param(i);
    const double v = p.Value();
    if (!(v >= p.GetMin() && v <= p.GetMax()))
      std::abort();
  }

  double l[64], r[64];
  for (int i = 0; i < 64; ++i)
    l[i] = r[i] = std::sin(i * 0.3) * 0.5;
  host.process(l, r, 64);
  for (int i = 0; i < 64; ++i)
    if (!std::isfinite(l[i]) || !std::isfinite(r[i]))
      std::abort();
  return 0;
}
