#include "editor/ITrellowSizeContextControl.h"

#include "editor/GUISize.h"
#include "editor/IGraphics.h"
#include "editor/trellowphaser.editor.h"
#include "frame/IString.h"

namespace frame::graphics {

namespace {
constexpr const char* kSizeItems[kNumGUISizes] = {
  "Set Windows Size to 50%",  "Set Windows Size to 75%",  "Set Windows Size to 100%",
  "Set Windows Size to 200%", "Set Windows Size to 400%", "Set Windows Size to 800%",
};
constexpr const char* kSaveCaption = "Save Window Size";
// Messages are cut here, whatever the length of the settings path.
constexpr int kMaxMessageLength = 1023;
} // namespace

ITrellowSizeContextControl::ITrellowSizeContextControl(const IRECT& bounds, TrellowPhaserEditor& editor)
  : ITrellowMenuControl(bounds, kNoParameter), mEditor(editor)
{
}

void ITrellowSizeContextControl::OnInit()
{
  mMenu.Clear();
  for (int i = 0; i < kNumGUISizes; ++i)
    mMenu.AddItem(kSizeItems[i], i);
  mMenu.AddSeparator();
  mMenu.AddItem(kSaveCaption);
}

void ITrellowSizeContextControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  IGraphics* g = GetUI();
  if (!mod.R || !g)
    return;
  popUpAt(x, y);
  SetDirty(true);
}

void ITrellowSizeContextControl::OnPopupMenuSelection(IPopupMenu* menu, int)
{
  if (!menu)
    return;
  const int chosen = menu->GetChosenItemIdx();
  if (chosen >= 0 && chosen < kNumGUISizes)
    mEditor.resizeUI(static_cast<GUISize>(chosen));
  else if (chosen == kItemSaveWindowSize)
    saveWindowSize();
}

void ITrellowSizeContextControl::saveWindowSize()
{
  IGraphics* g = GetUI();
  if (!g)
    return;
  // A save that did not reach the file must not be confirmed: the user would rely on a
  // size that the next editor does not open at.
  const bool saved = mEditor.saveConfig();
  const char* path = mEditor.GetSettingsPath();
  IString message;
  message.SetFormatted(kMaxMessageLength,
                       saved ? "The current window size was saved to the INI configuration file:\n%s"
                             : "The current window size could not be saved to the INI configuration file:\n%s",
                       path ? path : "");
  g->ShowMessageBox(message.Get(), kSaveCaption, kMB_OK);
}

} // namespace frame::graphics
