#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct stbtt_fontinfo;

namespace frame::graphics {

/** One rasterised glyph: 8-bit coverage, placed relative to the pen on the baseline. */
struct Glyph
{
  int left = 0, top = 0; // offset of the coverage's top-left from the pen, in pixels
  int w = 0, h = 0;
  std::vector<uint8_t> coverage; // w * h, row by row
};

/** The glyphs of one font at one pixel size. */
class GlyphSet;

/** A line of text laid out for drawing: each glyph's coverage and its pixel position. */
struct TextLine
{
  struct Placed
  {
    const Glyph* glyph = nullptr;
    int x = 0, y = 0; // top-left of the coverage, relative to (0, baseline)
  };
  std::shared_ptr<const GlyphSet> glyphs; // keeps the placed glyphs alive
  std::vector<Placed> placed;
  float width = 0.f; // advance of the whole line, kerning included, in pixels
};

/** A TrueType font. Sizes are em sizes in pixels. Rasterised glyphs are cached per pixel
 *  size (the most recent few sizes), with four horizontal sub-pixel positions so kerned
 *  text keeps its spacing even at small sizes. Thread-safe. */
class Font
{
public:
  static std::shared_ptr<Font> FromFile(const std::string& path);
  static std::shared_ptr<Font> FromMemory(std::vector<uint8_t> bytes);
  ~Font();

  struct VMetrics
  {
    float ascent = 0.f;  // above the baseline, positive
    float descent = 0.f; // below the baseline, negative
    float lineGap = 0.f;
  };
  VMetrics GetVMetrics(float pxSize) const;

  /** Advance width of a UTF-8 line, kerning included. */
  float MeasureWidth(const char* text, float pxSize);

  /** Lays out a UTF-8 line whose pen starts at x = originX (pixels, fractional). Sizes
   *  above kMaxPixelSize lay out nothing: their glyphs would take absurd memory. */
  void Layout(const char* text, float pxSize, float originX, TextLine& out);

  static constexpr int kSubpixelSteps = 4;
  static constexpr float kMaxPixelSize = 1024.f;
  static constexpr size_t kMaxCachedSizes = 8;

private:
  Font() = default;
  std::shared_ptr<GlyphSet> glyphSetFor(float pxSize); // called with mMutex held

  std::vector<uint8_t> mBytes;
  std::unique_ptr<stbtt_fontinfo> mInfo;
  float mUnitsAscent = 0.f, mUnitsDescent = 0.f, mUnitsLineGap = 0.f;

  std::mutex mMutex;
  std::vector<std::shared_ptr<GlyphSet>> mSets; // most recently used last
};

} // namespace frame::graphics
