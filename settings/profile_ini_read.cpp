// Reading a settings file: the line format and the shared lock it is parsed under.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "settings/profile_ini_detail.h"

namespace settings::profile_ini::detail {

namespace {

constexpr size_t kPieceBytes = 8192;
constexpr size_t kMaxLineBytes = size_t(32) << 20;
// A file that shows no header this early is not ours; parsing it to its end would be waste.
constexpr size_t kHeaderlessBudget = 262144;

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

} // namespace

ReadResult ReadFile(const std::string& path, Sections& out, struct stat& st, LockDeadline deadline)
{
  out.clear();
  // O_NONBLOCK: a FIFO planted at the path must not hang the caller.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  ReadResult result = ReadResult::kFailed;
  if (FlockBefore(fd, LOCK_SH, deadline) && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      ParseFile(fd, out))
    result = ReadResult::kRead;
  ::flock(fd, LOCK_UN);
  ::close(fd);
  return result;
}

} // namespace settings::profile_ini::detail
