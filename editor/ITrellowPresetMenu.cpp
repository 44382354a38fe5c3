#include "editor/ITrellowPresetMenu.h"

#include "editor/IGraphics.h"
#include "effect/trellowphaser.h"

namespace frame::graphics {

ITrellowPresetMenu::ITrellowPresetMenu(const IRECT& bounds) : ITrellowControlBase(bounds) {}

ITrellowPresetMenu::~ITrellowPresetMenu() = default;

void ITrellowPresetMenu::OnMouseDown(float x, float y, const IMouseMod&)
{
  auto* effect = dynamic_cast<TrellowPhaser*>(GetDelegate());
  IGraphics* g = GetUI();
  if (!effect || !g)
    return;
  mMenu.Clear();
  for (int i = 0; i < kNumPresets; ++i)
  {
    const int flags = i == effect->GetCurrentPresetIdx() ? IPopupMenu::Item::kChecked : IPopupMenu::Item::kNoFlags;
    mMenu.AddItem(effect->GetPresetName(i), i, flags);
  }
  g->CreatePopupMenu(*this, mMenu, IRECT(x, y, x, y));
}

void ITrellowPresetMenu::OnPopupMenuSelection(IPopupMenu* menu, int)
{
  auto* effect = dynamic_cast<TrellowPhaser*>(GetDelegate());
  if (effect && menu && menu->GetChosenItemIdx() >= 0)
    effect->changePreset(menu->GetChosenItemIdx());
  if (IGraphics* g = GetUI())
    g->SetAllControlsDirty();
}

} // namespace frame::graphics
