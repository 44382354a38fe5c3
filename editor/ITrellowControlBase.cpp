#include "editor/ITrellowControlBase.h"

#include "editor/IGraphics.h"

namespace frame::graphics {

void ITrellowControlBase::OnMouseOver(float, float, const IMouseMod&)
{
  if (IGraphics* g = GetUI())
    g->SetMouseCursor(ECursor::HAND);
}

void ITrellowControlBase::OnMouseOut()
{
  if (IGraphics* g = GetUI())
    g->SetMouseCursor(ECursor::ARROW);
}

} // namespace frame::graphics
