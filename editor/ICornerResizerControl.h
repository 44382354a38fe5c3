#pragma once

#include "editor/IControl.h"
#include "graphics/IGraphicsConstants.h"

namespace frame::graphics {

/** The square at the bottom-right corner that resizes the editor: dragging rescales it
 *  (or resizes it, in size mode) through the context, a double click returns to the
 *  size it was built for at scale 1. Its on-screen size stays the same at every scale.
 *  Attached with IGraphics::AttachCornerResizer, apart from the other controls. */
class ICornerResizerControl : public IControl
{
public:
  /** graphicsBounds: the context's logical area; size: the corner's side in window
   *  pixels. Until the first rescale the corner is (R - size + 1, B - size + 1, R - 1, B - 1). */
  ICornerResizerControl(const IRECT& graphicsBounds, float size);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnRescale() override;
  void Draw(IGraphics& g) override;

  float GetSize() const { return mSize; }
  const IRECT& GetInitialGraphicsBounds() const { return mInitialGraphicsBounds; }

protected:
  float mSize;
  IRECT mInitialGraphicsBounds;
  ECursor mPrevCursor = ECursor::ARROW;
};

} // namespace frame::graphics
