#pragma once

#include "editor/IKnobControlBase.h"
#include "graphics/IBitmap.h"

namespace frame::graphics {

/** A knob drawn as a frame of a multi-frame bitmap with its parameter's value text in a
 *  strip below. Only the bitmap takes the mouse: a press on the text falls through to the
 *  control underneath. Dragged vertically with the pointer kept visible. */
class ITrellowKnobTextControl : public IKnobControlBase
{
public:
  /** (x, y) is the bitmap's top-left corner. */
  ITrellowKnobTextControl(float x, float y, int paramIdx, const IBitmap& bitmap);
  ~ITrellowKnobTextControl() override;

  void Draw(IGraphics& g) override;

  const IRECT& GetBitmapRECT() const { return mBitmapRect; }
  const IRECT& GetTextRECT() const { return mTextRect; }

private:
  IBitmap mBitmap;
  IRECT mBitmapRect;
  IRECT mTextRect;
};

} // namespace frame::graphics
