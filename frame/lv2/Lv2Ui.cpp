#include "frame/lv2/Lv2Ui.h"

#include <cmath>
#include <cstring>

#include "lv2/atom/atom.h"
#include "lv2/options/options.h"
#include "lv2/urid/urid.h"

#include "editor/InstallEditor.h"
#include "frame/Descriptor.h"

namespace frame::lv2 {

namespace {
// The desktop's scale the host passes as ui:scaleFactor, or 0.
float hostScaleOf(const LV2_Feature* const* features)
{
  const auto* options = static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  if (!options || !map || !map->map)
    return 0.f;
  const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
  const LV2_URID scaleKey = map->map(map->handle, LV2_UI__scaleFactor);
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o)
    if (o->key == scaleKey && o->type == floatType && o->size >= sizeof(float) && o->value)
    {
      float v;
      std::memcpy(&v, o->value, sizeof v);
      return std::isfinite(v) && v > 0.f ? v : 0.f;
    }
  return 0.f;
}
} // namespace

Ui::Ui(std::unique_ptr<IFramePlugin> plug, LV2UI_Write_Function write, LV2UI_Controller controller)
  : mPlug(std::move(plug)), mLayout(*mPlug), mWrite(write), mController(controller)
{
  for (int i = 0; i < mPlug->NParams(); ++i)
    mUnits.push_back(UnitOf(*mPlug->GetParam(i)));
}

std::unique_ptr<Ui> Ui::Create(LV2UI_Write_Function write, LV2UI_Controller controller,
                               const LV2_Feature* const* features, LV2UI_Widget* widget)
{
  void* parent = const_cast<void*>(FeatureData(features, LV2_UI__parent));
  if (!parent || !write)
    return nullptr;
  // The editor is made with the plug-in object, so the factories come first.
  graphics::InstallPluginEditor();
  std::unique_ptr<Ui> ui(new Ui(std::unique_ptr<IFramePlugin>(CreatePlugin()), write, controller));
  ui->mResize = static_cast<const LV2UI_Resize*>(FeatureData(features, LV2_UI__resize));
  ui->mTouch = static_cast<const LV2UI_Touch*>(FeatureData(features, LV2_UI__touch));

  IFramePlugin& plug = *ui->mPlug;
  plug.SetAPI(9); // "LV2"
  plug.Initialize("");
  plug.SetHostNotifier(ui.get());
  if (const float scale = hostScaleOf(features); scale > 0.f && plug.GetEditor())
    plug.GetEditor()->SetHostScale(scale);
  void* view = plug.AttachEditor(parent, ui->mLoop);
  if (!view)
    return nullptr;
  ui->mOpen = true;
  *widget = view;
  if (ui->mResize)
    ui->mResize->ui_resize(ui->mResize->handle, plug.GetEditorWidth(), plug.GetEditorHeight());
  return ui;
}

Ui::~Ui()
{
  mPlug->DetachEditor();
  mPlug->SetHostNotifier(nullptr);
}

void Ui::PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
  const int idx = mLayout.ParamOf(port);
  if (idx < 0 || format != 0 || size != sizeof(float) || !buffer)
    return;
  float v;
  std::memcpy(&v, buffer, sizeof v);
  if (std::isnan(v))
    return;
  IParam& param = *mPlug->GetParam(idx);
  // The value the port shows already: an exact default or preset stays exact.
  if (v == PortValueFromParam(mUnits[static_cast<size_t>(idx)], param.Value()))
    return;
  const double value = param.Constrain(ParamValueFromPort(mUnits[static_cast<size_t>(idx)], v));
  mPlug->SetParameterFromHostController(idx, param.ToNormalized(value));
}

int Ui::Idle()
{
  mLoop.Poll();
  return mOpen ? 0 : 1;
}

int Ui::HostResized(int width, int height)
{
  mPlug->OnParentWindowResize(width, height);
  return 0;
}

void Ui::writeParam(int paramIdx, double value)
{
  const float v = PortValueFromParam(mUnits[static_cast<size_t>(paramIdx)], value);
  mWrite(mController, mLayout.Param(paramIdx), sizeof v, 0, &v);
}

void Ui::BeginEdit(int paramIdx)
{
  if (mTouch && mPlug->GetParam(paramIdx))
    mTouch->touch(mTouch->handle, mLayout.Param(paramIdx), true);
}

void Ui::PerformEdit(int paramIdx, double normalizedValue)
{
  if (const IParam* param = mPlug->GetParam(paramIdx))
    writeParam(paramIdx, param->FromNormalized(normalizedValue));
}

void Ui::EndEdit(int paramIdx)
{
  if (mTouch && mPlug->GetParam(paramIdx))
    mTouch->touch(mTouch->handle, mLayout.Param(paramIdx), false);
}

void Ui::ReportAllValues()
{
  for (int i = 0; i < mPlug->NParams(); ++i)
    writeParam(i, mPlug->GetParam(i)->Value());
}

bool Ui::ResizeEditor(int width, int height)
{
  return mResize && mResize->ui_resize(mResize->handle, width, height) == 0;
}

} // namespace frame::lv2
