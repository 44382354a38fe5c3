#include "frame/lv2/Lv2IdleLoop.h"

#include <poll.h>

#include <algorithm>

namespace frame::lv2 {

int IdleLoop::add(Entry entry)
{
  entry.id = mNextId++;
  mEntries.push_back(std::move(entry));
  return mEntries.back().id;
}

int IdleLoop::AddTimer(int periodMs, Handler handler)
{
  if (periodMs <= 0 || !handler)
    return 0;
  return add({0, -1, periodMs, Clock::now() + std::chrono::milliseconds(periodMs),
              std::make_shared<Handler>(std::move(handler))});
}

int IdleLoop::AddFd(int fd, Handler handler)
{
  if (fd < 0 || !handler)
    return 0;
  return add({0, fd, 0, {}, std::make_shared<Handler>(std::move(handler))});
}

void IdleLoop::Remove(int id)
{
  mEntries.erase(std::remove_if(mEntries.begin(), mEntries.end(), [id](const Entry& e) { return e.id == id; }),
                 mEntries.end());
}

void IdleLoop::Poll()
{
  // Decided on a copy: handlers add and remove entries while they run.
  std::vector<std::pair<int, std::shared_ptr<Handler>>> due;
  const Clock::time_point now = Clock::now();
  for (Entry& e : mEntries)
  {
    if (e.fd >= 0)
    {
      pollfd p{e.fd, POLLIN, 0};
      if (poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR)))
        due.emplace_back(e.id, e.handler);
    }
    else if (now >= e.next)
    {
      // A host that idles slowly gets one call, not a burst of missed ones.
      e.next = std::max(e.next + std::chrono::milliseconds(e.periodMs), now);
      due.emplace_back(e.id, e.handler);
    }
  }
  for (auto& [id, handler] : due)
    if (std::any_of(mEntries.begin(), mEntries.end(), [id = id](const Entry& e) { return e.id == id; }))
      (*handler)();
}

} // namespace frame::lv2
