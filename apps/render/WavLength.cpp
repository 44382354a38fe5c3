#include "apps/render/WavLength.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace render {

namespace {

bool ReadAt(int fd, int64_t offset, unsigned char* out, size_t n)
{
  return pread(fd, out, n, static_cast<off_t>(offset)) == static_cast<ssize_t>(n);
}

uint32_t Number(const unsigned char* p, size_t bytes, bool bigEndian)
{
  uint32_t v = 0;
  for (size_t i = 0; i < bytes; ++i)
    v |= static_cast<uint32_t>(p[bigEndian ? bytes - 1 - i : i]) << (8 * i);
  return v;
}

} // namespace

int64_t MissingWavFrames(int fd)
{
  struct stat st{};
  unsigned char riff[12];
  if (fstat(fd, &st) != 0 || !ReadAt(fd, 0, riff, sizeof riff) || std::memcmp(riff + 8, "WAVE", 4) != 0)
    return 0;
  const bool bigEndian = std::memcmp(riff, "RIFX", 4) == 0;
  if (!bigEndian && std::memcmp(riff, "RIFF", 4) != 0)
    return 0;
  const int64_t fileSize = st.st_size;
  uint32_t blockAlign = 0;
  int64_t offset = 12;
  // Chunks are walked, not searched for: a "data" inside another chunk's bytes is not one.
  for (int chunks = 0; chunks < 1000 && offset + 8 <= fileSize; ++chunks)
  {
    unsigned char head[8];
    if (!ReadAt(fd, offset, head, sizeof head))
      return 0;
    const uint32_t size = Number(head + 4, 4, bigEndian);
    if (std::memcmp(head, "fmt ", 4) == 0)
    {
      unsigned char fmt[16];
      if (size < sizeof fmt || !ReadAt(fd, offset + 8, fmt, sizeof fmt))
        return 0;
      blockAlign = Number(fmt + 12, 2, bigEndian);
    }
    else if (std::memcmp(head, "data", 4) == 0)
    {
      if (blockAlign == 0 || size == 0 || size == 0xFFFFFFFFu)
        return 0;
      const int64_t held = fileSize - (offset + 8);
      const int64_t promised = size;
      return promised > held ? promised / blockAlign - held / blockAlign : 0;
    }
    offset += 8 + static_cast<int64_t>(size) + (size & 1);
  }
  return 0;
}

} // namespace render
