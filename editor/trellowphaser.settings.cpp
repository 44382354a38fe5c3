// The editor's use of its settings file: the scale.
#include <algorithm>
#include <cmath>

#include "editor/trellowphaser.editor.h"
#include "frame/IGEditorDelegate.h"
#include "settings/settings_file.h"

bool TrellowPhaserEditor::loadConfig()
{
  mEditorScale = settings::ReadEditorScale(mIniPath.Str());
  resizeUI();
  return true;
}

void TrellowPhaserEditor::SetHostScale(float scale)
{
  // The size the user picked is kept in the settings file and wins over the desktop's.
  if (!(scale > 0.f) || !std::isfinite(scale) || settings::HasStoredEditorScale(mIniPath.Str()))
    return;
  mEditorScale = std::clamp(settings::kDefaultEditorScale * scale, settings::kMinEditorScale, settings::kMaxEditorScale);
}

bool TrellowPhaserEditor::saveConfig()
{
  const frame::graphics::IGraphicsContext* ui = mPlug.GetUI();
  const float scale = ui ? ui->GetDrawScale() : mEditorScale;
  return settings::WriteEditorScale(mIniPath.Str(), scale);
}
