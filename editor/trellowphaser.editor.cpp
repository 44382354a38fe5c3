// The effect's editor: how its graphics context is made and laid out, and how its scale is
// chosen, applied and changed. The layout is fixed in a 1440 x 348 area; a size only
// changes the draw scale.
#include <cmath>
#include <limits>
#include <mutex>

#include "editor/BundleResources.h"
#include "editor/IBitmapControl.h"
#include "editor/IGraphics.h"
#include "editor/ITrellowCornerResizer.h"
#include "editor/ITrellowKnobTextControl.h"
#include "editor/ITrellowOnlineMenu.h"
#include "editor/ITrellowPresetMenu.h"
#include "editor/ITrellowSizeContextControl.h"
#include "editor/ITrellowSwitchTextControl.h"
#include "editor/MakeGraphics.h"
#include "editor/trellowphaser.editor.h"
#include "effect/editor_sizes.h"
#include "effect/params.h"
#include "frame/Descriptor.h"
#include "frame/IGEditorDelegate.h"
#include "settings/http.h"
#include "settings/settings_file.h"

using namespace frame::graphics;

namespace {

constexpr int kFPS = 60;

// The area the controls are placed in, and the draw-scale limits.
constexpr float kLayoutWidth = 1440.f;
constexpr float kLayoutHeight = 348.f;
constexpr float kMinScale = settings::kMinEditorScale;
constexpr float kMaxScale = settings::kMaxEditorScale;

constexpr float kCornerSize = 26.f;
constexpr const char* kFontID = "Roboto-Regular.ttf";

/** The logical size that shows width x height layout units at scale: ceil(width / scale)
 *  by ceil(height / scale) in single precision. False when the scale gives none (not above
 *  0, or so small that the size leaves the int range). An infinite scale acts as the
 *  largest finite one, which the context then clamps like any scale above its limit. */
bool logicalSizeFor(float width, float height, float scale, int& w, int& h)
{
  if (!(scale > 0.f))
    return false;
  scale = std::min(scale, std::numeric_limits<float>::max());
  const float fw = std::ceil(width / scale);
  const float fh = std::ceil(height / scale);
  // 2^31 is exactly representable; anything at or above it is not an int.
  constexpr float kIntLimit = 2147483648.f;
  if (!(fw < kIntLimit) || !(fh < kIntLimit))
    return false;
  w = static_cast<int>(fw);
  h = static_cast<int>(fh);
  return true;
}

/** Resizes g so that it shows width x height layout units at scale, or to the smallest
 *  editor when the scale gives no size. */
void applyScale(IGraphics& g, float width, float height, float scale)
{
  int w = 0, h = 0;
  if (logicalSizeFor(width, height, scale, w, h))
    g.Resize(w, h, std::min(scale, std::numeric_limits<float>::max()), true);
  else
    g.Resize(kEditorMinWidth, kEditorMinHeight, kMinScale, true); // a stored scale that gives no size
}

/** The version check's user interface: the editor's message boxes and the browser. */
class GraphicsVersionCheckUI : public settings::IVersionCheckUI
{
public:
  explicit GraphicsVersionCheckUI(IGraphics& g) : mGraphics(g) {}

  EMsgBoxResult ShowMessageBox(const char* text, const char* caption, EMsgBoxType type) override
  {
    return mGraphics.ShowMessageBox(text, caption, type);
  }
  bool OpenURL(const char* url) override { return mGraphics.OpenURL(url); }

private:
  IGraphics& mGraphics;
};

std::mutex& resourcePathMutex()
{
  static std::mutex m;
  return m;
}

std::string& resourcePathOverride()
{
  static std::string path;
  return path;
}

// Any function of this module locates the module's file.
void moduleAnchor() {}

} // namespace

std::unique_ptr<frame::graphics::IEditor> frame::graphics::MakePluginEditor(IGEditorDelegate& plug)
{
  return std::make_unique<TrellowPhaserEditor>(plug);
}

TrellowPhaserEditor::TrellowPhaserEditor(IGEditorDelegate& plug) : mPlug(plug)
{
  mIniPath.Set(settings::SettingsFilePath().c_str());
  mEditorScale = settings::InitEditorScale(mIniPath.Str());
}

TrellowPhaserEditor::~TrellowPhaserEditor() = default;

TrellowPhaserEditor* TrellowPhaserEditor::of(IGEditorDelegate& plug)
{
  return dynamic_cast<TrellowPhaserEditor*>(plug.GetEditor());
}

// ---------------------------------------------------------------------------------------
// Context and layout

void TrellowPhaserEditor::setEditorResourcePath(const char* path)
{
  std::lock_guard<std::mutex> lock(resourcePathMutex());
  resourcePathOverride() = path ? path : "";
}

std::string TrellowPhaserEditor::editorResourcePath()
{
  {
    std::lock_guard<std::mutex> lock(resourcePathMutex());
    if (!resourcePathOverride().empty())
      return resourcePathOverride();
  }
  std::string path = BundleResourcesForModule(ModuleFileOf(reinterpret_cast<const void*>(&moduleAnchor)));
  return path.empty() ? GetDefaultResourcePath() : path;
}

