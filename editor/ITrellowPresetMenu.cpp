#include "editor/ITrellowPresetMenu.h"

#include "editor/IGraphics.h"
#include "frame/IGEditorDelegate.h"

namespace frame::graphics {

ITrellowPresetMenu::ITrellowPresetMenu(const IRECT& bounds) : ITrellowMenuControl(bounds) {}

void ITrellowPresetMenu::OnMouseDown(float x, float y, const IMouseMod&)
{
  IGEditorDelegate* plug = GetDelegate();
  IGraphics* g = GetUI();
  if (!plug || !g)
    return;
  mMenu.Clear();
  for (int i = 0; i < plug->GetPresetCount(); ++i)
  {
    const int flags = i == plug->GetCurrentPresetForUI() ? IPopupMenu::Item::kChecked : IPopupMenu::Item::kNoFlags;
    mMenu.AddItem(plug->GetPresetNameForUI(i), i, flags);
  }
  popUpAt(x, y);
}

void ITrellowPresetMenu::OnPopupMenuSelection(IPopupMenu* menu, int)
{
  IGEditorDelegate* plug = GetDelegate();
  if (plug && menu && menu->GetChosenItemIdx() >= 0)
    plug->RecallPresetFromUI(menu->GetChosenItemIdx());
  if (IGraphics* g = GetUI())
    g->SetAllControlsDirty();
}

} // namespace frame::graphics
