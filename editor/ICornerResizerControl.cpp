#include "editor/ICornerResizerControl.h"

#include "editor/IGraphics.h"

namespace frame::graphics {

ICornerResizerControl::ICornerResizerControl(const IRECT& graphicsBounds, float size)
  : IControl(IRECT(graphicsBounds.R - size + 1.f, graphicsBounds.B - size + 1.f, graphicsBounds.R - 1.f,
                   graphicsBounds.B - 1.f)),
    mSize(size), mInitialGraphicsBounds(graphicsBounds)
{
}

void ICornerResizerControl::OnMouseDown(float, float, const IMouseMod&)
{
  if (GetUI())
    GetUI()->StartResizeGesture();
}

void ICornerResizerControl::OnMouseDblClick(float, float, const IMouseMod&)
{
  if (GetUI())
    GetUI()->Resize(static_cast<int>(mInitialGraphicsBounds.W()), static_cast<int>(mInitialGraphicsBounds.H()), 1.f,
                    true);
}

void ICornerResizerControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (!mMouseIsOver && GetUI())
    mPrevCursor = GetUI()->SetMouseCursor(ECursor::SIZENWSE);
  IControl::OnMouseOver(x, y, mod);
}

void ICornerResizerControl::OnMouseOut()
{
  if (mMouseIsOver && GetUI())
    GetUI()->SetMouseCursor(mPrevCursor);
  IControl::OnMouseOut();
}

void ICornerResizerControl::OnRescale()
{
  IGraphics* g = GetUI();
  if (!g)
    return;
  const float scale = g->GetDrawScale();
  const float w = static_cast<float>(g->Width()), h = static_cast<float>(g->Height());
  SetTargetAndDrawRECTs(IRECT(w - mSize / scale, h - mSize / scale, w, h));
}

void ICornerResizerControl::Draw(IGraphics& g)
{
  const bool active = mMouseIsOver || g.ResizeInProgress();
  const IColor color = active ? IColor(160, 200, 200, 200) : IColor(64, 200, 200, 200);
  g.FillTriangle(color, mRECT.L, mRECT.B, mRECT.R, mRECT.T, mRECT.R, mRECT.B, &mBlend);
}

} // namespace frame::graphics
