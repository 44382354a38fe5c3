#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace render {

/** A spectrogram computed while the audio streams past, already reduced to the columns and
 *  rows of its picture: short-time spectra (Hann windows of about 40 ms, zero-padded to
 *  twice that) are averaged in power into the column their centre falls in, so a file of
 *  any length takes the memory of one window and one picture. Rows span 20 Hz to 20 kHz
 *  on a log scale, row 0 the highest. Levels are in dB relative to a full-scale sine. */
class Spectrogram
{
public:
  /** expectedFrames spreads the columns over the stream; frames beyond it land in the
   *  last column. */
  Spectrogram(double sampleRate, int64_t expectedFrames, int columns, int rows);
  ~Spectrogram();
  Spectrogram(const Spectrogram&) = delete;
  Spectrogram& operator=(const Spectrogram&) = delete;

  void Add(const double* samples, int64_t frames);
  /** Analyses what is left; columns no window reached take their neighbour's levels. */
  void Finish();

  int Columns() const { return mColumns; }
  int Rows() const { return mRows; }
  float Level(int column, int row) const { return mLevels[static_cast<size_t>(column) * mRows + row]; }
  /** The highest level of the finished spectrogram. */
  float Peak() const;

private:
  struct Fft;
  struct RowBins
  {
    int first = 0, last = 0; ///< bins whose centres lie in the row, last exclusive
    double at = 0.0;         ///< fractional bin of the row's centre, when it holds none
  };

  void Analyse();
  void CloseColumn();

  int mColumns, mRows;
  int64_t mExpected;
  int mWindow, mHop;
  std::vector<double> mHann;
  double mReference = 1.0; ///< the power of a full-scale sine's bin
  std::unique_ptr<Fft> mFft;
  std::vector<RowBins> mRowBins;

  std::vector<double> mBuffer; ///< the window being filled
  int mFill = 0;
  int64_t mReceived = 0;
  int64_t mCentre = 0; ///< stream position of the next window's centre

  int mColumn = 0;
  int mFramesInColumn = 0;
  std::vector<double> mPower; ///< per bin, summed over the current column's windows
  std::vector<float> mLevels; ///< column by column, rows top down; NaN where no window fell
};

} // namespace render
