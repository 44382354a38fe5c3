#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "graphics/Surface.h"

namespace frame::graphics {

/** A region of an image resampled to a target size, ready to blit. */
struct ScaledRegion
{
  Surface pixels;
  bool opaque = false; // every alpha is 255, so a plain blit may copy rows
};

/** A decoded image shared by every bitmap and context that uses it: its premultiplied
 *  pixels, its resolution scale (2 for an "@2x" variant) and the resampled copies of its
 *  regions. A bitmap frame is resampled once per draw size and then only blitted. */
class Image
{
public:
  Image(Surface pixels, int resolutionScale);

  const Surface& Pixels() const { return mPixels; }
  int PixelWidth() const { return mPixels.Width(); }
  int PixelHeight() const { return mPixels.Height(); }
  int ResolutionScale() const { return mResolutionScale; }
  bool Opaque() const { return mOpaque; }

  /** region (in image pixels) resampled to dstW x dstH, made on first request. The cache
   *  keeps recently used copies up to a byte budget, so dragging the editor through many
   *  scales does not pile up copies of every size. */
  std::shared_ptr<const ScaledRegion> GetScaled(const PixelRect& region, int dstW, int dstH);

  /** Bytes held by resampled copies (for the cache's budget and for tests). */
  size_t ScaledBytes() const;

  static constexpr size_t kScaledBudgetBytes = 64u << 20;

private:
  struct Entry
  {
    PixelRect region;
    int w = 0, h = 0;
    uint64_t lastUse = 0;
    std::shared_ptr<const ScaledRegion> scaled;
  };
  void evictOver(size_t budget, const Entry* keep);

  Surface mPixels;
  int mResolutionScale = 1;
  bool mOpaque = false;

  mutable std::mutex mMutex;
  std::vector<Entry> mEntries;
  size_t mScaledBytes = 0;
  uint64_t mUseCounter = 0;
};

/** True when no pixel of s has an alpha below 255. */
bool IsOpaque(const Surface& s);

} // namespace frame::graphics
