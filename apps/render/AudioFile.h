#pragma once

#include <cstdint>
#include <string>

#include "apps/render/AudioSink.h"
#include "apps/render/AudioSource.h"

// libsndfile's handle: its struct's name differs between versions (1.0.31 and 1.2).
#include <sndfile.h>

namespace render {

/** The file type and sample encoding an output name asks for. */
struct OutputFormat
{
  int sndfileFormat = 0;   ///< libsndfile's major type | sample encoding
  std::string description; ///< "24-bit WAV", for messages
};

/** Picks the format by the extension of path (.wav, .flac, .aif, .aiff, any case): 24-bit
 *  PCM, or 32-bit float when floatSamples and the type has it. False with a reason for an
 *  unknown extension or a float request the type cannot hold. */
bool ChooseOutputFormat(const std::string& path, bool floatSamples, OutputFormat& format, std::string& error);

/** "dir/song-phased.flac" for "dir/song.flac"; inputs of another type get ".wav". */
std::string DefaultOutputPath(const std::string& input);

/** True when both names exist and are one file (same device and inode), so that links and
 *  other spellings of a path are caught too. */
bool SameFile(const std::string& a, const std::string& b);

/** An audio file opened for reading through libsndfile, which finds the type from the
 *  content. Integer samples arrive scaled to -1 .. 1. */
class AudioFileReader : public AudioSource
{
public:
  AudioFileReader() = default;
  ~AudioFileReader() override;
  AudioFileReader(const AudioFileReader&) = delete;
  AudioFileReader& operator=(const AudioFileReader&) = delete;

  /** False with a one-line reason when the file is missing, unreadable or not audio. */
  bool Open(const std::string& path, std::string& error);

  int Channels() const override { return mChannels; }
  int SampleRate() const override { return mSampleRate; }
  int64_t Frames() const override { return mFrames; }
  /** Frames the file's header promises beyond those it holds (a WAV file cut short); the
   *  reader reads only those held. */
  int64_t MissingFrames() const { return mMissingFrames; }
  int64_t Read(float* interleaved, int64_t frames) override;
  int64_t Read(double* interleaved, int64_t frames) override;
  std::string Error() const override { return mError; }

private:
  int64_t Finish(int64_t got, int64_t wanted);

  SNDFILE* mFile = nullptr;
  std::string mPath;
  std::string mError;
  int mChannels = 0;
  int mSampleRate = 0;
  int64_t mFrames = 0;
  int64_t mMissingFrames = 0;
  int64_t mRead = 0;
};

/** An audio file written under a temporary name in the target's folder and renamed to the
 *  target only by Commit, so the target is either the old file or the complete new one.
 *  Anything not committed is removed, on destruction and on SIGINT, SIGTERM or SIGHUP. */
class AtomicAudioWriter : public AudioSink
{
public:
  AtomicAudioWriter() = default;
  ~AtomicAudioWriter() override;
  AtomicAudioWriter(const AtomicAudioWriter&) = delete;
  AtomicAudioWriter& operator=(const AtomicAudioWriter&) = delete;

  bool Open(const std::string& path, const OutputFormat& format, int sampleRate, int channels, std::string& error);
  /** Samples beyond full scale are clipped in integer encodings, not wrapped. */
  bool Write(const float* interleaved, int64_t frames, std::string& error) override;
  bool Write(const double* interleaved, int64_t frames, std::string& error) override;
  /** Completes the file and moves it to its final name. */
  bool Commit(std::string& error);
  /** Removes the temporary file; the target stays as it was. */
  void Discard();

  /** The temporary name while open, for tests. */
  const std::string& TemporaryPath() const { return mTempPath; }

private:
  bool Wrote(int64_t written, int64_t frames, std::string& error);

  SNDFILE* mFile = nullptr;
  std::string mPath;
  std::string mTempPath;
};

} // namespace render
