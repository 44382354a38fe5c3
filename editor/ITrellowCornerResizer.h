#pragma once

#include "editor/ICornerResizerControl.h"

namespace frame::graphics {

/** The resize corner, drawn as a translucent yellow triangle that brightens while the
 *  pointer is over it or a resize is under way. */
class ITrellowCornerResizer : public ICornerResizerControl
{
public:
  static constexpr IColor kNormalColor{32, 255, 255, 0};
  static constexpr IColor kHighlightColor{128, 255, 255, 0};

  ITrellowCornerResizer(const IRECT& graphicsBounds, float size);
  ~ITrellowCornerResizer() override;

  /** The half of the square below its rising diagonal. */
  void Draw(IGraphics& g) override;

  const IColor& GetColor() const { return mColor; }
  const IColor& GetHighlightColor() const { return mHighlightColor; }

private:
  IColor mColor = kNormalColor;
  IColor mHighlightColor = kHighlightColor;
};

} // namespace frame::graphics
