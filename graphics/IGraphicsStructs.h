#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

// Plain value types of the editor: rectangles, colours, text styles, blends and mouse state.
// Coordinates are floats in editor units; x grows to the right, y downward.
namespace frame::graphics {

struct IRECT
{
  float L = 0.f, T = 0.f, R = 0.f, B = 0.f;

  constexpr IRECT() = default;
  constexpr IRECT(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}

  static constexpr IRECT MakeXYWH(float x, float y, float w, float h) { return {x, y, x + w, y + h}; }

  constexpr float W() const { return R - L; }
  constexpr float H() const { return B - T; }
  constexpr float MW() const { return 0.5f * (L + R); }
  constexpr float MH() const { return 0.5f * (T + B); }
  constexpr float Area() const { return W() * H(); }

  /** True when the rectangle encloses no area (zero or negative width or height). */
  constexpr bool Empty() const { return !(R > L && B > T); }

  constexpr bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  constexpr bool operator!=(const IRECT& o) const { return !(*this == o); }

  /** Hit test: left and top edges belong to the rectangle, right and bottom edges do not, so
   *  abutting rectangles never both claim a point. */
  constexpr bool Contains(float x, float y) const { return x >= L && x < R && y >= T && y < B; }
  constexpr bool Contains(const IRECT& r) const { return r.L >= L && r.R <= R && r.T >= T && r.B <= B; }
  constexpr bool Intersects(const IRECT& r) const { return r.L < R && r.R > L && r.T < B && r.B > T; }

  /** The common area, or an all-zero rectangle when there is none. */
  constexpr IRECT Intersect(const IRECT& r) const
  {
    if (!Intersects(r))
      return {};
    return {std::max(L, r.L), std::max(T, r.T), std::min(R, r.R), std::min(B, r.B)};
  }

  /** The smallest rectangle enclosing both; an empty operand does not count, so dirty areas
   *  can be accumulated starting from IRECT(). */
  constexpr IRECT Union(const IRECT& r) const
  {
    if (Empty())
      return r;
    if (r.Empty())
      return *this;
    return {std::min(L, r.L), std::min(T, r.T), std::max(R, r.R), std::max(B, r.B)};
  }

  /** A w x h rectangle centred on this one's midpoint (the editor's centring rule). */
  constexpr IRECT GetCentredInside(float w, float h) const
  {
    const float l = (L + R) / 2.f - w / 2.f;
    const float t = (T + B) / 2.f - h / 2.f;
    return {l, t, l + w, t + h};
  }
  constexpr IRECT GetCentredInside(const IRECT& r) const { return GetCentredInside(r.W(), r.H()); }

  constexpr IRECT GetTranslated(float dx, float dy) const { return {L + dx, T + dy, R + dx, B + dy}; }
  constexpr IRECT GetPadded(float pad) const { return {L - pad, T - pad, R + pad, B + pad}; }
  constexpr IRECT GetPadded(float l, float t, float r, float b) const { return {L + l, T + t, R + r, B + b}; }
  constexpr IRECT GetScaled(float scale) const { return {L * scale, T * scale, R * scale, B * scale}; }
  void Scale(float scale) { *this = GetScaled(scale); }

  constexpr IRECT GetFromTop(float h) const { return {L, T, R, T + h}; }
  constexpr IRECT GetFromBottom(float h) const { return {L, B - h, R, B}; }
  constexpr IRECT GetFromLeft(float w) const { return {L, T, L + w, B}; }
  constexpr IRECT GetFromRight(float w) const { return {R - w, T, R, B}; }

  /** Edges moved outward to whole numbers, so a redraw of it covers every touched pixel. */
  IRECT GetOutsideAligned() const { return {std::floor(L), std::floor(T), std::ceil(R), std::ceil(B)}; }
};

struct IColor
{
  int A = 255, R = 0, G = 0, B = 0;

  constexpr IColor() = default;
  constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}

  constexpr bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  constexpr bool operator!=(const IColor& o) const { return !(*this == o); }

  /** Each channel limited to 0 ... 255. */
  constexpr IColor Clamped() const
  {
    return {std::clamp(A, 0, 255), std::clamp(R, 0, 255), std::clamp(G, 0, 255), std::clamp(B, 0, 255)};
  }
};

inline constexpr IColor COLOR_TRANSPARENT{0, 0, 0, 0};
inline constexpr IColor COLOR_BLACK{255, 0, 0, 0};
inline constexpr IColor COLOR_WHITE{255, 255, 255, 255};
inline constexpr IColor COLOR_GRAY{255, 127, 127, 127};
inline constexpr IColor COLOR_LIGHT_GRAY{255, 240, 240, 240};

enum class EAlign : int
{
  Near = 0,
  Center = 1,
  Far = 2
};

enum class EVAlign : int
{
  Top = 0,
  Middle = 1,
  Bottom = 2
};

inline constexpr const char* kDefaultFontID = "Roboto-Regular";
inline constexpr IColor kDefaultTextEntryBGColor = COLOR_WHITE;
inline constexpr IColor kDefaultTextEntryFGColor = COLOR_BLACK;

/** A text style. The size is the font's em size in editor units. */
struct IText
{
  char mFont[64] = {};
  float mSize = 14.f;
  IColor mFGColor = COLOR_BLACK;
  IColor mTextEntryBGColor = kDefaultTextEntryBGColor;
  IColor mTextEntryFGColor = kDefaultTextEntryFGColor;
  float mAngle = 0.f;
  EAlign mAlign = EAlign::Center;
  EVAlign mVAlign = EVAlign::Middle;

  IText() { SetFont(kDefaultFontID); }
  explicit IText(float size, const IColor& color = COLOR_BLACK, const char* fontID = nullptr,
                 EAlign align = EAlign::Center, EVAlign valign = EVAlign::Middle, float angle = 0.f)
    : mSize(size), mFGColor(color), mAngle(angle), mAlign(align), mVAlign(valign)
  {
    SetFont(fontID ? fontID : kDefaultFontID);
  }

  /** Copies the identifier, cut to the 63 characters the field holds. */
  void SetFont(const char* fontID)
  {
    std::memset(mFont, 0, sizeof(mFont));
    if (fontID)
      std::strncpy(mFont, fontID, sizeof(mFont) - 1);
  }
};

enum class EBlend : int
{
  Default = 0, // source over destination
  Clobber = 1, // source replaces destination
  Add = 2      // channels added, saturating
};

struct IBlend
{
  EBlend mMethod = EBlend::Default;
  float mWeight = 1.f; // multiplies the source's alpha

  constexpr IBlend() = default;
  constexpr IBlend(EBlend method, float weight) : mMethod(method), mWeight(weight) {}
};

/** The weight of an optional blend, limited to 0 ... 1 (no blend: 1). */
inline float BlendWeight(const IBlend* blend)
{
  if (!blend)
    return 1.f;
  const float w = blend->mWeight;
  return w > 0.f ? (w < 1.f ? w : 1.f) : 0.f;
}

inline EBlend BlendMethod(const IBlend* blend) { return blend ? blend->mMethod : EBlend::Default; }

using ITouchID = std::uintptr_t;

/** Buttons and modifier keys of a mouse event, as the platform view reports them. */
struct IMouseMod
{
  bool L = false, R = false, S = false, C = false, A = false;
  ITouchID touchID = 0;

  constexpr IMouseMod() = default;
  constexpr IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false,
                      ITouchID touch = 0)
    : L(l), R(r), S(s), C(c), A(a), touchID(touch)
  {
  }

  constexpr bool IsTouch() const { return touchID != 0; }
};

} // namespace frame::graphics
