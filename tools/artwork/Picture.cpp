#include "Picture.h"

#include <algorithm>
#include <cstdio>

#include <stb/stb_image_write.h>

#include "graphics/Pixel.h"
#include "graphics/PngWriter.h"

namespace artwork {

Picture StackFrames(const std::vector<Picture>& frames)
{
  Picture out;
  if (frames.empty())
    return out;
  out.width = frames[0].width;
  for (const Picture& f : frames)
  {
    out.height += f.height;
    out.rgba.insert(out.rgba.end(), f.rgba.begin(), f.rgba.end());
  }
  return out;
}

frame::graphics::Surface ToSurface(const Picture& picture)
{
  frame::graphics::Surface s(picture.width, picture.height);
  const uint8_t* p = picture.rgba.data();
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x, p += 4)
      s.Set(x, y, frame::graphics::pixel::Premultiply(p[3], p[0], p[1], p[2]));
  return s;
}

namespace {

void append(void* context, void* data, int size)
{
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  out->insert(out->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
}

} // namespace

bool WritePng(const Picture& picture, const std::string& path)
{
  if (picture.width <= 0 || picture.height <= 0)
    return false;
  std::vector<uint8_t> png;
  // The library's deflate level is a process-wide setting; this program is its only user.
  stbi_write_png_compression_level = 9;
  if (!stbi_write_png_to_func(append, &png, picture.width, picture.height, 4, picture.rgba.data(),
                              picture.width * 4))
    return false;
  return frame::graphics::WriteFileAtomically(png, path);
}

} // namespace artwork
