#include "editor/ITrellowValueText.h"

#include "editor/IBitmapControl.h"
#include "editor/IGraphics.h"
#include "frame/IParam.h"
#include "frame/IString.h"

namespace frame::graphics {

IText TrellowValueTextStyle()
{
  // The identifier under which the layout registers the font, not the framework default.
  return IText(26.f, IColor(255, 255, 255, 192), "Roboto-Regular.ttf", EAlign::Center, EVAlign::Bottom, 0.f);
}

void DrawFrameAndValueText(IGraphics& g, const IControl& control, const IBitmap& bitmap, const IRECT& bitmapRect)
{
  const IRECT frameRect =
    bitmapRect.GetCentredInside(static_cast<float>(bitmap.FW()), static_cast<float>(bitmap.FH()));
  g.DrawBitmap(bitmap, frameRect, BitmapFrameForValue(bitmap.N(), control.GetValue()), &control.GetBlend());

  // The parameter's own value, not the control's: display texts win over the number, and
  // the text is right whenever the control is redrawn.
  IString text;
  if (const IParam* param = control.GetParam())
    param->GetDisplay(param->Value(), false, text, true);
  g.DrawText(control.GetText(), text.Get(), control.GetRECT(), &control.GetBlend());
}

} // namespace frame::graphics
