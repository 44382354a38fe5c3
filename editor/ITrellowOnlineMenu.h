#pragma once

#include "editor/ITrellowControlBase.h"
#include "editor/ITrellowMenuControl.h"

class TrellowPhaserEditor;

namespace frame::graphics {

/** The online menu's hot zone: any press offers the version check and the vendor's web
 *  site. Draws nothing. */
class ITrellowOnlineMenu : public ITrellowMenuControl<ITrellowControlBase>
{
public:
  enum Item
  {
    kItemCheckForUpdate = 0,
    kItemVisitSite = 1
  };

  ITrellowOnlineMenu(const IRECT& bounds, TrellowPhaserEditor& editor);

  void OnInit() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  /** The version check blocks the editor until the site has answered and the user has
   *  read the result. */
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override;

private:
  TrellowPhaserEditor& mEditor;
};

} // namespace frame::graphics
