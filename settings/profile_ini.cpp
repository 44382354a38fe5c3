#include "settings/profile_ini.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings::profile_ini {

namespace {

constexpr size_t kPieceBytes = 8192;
constexpr size_t kMaxLineBytes = size_t(32) << 20;
// A file that shows no header this early is not ours; parsing it to its end would be waste.
constexpr size_t kHeaderlessBudget = 262144;
constexpr size_t kMaxDefaultPath = 511;

std::recursive_mutex m_mutex;
iniFileContext s_ctxs[kCacheEntries];
uint64_t s_accessCounter = 0;
std::string s_defaultFile;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool TimesEqual(const timespec& a, const timespec& b)
{
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

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

FileStamp StampOfPath(const std::string& path)
{
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? StampOf(st) : FileStamp{};
}

bool FlockRetrying(int fd, int operation)
{
  while (::flock(fd, operation) != 0)
    if (errno != EINTR)
      return false;
  return true;
}

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

// ---- reading -------------------------------------------------------------------------------

struct ParseState
{
  Sections* mSections = nullptr;
  Section* mCurrent = nullptr;
  bool mHeaderSeen = false;
};

void ParseLine(std::string& line, ParseState& state)
{
  // Everything downstream is a C string; a NUL ends the line's text.
  if (const size_t nul = line.find('\0'); nul != std::string::npos)
    line.resize(nul);
  size_t end = line.size();
  while (end > 0 && (IsBlank(line[end - 1]) || line[end - 1] == '\r' || line[end - 1] == '\n'))
    --end;
  size_t begin = 0;
  while (begin < end && IsBlank(line[begin]))
    ++begin;
  if (begin == end)
    return;
  const std::string_view text(line.data() + begin, end - begin);

  if (text[0] == '[')
  {
    const size_t close = text.find(']');
    if (close == std::string_view::npos)
      return;
    if (close == 1)
    {
      state.mCurrent = nullptr;
      return;
    }
    auto [it, inserted] = state.mSections->try_emplace(std::string(text.substr(1, close - 1)));
    if (!inserted)
      it->second.clear(); // only the entries after a name's last header count
    state.mCurrent = &it->second;
    state.mHeaderSeen = true;
    return;
  }
  if (!state.mCurrent)
    return;
  const size_t eq = text.find('=');
  if (eq == std::string_view::npos || eq == 0)
    return;
  // try_emplace keeps the first of two equal keys: the one a reader of the file meets first.
  state.mCurrent->try_emplace(std::string(text.substr(0, eq)), std::string(text.substr(eq + 1)));
}

/** Parses the file from its current position. False on a read error (content unknown). */
bool ParseFile(int fd, Sections& out)
{
  out.clear();
  ParseState state;
  state.mSections = &out;
  std::string line;
  std::vector<char> piece(kPieceBytes);
  size_t consumed = 0;
  for (;;)
  {
    const ssize_t n = ::read(fd, piece.data(), piece.size());
    if (n < 0)
    {
      if (errno == EINTR)
        continue;
      out.clear();
      return false;
    }
    if (n == 0)
      break;
    consumed += size_t(n);
    size_t pos = 0;
    while (pos < size_t(n))
    {
      const void* lf = std::memchr(piece.data() + pos, '\n', size_t(n) - pos);
      const size_t stop = lf ? size_t(static_cast<const char*>(lf) - piece.data()) : size_t(n);
      // Beyond the longest line we accept, the rest of the line is dropped.
      line.append(piece.data() + pos, std::min(stop - pos, kMaxLineBytes - line.size()));
      if (!lf)
        break;
      ParseLine(line, state);
      line.clear();
      pos = stop + 1;
    }
    if (!state.mHeaderSeen && consumed >= kHeaderlessBudget)
      return true;
  }
  if (!line.empty())
    ParseLine(line, state);
  return true;
}

enum class ReadResult
{
  kRead,
  kMissing,
  kFailed // exists but could not be read: its content is unknown
};

/** Parses the file under a shared lock. The stamp comes from the descriptor that was parsed,
 *  so a file renamed in meanwhile is noticed at the next lookup. */
ReadResult ReadFile(const std::string& path, Sections& out, struct stat& st)
{
  out.clear();
  // O_NONBLOCK: a FIFO planted at the path must not hang the caller.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  ReadResult result = ReadResult::kFailed;
  if (FlockRetrying(fd, LOCK_SH) && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      ParseFile(fd, out))
    result = ReadResult::kRead;
  ::flock(fd, LOCK_UN);
  ::close(fd);
  return result;
}

void Reload(iniFileContext& ctx)
{
  struct stat st;
  const ReadResult result = ReadFile(ctx.mPath, ctx.mSections, st);
  ctx.mStamp = result == ReadResult::kRead ? StampOf(st) : FileStamp{};
  // An unreadable file reads as empty, and is tried again at the next lookup.
  ctx.mValid = result != ReadResult::kFailed;
}

// ---- cache ---------------------------------------------------------------------------------

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

/** The entry that is to hold path: its own, else a free one, else the least recently used. */
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

// ---- writing -------------------------------------------------------------------------------

std::string TempPathFor(const std::string& path)
{
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, nameStart) + "." + path.substr(nameStart) + ".new";
}

/** The right to replace one file: an exclusive lock on its temporary file. The temporary
 *  file is the one name every writer of the path shares that nothing else creates, so
 *  writers take turns even while the file itself is missing or being replaced. */
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

