#include "graphics/Image.h"

#include <algorithm>

#include "graphics/Pixel.h"
#include "graphics/Resampler.h"

namespace frame::graphics {

namespace {
size_t bytesOf(const Surface& s) { return static_cast<size_t>(s.Width()) * s.Height() * 4; }
} // namespace

bool IsOpaque(const Surface& s)
{
  const uint32_t* p = s.Data();
  const size_t n = static_cast<size_t>(s.Width()) * s.Height();
  uint32_t all = 0xFF000000u;
  for (size_t i = 0; i < n; ++i)
    all &= p[i];
  return (all >> 24) == 0xFF;
}

Image::Image(Surface pixels, int resolutionScale)
  : mPixels(std::move(pixels)), mResolutionScale(std::max(resolutionScale, 1)), mOpaque(IsOpaque(mPixels))
{
}

std::shared_ptr<const ScaledRegion> Image::GetScaled(const PixelRect& region, int dstW, int dstH)
{
  std::lock_guard<std::mutex> lock(mMutex);
  const uint64_t now = ++mUseCounter;
  for (Entry& e : mEntries)
  {
    if (e.region == region && e.w == dstW && e.h == dstH)
    {
      e.lastUse = now;
      return e.scaled;
    }
  }

  auto scaled = std::make_shared<ScaledRegion>();
  scaled->pixels = Resample(mPixels, region, dstW, dstH);
  scaled->opaque = IsOpaque(scaled->pixels);
  mEntries.push_back({region, dstW, dstH, now, scaled});
  mScaledBytes += bytesOf(scaled->pixels);
  evictOver(kScaledBudgetBytes, &mEntries.back());
  return scaled;
}

void Image::evictOver(size_t budget, const Entry* keep)
{
  const PixelRect keepRegion = keep->region;
  const int keepW = keep->w, keepH = keep->h;
  while (mScaledBytes > budget && mEntries.size() > 1)
  {
    auto oldest = mEntries.end();
    for (auto it = mEntries.begin(); it != mEntries.end(); ++it)
    {
      const bool isKept = it->region == keepRegion && it->w == keepW && it->h == keepH;
      if (!isKept && (oldest == mEntries.end() || it->lastUse < oldest->lastUse))
        oldest = it;
    }
    if (oldest == mEntries.end())
      break;
    // Blits in progress keep their copy alive through their own shared pointer.
    mScaledBytes -= bytesOf(oldest->scaled->pixels);
    *oldest = std::move(mEntries.back());
    mEntries.pop_back();
  }
}

size_t Image::ScaledBytes() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mScaledBytes;
}

} // namespace frame::graphics
