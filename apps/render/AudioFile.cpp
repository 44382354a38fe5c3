#include "apps/render/AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "apps/render/WavLength.h"

namespace render {

namespace {

std::string Lower(std::string text)
{
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Extension(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return {};
  return Lower(path.substr(dot));
}

// libsndfile's messages end in a full stop and sometimes carry a line break.
std::string SndfileError(SNDFILE* file)
{
  std::string text = sf_strerror(file);
  std::replace(text.begin(), text.end(), '\n', ' ');
  while (!text.empty() && (text.back() == '.' || text.back() == ' '))
    text.pop_back();
  return text;
}

// The temporary file of the writer in flight, for the signal handler: a fixed buffer,
// since the handler may only make async-signal-safe calls.
char gPendingTemp[4096];
volatile std::sig_atomic_t gHavePendingTemp = 0;

void RemovePendingTemp(int sig)
{
  if (gHavePendingTemp)
    unlink(gPendingTemp);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void SetPendingTemp(const std::string& path)
{
  gHavePendingTemp = 0;
  if (path.empty() || path.size() >= sizeof(gPendingTemp))
    return;
  std::memcpy(gPendingTemp, path.c_str(), path.size() + 1);
  gHavePendingTemp = 1;
  static const bool installed = [] {
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
      std::signal(sig, RemovePendingTemp);
    return true;
  }();
  (void)installed;
}

mode_t NewFileMode(const std::string& path)
{
  struct stat st{};
  if (stat(path.c_str(), &st) == 0)
    return st.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

} // namespace

bool ChooseOutputFormat(const std::string& path, bool floatSamples, OutputFormat& format, std::string& error)
{
  const std::string ext = Extension(path);
  int major = 0;
  std::string type;
  if (ext == ".wav")
  {
    major = SF_FORMAT_WAV;
    type = "WAV";
  }
  else if (ext == ".flac")
  {
    major = SF_FORMAT_FLAC;
    type = "FLAC";
  }
  else if (ext == ".aif" || ext == ".aiff")
  {
    major = SF_FORMAT_AIFF;
    type = "AIFF";
  }
  else
  {
    error = "unknown output format " + (ext.empty() ? std::string("(no extension)") : "'" + ext + "'") + " of '" +
            path + "': use .wav, .flac, .aif or .aiff";
    return false;
  }
  if (floatSamples && major == SF_FORMAT_FLAC)
  {
    error = "FLAC holds no float samples: drop --float or write .wav";
    return false;
  }
  format.sndfileFormat = major | (floatSamples ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);
  format.description = (floatSamples ? "32-bit float " : "24-bit ") + type;
  return true;
}

std::string DefaultOutputPath(const std::string& input)
{
  std::string ext = Extension(input);
  std::string stem = ext.empty() ? input : input.substr(0, input.size() - ext.size());
  OutputFormat format;
  std::string ignored;
  if (!ChooseOutputFormat(input, false, format, ignored))
    ext = ".wav";
  else
    ext = input.substr(input.size() - ext.size()); // keep the input's spelling
  return stem + "-phased" + ext;
}

bool SameFile(const std::string& a, const std::string& b)
{
  struct stat sa{}, sb{};
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0)
    return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// ---------------------------------------------------------------------------------------

AudioFileReader::~AudioFileReader()
{
  if (mFile)
    sf_close(mFile);
}

bool AudioFileReader::Open(const std::string& path, std::string& error)
{
  mPath = path;
  // Open it ourselves first: the system's reason ("No such file", "Permission denied")
  // says more than libsndfile's.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
  {
    error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  struct stat st{};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
  {
    close(fd);
    error = "cannot read '" + path + "': it is a folder";
    return false;
  }
  mMissingFrames = MissingWavFrames(fd);
  SF_INFO info{};
  mFile = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
  if (!mFile)
  {
    error = "cannot read '" + path + "' as audio: " + SndfileError(nullptr);
    return false;
  }
  if (info.channels < 1 || info.channels > 2)
  {
    error = "'" + path + "' has " + std::to_string(info.channels) + " channels; only mono and stereo can be rendered";
    return false;
  }
  if (info.samplerate <= 0)
  {
    error = "'" + path + "' has no sample rate";
    return false;
  }
  mChannels = info.channels;
  mSampleRate = info.samplerate;
  mFrames = info.frames;
  return true;
}

int64_t AudioFileReader::Finish(int64_t got, int64_t wanted)
{
  mRead += got;
  // A short read before the announced end is a damaged or truncated file.
  if (got < wanted && mRead < mFrames && sf_error(mFile) != SF_ERR_NO_ERROR)
  {
    mError = "reading '" + mPath + "' failed: " + SndfileError(mFile);
    return -1;
  }
  return got;
}

int64_t AudioFileReader::Read(float* interleaved, int64_t frames)
{
  return mFile ? Finish(sf_readf_float(mFile, interleaved, frames), frames) : -1;
}

int64_t AudioFileReader::Read(double* interleaved, int64_t frames)
{
  return mFile ? Finish(sf_readf_double(mFile, interleaved, frames), frames) : -1;
}

// ---------------------------------------------------------------------------------------

AtomicAudioWriter::~AtomicAudioWriter() { Discard(); }

bool AtomicAudioWriter::Open(const std::string& path, const OutputFormat& format, int sampleRate, int channels,
                             std::string& error)
{
  Discard();
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.empty())
  {
    error = "the output '" + path + "' names a folder, not a file";
    return false;
  }
  struct stat st{};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
  {
    error = "the output '" + path + "' is a folder";
    return false;
  }

  std::string temp = dir + "/." + base + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0)
  {
    error = "cannot write into '" + dir + "': " + std::strerror(errno);
    return false;
  }
  mTempPath = temp;
  SetPendingTemp(mTempPath);
  fchmod(fd, NewFileMode(path));

  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = format.sndfileFormat;
  if (!sf_format_check(&info))
  {
    close(fd);
    Discard();
    error = "cannot write " + format.description + " at " + std::to_string(sampleRate) + " Hz";
    return false;
  }
  mFile = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (!mFile)
  {
    error = "cannot write '" + path + "': " + SndfileError(nullptr);
    Discard();
    return false;
  }
  sf_command(mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  mPath = path;
  return true;
}

bool AtomicAudioWriter::Wrote(int64_t written, int64_t frames, std::string& error)
{
  if (written == frames)
    return true;
  error = "writing '" + mPath + "' failed: " + SndfileError(mFile);
  Discard();
  return false;
}

bool AtomicAudioWriter::Write(const float* interleaved, int64_t frames, std::string& error)
{
  if (!mFile)
  {
    error = "the output is not open";
    return false;
  }
  return Wrote(sf_writef_float(mFile, interleaved, frames), frames, error);
}

bool AtomicAudioWriter::Write(const double* interleaved, int64_t frames, std::string& error)
{
  if (!mFile)
  {
    error = "the output is not open";
    return false;
  }
  return Wrote(sf_writef_double(mFile, interleaved, frames), frames, error);
}

bool AtomicAudioWriter::Commit(std::string& error)
{
  if (!mFile)
  {
    error = "the output is not open";
    return false;
  }
  // Flushes the header and fsyncs, so the rename never exposes a file still in the cache.
  sf_write_sync(mFile);
  const int closed = sf_close(mFile);
  mFile = nullptr;
  if (closed != 0)
  {
    error = "writing '" + mPath + "' failed: " + sf_error_number(closed);
    Discard();
    return false;
  }
  if (rename(mTempPath.c_str(), mPath.c_str()) != 0)
  {
    error = "cannot move the finished file to '" + mPath + "': " + std::strerror(errno);
    Discard();
    return false;
  }
  gHavePendingTemp = 0;
  mTempPath.clear();
  return true;
}

void AtomicAudioWriter::Discard()
{
  if (mFile)
  {
    sf_close(mFile);
    mFile = nullptr;
  }
  if (!mTempPath.empty())
  {
    gHavePendingTemp = 0;
    unlink(mTempPath.c_str());
    mTempPath.clear();
  }
}

} // namespace render
