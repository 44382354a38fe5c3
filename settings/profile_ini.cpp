// The profile-string functions: lookups, writes, integers, structs and sections.
#include "settings/profile_ini.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "settings/profile_ini_detail.h"

namespace settings::profile_ini {

namespace {

std::string_view TrimmedValue(std::string_view v)
{
  while (!v.empty() && detail::IsBlank(v.front()))
    v.remove_prefix(1);
  while (!v.empty() && detail::IsBlank(v.back()))
    v.remove_suffix(1);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

/** The value as GetPrivateProfileString reads it; false when the key is missing. */
bool FindValue(const char* section, const char* key, const char* file, std::string& out)
{
  const iniFileContext& ctx = detail::Lookup(detail::ResolvePath(file));
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

int GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                            char* out, int outSize, const char* file)
{
  if (!out || outSize <= 0)
    return 0;
  std::lock_guard<std::recursive_mutex> guard(detail::ProfileMutex());
  try
  {
    const iniFileContext& ctx = detail::Lookup(detail::ResolvePath(file));
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
  return detail::Modify(file, [&](Sections& sections) {
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
  std::lock_guard<std::recursive_mutex> guard(detail::ProfileMutex());
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
  std::lock_guard<std::recursive_mutex> guard(detail::ProfileMutex());
  try
  {
    std::vector<std::string> entries;
    const iniFileContext& ctx = detail::Lookup(detail::ResolvePath(file));
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
  return detail::Modify(file, [&](Sections& sections) {
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

bool WriteBackFile(iniFileContext* context)
{
  std::lock_guard<std::recursive_mutex> guard(detail::ProfileMutex());
  if (!detail::IsCacheEntry(context))
    return false;
  return detail::RewriteFromCache(*context);
}

} // namespace settings::profile_ini