  /** A writer that waited on a temporary file that was meanwhile renamed into place or
   *  removed retries on the path's new one. */
  bool Take(const std::string& path)
  {
    mTempPath = TempPathFor(path);
    for (int attempt = 0; attempt < 1000; ++attempt)
    {
      const int fd = ::open(mTempPath.c_str(),
                            O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
      if (fd < 0)
        return false;
      struct stat held, now;
      if (!FlockRetrying(fd, LOCK_EX) || ::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode))
      {
        ::close(fd);
        return false;
      }
      if (::stat(mTempPath.c_str(), &now) == 0 && now.st_dev == held.st_dev &&
          now.st_ino == held.st_ino)
      {
        mFd = fd;
        return true;
      }
      ::close(fd);
    }
    return false;
  }

  /** Ends a turn that replaced nothing without leaving the temporary file behind. */
  void Discard() { ::unlink(mTempPath.c_str()); }

  int Fd() const { return mFd; }
  const std::string& TempPath() const { return mTempPath; }

private:
  int mFd = -1;
  std::string mTempPath;
};

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

/** Replaces the entry's file with its cached content during turn. current is the file being
 *  replaced (null if missing). On failure the file is untouched and the entry invalidated,
 *  so the next read shows what the file really holds. */
bool ReplaceFile(iniFileContext& ctx, WriterTurn& turn, const struct stat* current)
{
  const std::string text = Format(ctx.mSections);
  const int fd = turn.Fd();
  // The replacement keeps the permissions the user gave the file.
  if (current)
    ::fchmod(fd, current->st_mode & 07777);
  // fsync before the rename: after a crash the path holds the old or the new file, never a
  // part of one.
  const bool ok = ::ftruncate(fd, 0) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0 &&
                  ::rename(turn.TempPath().c_str(), ctx.mPath.c_str()) == 0;
  struct stat st;
  if (!ok)
  {
    turn.Discard();
    ctx.mValid = false;
  }
  else if (::fstat(fd, &st) == 0)
  {
    ctx.mStamp = StampOf(st); // our own write must not cost a re-read
  }
  else
  {
    ctx.mValid = false;
  }
  return ok;
}

/** Read-modify-write of one file. The file is re-read during the turn, so a change another
 *  process made since our last look is kept. change(sections) returns whether it changed
 *  anything; nothing is written if not. */
