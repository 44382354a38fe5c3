#pragma once

#include <memory>
#include <string>
#include <vector>

#include "graphics/Surface.h"
#include "apps/render/AudioSink.h"
#include "apps/render/AudioSource.h"
#include "apps/render/SpectrogramPicture.h"

namespace render {

/** Stands between a render and its ends: what the plug-in reads from the source and what
 *  it writes out stream into the spectrograms of a picture of the given size, the input's
 *  channels mixed, the output's apart. The output goes on to file when there is one. */
class SpectrogramTap : public AudioSource, public AudioSink
{
public:
  SpectrogramTap(AudioSource& source, AudioSink* file, int width, int height);

  int Channels() const override { return mSource.Channels(); }
  int SampleRate() const override { return mSource.SampleRate(); }
  int64_t Frames() const override { return mSource.Frames(); }
  int64_t Read(float* interleaved, int64_t frames) override { return Tap(interleaved, mSource.Read(interleaved, frames)); }
  int64_t Read(double* interleaved, int64_t frames) override { return Tap(interleaved, mSource.Read(interleaved, frames)); }
  std::string Error() const override { return mSource.Error(); }

  bool Write(const float* interleaved, int64_t frames, std::string& error) override { return Pass(interleaved, frames, error); }
  bool Write(const double* interleaved, int64_t frames, std::string& error) override { return Pass(interleaved, frames, error); }

  /** Completes the spectrograms and draws them. */
  frame::graphics::Surface Draw(const std::string& heading, const std::vector<std::string>& settings);

private:
  template <typename T>
  int64_t Tap(const T* interleaved, int64_t frames);
  template <typename T>
  bool Pass(const T* interleaved, int64_t frames, std::string& error);

  AudioSource& mSource;
  AudioSink* mFile;
  int mWidth, mHeight;
  std::unique_ptr<Spectrogram> mPanels[SpectrogramLayout::kPanels];
  std::vector<double> mScratch;
  int64_t mFramesOut = 0;
};

} // namespace render
