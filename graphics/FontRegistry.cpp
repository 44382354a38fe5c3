#include "graphics/FontRegistry.h"

#include <string_view>

namespace frame::graphics {

FontRegistry& FontRegistry::Instance()
{
  static FontRegistry registry;
  return registry;
}

bool FontRegistry::Load(const std::string& fontID, const std::string& path)
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (auto it = mFonts.find(fontID); it != mFonts.end() && it->second.path == path)
    return true;
  auto font = Font::FromFile(path);
  if (!font)
    return false;
  mFonts[fontID] = {path, std::move(font)};
  return true;
}

std::shared_ptr<Font> FontRegistry::Find(const char* fontID) const
{
  if (!fontID)
    return nullptr;
  std::lock_guard<std::mutex> lock(mMutex);
  auto it = mFonts.find(std::string_view(fontID));
  return it == mFonts.end() ? nullptr : it->second.font;
}

void FontRegistry::Clear()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mFonts.clear();
}

} // namespace frame::graphics
