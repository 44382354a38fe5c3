#include "graphics/ImageCache.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include <stb/stb_image.h>

#include "graphics/Pixel.h"

namespace frame::graphics {

namespace {

bool readFile(const std::string& path, std::vector<uint8_t>& out)
{
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
    return false;
  out.clear();
  uint8_t buf[1 << 16];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
    out.insert(out.end(), buf, buf + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

std::string joinPath(const std::string& folder, const std::string& name)
{
  if (folder.empty())
    return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool isFile(const std::string& path)
{
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

} // namespace

std::shared_ptr<Image> DecodeImage(const uint8_t* data, size_t size, int resolutionScale)
{
  if (!data || size == 0 || size > static_cast<size_t>(INT32_MAX))
    return nullptr;
  int w = 0, h = 0, comp = 0;
  stbi_uc* rgba = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &comp, 4);
  if (!rgba)
    return nullptr;
  Surface s(w, h);
  const stbi_uc* p = rgba;
  for (int y = 0; y < h; ++y)
  {
    uint32_t* row = s.Row(y);
    for (int x = 0; x < w; ++x, p += 4)
      row[x] = pixel::Premultiply(p[3], p[0], p[1], p[2]);
  }
  stbi_image_free(rgba);
  return std::make_shared<Image>(std::move(s), resolutionScale);
}

std::string ResolutionVariantName(const std::string& name, int scale)
{
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string suffix = "@" + std::to_string(scale) + "x";
  return hasExt ? name.substr(0, dot) + suffix + name.substr(dot) : name + suffix;
}

ImageCache& ImageCache::Instance()
{
  static ImageCache cache;
  return cache;
}

std::shared_ptr<Image> ImageCache::Load(const std::string& folder, const std::string& name, int targetScale)
{
  std::string path;
  int scale = 1;
  for (int s = std::min(targetScale, 8); s >= 2 && path.empty(); --s)
  {
    const std::string candidate = joinPath(folder, ResolutionVariantName(name, s));
    if (isFile(candidate))
      path = candidate, scale = s;
  }
  if (path.empty())
    path = joinPath(folder, name);

  // One file may serve as a variant ("knob@2x.png" at scale 2) and, named directly, at
  // scale 1; the two are different bitmaps, so the scale is part of the key.
  const std::string key = path + "\n" + std::to_string(scale);
  std::lock_guard<std::mutex> lock(mMutex);
  if (auto it = mImages.find(key); it != mImages.end())
    return it->second;

  std::vector<uint8_t> bytes;
  if (!readFile(path, bytes))
    return nullptr;
  auto image = DecodeImage(bytes.data(), bytes.size(), scale);
  if (image)
    mImages.emplace(key, image);
  return image;
}

void ImageCache::Clear()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mImages.clear();
}

size_t ImageCache::Size() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mImages.size();
}

IBitmap LoadBitmap(const std::string& folder, const std::string& name, int nStates, bool framesAreHorizontal,
                   int targetScale)
{
  auto image = ImageCache::Instance().Load(folder, name, std::max(targetScale, 1));
  if (!image)
    return {};
  return IBitmap(std::move(image), nStates, framesAreHorizontal, name);
}

} // namespace frame::graphics
