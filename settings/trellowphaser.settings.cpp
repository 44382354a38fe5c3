// The effect's use of its settings file: the editor scale.
#include "effect/trellowphaser.h"
#include "settings/settings_file.h"

bool TrellowPhaser::loadConfig()
{
  mEditorScale = settings::ReadEditorScale(mIniPath.Str());
  resizeUI();
  return true;
}

bool TrellowPhaser::saveConfig()
{
  const frame::graphics::IGraphicsContext* ui = GetUI();
  const float scale = ui ? ui->GetDrawScale() : mEditorScale;
  return settings::WriteEditorScale(mIniPath.Str(), scale);
}
