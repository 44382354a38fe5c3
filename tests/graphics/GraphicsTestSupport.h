#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>
#include <unistd.h>

#include "graphics/Pixel.h"
#include "graphics/Surface.h"

namespace frame::graphics::test {

/** A fresh folder under the system temp folder, removed with the object. */
class TempDir
{
public:
  TempDir()
  {
    std::string tmpl = (std::filesystem::temp_directory_path() / "mg_graphics_XXXXXX").string();
    mPath = mkdtemp(tmpl.data()) ? tmpl : std::string();
  }
  ~TempDir()
  {
    std::error_code ec;
    if (!mPath.empty())
      std::filesystem::remove_all(mPath, ec);
  }
  const std::string& Path() const { return mPath; }
  std::string File(const std::string& name) const { return mPath + "/" + name; }

private:
  std::string mPath;
};

/** Straight RGBA pixels, R first, written as a PNG file. */
inline bool WriteRGBAPng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba)
{
  return stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4) != 0;
}

/** A strip of n opaque frames stacked vertically, frame f (0-based) filled with grey level
 *  levels[f], each w x h pixels. */
inline std::vector<uint8_t> FrameStrip(int w, int h, const std::vector<uint8_t>& levels)
{
  std::vector<uint8_t> rgba;
  for (uint8_t level : levels)
    for (int i = 0; i < w * h; ++i)
      rgba.insert(rgba.end(), {level, level, level, 255});
  return rgba;
}

/** The pixels whose alpha is above threshold, as their bounding rectangle (empty when none). */
inline PixelRect InkBounds(const Surface& s, uint32_t threshold = 0)
{
  PixelRect r{s.Width(), s.Height(), 0, 0};
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (pixel::Alpha(s.At(x, y)) > threshold)
        r = {std::min(r.L, x), std::min(r.T, y), std::max(r.R, x + 1), std::max(r.B, y + 1)};
  return r.Empty() ? PixelRect{} : r;
}

/** Sum of alpha / 255 over the surface: the inked area in pixels. */
inline double InkedArea(const Surface& s)
{
  double area = 0.0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      area += pixel::Alpha(s.At(x, y)) / 255.0;
  return area;
}

} // namespace frame::graphics::test
