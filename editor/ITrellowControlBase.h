#pragma once

#include "editor/IControl.h"

namespace frame::graphics {

/** A hot zone over the background that shows the pointing hand while the pointer is over
 *  it. It keeps no mouse-over state, so entering and leaving redraw nothing. */
class ITrellowControlBase : public IControl
{
public:
  using IControl::IControl;

  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
};

} // namespace frame::graphics
