#pragma once

#include "editor/ITrellowControlBase.h"
#include "editor/ITrellowMenuControl.h"

namespace frame::graphics {

/** The preset menu's hot zone: any press lists the plug-in's presets, the
 *  current one checked; choosing one recalls it (after the slot being left has taken the
 *  edited values). Draws nothing. */
class ITrellowPresetMenu : public ITrellowMenuControl<ITrellowControlBase>
{
public:
  explicit ITrellowPresetMenu(const IRECT& bounds);

  /** Rebuilds the items on every press, so names and the check mark are always current. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override;
};

} // namespace frame::graphics
