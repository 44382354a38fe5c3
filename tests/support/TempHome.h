#pragma once

// A fresh folder as HOME for the life of an object: the plug-in keeps its settings file
// under HOME, and a test must never touch the real one.
#include <cstdlib>
#include <string>

#include "support/TempDir.h"

namespace test_support {

class TempHome
{
public:
  TempHome()
  {
    const char* old = std::getenv("HOME");
    mOld = old ? old : "";
    setenv("HOME", mPath.c_str(), 1);
  }
  ~TempHome() { setenv("HOME", mOld.c_str(), 1); }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  const std::string& path() const { return mPath; }
  /** Where the plug-in keeps its settings under this HOME. */
  std::string settingsFolder() const { return mPath + "/Library/Application Support/MistlegroveMusic"; }
  std::string settingsFile() const { return settingsFolder() + "/trellowphaser.ini"; }

private:
  TempDir mDir{"mg-home"};
  const std::string& mPath = mDir.path();
  std::string mOld;
};

} // namespace test_support
