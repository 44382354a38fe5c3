// Rewriting a settings file: writers take turns on a lock file beside it, and each rewrite
// goes to a fresh temporary file that is renamed over the file.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "settings/profile_ini_detail.h"

namespace settings::profile_ini::detail {

namespace {

/** "<folder>/.<name><suffix>": beside the file, hidden, and on the same file system so that
 *  the rename is atomic. */
std::string SiblingPath(const std::string& path, const std::string& suffix)
{
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, nameStart) + "." + path.substr(nameStart) + suffix;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

/** The right to replace one file: an exclusive lock on its lock file, which is never written,
 *  renamed or removed, so writers take turns even while the file itself is missing or being
 *  replaced, and a hard link planted at its name changes nothing. */
class WriterTurn
{
public:
  WriterTurn() = default;
  WriterTurn(const WriterTurn&) = delete;
  WriterTurn& operator=(const WriterTurn&) = delete;
  ~WriterTurn()
  {
    if (mFd >= 0)
    {
      ::flock(mFd, LOCK_UN);
      ::close(mFd);
    }
  }

  bool Take(const std::string& path, LockDeadline deadline)
  {
    const std::string lockPath = SiblingPath(path, ".lock");
    // A lock file removed by someone else while we waited is locked again at its new inode.
    for (int attempt = 0; attempt < 100; ++attempt)
    {
      constexpr int kFlags = O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
      // Some network file systems lock exclusively only what is open for writing; a lock
      // file made by another user of the folder may be open to us for reading only.
      int fd = ::open(lockPath.c_str(), O_RDWR | kFlags, 0666);
      if (fd < 0 && errno == EACCES)
        fd = ::open(lockPath.c_str(), O_RDONLY | kFlags, 0666);
      if (fd < 0)
        return false;
      struct stat held, now;
      if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode) || !FlockBefore(fd, LOCK_EX, deadline))
      {
        ::close(fd);
        return false;
      }
      if (::stat(lockPath.c_str(), &now) == 0 && SameFile(now, held))
      {
        mFd = fd;
        return true;
      }
      ::close(fd);
    }
    return false;
  }

private:
  int mFd = -1;
};

/** Six characters that make a temporary name no other writer is using; O_EXCL settles the
 *  rare collision. */
std::string UniqueSuffix()
{
  static std::atomic<uint64_t> counter{0};
  uint64_t x = (uint64_t(::getpid()) << 32) ^
               uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               (++counter * 0x9E3779B97F4A7C15ull);
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string s = ".";
  for (int i = 0; i < 6; ++i, x /= 62)
    s += kChars[x % 62];
  return s;
}

/** A temporary file of our own beside the file: created new (never an existing name, so
 *  never through a planted link) and removed unless it was renamed into place. */
class TempFile
{
public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile()
  {
    if (mFd >= 0)
      ::close(mFd);
    if (!mPath.empty() && !mRenamed)
      ::unlink(mPath.c_str());
  }

  bool Create(const std::string& path)
  {
    for (int attempt = 0; attempt < 100; ++attempt)
    {
      std::string candidate = SiblingPath(path, UniqueSuffix());
      const int fd = ::open(candidate.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
      if (fd >= 0)
      {
        mFd = fd;
        mPath = std::move(candidate);
        return true;
      }
      if (errno != EEXIST)
        return false;
    }
    return false;
  }

  bool RenameOver(const std::string& path)
  {
    mRenamed = ::rename(mPath.c_str(), path.c_str()) == 0;
    return mRenamed;
  }

  int Fd() const { return mFd; }

private:
  int mFd = -1;
  bool mRenamed = false;
  std::string mPath;
};

bool WriteAll(int fd, const std::string& text)
{
  size_t done = 0;
  while (done < text.size())
  {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0)
    {
      if (errno == EINTR)
        continue;
      return false;
    }
    done += size_t(n);
  }
  return true;
}

std::string Format(const Sections& sections)
{
  std::string text;
  for (const auto& [name, entries] : sections)
  {
    text += '[';
    text += name;
    text += "]\n";
    for (const auto& [key, value] : entries)
    {
      if (key.empty())
        continue;
      text += key;
      text += '=';
      text += value;
      text += '\n';
    }
    text += '\n';
  }
  return text;
}

/** Replaces the entry's file with its cached content; call during the writer's turn.
 *  current is the file being replaced (null if missing). On failure the file is untouched
 *  and the entry invalidated, so the next read shows what the file really holds. */
bool ReplaceFile(iniFileContext& ctx, const struct stat* current)
{
  const std::string text = Format(ctx.mSections);
  TempFile temp;
  bool ok = temp.Create(ctx.mPath);
  // The replacement keeps the permissions the user gave the file.
  if (ok && current)
    ::fchmod(temp.Fd(), current->st_mode & 07777);
  // fsync before the rename: after a crash the path holds the old or the new file, never a
  // part of one.
  ok = ok && WriteAll(temp.Fd(), text) && ::fsync(temp.Fd()) == 0 && temp.RenameOver(ctx.mPath);
  struct stat st;
  if (ok && ::fstat(temp.Fd(), &st) == 0)
    ctx.mStamp = StampOf(st); // our own write must not cost a re-read
  else
    ctx.mValid = false;
  return ok;
}

} // namespace

bool Modify(const char* file, const std::function<bool(Sections&)>& change)
{
  std::lock_guard<std::recursive_mutex> guard(ProfileMutex());
  iniFileContext* ctx = nullptr;
  try
  {
    ctx = &SelectEntry(ResolvePath(file));
    const LockDeadline deadline = LockDeadlineFromNow();
    WriterTurn turn;
    if (!turn.Take(ctx->mPath, deadline))
    {
      ctx->mValid = false;
      return false;
    }
    struct stat current;
    const ReadResult read = ReadFile(ctx->mPath, ctx->mSections, current, deadline);
    if (read == ReadResult::kFailed)
    {
      // Rewriting a file we cannot read would lose whatever it holds.
      ctx->mValid = false;
      return false;
    }
    ctx->mStamp = read == ReadResult::kRead ? StampOf(current) : FileStamp{};
    ctx->mValid = true;
    if (!change(ctx->mSections))
      return true;
    return ReplaceFile(*ctx, read == ReadResult::kRead ? &current : nullptr);
  }
  catch (...)
  {
    if (ctx)
      ctx->mValid = false;
    return false;
  }
}

bool RewriteFromCache(iniFileContext& context)
{
  try
  {
    WriterTurn turn;
    if (!turn.Take(context.mPath, LockDeadlineFromNow()))
    {
      context.mValid = false;
      return false;
    }
    struct stat current;
    const bool exists = ::stat(context.mPath.c_str(), &current) == 0;
    return ReplaceFile(context, exists ? &current : nullptr);
  }
  catch (...)
  {
    context.mValid = false;
    return false;
  }
}

} // namespace settings::profile_ini::detail
