// The process-wide cache of parsed settings files, and how a file argument names a file.
#include <cstdlib>
#include <cstring>

#include "settings/profile_ini_detail.h"

namespace settings::profile_ini {

namespace {

constexpr size_t kMaxDefaultPath = 511;

std::recursive_mutex m_mutex;
iniFileContext s_ctxs[kCacheEntries];
uint64_t s_accessCounter = 0;
std::string s_defaultFile;

bool TimesEqual(const timespec& a, const timespec& b)
{
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

FileStamp StampOfPath(const std::string& path)
{
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? detail::StampOf(st) : FileStamp{};
}

void Reload(iniFileContext& ctx)
{
  struct stat st;
  const detail::ReadResult result =
    detail::ReadFile(ctx.mPath, ctx.mSections, st, LockDeadlineFromNow());
  ctx.mStamp = result == detail::ReadResult::kRead ? detail::StampOf(st) : FileStamp{};
  // An unreadable or locked file reads as empty, and is tried again at the next lookup.
  ctx.mValid = result != detail::ReadResult::kFailed;
}

} // namespace

namespace detail {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

FileStamp StampOf(const struct stat& st)
{
  FileStamp s;
  s.mExists = true;
  s.mDevice = uint64_t(st.st_dev);
  s.mInode = uint64_t(st.st_ino);
  s.mSize = uint64_t(st.st_size);
  s.mModTime = st.st_mtim;
  s.mChangeTime = st.st_ctim;
  return s;
}

std::recursive_mutex& ProfileMutex() { return m_mutex; }

std::string ResolvePath(const char* file)
{
  if (file && std::strchr(file, '/'))
    return file;
  std::string base = s_defaultFile;
  if (base.empty())
  {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.libprofile.ini";
  }
  if (!file || !*file)
    return base;
  const size_t slash = base.rfind('/');
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1))
    base.resize(dot);
  base += '_';
  base += file;
  const size_t len = std::strlen(file);
  if (!(len >= 4 && LowerAscii(file[len - 4]) == '.' && LowerAscii(file[len - 3]) == 'i' &&
        LowerAscii(file[len - 2]) == 'n' && LowerAscii(file[len - 1]) == 'i'))
    base += ".ini";
  if (base.size() > kMaxDefaultPath)
    base.resize(kMaxDefaultPath);
  return base;
}

iniFileContext& SelectEntry(const std::string& path)
{
  iniFileContext* chosen = nullptr;
  for (auto& e : s_ctxs)
    if (e.mHasPath && e.mPath == path)
    {
      chosen = &e;
      break;
    }
  if (!chosen)
    for (auto& e : s_ctxs)
      if (!e.mHasPath)
      {
        chosen = &e;
        break;
      }
  if (!chosen)
  {
    chosen = &s_ctxs[0];
    for (auto& e : s_ctxs)
      if (e.mLastUse < chosen->mLastUse)
        chosen = &e;
  }
  chosen->mLastUse = ++s_accessCounter;
  if (!chosen->mHasPath || chosen->mPath != path)
  {
    chosen->mHasPath = true;
    chosen->mPath = path;
    chosen->mSections.clear();
    chosen->mStamp = FileStamp{};
    chosen->mValid = false;
  }
  return *chosen;
}

iniFileContext& Lookup(const std::string& path)
{
  iniFileContext& ctx = SelectEntry(path);
  if (!ctx.mValid || !(StampOfPath(path) == ctx.mStamp))
    Reload(ctx);
  return ctx;
}

bool IsCacheEntry(const iniFileContext* context)
{
  return context && context >= s_ctxs && context < s_ctxs + kCacheEntries && context->mHasPath;
}

} // namespace detail

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const
{
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
  {
    const unsigned char ca = static_cast<unsigned char>(detail::LowerAscii(a[i]));
    const unsigned char cb = static_cast<unsigned char>(detail::LowerAscii(b[i]));
    if (ca != cb)
      return ca < cb;
  }
  return a.size() < b.size();
}

bool FileStamp::operator==(const FileStamp& other) const
{
  if (!mExists || !other.mExists)
    return mExists == other.mExists;
  return mDevice == other.mDevice && mInode == other.mInode && mSize == other.mSize &&
         TimesEqual(mModTime, other.mModTime) && TimesEqual(mChangeTime, other.mChangeTime);
}

std::unique_lock<std::recursive_mutex> LockProfiles()
{
  return std::unique_lock<std::recursive_mutex>(m_mutex);
}

iniFileContext* GetFileContext(const char* file)
{
  std::lock_guard<std::recursive_mutex> guard(m_mutex);
  try
  {
    return &detail::Lookup(detail::ResolvePath(file));
  }
  catch (...)
  {
    return nullptr;
  }
}

void SetDefaultProfileFile(const char* path)
{
  std::lock_guard<std::recursive_mutex> guard(m_mutex);
  try
  {
    s_defaultFile = path ? std::string(path).substr(0, kMaxDefaultPath) : std::string();
  }
  catch (...)
  {
    s_defaultFile.clear();
  }
}

} // namespace settings::profile_ini
