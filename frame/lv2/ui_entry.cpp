// The UI module's entry: the LV2 UI descriptor over the embedded editor.
#include <cstring>

#include "frame/Descriptor.h"
#include "frame/lv2/Lv2Ui.h"

namespace {
using frame::lv2::Ui;

Ui* self(LV2UI_Handle h) { return static_cast<Ui*>(h); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
  if (!pluginUri || std::strcmp(pluginUri, frame::PluginDescriptor().uri) != 0 || !widget)
    return nullptr;
  try
  {
    return Ui::Create(write, controller, features, widget).release();
  }
  catch (...)
  {
    return nullptr;
  }
}

void cleanup(LV2UI_Handle h) { delete self(h); }

void portEvent(LV2UI_Handle h, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
  self(h)->PortEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle h) { return self(h)->Idle(); }
int resized(LV2UI_Feature_Handle h, int width, int height) { return self(static_cast<LV2UI_Handle>(h))->HostResized(width, height); }

const void* extensionData(const char* uri)
{
  static const LV2UI_Idle_Interface idleInterface{idle};
  static const LV2UI_Resize resize{nullptr, resized};
  if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0)
    return &idleInterface;
  if (uri && std::strcmp(uri, LV2_UI__resize) == 0)
    return &resize;
  return nullptr;
}
} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
  static const std::string uri = frame::lv2::UiUri(frame::PluginDescriptor().uri);
  static const LV2UI_Descriptor descriptor{uri.c_str(), instantiate, cleanup, portEvent, extensionData};
  return index == 0 ? &descriptor : nullptr;
}
