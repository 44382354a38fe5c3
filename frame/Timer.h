#pragma once

#include <functional>
#include <memory>

namespace frame {

/** A periodic main-thread timer. The frame creates it; a platform driver (the host's run
 *  loop while the editor is attached, or a test by hand) calls Fire at the period.
 *  There is no thread of its own: a plug-in must not add threads to its host. */
class Timer
{
public:
  using Callback = std::function<void(Timer&)>;

  static std::unique_ptr<Timer> Create(Callback callback, int periodMs);

  void Stop() { mRunning = false; }
  bool IsRunning() const { return mRunning; }
  int PeriodMs() const { return mPeriodMs; }

  /** Runs the callback once if the timer has not been stopped. Main thread. */
  void Fire()
  {
    if (mRunning && mCallback)
      mCallback(*this);
  }

private:
  Timer(Callback callback, int periodMs) : mCallback(std::move(callback)), mPeriodMs(periodMs) {}

  Callback mCallback;
  int mPeriodMs;
  bool mRunning = true;
};

inline std::unique_ptr<Timer> Timer::Create(Callback callback, int periodMs)
{
  return std::unique_ptr<Timer>(new Timer(std::move(callback), periodMs));
}

} // namespace frame
