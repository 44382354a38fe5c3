#include "apps/jack/StateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frame/IByteChunk.h"
#include "frame/IFramePlugin.h"

namespace app {

namespace {

std::string Folder(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool MakeFolders(const std::string& folder)
{
  struct stat st{};
  if (stat(folder.c_str(), &st) == 0)
    return S_ISDIR(st.st_mode);
  const std::string parent = Folder(folder);
  if (parent != folder && !MakeFolders(parent))
    return false;
  return mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
  while (size > 0)
  {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

} // namespace

std::string DefaultStatePath()
{
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/')
    return std::string(config) + "/mistlegrove-phaser/state";
  const char* home = std::getenv("HOME");
  if (home && *home)
    return std::string(home) + "/.config/mistlegrove-phaser/state";
  return std::string();
}

ELoad LoadStateFile(frame::IFramePlugin& plugin, const std::string& path, std::string& error)
{
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
  {
    if (errno == ENOENT)
      return ELoad::kMissing;
    error = "cannot read '" + path + "': " + std::strerror(errno);
    return ELoad::kRefused;
  }
  const bool loaded = plugin.LoadStateFrom([fd](void* buffer, int64_t capacity) -> int64_t {
    ssize_t n;
    do
      n = read(fd, buffer, static_cast<size_t>(capacity));
    while (n < 0 && errno == EINTR);
    return n;
  });
  close(fd);
  if (!loaded)
  {
    error = "'" + path + "' is not a state of the plug-in";
    return ELoad::kRefused;
  }
  return ELoad::kLoaded;
}

bool SaveStateFile(const frame::IFramePlugin& plugin, const std::string& path, std::string& error)
{
  frame::IByteChunk chunk;
  if (!plugin.SaveState(chunk))
  {
    error = "the plug-in did not give its state";
    return false;
  }
  if (!MakeFolders(Folder(path)))
  {
    error = "cannot make the folder of '" + path + "': " + std::strerror(errno);
    return false;
  }
  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
  {
    error = "cannot write '" + temporary + "': " + std::strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd, chunk.GetData(), static_cast<size_t>(chunk.Size())) && fsync(fd) == 0;
  const int saved = errno;
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0)
  {
    error = "cannot write '" + path + "': " + std::strerror(written ? errno : saved);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

} // namespace app
