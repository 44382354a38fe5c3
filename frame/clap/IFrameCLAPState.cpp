// The saved state: the frame's bytes, the same as in every other format.
#include "frame/clap/IFrameCLAP.h"

#include <vector>

namespace frame {

namespace {
// Every value a host reads through the params extension, the bypass included.
std::vector<double> hostValues(const IFramePlugin& plug)
{
  std::vector<double> values;
  for (int i = 0; i < plug.NParams(); ++i)
    values.push_back(plug.GetParam(i)->GetNormalized());
  values.push_back(plug.IsBypassed() ? 1.0 : 0.0);
  return values;
}
} // namespace

bool IFrameCLAP::SaveState(const clap_ostream_t* stream) const
{
  AssertMainThread();
  if (!stream || !stream->write)
    return false;
  return guarded([&] {
    IByteChunk chunk;
    if (!mPlug->SaveState(chunk))
      return false;
    const uint8_t* data = chunk.GetData();
    int64_t left = chunk.Size();
    while (left > 0)
    {
      const int64_t wrote = stream->write(stream, data, static_cast<uint64_t>(left));
      if (wrote <= 0 || wrote > left)
        return false;
      data += wrote;
      left -= wrote;
    }
    return true;
  });
}

bool IFrameCLAP::LoadState(const clap_istream_t* stream)
{
  AssertMainThread();
  if (!stream || !stream->read)
    return false;
  const std::vector<double> before = hostValues(*mPlug);
  const bool loaded = guarded([&] {
    return mPlug->LoadStateFrom([stream](void* buffer, int64_t capacity) {
      return stream->read(stream, buffer, static_cast<uint64_t>(capacity));
    });
  });
  if (!loaded)
    return false;
  mPlug->OnRestoreState();
  // Only when a value moved, as the params extension asks: a host may take a rescan for a
  // change of the project (Qtractor shows it "[modified]" as it opens).
  if (hostValues(*mPlug) != before)
    rescan(CLAP_PARAM_RESCAN_VALUES);
  return true;
}

} // namespace frame
