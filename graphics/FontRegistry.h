#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "graphics/Font.h"

namespace frame::graphics {

/** The process-wide table of fonts by identifier. Every editor of the process registers
 *  and finds its fonts here, so a font file is read and its glyphs rasterised once. */
class FontRegistry
{
public:
  static FontRegistry& Instance();

  /** Registers the font file at path under fontID. A second load of the same path under
   *  the same identifier reuses the font; another path replaces it. False when the file
   *  cannot be read as a TrueType font (the previous registration then stays). */
  bool Load(const std::string& fontID, const std::string& path);

  /** The font registered under fontID, or null. */
  std::shared_ptr<Font> Find(const char* fontID) const;

  void Clear();

private:
  FontRegistry() = default;

  struct Entry
  {
    std::string path;
    std::shared_ptr<Font> font;
  };
  mutable std::mutex mMutex;
  std::map<std::string, Entry, std::less<>> mFonts;
};

} // namespace frame::graphics