frame::graphics::IGraphicsContext* TrellowPhaserEditor::MakeGraphics()
{
  // Made at the default size; the layout then applies the scale.
  IGraphics* g = frame::graphics::MakeGraphics(mPlug, kEditorDefaultWidth, kEditorDefaultHeight, kFPS, 1.f);
  if (!g)
    return nullptr;
  g->SetResourcePath(editorResourcePath());
  g->SetDisplayName(frame::PluginDescriptor().name);
  return g;
}

void TrellowPhaserEditor::Layout(frame::graphics::IGraphicsContext& context)
{
  if (auto* g = dynamic_cast<IGraphics*>(&context))
    layoutUI(*g);
}

IGraphics* TrellowPhaserEditor::editorGraphics() { return dynamic_cast<IGraphics*>(mPlug.GetUI()); }

void TrellowPhaserEditor::layoutUI(IGraphics& g)
{
  // The previous editor's knob is gone; until the new one exists there is none.
  mRateKnob = nullptr;

  const IBitmap stages = g.LoadBitmap("stages.png", 2, false, 0);
  const IBitmap knob = g.LoadBitmap("knob.png", 65, false, 0);
  const IBitmap switches = g.LoadBitmap("switch.png", 2, false, 0);
  g.LoadFont(kFontID, "Roboto-Regular.ttf");

  g.EnableMouseOver(true);
  g.EnableMultiTouch(true);

  g.AttachBackground("back.png");
  // Right after the background, so it lies under every other control and takes the right
  // clicks that land on the background or on a value text.
  g.AttachControl(new ITrellowSizeContextControl(IRECT(0.f, 0.f, 2.f * kLayoutWidth, 2.f * kLayoutHeight), *this));

  g.SetScaleConstraints(kMinScale, kMaxScale);
  // Twice the layout, so that every scale up to 2.0 opens on the whole layout.
  applyScale(g, 2.f * kLayoutWidth, 2.f * kLayoutHeight, mEditorScale);

  g.AttachControl(new ITrellowOnlineMenu(IRECT(1112.f, 24.f, 1416.f, 80.f), *this));
  const IRECT bounds(0.f, 0.f, static_cast<float>(g.Width()), static_cast<float>(g.Height()));
  g.AttachCornerResizer(new ITrellowCornerResizer(bounds, kCornerSize), EUIResizerMode::Scale, false);
  g.AttachControl(new ITrellowPresetMenu(IRECT(20.f, 24.f, 80.f, 84.f)));

  g.AttachControl(new IBSwitchControl(42.f, 192.f, stages, kParamStages));
  g.AttachControl(new ITrellowKnobTextControl(192.f, 200.f, kParamManual, knob));
  g.AttachControl(new ITrellowKnobTextControl(340.f, 200.f, kParamSpread, knob));
  g.AttachControl(new ITrellowKnobTextControl(488.f, 200.f, kParamFeedback, knob));
  IControl* rateKnob = g.AttachControl(new ITrellowKnobTextControl(668.f, 200.f, kParamLFOSpeed, knob));
  g.AttachControl(new ITrellowSwitchTextControl(802.f, 188.f, kParamSync, switches));
  g.AttachControl(new IBSwitchControl(882.f, 188.f, switches, kParamWaveform));
  g.AttachControl(new ITrellowKnobTextControl(976.f, 200.f, kParamLFODepth, knob));
  g.AttachControl(new ITrellowKnobTextControl(1124.f, 200.f, kParamStereo, knob));
  g.AttachControl(new ITrellowKnobTextControl(1304.f, 200.f, kParamMix, knob));
  mRateKnob = rateKnob;
}

// ---------------------------------------------------------------------------------------
// Scale

void TrellowPhaserEditor::resizeUI(GUISize size)
{
  IGraphics* g = editorGraphics();
  if (!g || !g->WindowIsOpen())
    return;
  const float scale = GUISizeScale(size);
  if (!(scale > 0.f) || !g->WindowIsOpen())
    return;
  mEditorScale = scale;
  resizeUI();
}

void TrellowPhaserEditor::resizeUI()
{
  IGraphics* g = editorGraphics();
  if (!g || !g->WindowIsOpen() || !(mEditorScale > 0.f))
    return;
  applyScale(*g, kLayoutWidth, kLayoutHeight, mEditorScale);
}

// ---------------------------------------------------------------------------------------
// Parameter changes

void TrellowPhaserEditor::OnParamChangeUI(int paramIdx, frame::EParamSource source)
{
  // The editor's own pushes come back through here; they change nothing more.
  if (source == frame::kSourceDelegate || !mPlug.EditorIsOpen())
    return;
  if (paramIdx == kParamSync && mRateKnob)
    mRateKnob->SetDirty(false, kNoValIdx); // only the text's form changes: no value to the host
  else if (paramIdx == kParamStages)
    for (int i = 0; i < mPlug.NParams(); ++i)
      mPlug.SendParameterValueFromDelegate(i, mPlug.GetParam(i)->GetNormalized(), true);
}

// ---------------------------------------------------------------------------------------
// Online

int TrellowPhaserEditor::checkVersionAgainstWeb()
{
  IGraphics* g = editorGraphics();
  // Nobody would see the answer: no request.
  if (!g || !g->WindowIsOpen())
    return -1;
  GraphicsVersionCheckUI ui(*g);
  return settings::CheckVersionAgainstWeb(frame::PluginDescriptor().versionCheckUrl, ui);
}
