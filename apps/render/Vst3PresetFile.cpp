#include "apps/render/Vst3PresetFile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <utility>

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vstpresetfile.h"

namespace render {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Far beyond any plug-in's state; a stop before a path like /dev/zero is read for ever.
constexpr off_t kMaxPresetBytes = 16 << 20;
// The header: its id, the format's version, then the class as 32 hex digits.
constexpr size_t kClassOffset = sizeof(ChunkID) + sizeof(int32);
constexpr size_t kClassDigits = 32;

} // namespace

bool ReadVst3PresetFile(const std::string& path, Vst3PresetFile& preset, std::string& error)
{
  const std::string what = "cannot load the preset file '" + path + "': ";
  struct stat st{};
  if (stat(path.c_str(), &st) != 0)
  {
    error = what + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode))
  {
    error = what + (S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a file");
    return false;
  }
  if (st.st_size > kMaxPresetBytes)
  {
    error = what + "it is too large to be a preset";
    return false;
  }
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file)
  {
    error = what + std::strerror(errno);
    return false;
  }
  std::vector<char> bytes(static_cast<size_t>(st.st_size));
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (readError || got != bytes.size())
  {
    error = what + "it could not be read to its end";
    return false;
  }

  if (bytes.size() < sizeof(ChunkID) || std::memcmp(bytes.data(), getChunkID(kHeader), sizeof(ChunkID)) != 0)
  {
    error = what + "it is not a VST 3 preset file";
    return false;
  }
  MemoryStream stream(bytes.data(), static_cast<TSize>(bytes.size()));
  PresetFile reader(&stream);
  if (!reader.readChunkList())
  {
    error = what + "it is damaged: its chunk list is missing or cut short";
    return false;
  }
  for (size_t i = kClassOffset; i < kClassOffset + kClassDigits; ++i)
  {
    if (!std::isxdigit(static_cast<unsigned char>(bytes[i])))
    {
      error = what + "it is damaged: its class id is unreadable";
      return false;
    }
  }
  const int64 size = static_cast<int64>(bytes.size());
  for (int32 i = 0; i < reader.getEntryCount(); ++i)
  {
    const PresetFile::Entry& e = reader.at(i);
    if (e.offset < 0 || e.size < 0 || e.offset > size || e.size > size - e.offset)
    {
      error = what + "it is damaged: a chunk lies past the file's end";
      return false;
    }
  }
  if (!reader.contains(kComponentState))
  {
    error = what + "it holds no plug-in state";
    return false;
  }

  TUID id;
  reader.getClassID().toTUID(id);
  preset.classId.clear();
  char digits[3];
  for (int i = 0; i < 16; ++i)
  {
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(id[i]));
    preset.classId += digits;
  }
  preset.path = path;
  preset.bytes = std::move(bytes);
  return true;
}

} // namespace render
