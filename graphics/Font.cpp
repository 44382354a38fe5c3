#include "graphics/Font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <stb/stb_truetype.h>

#include "graphics/Utf8.h"

namespace frame::graphics {

class GlyphSet
{
public:
  GlyphSet(const stbtt_fontinfo* info, float pxSize)
    : mInfo(info), mPxSize(pxSize), mScale(stbtt_ScaleForMappingEmToPixels(info, pxSize))
  {
  }

  float PxSize() const { return mPxSize; }

  struct CharInfo
  {
    int glyph = 0;
    float advance = 0.f;
  };

  const CharInfo& Char(uint32_t cp)
  {
    auto it = mChars.find(cp);
    if (it != mChars.end())
      return it->second;
    CharInfo ci;
    ci.glyph = stbtt_FindGlyphIndex(mInfo, static_cast<int>(cp));
    int advance = 0, bearing = 0;
    stbtt_GetGlyphHMetrics(mInfo, ci.glyph, &advance, &bearing);
    ci.advance = static_cast<float>(advance) * mScale;
    return mChars.emplace(cp, ci).first->second;
  }

  float Kern(int g1, int g2)
  {
    const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(g1)) << 32) | static_cast<uint32_t>(g2);
    auto it = mKerning.find(key);
    if (it != mKerning.end())
      return it->second;
    const float k = static_cast<float>(stbtt_GetGlyphKernAdvance(mInfo, g1, g2)) * mScale;
    mKerning.emplace(key, k);
    return k;
  }

  /** Element references of an unordered_map survive rehashing, so callers may keep them. */
  const Glyph& Get(int glyph, int subpixel)
  {
    const uint32_t key = (static_cast<uint32_t>(glyph) << 3) | static_cast<uint32_t>(subpixel);
    auto it = mGlyphs.find(key);
    if (it != mGlyphs.end())
      return it->second;
    Glyph g;
    const float shift = static_cast<float>(subpixel) / Font::kSubpixelSteps;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBoxSubpixel(mInfo, glyph, mScale, mScale, shift, 0.f, &x0, &y0, &x1, &y1);
    g.left = x0, g.top = y0, g.w = std::max(x1 - x0, 0), g.h = std::max(y1 - y0, 0);
    if (g.w > 0 && g.h > 0)
    {
      g.coverage.assign(static_cast<size_t>(g.w) * g.h, 0);
      stbtt_MakeGlyphBitmapSubpixel(mInfo, g.coverage.data(), g.w, g.h, g.w, mScale, mScale, shift, 0.f, glyph);
    }
    return mGlyphs.emplace(key, std::move(g)).first->second;
  }

private:
  const stbtt_fontinfo* mInfo;
  float mPxSize, mScale;
  std::unordered_map<uint32_t, CharInfo> mChars;
  std::unordered_map<uint64_t, float> mKerning;
  std::unordered_map<uint32_t, Glyph> mGlyphs;
};

std::shared_ptr<Font> Font::FromFile(const std::string& path)
{
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
    return nullptr;
  std::vector<uint8_t> bytes;
  uint8_t buf[1 << 16];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
    bytes.insert(bytes.end(), buf, buf + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok ? FromMemory(std::move(bytes)) : nullptr;
}

std::shared_ptr<Font> Font::FromMemory(std::vector<uint8_t> bytes)
{
  if (bytes.size() < 12)
    return nullptr;
  std::shared_ptr<Font> font(new Font());
  font->mBytes = std::move(bytes);
  font->mInfo = std::make_unique<stbtt_fontinfo>();
  const int offset = stbtt_GetFontOffsetForIndex(font->mBytes.data(), 0);
  if (offset < 0 || !stbtt_InitFont(font->mInfo.get(), font->mBytes.data(), offset))
    return nullptr;
  int ascent = 0, descent = 0, lineGap = 0;
  stbtt_GetFontVMetrics(font->mInfo.get(), &ascent, &descent, &lineGap);
  font->mUnitsAscent = static_cast<float>(ascent);
  font->mUnitsDescent = static_cast<float>(descent);
  font->mUnitsLineGap = static_cast<float>(lineGap);
  return font;
}

Font::~Font() = default;

Font::VMetrics Font::GetVMetrics(float pxSize) const
{
  const float scale = stbtt_ScaleForMappingEmToPixels(mInfo.get(), pxSize);
  return {mUnitsAscent * scale, mUnitsDescent * scale, mUnitsLineGap * scale};
}

std::shared_ptr<GlyphSet> Font::glyphSetFor(float pxSize)
{
  // Sizes closer than 1/64 pixel share a set: the difference cannot be seen.
  const float key = std::round(pxSize * 64.f) / 64.f;
  for (size_t i = 0; i < mSets.size(); ++i)
  {
    if (mSets[i]->PxSize() == key)
    {
      std::shared_ptr<GlyphSet> set = mSets[i];
      mSets.erase(mSets.begin() + static_cast<ptrdiff_t>(i));
      mSets.push_back(set);
      return set;
    }
  }
  if (mSets.size() >= kMaxCachedSizes)
    mSets.erase(mSets.begin());
  mSets.push_back(std::make_shared<GlyphSet>(mInfo.get(), key));
  return mSets.back();
}

float Font::MeasureWidth(const char* text, float pxSize)
{
  if (!text || !(pxSize > 0.f) || !std::isfinite(pxSize))
    return 0.f;
  std::lock_guard<std::mutex> lock(mMutex);
  GlyphSet& set = *glyphSetFor(pxSize);
  float pen = 0.f;
  int prev = -1;
  for (const char* p = text; uint32_t cp = NextCodepoint(p);)
  {
    const GlyphSet::CharInfo& ci = set.Char(cp);
    if (prev >= 0)
      pen += set.Kern(prev, ci.glyph);
    pen += ci.advance;
    prev = ci.glyph;
  }
  return pen;
}

void Font::Layout(const char* text, float pxSize, float originX, TextLine& out)
{
  out.placed.clear();
  out.width = 0.f;
  out.glyphs.reset();
  if (!text || !(pxSize > 0.f) || pxSize > kMaxPixelSize || !std::isfinite(originX))
    return;
  std::lock_guard<std::mutex> lock(mMutex);
  std::shared_ptr<GlyphSet> set = glyphSetFor(pxSize);
  out.glyphs = set;
  float pen = 0.f;
  int prev = -1;
  for (const char* p = text; uint32_t cp = NextCodepoint(p);)
  {
    const GlyphSet::CharInfo& ci = set->Char(cp);
    if (prev >= 0)
      pen += set->Kern(prev, ci.glyph);
    const float x = originX + pen;
    const float whole = std::floor(x);
    const int sub = std::min(static_cast<int>((x - whole) * kSubpixelSteps), kSubpixelSteps - 1);
    const Glyph& g = set->Get(ci.glyph, sub);
    if (g.w > 0 && g.h > 0)
      out.placed.push_back({&g, static_cast<int>(whole) + g.left, g.top});
    pen += ci.advance;
    prev = ci.glyph;
  }
  out.width = pen;
}

} // namespace frame::graphics
