// The editor's use of its settings file: the scale.
#include "editor/trellowphaser.editor.h"
#include "frame/IGEditorDelegate.h"
#include "settings/settings_file.h"

bool TrellowPhaserEditor::loadConfig()
{
  mEditorScale = settings::ReadEditorScale(mIniPath.Str());
  resizeUI();
  return true;
}

bool TrellowPhaserEditor::saveConfig()
{
  const frame::graphics::IGraphicsContext* ui = mPlug.GetUI();
  const float scale = ui ? ui->GetDrawScale() : mEditorScale;
  return settings::WriteEditorScale(mIniPath.Str(), scale);
}
