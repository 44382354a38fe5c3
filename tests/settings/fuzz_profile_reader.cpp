// Arbitrary bytes as a settings file: the reader must not crash, every read must stay within
// its buffer, and a rewrite must read back as exactly what was parsed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "settings/profile_ini.h"

namespace ini = settings::profile_ini;

namespace {

char gFolder[64];

void RemoveFolder() { ::rmdir(gFolder); }

const char* Folder()
{
  if (!gFolder[0])
  {
    // tmpfs where there is one: every rewrite ends in an fsync.
    std::snprintf(gFolder, sizeof gFolder, "%s",
                  ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/fuzz_ini_XXXXXX"
                                                  : "/tmp/fuzz_ini_XXXXXX");
    if (!::mkdtemp(gFolder))
      std::abort();
    std::atexit(RemoveFolder);
  }
  return gFolder;
}

void Check(bool ok, const char* what)
{
  if (!ok)
  {
    std::fprintf(stderr, "fuzz_profile_reader: %s\n", what);
    std::abort();
  }
}

/** Reads with a buffer just big enough or a little short, and checks nothing is written past
 *  the end of it. */
void ReadEverything(const char* file, size_t seed)
{
  std::vector<char> names(1 + seed % 300, '\x7f');
  const int namesSize = int(names.size()) - 1;
  const int n = ini::GetPrivateProfileString(nullptr, nullptr, nullptr, names.data(), namesSize,
                                             file);
  Check(names.back() == '\x7f' && (n == 0 || n < namesSize), "section list overran its buffer");
  for (const char* section = names.data(); *section && section < names.data() + n;
       section += std::strlen(section) + 1)
  {
    std::vector<char> keys(4096);
    const int k = ini::GetPrivateProfileString(section, nullptr, nullptr, keys.data(),
                                               int(keys.size()), file);
    for (const char* key = keys.data(); *key && key < keys.data() + k; key += std::strlen(key) + 1)
    {
      char value[40];
      value[sizeof value - 1] = '\x7f';
      const int len = ini::GetPrivateProfileString(section, key, "", value, sizeof value - 1, file);
      Check(value[sizeof value - 1] == '\x7f' && len < int(sizeof value) - 1 &&
              size_t(len) == std::strlen(value),
            "value read overran its buffer");
      ini::GetPrivateProfileInt(section, key, -1, file);
      unsigned char bytes[16];
      ini::GetPrivateProfileStruct(section, key, bytes, int(seed % sizeof bytes), file);
    }
    char list[64];
    ini::GetPrivateProfileSection(section, list, int(2 + seed % 62), file);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static unsigned long counter = 0;
  // A fresh name per input: the cache then never has to tell two same-sized inputs written
  // within one clock tick apart.
  const std::string file = std::string(Folder()) + "/f" + std::to_string(++counter) + ".ini";
  // Random bytes seldom form headers and entries; half of the inputs are therefore spelt in
  // the characters the format is made of.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size && (data[0] & 0x10))
  {
    static const char kAlphabet[] = "[]=\n\n\r\t \"'0aAbB;#\0";
    for (char& c : bytes)
      c = kAlphabet[static_cast<unsigned char>(c) % (sizeof kAlphabet - 1)];
  }
  {
    FILE* f = std::fopen(file.c_str(), "wb");
    Check(f != nullptr, "cannot create the input file");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  const size_t seed = size ? data[0] * 7 + data[size - 1] : 0;

  ReadEverything(file.c_str(), seed);

  if (seed % 2 == 0)
  {
    auto lock = ini::LockProfiles();
    ini::iniFileContext* ctx = ini::GetFileContext(file.c_str());
    Check(ctx != nullptr, "no cache entry");
    const ini::Sections parsed = ctx->mSections;
    Check(ini::WriteBackFile(ctx), "rewrite failed");
    ctx->mValid = false; // force a re-read of what was written
    ctx = ini::GetFileContext(file.c_str());
    Check(ctx->mSections == parsed, "a rewritten file reads back differently");
  }
  else if (size >= 3)
  {
    // Names and values from the input itself, cut at the first NUL as C strings are.
    const std::string& text = bytes;
    const std::string section = text.substr(0, size / 3).c_str();
    const std::string key = text.substr(size / 3, size / 3).c_str();
    const std::string value = text.substr(2 * (size / 3)).c_str();
    const bool ok = ini::WritePrivateProfileString(section.c_str(), key.c_str(), value.c_str(),
                                                   file.c_str());
    Check(ok || key.empty(), "write failed");
    ReadEverything(file.c_str(), seed / 2);
  }

  std::remove(file.c_str());
  std::remove((std::string(Folder()) + "/.f" + std::to_string(counter) + ".ini.lock").c_str());
  return 0;
}
