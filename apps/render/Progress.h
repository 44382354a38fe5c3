#pragma once

#include <cstdint>

namespace render {

/** A one-line progress bar on stderr, redrawn in place when the percentage moves. It
 *  draws only when enabled, so callers need no test of their own. */
class Progress
{
public:
  Progress(int64_t total, bool enabled);
  ~Progress();

  void Update(int64_t done);
  /** Clears the line, leaving the terminal as it was. */
  void Finish();

  /** For renders long enough to wait for, into a terminal that a user watches. */
  static bool Wanted(int64_t frames, int sampleRate);

private:
  int64_t mTotal;
  bool mEnabled;
  int mShown = -1;
};

} // namespace render
