#include "editor/ITrellowOnlineMenu.h"

#include <string>

#include "editor/IGraphics.h"
#include "editor/trellowphaser.editor.h"
#include "settings/http.h"

namespace frame::graphics {

ITrellowOnlineMenu::ITrellowOnlineMenu(const IRECT& bounds, TrellowPhaserEditor& editor)
  : ITrellowMenuControl(bounds), mEditor(editor)
{
}

void ITrellowOnlineMenu::OnInit()
{
  // OnInit runs once per attachment; the items must not pile up.
  mMenu.Clear();
  mMenu.AddItem("Check Online for Update");
  mMenu.AddItem((std::string("Visit ") + settings::kVendorSiteName).c_str());
}

void ITrellowOnlineMenu::OnMouseDown(float x, float y, const IMouseMod&)
{
  popUpAt(x, y);
}

void ITrellowOnlineMenu::OnPopupMenuSelection(IPopupMenu* menu, int)
{
  IGraphics* g = GetUI();
  if (menu && g)
  {
    switch (menu->GetChosenItemIdx())
    {
      case kItemVisitSite:
        g->OpenURL(settings::kHomePageUrl);
        break;
      case kItemCheckForUpdate:
        mEditor.checkVersionAgainstWeb();
        break;
      default:
        break;
    }
  }
  if (g)
    g->SetAllControlsDirty();
}

} // namespace frame::graphics
