#include "apps/render/SpectrogramTap.h"

namespace render {

SpectrogramTap::SpectrogramTap(AudioSource& source, AudioSink* file, int width, int height)
  : mSource(source), mFile(file), mWidth(width), mHeight(height)
{
  const SpectrogramLayout layout = SpectrogramLayout::For(width, height);
  for (int p = 0; p < SpectrogramLayout::kPanels; ++p)
    mPanels[p] = std::make_unique<Spectrogram>(source.SampleRate(), source.Frames(),
                                               static_cast<int>(layout.panels[p].W()),
                                               static_cast<int>(layout.panels[p].H()));
}

template <typename T>
int64_t SpectrogramTap::Tap(const T* interleaved, int64_t frames)
{
  const int channels = mSource.Channels();
  mScratch.assign(static_cast<size_t>(std::max<int64_t>(frames, 0)), 0.0);
  for (int64_t i = 0; i < frames; ++i)
  {
    for (int c = 0; c < channels; ++c)
      mScratch[i] += interleaved[i * channels + c];
    mScratch[i] /= channels;
  }
  mPanels[0]->Add(mScratch.data(), frames);
  return frames;
}

template <typename T>
bool SpectrogramTap::Pass(const T* interleaved, int64_t frames, std::string& error)
{
  mScratch.resize(static_cast<size_t>(frames));
  for (int ch = 0; ch < 2; ++ch)
  {
    for (int64_t i = 0; i < frames; ++i)
      mScratch[i] = interleaved[2 * i + ch];
    mPanels[1 + ch]->Add(mScratch.data(), frames);
  }
  mFramesOut += frames;
  return !mFile || mFile->Write(interleaved, frames, error);
}

frame::graphics::Surface SpectrogramTap::Draw(const std::string& heading, const std::vector<std::string>& settings)
{
  const Spectrogram* panels[SpectrogramLayout::kPanels];
  for (int p = 0; p < SpectrogramLayout::kPanels; ++p)
  {
    mPanels[p]->Finish();
    panels[p] = mPanels[p].get();
  }
  return DrawSpectrogramPicture(mWidth, mHeight, panels, static_cast<double>(mFramesOut) / mSource.SampleRate(),
                                heading, settings);
}

} // namespace render
