#include "apps/jack/MainLoop.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace app {

int MainLoop::Add(Entry entry)
{
  if (!entry.handler)
    return 0;
  entry.id = mNextId++;
  mEntries.push_back(std::move(entry));
  return mEntries.back().id;
}

int MainLoop::AddTimer(int periodMs, Handler handler)
{
  Entry e;
  e.period = std::chrono::milliseconds(std::max(1, periodMs));
  e.next = Clock::now() + e.period;
  e.handler = std::move(handler);
  return Add(std::move(e));
}

int MainLoop::AddFd(int fd, Handler handler)
{
  if (fd < 0)
    return 0;
  Entry e;
  e.fd = fd;
  e.handler = std::move(handler);
  return Add(std::move(e));
}

void MainLoop::Remove(int id)
{
  // Only marked: a handler may remove entries while the loop walks them.
  for (Entry& e : mEntries)
    if (e.id == id)
      e.removed = true;
}

void MainLoop::Compact()
{
  mEntries.erase(std::remove_if(mEntries.begin(), mEntries.end(), [](const Entry& e) { return e.removed; }),
                 mEntries.end());
}

void MainLoop::Run()
{
  mQuit = false;
  while (!mQuit)
  {
    Compact();
    std::vector<pollfd> fds;
    std::vector<int> ids;
    int timeout = -1;
    const auto now = Clock::now();
    for (const Entry& e : mEntries)
    {
      if (e.fd >= 0)
      {
        fds.push_back({e.fd, POLLIN, 0});
        ids.push_back(e.id);
        continue;
      }
      // Rounded up: a wait cut to 0 ms would spin until the timer is due.
      const auto ms = std::chrono::ceil<std::chrono::milliseconds>(e.next - now).count();
      const int wait = static_cast<int>(std::clamp<long long>(ms, 0, 1000));
      timeout = timeout < 0 ? wait : std::min(timeout, wait);
    }
    if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
      return;
    // Entries are found again by id: handlers may add or remove others meanwhile.
    for (size_t i = 0; i < fds.size() && !mQuit; ++i)
    {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
        continue;
      for (size_t k = 0; k < mEntries.size(); ++k)
        if (mEntries[k].id == ids[i] && !mEntries[k].removed)
        {
          Handler handler = mEntries[k].handler;
          handler();
          break;
        }
    }
    const size_t n = mEntries.size();
    for (size_t k = 0; k < n && !mQuit; ++k)
    {
      if (mEntries[k].fd >= 0 || mEntries[k].removed)
        continue;
      const auto at = Clock::now();
      if (mEntries[k].next > at)
        continue;
      mEntries[k].next += mEntries[k].period;
      if (mEntries[k].next < at)
        mEntries[k].next = at + mEntries[k].period; // fell behind: no burst to catch up
      Handler handler = mEntries[k].handler;
      handler();
    }
  }
}

} // namespace app
