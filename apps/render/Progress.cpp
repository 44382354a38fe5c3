#include "apps/render/Progress.h"

#include <cstdio>
#include <unistd.h>

namespace render {

namespace {
constexpr int kWidth = 40;
constexpr double kMinSeconds = 20.0;
} // namespace

Progress::Progress(int64_t total, bool enabled) : mTotal(total), mEnabled(enabled && total > 0) {}

Progress::~Progress() { Finish(); }

bool Progress::Wanted(int64_t frames, int sampleRate)
{
  return isatty(STDERR_FILENO) && sampleRate > 0 && static_cast<double>(frames) / sampleRate >= kMinSeconds;
}

void Progress::Update(int64_t done)
{
  if (!mEnabled)
    return;
  const int percent = static_cast<int>(done >= mTotal ? 100 : done * 100 / mTotal);
  if (percent == mShown)
    return;
  mShown = percent;
  char bar[kWidth + 1];
  const int filled = percent * kWidth / 100;
  for (int i = 0; i < kWidth; ++i)
    bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, percent);
  std::fflush(stderr);
}

void Progress::Finish()
{
  if (!mEnabled || mShown < 0)
    return;
  std::fprintf(stderr, "\r%*s\r", kWidth + 20, "");
  std::fflush(stderr);
  mShown = -1;
}

} // namespace render
