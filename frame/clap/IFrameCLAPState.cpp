// The saved state: the frame's bytes, the same as in every other format.
#include "frame/clap/IFrameCLAP.h"

namespace frame {

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
  const bool loaded = guarded([&] {
    return mPlug->LoadStateFrom([stream](void* buffer, int64_t capacity) {
      return stream->read(stream, buffer, static_cast<uint64_t>(capacity));
    });
  });
  if (!loaded)
    return false;
  mPlug->OnRestoreState();
  rescan(CLAP_PARAM_RESCAN_VALUES);
  return true;
}

} // namespace frame
