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
  // Far beyond any state of ours: a stream that never ends is not read forever.
  constexpr int kMaxStateBytes = 1 << 20;
  const bool loaded = guarded([&] {
    IByteChunk chunk;
    uint8_t buffer[256];
    for (;;)
    {
      const int64_t got = stream->read(stream, buffer, sizeof(buffer));
      if (got < 0)
        return false;
      if (got == 0)
        break;
      chunk.PutBytes(buffer, static_cast<int>(got > static_cast<int64_t>(sizeof(buffer)) ? sizeof(buffer) : got));
      if (chunk.Size() > kMaxStateBytes)
        return false;
    }
    return mPlug->LoadState(chunk);
  });
  if (!loaded)
    return false;
  mPlug->OnRestoreState();
  rescan(CLAP_PARAM_RESCAN_VALUES);
  return true;
}

} // namespace frame
