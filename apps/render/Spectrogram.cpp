#include "apps/render/Spectrogram.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "apps/render/LogFrequency.h"

namespace render {

namespace {

constexpr double kWindowSeconds = 0.04;
constexpr int kWindowsPerColumn = 4; // averaged, so white noise reads as a smooth level
constexpr int kMinHop = 16;
constexpr double kFloorDb = -200.0;

int WindowFor(double sampleRate)
{
  int n = 256;
  while (n < sampleRate * kWindowSeconds)
    n *= 2;
  return n;
}

} // namespace

struct Spectrogram::Fft
{
  explicit Fft(int size)
    : size(size), in(fftw_alloc_real(size)), out(fftw_alloc_complex(size / 2 + 1)),
      plan(fftw_plan_dft_r2c_1d(size, in, out, FFTW_ESTIMATE))
  {
  }
  ~Fft()
  {
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
  }
  int size;
  double* in;
  fftw_complex* out;
  fftw_plan plan;
};

Spectrogram::Spectrogram(double sampleRate, int64_t expectedFrames, int columns, int rows)
  : mColumns(std::max(columns, 1)), mRows(std::max(rows, 1)), mExpected(std::max<int64_t>(expectedFrames, 1)),
    mWindow(WindowFor(sampleRate)),
    mHop(static_cast<int>(std::clamp<int64_t>(mExpected / (kWindowsPerColumn * mColumns), kMinHop, mWindow / 4))),
    mHann(mWindow), mFft(std::make_unique<Fft>(2 * mWindow)), mRowBins(mRows), mBuffer(mWindow),
    mPower(mFft->size / 2 + 1), mLevels(static_cast<size_t>(mColumns) * mRows, std::numeric_limits<float>::quiet_NaN())
{
  double sum = 0.0;
  for (int i = 0; i < mWindow; ++i)
  {
    mHann[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (i + 0.5) / mWindow);
    sum += mHann[i];
  }
  mReference = 0.25 * sum * sum;

  const double binHz = sampleRate / mFft->size;
  const int bins = static_cast<int>(mPower.size());
  for (int r = 0; r < mRows; ++r)
  {
    // Row r spans the band between fractions (rows - r - 1) / rows and (rows - r) / rows.
    const double lo = LogFrequency::At(static_cast<double>(mRows - r - 1) / mRows) / binHz;
    const double hi = LogFrequency::At(static_cast<double>(mRows - r) / mRows) / binHz;
    RowBins& rb = mRowBins[r];
    rb.first = std::clamp(static_cast<int>(std::ceil(lo)), 0, bins);
    rb.last = std::clamp(static_cast<int>(std::ceil(hi)), rb.first, bins);
    rb.at = std::min(std::sqrt(lo * hi), bins - 1.0);
  }

  // The first window is centred on the first sample.
  mFill = mWindow / 2;
}

Spectrogram::~Spectrogram() = default;

void Spectrogram::Add(const double* samples, int64_t frames)
{
  while (frames > 0)
  {
    const int n = static_cast<int>(std::min<int64_t>(frames, mWindow - mFill));
    std::memcpy(mBuffer.data() + mFill, samples, sizeof(double) * n);
    mFill += n;
    samples += n;
    frames -= n;
    mReceived += n;
    if (mFill == mWindow)
      Analyse();
  }
}

void Spectrogram::Analyse()
{
  for (int i = 0; i < mWindow; ++i)
    mFft->in[i] = mBuffer[i] * mHann[i];
  std::fill(mFft->in + mWindow, mFft->in + mFft->size, 0.0);
  fftw_execute(mFft->plan);

  const int column = static_cast<int>(std::min<int64_t>(mCentre * mColumns / mExpected, mColumns - 1));
  if (column != mColumn)
    CloseColumn();
  mColumn = column;
  for (size_t k = 0; k < mPower.size(); ++k)
    mPower[k] += mFft->out[k][0] * mFft->out[k][0] + mFft->out[k][1] * mFft->out[k][1];
  ++mFramesInColumn;

  std::memmove(mBuffer.data(), mBuffer.data() + mHop, sizeof(double) * (mWindow - mHop));
  mFill = mWindow - mHop;
  mCentre += mHop;
}

void Spectrogram::CloseColumn()
{
  if (mFramesInColumn == 0)
    return;
  const double scale = 1.0 / (mFramesInColumn * mReference);
  float* levels = mLevels.data() + static_cast<size_t>(mColumn) * mRows;
  for (int r = 0; r < mRows; ++r)
  {
    const RowBins& rb = mRowBins[r];
    double power = 0.0;
    if (rb.last > rb.first)
    {
      for (int k = rb.first; k < rb.last; ++k)
        power += mPower[k];
      power /= rb.last - rb.first;
    }
    else
    {
      // A row narrower than a bin: the power between its neighbouring bins.
      const int k = static_cast<int>(rb.at);
      const double f = rb.at - k;
      power = mPower[k] * (1.0 - f) + mPower[std::min<size_t>(k + 1, mPower.size() - 1)] * f;
    }
    levels[r] = static_cast<float>(std::max(10.0 * std::log10(power * scale + 1e-30), kFloorDb));
  }
  std::fill(mPower.begin(), mPower.end(), 0.0);
  mFramesInColumn = 0;
}

void Spectrogram::Finish()
{
  // Windows centred on the last samples, padded with silence.
  const std::vector<double> silence(mWindow, 0.0);
  while (mCentre < mReceived)
  {
    const int64_t received = mReceived;
    Add(silence.data(), mWindow - mFill);
    mReceived = received;
  }
  CloseColumn();

  for (int c = 0; c < mColumns; ++c)
  {
    float* levels = mLevels.data() + static_cast<size_t>(c) * mRows;
    if (!std::isnan(levels[0]))
      continue;
    const float* from = nullptr;
    for (int d = 1; d < mColumns && !from; ++d)
    {
      if (c - d >= 0 && !std::isnan(Level(c - d, 0)))
        from = &mLevels[static_cast<size_t>(c - d) * mRows];
      else if (c + d < mColumns && !std::isnan(Level(c + d, 0)))
        from = &mLevels[static_cast<size_t>(c + d) * mRows];
    }
    for (int r = 0; r < mRows; ++r)
      levels[r] = from ? from[r] : static_cast<float>(kFloorDb);
  }
}

float Spectrogram::Peak() const
{
  float peak = static_cast<float>(kFloorDb);
  for (float v : mLevels)
    if (v > peak)
      peak = v;
  return peak;
}

} // namespace render
