#include "frame/IString.h"

#include <cstdio>
#include <cstring>

namespace frame {

namespace {
std::string formatV(const char* format, va_list args)
{
  va_list copy;
  va_copy(copy, args);
  char small[256];
  const int n = std::vsnprintf(small, sizeof(small), format, copy);
  va_end(copy);
  if (n < 0)
    return {};
  if (n < static_cast<int>(sizeof(small)))
    return std::string(small, n);
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(n);
  return out;
}

void cut(std::string& s, int maxLen)
{
  if (maxLen >= 0 && static_cast<int>(s.size()) > maxLen)
    s.resize(maxLen);
}
} // namespace

void IString::Set(const char* text, int maxLen)
{
  mText = text ? text : "";
  cut(mText, maxLen);
}

void IString::Append(const char* text, int maxLen)
{
  std::string more = text ? text : "";
  cut(more, maxLen);
  mText += more;
}

void IString::SetFormattedV(int maxLen, const char* format, va_list args)
{
  mText = formatV(format, args);
  cut(mText, maxLen);
}

void IString::SetFormatted(int maxLen, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  SetFormattedV(maxLen, format, args);
  va_end(args);
}

void IString::AppendFormatted(int maxLen, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  std::string more = formatV(format, args);
  va_end(args);
  cut(more, maxLen);
  mText += more;
}

} // namespace frame
