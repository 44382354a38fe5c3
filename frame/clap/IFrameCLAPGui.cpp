#include "frame/clap/IFrameCLAPGui.h"

#include <cstring>
#include <utility>

#include "frame/Descriptor.h"
#include "frame/clap/IFrameCLAP.h"

namespace frame {

// ---------------------------------------------------------------------------------------
// Event loop

std::unique_ptr<IFrameCLAPEventLoop> IFrameCLAPEventLoop::Create(const clap_host_t* host)
{
  if (!host || !host->get_extension)
    return nullptr;
  auto* timers = static_cast<const clap_host_timer_support_t*>(host->get_extension(host, CLAP_EXT_TIMER_SUPPORT));
  auto* fds = static_cast<const clap_host_posix_fd_support_t*>(host->get_extension(host, CLAP_EXT_POSIX_FD_SUPPORT));
  if (!timers || !timers->register_timer || !timers->unregister_timer || !fds || !fds->register_fd ||
      !fds->unregister_fd)
    return nullptr;
  return std::unique_ptr<IFrameCLAPEventLoop>(new IFrameCLAPEventLoop(host, timers, fds));
}

IFrameCLAPEventLoop::IFrameCLAPEventLoop(const clap_host_t* host, const clap_host_timer_support_t* timers,
                                         const clap_host_posix_fd_support_t* fds)
  : mHost(host), mTimers(timers), mFds(fds)
{
}

IFrameCLAPEventLoop::~IFrameCLAPEventLoop()
{
  while (!mEntries.empty())
    Remove(mEntries.begin()->first);
}

int IFrameCLAPEventLoop::AddTimer(int periodMs, Handler handler)
{
  clap_id timerId = CLAP_INVALID_ID;
  if (!handler || periodMs <= 0 || !mTimers->register_timer(mHost, static_cast<uint32_t>(periodMs), &timerId))
    return 0;
  mEntries.emplace(mNextId, std::make_shared<Entry>(Entry{true, timerId, std::move(handler)}));
  return mNextId++;
}

int IFrameCLAPEventLoop::AddFd(int fd, Handler handler)
{
  if (!handler || fd < 0 || !mFds->register_fd(mHost, fd, CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR))
    return 0;
  mEntries.emplace(mNextId, std::make_shared<Entry>(Entry{false, static_cast<uint64_t>(fd), std::move(handler)}));
  return mNextId++;
}

void IFrameCLAPEventLoop::Remove(int id)
{
  auto it = mEntries.find(id);
  if (it == mEntries.end())
    return;
  const std::shared_ptr<Entry> entry = it->second;
  mEntries.erase(it);
  if (entry->isTimer)
    mTimers->unregister_timer(mHost, static_cast<clap_id>(entry->key));
  else
    mFds->unregister_fd(mHost, static_cast<int>(entry->key));
}

void IFrameCLAPEventLoop::run(bool isTimer, uint64_t key)
{
  for (const auto& [id, entry] : mEntries)
  {
    if (entry->isTimer != isTimer || entry->key != key)
      continue;
    // The handler may remove itself or any other: it runs on a reference of its own, and
    // the walk ends with it.
    const std::shared_ptr<Entry> keep = entry;
    keep->handler();
    return;
  }
}

void IFrameCLAPEventLoop::OnTimer(clap_id timerId) { run(true, timerId); }

void IFrameCLAPEventLoop::OnFd(int fd)
{
  if (fd >= 0)
    run(false, static_cast<uint64_t>(fd));
}

// ---------------------------------------------------------------------------------------
// gui

namespace {
bool isEmbeddedX11(const char* api, bool floating) { return api && !std::strcmp(api, CLAP_WINDOW_API_X11) && !floating; }

void destroyGui(const clap_plugin_t* p)
{
  IFrameCLAP& clap = *IFrameCLAP::From(p);
  if (!clap.EventLoop())
    return;
  clap.GetPlug().DetachEditor();
  clap.SetEventLoop(nullptr);
}

bool createGui(const clap_plugin_t* p, const char* api, bool floating)
{
  IFrameCLAP& clap = *IFrameCLAP::From(p);
  clap.AssertMainThread();
  if (!isEmbeddedX11(api, floating) || clap.EventLoop())
    return false;
  auto loop = IFrameCLAPEventLoop::Create(clap.Host());
  if (!loop)
    return false;
  clap.SetEventLoop(std::move(loop));
  return true;
}

bool setParent(const clap_plugin_t* p, const clap_window_t* window)
{
  IFrameCLAP& clap = *IFrameCLAP::From(p);
  clap.AssertMainThread();
  IFrameCLAPEventLoop* loop = clap.EventLoop();
  if (!loop || loop->windowOpen || !window || !isEmbeddedX11(window->api, false) || !window->x11)
    return false;
  if (!clap.GetPlug().AttachEditor(reinterpret_cast<void*>(static_cast<uintptr_t>(window->x11)), *loop))
    return false;
  loop->windowOpen = true;
  return true;
}

bool getSize(const clap_plugin_t* p, uint32_t* width, uint32_t* height)
{
  const IFramePlugin& plug = IFrameCLAP::From(p)->GetPlug();
  if (!width || !height || plug.GetEditorWidth() <= 0 || plug.GetEditorHeight() <= 0)
    return false;
  *width = static_cast<uint32_t>(plug.GetEditorWidth());
  *height = static_cast<uint32_t>(plug.GetEditorHeight());
  return true;
}

bool getResizeHints(const clap_plugin_t* p, clap_gui_resize_hints_t* hints)
{
  const IFramePlugin& plug = IFrameCLAP::From(p)->GetPlug();
  if (!hints)
    return false;
  hints->can_resize_horizontally = hints->can_resize_vertically = true;
  hints->preserve_aspect_ratio = true;
  hints->aspect_ratio_width = static_cast<uint32_t>(plug.GetMaxWidth());
  hints->aspect_ratio_height = static_cast<uint32_t>(plug.GetMaxHeight());
  return true;
}

bool adjustSize(const clap_plugin_t* p, uint32_t* width, uint32_t* height)
{
  if (!width || !height)
    return false;
  IFrameCLAPGui::SnapSize(IFrameCLAP::From(p)->GetPlug(), *width, *height);
  return true;
}

bool setSize(const clap_plugin_t* p, uint32_t width, uint32_t height)
{
  IFrameCLAP& clap = *IFrameCLAP::From(p);
  clap.AssertMainThread();
  float scale = 0.f;
  IFrameCLAPGui::SnapSize(clap.GetPlug(), width, height, &scale);
  IFramePlugin& plug = clap.GetPlug();
  // The host has the window at this size already: the editor follows without asking back.
  if (graphics::IGraphicsContext* ui = plug.GetUI())
    ui->Resize(plug.GetMaxWidth(), plug.GetMaxHeight(), scale, false);
  plug.SetEditorSize(static_cast<int>(width), static_cast<int>(height));
  return true;
}
} // namespace

void IFrameCLAPGui::SnapSize(const IFramePlugin& plug, uint32_t& width, uint32_t& height, float* scale)
{
  // The editor shows its whole layout, its largest logical size, at each of its scales.
  const Descriptor& d = PluginDescriptor();
  const float maxW = static_cast<float>(plug.GetMaxWidth()), maxH = static_cast<float>(plug.GetMaxHeight());
  int chosen = 0;
  for (int i = 0; i < d.numEditorScales; ++i)
    if (static_cast<uint32_t>(maxW * d.editorScales[i]) <= width && static_cast<uint32_t>(maxH * d.editorScales[i]) <= height)
      chosen = i;
  const float s = d.numEditorScales > 0 ? d.editorScales[chosen] : 1.f;
  width = static_cast<uint32_t>(maxW * s);
  height = static_cast<uint32_t>(maxH * s);
  if (scale)
    *scale = s;
}

const clap_plugin_gui_t IFrameCLAPGui::kGui{
  [](const clap_plugin_t*, const char* api, bool floating) { return isEmbeddedX11(api, floating); },
  [](const clap_plugin_t*, const char** api, bool* floating) {
    if (!api || !floating)
      return false;
    *api = CLAP_WINDOW_API_X11;
    *floating = false;
    return true;
  },
  createGui,
  destroyGui,
  [](const clap_plugin_t* p, double scale) {
    if (!(scale > 0.0))
      return false;
    IFrameCLAP::From(p)->GetPlug().SetScreenScale(static_cast<float>(scale));
    return true;
  },
  getSize,
  [](const clap_plugin_t*) { return true; },
  getResizeHints,
  adjustSize,
  setSize,
  setParent,
  [](const clap_plugin_t*, const clap_window_t*) { return false; },
  [](const clap_plugin_t*, const char*) {},
  [](const clap_plugin_t*) { return true; },
  [](const clap_plugin_t*) { return true; },
};

const clap_plugin_timer_support_t IFrameCLAPGui::kTimerSupport{
  [](const clap_plugin_t* p, clap_id timerId) {
    if (IFrameCLAPEventLoop* loop = IFrameCLAP::From(p)->EventLoop())
      loop->OnTimer(timerId);
  },
};

const clap_plugin_posix_fd_support_t IFrameCLAPGui::kFdSupport{
  [](const clap_plugin_t* p, int fd, clap_posix_fd_flags_t) {
    if (IFrameCLAPEventLoop* loop = IFrameCLAP::From(p)->EventLoop())
      loop->OnFd(fd);
  },
};

} // namespace frame
