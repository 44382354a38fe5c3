// What a CLAP host does with the parameters besides setting them: its modulation, the call
// back to the main thread the editor's catching up asks for, and the remote-controls page.
#include <cstdio>

#include "frame/Descriptor.h"
#include "frame/clap/IFrameCLAP.h"

namespace frame {

void IFrameCLAP::applyParamMod(clap_id id, double amount, int offset)
{
  // The bypass and the stepped parameters are not modulatable; the frame ignores them.
  if (id < static_cast<clap_id>(mPlug->NParams()))
    mPlug->ApplyHostModulation(static_cast<int>(id), amount, offset);
}

void IFrameCLAP::OnMainThread()
{
  AssertMainThread();
  mPlug->UpdateEditorFromHost();
}

void IFrameCLAP::RequestMainThreadCall()
{
  if (mHost && mHost->request_callback)
    mHost->request_callback(mHost);
}

namespace {
bool remotePage(const clap_plugin_t* p, uint32_t index, clap_remote_controls_page_t* page)
{
  if (index != 0 || !page)
    return false;
  IFrameCLAP& self = *IFrameCLAP::From(p);
  self.AssertMainThread();
  const Descriptor& d = PluginDescriptor();
  *page = {};
  std::snprintf(page->section_name, sizeof(page->section_name), "%s", d.name);
  std::snprintf(page->page_name, sizeof(page->page_name), "%s", d.name);
  page->page_id = 0;
  for (int c = 0; c < CLAP_REMOTE_CONTROLS_COUNT; ++c)
  {
    const bool known = c < d.numControllerPage && self.GetPlug().GetParam(d.controllerPage[c]);
    page->param_ids[c] = known ? static_cast<clap_id>(d.controllerPage[c]) : CLAP_INVALID_ID;
  }
  return true;
}
} // namespace

const clap_plugin_remote_controls_t IFrameCLAP::kRemoteControls{
  [](const clap_plugin_t*) -> uint32_t { return PluginDescriptor().numControllerPage > 0 ? 1 : 0; },
  remotePage,
};

} // namespace frame
