#include "graphics/PngWriter.h"

#include <cstdio>

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

bool WriteFileAtomically(const std::vector<uint8_t>& png, const std::string& path)
{
  const std::string tmp = path + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f)
    return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed || std::rename(tmp.c_str(), path.c_str()) != 0)
  {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

} // namespace frame::graphics
