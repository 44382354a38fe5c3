#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "graphics/IBitmap.h"
#include "graphics/Image.h"

namespace frame::graphics {

/** Decodes PNG (or any format stb_image reads) bytes into premultiplied pixels; null when
 *  the bytes do not decode. */
std::shared_ptr<Image> DecodeImage(const uint8_t* data, size_t size, int resolutionScale = 1);

/** The process-wide store of decoded images, shared by every editor of the process. Guarded
 *  by one mutex, so contexts on any thread may load. */
class ImageCache
{
public:
  static ImageCache& Instance();

  /** The image for name in folder at the variant for targetScale (1 or more): the file
   *  "<stem>@<s>x<ext>" with the largest s ≤ targetScale that exists, else name itself at
   *  resolution scale 1. Decoded once per file; null when nothing readable is found. */
  std::shared_ptr<Image> Load(const std::string& folder, const std::string& name, int targetScale);

  /** Drops the cache's references; bitmaps still holding images keep them. */
  void Clear();
  size_t Size() const;

private:
  ImageCache() = default;

  mutable std::mutex mMutex;
  std::map<std::string, std::shared_ptr<Image>> mImages; // by resolved path
};

/** Loads name from folder as a bitmap of nStates frames. An invalid bitmap when it fails. */
IBitmap LoadBitmap(const std::string& folder, const std::string& name, int nStates, bool framesAreHorizontal,
                   int targetScale);

/** name with "@<scale>x" inserted before its extension ("knob.png" -> "knob@2x.png"). */
std::string ResolutionVariantName(const std::string& name, int scale);

} // namespace frame::graphics
