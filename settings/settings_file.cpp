#include "settings/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/profile_ini.h"

namespace settings {

namespace {

constexpr size_t kMaxFolderPath = 1023;

// Relative homes are refused: the settings must never land beside the host's working folder.
bool IsAbsolute(const char* path) { return path && path[0] == '/'; }

std::string PasswordDatabaseHome()
{
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  if (size < 1024)
    size = 16384;
  std::vector<char> buffer(static_cast<size_t>(size));
  passwd entry;
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
    return {};
  return IsAbsolute(found->pw_dir) ? std::string(found->pw_dir) : std::string();
}

/** Creates folder and any missing parents. Only the folder itself is given exactly mode: its
 *  parents are shared with other programs, so they get what the mask allows. */
bool EnsureFolder(const std::string& folder, mode_t mode, bool exact)
{
  struct stat st;
  if (::stat(folder.c_str(), &st) == 0)
    return S_ISDIR(st.st_mode);
  const size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !EnsureFolder(folder.substr(0, slash), 0777, false))
    return false;
  if (::mkdir(folder.c_str(), mode) != 0)
    return errno == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  // mkdir honours the mask; chmod does not, and leaves the mask as it was.
  return !exact || ::chmod(folder.c_str(), mode) == 0;
}

} // namespace

std::string SettingsFilePath()
{
  try
  {
    const char* env = std::getenv("HOME");
    const std::string home = IsAbsolute(env) ? std::string(env) : PasswordDatabaseHome();
    if (home.empty())
      return {};
    char folder[kMaxFolderPath + 2];
    const int n =
      std::snprintf(folder, sizeof folder, kSettingsFolderFormat, home.c_str(), kSettingsFolderName);
    if (n < 0 || size_t(n) > kMaxFolderPath)
      return {}; // a cut path would name some other folder
    return std::string(folder) + kSettingsFileName;
  }
  catch (...)
  {
    return {};
  }
}

bool PrepareSettingsFile(const std::string& path, bool& existed)
{
  existed = false;
  const size_t slash = path.find_last_of('/');
  if (path.empty() || slash == std::string::npos || slash == 0)
    return false;
  try
  {
    if (!EnsureFolder(path.substr(0, slash), kSettingsFolderMode, true))
      return false;
  }
  catch (...)
  {
    return false;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) == 0)
  {
    existed = true;
    return true;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0)
  {
    existed = errno == EEXIST; // another instance was quicker
    return existed;
  }
  ::close(fd);
  return true;
}

float ReadEditorScale(const std::string& path)
{
  if (path.empty())
    return kDefaultEditorScale;
  char text[1024];
  profile_ini::GetPrivateProfileString(kEditorSection, kScaleKey, "", text, 1023, path.c_str());
  return EditorScaleFromText(text);
}

bool HasStoredEditorScale(const std::string& path)
{
  if (path.empty())
    return false;
  char text[1024];
  profile_ini::GetPrivateProfileString(kEditorSection, kScaleKey, "", text, 1023, path.c_str());
  return text[0] != '\0';
}

float EditorScaleFromText(const char* text)
{
  char* end = nullptr;
  const double scale = std::strtod(text, &end);
  if (end == text || !std::isfinite(scale))
    return kDefaultEditorScale;
  return static_cast<float>(std::clamp(scale, double(kMinEditorScale), double(kMaxEditorScale)));
}

bool WriteEditorScale(const std::string& path, float scale)
{
  if (path.empty())
    return false;
  char text[64];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(scale));
  return profile_ini::WritePrivateProfileString(kEditorSection, kScaleKey, text, path.c_str());
}

float InitEditorScale(const std::string& path)
{
  bool existed = false;
  PrepareSettingsFile(path, existed);
  return existed ? ReadEditorScale(path) : kDefaultEditorScale;
}

} // namespace settings