template <class Change>
bool Modify(const char* file, Change change)
{
  std::lock_guard<std::recursive_mutex> guard(m_mutex);
  iniFileContext* ctx = nullptr;
  try
  {
    ctx = &SelectEntry(ResolvePath(file));
    WriterTurn turn;
    if (!turn.Take(ctx->mPath))
    {
      ctx->mValid = false;
      return false;
    }
    struct stat current;
    const ReadResult read = ReadFile(ctx->mPath, ctx->mSections, current);
    if (read == ReadResult::kFailed)
    {
      // Rewriting a file we cannot read would lose whatever it holds.
      turn.Discard();
      ctx->mValid = false;
      return false;
    }
    ctx->mStamp = read == ReadResult::kRead ? StampOf(current) : FileStamp{};
    ctx->mValid = true;
    if (!change(ctx->mSections))
    {
      turn.Discard();
      return true;
    }
    return ReplaceFile(*ctx, turn, read == ReadResult::kRead ? &current : nullptr);
  }
  catch (...)
  {
    if (ctx)
      ctx->mValid = false;
    return false;
  }
}

std::string_view TrimmedValue(std::string_view v)
{
  while (!v.empty() && IsBlank(v.front()))
    v.remove_prefix(1);
  while (!v.empty() && IsBlank(v.back()))
    v.remove_suffix(1);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

/** The value as GetPrivateProfileString reads it; false when the key is missing. */
bool FindValue(const char* section, const char* key, const char* file, std::string& out)
{
  const iniFileContext& ctx = Lookup(ResolvePath(file));
  const auto s = ctx.mSections.find(section);
  if (s == ctx.mSections.end())
    return false;
  const auto k = s->second.find(key);
  if (k == s->second.end())
    return false;
  out = TrimmedValue(k->second);
  return true;
}

/** Fills out with terminated texts and a closing terminator, whole texts only. */
template <class Texts>
int PutList(const Texts& texts, char* out, int outSize)
{
  const size_t capacity = size_t(outSize);
  size_t pos = 0;
  for (const std::string& t : texts)
  {
    if (pos + t.size() + 2 > capacity)
      break;
    std::memcpy(out + pos, t.data(), t.size());
    pos += t.size();
    out[pos++] = '\0';
  }
  out[pos] = '\0';
  if (pos + 1 < capacity)
    out[pos + 1] = '\0'; // an empty list reads as two terminators
  return int(pos);
}

int HexDigit(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

} // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const
{
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
  {
    const unsigned char ca = static_cast<unsigned char>(LowerAscii(a[i]));
    const unsigned char cb = static_cast<unsigned char>(LowerAscii(b[i]));
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

int GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                            char* out, int outSize, const char* file)
{
  if (!out || outSize <= 0)
    return 0;
  std::lock_guard<std::recursive_mutex> guard(m_mutex);
  try
  {
    const iniFileContext& ctx = Lookup(ResolvePath(file));
    if (!section)
    {
      std::vector<std::string> names;
      for (const auto& s : ctx.mSections)
        names.push_back(s.first);
      return PutList(names, out, outSize);
    }
    const auto s = ctx.mSections.find(section);
    if (!key)
    {
      std::vector<std::string> keys;
      if (s != ctx.mSections.end())
        for (const auto& k : s->second)
          keys.push_back(k.first);
      return PutList(keys, out, outSize);
    }
    std::string_view text = defaultValue ? defaultValue : "";
    if (s != ctx.mSections.end())
      if (const auto k = s->second.find(key); k != s->second.end())
        text = TrimmedValue(k->second);
    const size_t n = std::min(text.size(), size_t(outSize) - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return int(n);
  }
  catch (...)
  {
    out[0] = '\0';
    return 0;
  }
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* file)
{
  if (!section || (key && !*key))
    return false;
  return Modify(file, [&](Sections& sections) {
    auto s = sections.find(section);
    if (!key)
    {
      if (s == sections.end())
        return false;
      sections.erase(s);
      return true;
    }
    if (!value)
    {
      if (s == sections.end())
        return false;
      return s->second.erase(key) > 0; // the section stays, even if now empty
    }
    if (s == sections.end())
      s = sections.try_emplace(section).first;
    auto [k, inserted] = s->second.try_emplace(key, value);
    if (inserted)
      return true;
    if (k->second == value)
      return false;
    k->second = value;
    return true;
  });
}

int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file)
{
  if (!section || !key)
    return defaultValue;
  char text[512];
  GetPrivateProfileString(section, key, "", text, int(sizeof text), file);
  if (!text[0])
    return defaultValue;
  // atoi's conversion, made without its undefined behaviour on overflow.
  const int v = static_cast<int>(std::strtol(text, nullptr, 10));
  if (v == 0 && text[0] != '0')
    return defaultValue;
  return v;
}

bool WritePrivateProfileStruct(const char* section, const char* key, const void* data, int size,
                               const char* file)
{
  if (!key || !data)
    return WritePrivateProfileString(section, key, nullptr, file);
  if (size < 0)
    return false;
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  try
  {
    text.reserve(2 * size_t(size) + 2);
    const auto* bytes = static_cast<const unsigned char*>(data);
    unsigned sum = 0;
    for (int i = 0; i < size; ++i)
    {
      text += kHex[bytes[i] >> 4];
      text += kHex[bytes[i] & 15];
      sum += bytes[i];
    }
    text += kHex[(sum >> 4) & 15];
    text += kHex[sum & 15];
  }
  catch (...)
  {
    return false;
  }
  return WritePrivateProfileString(section, key, text.c_str(), file);
}

bool GetPrivateProfileStruct(const char* section, const char* key, void* data, int size,
                             const char* file)
{
  if (!section || !key || size < 0 || (!data && size > 0))
    return false;
  std::lock_guard<std::recursive_mutex> guard(m_mutex);
  try
  {
    std::string text;
    if (!FindValue(section, key, file, text) || text.size() != 2 * (size_t(size) + 1))
      return false;
    std::vector<unsigned char> bytes(size_t(size) + 1);
    unsigned sum = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
    {
      const int hi = HexDigit(text[2 * i]);
      const int lo = HexDigit(text[2 * i + 1]);
      if (hi < 0 || lo < 0)
        return false;
      bytes[i] = static_cast<unsigned char>(hi * 16 + lo);
      if (i < size_t(size))
        sum += bytes[i];
    }
    if (bytes[size_t(size)] != (sum & 0xFF))
      return false;
    if (size > 0)
      std::memcpy(data, bytes.data(), size_t(size));
    return true;
  }
  catch (...)
  {
    return false;
  }
}

int GetPrivateProfileSection(const char* section, char* out, int outSize, const char* file)
{
  if (!out || outSize < 2)
    return 0;
  std::lock_guard<std::recursive_mutex> guard(m_mutex);
  try
  {
    std::vector<std::string> entries;
    const iniFileContext& ctx = Lookup(ResolvePath(file));
    if (section)
      if (const auto s = ctx.mSections.find(section); s != ctx.mSections.end())
        for (const auto& [k, v] : s->second)
          entries.push_back(k + "=" + v);
    return PutList(entries, out, outSize);
  }
  catch (...)
  {
    out[0] = out[1] = '\0';
    return 0;
  }
}

bool WritePrivateProfileSection(const char* section, const char* list, const char* file)
{
  if (!section)
    return false;
  Section replacement;
  try
  {
    for (const char* p = list; p && *p; p += std::strlen(p) + 1)
    {
      const char* eq = std::strchr(p, '=');
      if (!eq || eq == p)
        continue;
      replacement.try_emplace(std::string(p, eq), std::string(eq + 1));
    }
  }
  catch (...)
  {
    return false;
  }
  return Modify(file, [&](Sections& sections) {
    auto s = sections.find(section);
    if (s == sections.end())
    {
      if (replacement.empty())
        return false;
      sections.emplace(section, std::move(replacement));
      return true;
    }
    if (s->second == replacement)
      return false;
    s->second = std::move(replacement);
    return true;
  });
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
    return &Lookup(ResolvePath(file));
  }
  catch (...)
  {
    return nullptr;
  }
}

bool WriteBackFile(iniFileContext* context)
{
  std::lock_guard<std::recursive_mutex> guard(m_mutex);
  if (!context || context < s_ctxs || context >= s_ctxs + kCacheEntries || !context->mHasPath)
    return false;
  try
  {
    WriterTurn turn;
    if (!turn.Take(context->mPath))
    {
      context->mValid = false;
      return false;
    }
    struct stat current;
    const bool exists = ::stat(context->mPath.c_str(), &current) == 0;
    return ReplaceFile(*context, turn, exists ? &current : nullptr);
  }
  catch (...)
  {
    context->mValid = false;
    return false;
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
