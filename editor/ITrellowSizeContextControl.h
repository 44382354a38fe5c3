#pragma once

#include "editor/IControl.h"
#include "editor/ITrellowMenuControl.h"

class TrellowPhaserEditor;

namespace frame::graphics {

/** The window-size menu over the whole editor, under every other control: a right-button
 *  press on the background or on a value text opens it. It offers the six editor sizes and
 *  saving the current scale. Draws nothing. */
class ITrellowSizeContextControl : public ITrellowMenuControl<IControl>
{
public:
  /** Menu positions: the sizes 0 ... 5 (GUISize order), a separator, then saving. */
  static constexpr int kItemSeparator = 6;
  static constexpr int kItemSaveWindowSize = 7;

  ITrellowSizeContextControl(const IRECT& bounds, TrellowPhaserEditor& editor);

  void OnInit() override;
  /** Right button only; a left press on the background does nothing. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override;

private:
  void saveWindowSize();

  TrellowPhaserEditor& mEditor;
};

} // namespace frame::graphics
