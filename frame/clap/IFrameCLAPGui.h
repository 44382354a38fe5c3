#pragma once

#include <map>
#include <memory>

#include "clap/clap.h"

#include "frame/IEventLoop.h"

namespace frame {

class IFrameCLAP;
class IFramePlugin;

/** The frame's event loop on the host's timer-support and posix-fd-support: the host calls
 *  back on_timer and on_fd, which run the handlers registered here. Everything still
 *  registered is unregistered when the loop goes, so nothing of the editor is called after
 *  the gui was destroyed. Main thread. */
class IFrameCLAPEventLoop : public IEventLoop
{
public:
  /** Null when the host lacks either extension. */
  static std::unique_ptr<IFrameCLAPEventLoop> Create(const clap_host_t* host);
  ~IFrameCLAPEventLoop() override;

  int AddTimer(int periodMs, Handler handler) override;
  int AddFd(int fd, Handler handler) override;
  void Remove(int id) override;

  void OnTimer(clap_id timerId);
  void OnFd(int fd);

  /** True while the editor's window is open in the host's parent. */
  bool windowOpen = false;

private:
  struct Entry
  {
    bool isTimer = false;
    uint64_t key = 0; // the host's timer id, or the descriptor
    Handler handler;
  };

  IFrameCLAPEventLoop(const clap_host_t* host, const clap_host_timer_support_t* timers,
                      const clap_host_posix_fd_support_t* fds);
  void run(bool isTimer, uint64_t key);

  const clap_host_t* mHost;
  const clap_host_timer_support_t* mTimers;
  const clap_host_posix_fd_support_t* mFds;
  std::map<int, std::shared_ptr<Entry>> mEntries;
  int mNextId = 1;
};

/** The gui extension and the two extensions its event loop is called back through. The
 *  editor embeds itself into the host's X11 window and takes one of the editor's sizes. */
struct IFrameCLAPGui
{
  static const clap_plugin_gui_t kGui;
  static const clap_plugin_timer_support_t kTimerSupport;
  static const clap_plugin_posix_fd_support_t kFdSupport;

  /** The editor size nearest to width x height that fits in it, or the smallest. */
  static void SnapSize(const IFramePlugin& plug, uint32_t& width, uint32_t& height, float* scale = nullptr);
};

} // namespace frame
