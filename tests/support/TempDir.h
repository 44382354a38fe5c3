#pragma once

// A fresh folder under /tmp for the life of an object, removed with all it holds.
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace test_support {

class TempDir
{
public:
  /** Throws when no folder can be made: a test must not fall back to writing elsewhere. */
  explicit TempDir(const std::string& prefix)
  {
    std::string tmpl = "/tmp/" + prefix + "-XXXXXX";
    if (!mkdtemp(tmpl.data()))
      throw std::runtime_error("cannot create a folder like " + tmpl);
    mPath = tmpl;
  }
  ~TempDir()
  {
    // The owner's rights come back first, so a test may take them away.
    std::error_code ignored;
    std::filesystem::permissions(mPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(mPath, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return mPath; }

private:
  std::string mPath;
};

} // namespace test_support
