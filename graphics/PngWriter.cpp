#include "graphics/PngWriter.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include <stb/stb_image_write.h>

namespace frame::graphics {

namespace {

void appendBytes(void* context, void* data, int size)
{
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  const auto* p = static_cast<const uint8_t*>(data);
  out->insert(out->end(), p, p + size);
}

} // namespace

std::vector<uint8_t> EncodePNG(const Surface& surface)
{
  std::vector<uint8_t> png;
  if (surface.Empty())
    return png;
  const std::vector<uint8_t> rgba = surface.ToStraightRGBA();
  if (!stbi_write_png_to_func(appendBytes, &png, surface.Width(), surface.Height(), 4, rgba.data(),
                              surface.Width() * 4))
    png.clear();
  return png;
}

bool WritePNG(const Surface& surface, const std::string& path)
{
  const std::vector<uint8_t> png = EncodePNG(surface);
  return !png.empty() && WriteFileAtomically(png, path);
}

bool WriteFileAtomically(const std::vector<uint8_t>& bytes, const std::string& path)
{
  // A name of this writer's own: two writers of one path never share a temporary, and a
  // file the user keeps under "<path>.tmp" is not touched. The mode is left to the umask.
  static std::atomic<unsigned> serial{0};
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
  {
    tmp = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(serial++);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST)
      return false;
  }
  if (fd < 0)
    return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size())
  {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    ok = n > 0;
    done += ok ? static_cast<size_t>(n) : 0;
  }
  ok = ::close(fd) == 0 && ok;
  if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0)
  {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

} // namespace frame::graphics
