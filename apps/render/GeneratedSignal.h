#pragma once

#include <cstdint>
#include <string>

#include "apps/render/AudioSource.h"

namespace render {

/** A stereo source of fixed length at 48 kHz computed frame by frame, that cannot fail. */
class GeneratedSignal : public AudioSource
{
public:
  static constexpr int kSampleRate = 48000;

  explicit GeneratedSignal(int64_t frames) : mFrames(frames) {}

  int Channels() const override { return 2; }
  int SampleRate() const override { return kSampleRate; }
  int64_t Frames() const override { return mFrames; }
  int64_t Read(float* interleaved, int64_t frames) override { return Fill(interleaved, frames); }
  int64_t Read(double* interleaved, int64_t frames) override { return Fill(interleaved, frames); }
  std::string Error() const override { return {}; }

protected:
  /** The frame at Position(), which advances after each call. */
  virtual void Next(double& left, double& right) = 0;
  int64_t Position() const { return mPos; }

private:
  template <typename T>
  int64_t Fill(T* interleaved, int64_t frames)
  {
    const int64_t n = frames < mFrames - mPos ? (frames > 0 ? frames : 0) : mFrames - mPos;
    for (int64_t i = 0; i < n; ++i, ++mPos)
    {
      double left = 0.0, right = 0.0;
      Next(left, right);
      interleaved[2 * i] = static_cast<T>(left);
      interleaved[2 * i + 1] = static_cast<T>(right);
    }
    return n;
  }

  int64_t mFrames;
  int64_t mPos = 0;
};

} // namespace render
