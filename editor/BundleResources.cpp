#include "editor/BundleResources.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

namespace frame::graphics {

namespace {
// The folder part of path without a trailing slash; empty when path has none.
std::string parentOf(const std::string& path)
{
  const std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return {};
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
  const std::string::size_type slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
} // namespace

std::string BundleResourcesForModule(const std::string& modulePath)
{
  const std::string archFolder = parentOf(modulePath);
  const std::string contents = parentOf(archFolder);
  if (nameOf(modulePath).empty() || nameOf(archFolder).empty() || nameOf(contents) != "Contents")
    return {};
  return contents + "/Resources";
}

std::string ModuleFileOf(const void* address)
{
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname || !*info.dli_fname)
    return {};
  // A module loaded by a relative name reports that name; the host may change its working
  // folder later, so the path is resolved now.
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved))
    return resolved;
  return info.dli_fname;
}

} // namespace frame::graphics
