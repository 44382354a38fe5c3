#pragma once

#include <cstdarg>
#include <string>

namespace frame {

/** Growable, zero-terminated 8-bit string. Every text the plug-in builds is one.
 *  A length limit on a formatted set cuts the result at that many characters. */
class IString
{
public:
  IString() = default;
  IString(const char* text) { Set(text); }

  const char* Get() const { return mText.c_str(); }
  int GetLength() const { return static_cast<int>(mText.size()); }
  bool Empty() const { return mText.empty(); }
  void Clear() { mText.clear(); }

  /** Copies text (null reads as empty); maxLen < 0 means no limit. */
  void Set(const char* text, int maxLen = -1);
  void Append(const char* text, int maxLen = -1);

  /** printf-style set, cut to maxLen characters (maxLen < 0: no limit). */
  void SetFormatted(int maxLen, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void AppendFormatted(int maxLen, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void SetFormattedV(int maxLen, const char* format, va_list args);

  bool operator==(const char* text) const { return mText == (text ? text : ""); }
  const std::string& Str() const { return mText; }

private:
  std::string mText;
};

} // namespace frame
