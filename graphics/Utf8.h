#pragma once

#include <cstdint>

namespace frame::graphics {

/** Reads one code point from a zero-terminated UTF-8 text and advances p past it. A byte
 *  that does not start a well-formed sequence stands for itself (Latin-1), so 8-bit texts
 *  from older sources still show something sensible. Returns 0 at the end. */
inline uint32_t NextCodepoint(const char*& p)
{
  const auto* s = reinterpret_cast<const unsigned char*>(p);
  const uint32_t c = s[0];
  if (c == 0)
    return 0;
  int len = 0;
  uint32_t cp = 0, min = 0;
  if (c >= 0xC2 && c <= 0xDF)
    len = 2, cp = c & 0x1F, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF)
    len = 3, cp = c & 0x0F, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4)
    len = 4, cp = c & 0x07, min = 0x10000;
  for (int i = 1; i < len; ++i)
  {
    if ((s[i] & 0xC0) != 0x80)
    {
      len = 0;
      break;
    }
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  if (len == 0 || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
  {
    p += 1;
    return c;
  }
  p += len;
  return cp;
}

} // namespace frame::graphics
