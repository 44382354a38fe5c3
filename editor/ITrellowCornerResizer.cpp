#include "editor/ITrellowCornerResizer.h"

#include "editor/IGraphics.h"

namespace frame::graphics {

ITrellowCornerResizer::ITrellowCornerResizer(const IRECT& graphicsBounds, float size)
  : ICornerResizerControl(graphicsBounds, size)
{
}

ITrellowCornerResizer::~ITrellowCornerResizer() = default;

void ITrellowCornerResizer::Draw(IGraphics& g)
{
  const IColor& color = mMouseIsOver || g.ResizeInProgress() ? mHighlightColor : mColor;
  g.FillTriangle(color, mRECT.L, mRECT.B, mRECT.R, mRECT.T, mRECT.R, mRECT.B, &mBlend);
}

} // namespace frame::graphics
