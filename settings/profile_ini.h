#pragma once

// Profile-string service: small INI files read through a process-wide cache and rewritten
// whole after every change. All functions live in namespace settings::profile_ini, take the
// file path last, never throw and never say why they failed.
//
// File format read: lines end at LF; trailing blanks/CR and leading blanks are dropped.
// "[name]" opens a section (text after the first ']' is ignored, "[]" opens none, a repeated
// name empties the earlier section); "key=value" lines inside a section are entries (blanks
// before '=' belong to the key; the first of two equal keys wins). Everything else is
// ignored; there is no comment syntax. Names and keys compare without ASCII letter case.
// File format written: sections in name order, each as "[name]\n", "key=value\n" lines in
// key order and one empty line. Nothing else survives a rewrite.
//
// Concurrency: one recursive mutex serialises every call in the process. Across processes
// the writers of a file take turns on an exclusive flock of its lock file ".<name>.lock";
// during its turn a writer re-reads the file, writes a temporary file of a fresh name
// ".<name>.XXXXXX" and renames it over the file. Readers parse under a shared flock. A
// reader therefore sees a whole old or a whole new file, and writers of different keys
// never lose each other's updates. No call waits more than about a second for its locks:
// a read then yields defaults (and is tried again next time), a write fails.

#include <cstdint>
#include <ctime>
#include <map>
#include <mutex>
#include <string>

namespace settings::profile_ini {

/** Orders ASCII letters without case, byte by byte otherwise. */
struct CaseInsensitiveLess
{
  bool operator()(const std::string& a, const std::string& b) const;
};

using Section = std::map<std::string, std::string, CaseInsensitiveLess>;
using Sections = std::map<std::string, Section, CaseInsensitiveLess>;

/** What the cache knew of the file when it last read or wrote it. Whole seconds and 32 bits
 *  of size miss quick same-length edits, so the stamp keeps the full-resolution times, the
 *  full size and the file's identity (a rewrite always renames a new inode in). */
struct FileStamp
{
  bool mExists = false;
  uint64_t mDevice = 0;
  uint64_t mInode = 0;
  uint64_t mSize = 0;
  timespec mModTime{};
  timespec mChangeTime{};

  bool operator==(const FileStamp& other) const;
};

/** One cached file. Entries live for the whole process and are reused, never removed. */
struct iniFileContext
{
  uint64_t mLastUse = 0;     // access counter at the last lookup
  bool mHasPath = false;
  bool mValid = false;       // false forces a re-read at the next lookup
  FileStamp mStamp;
  std::string mPath;         // compared exactly: "A.ini" and "a.ini" are different files
  Sections mSections;
};

inline constexpr int kCacheEntries = 32;

/** Copies the value of section/key, trimmed of blanks and of one pair of enclosing quotes,
 *  or default ("" for null) when missing; at most outSize - 1 characters plus terminator.
 *  Section null lists all section names, key null all keys of the section (each name
 *  terminated, the list by one more terminator, cut to whole names). Returns the length put
 *  in out; outSize <= 0 leaves out untouched. */
int GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                            char* out, int outSize, const char* file);

/** Sets section/key = value; value null removes the key, key null the whole section. Section
 *  null or an empty key: false. Writing the value already stored does not touch the file.
 *  Returns false when the file could not be rewritten; the file then keeps its old content
 *  and the cache forgets the change. */
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* file);

/** The value as a decimal integer, or defaultValue when it is empty or does not start with
 *  a number (a text starting with '0' reads as 0). */
int GetPrivateProfileInt(const char* section, const char* key, int defaultValue,
                         const char* file);

/** Stores size bytes as upper-case hex pairs followed by the pair of their 8-bit sum. Key or
 *  data null behaves as WritePrivateProfileString with that null. */
bool WritePrivateProfileStruct(const char* section, const char* key, const void* data,
                               int size, const char* file);

/** Decodes a value written by WritePrivateProfileStruct. True only for exactly 2 * (size + 1)
 *  hex digits (either case) whose last pair matches the sum; data is changed only then. */
bool GetPrivateProfileStruct(const char* section, const char* key, void* data, int size,
                             const char* file);

/** Lists the section's entries as terminated "key=value" texts (values as stored), the list
 *  closed by one more terminator and cut to whole entries. Nothing when outSize < 2.
 *  Returns the number of characters before the closing terminator. */
int GetPrivateProfileSection(const char* section, char* out, int outSize, const char* file);

/** Replaces the section's entries with a list of terminated "key=value" texts ending with an
 *  empty text; texts without '=' or with an empty key are skipped, a null list is empty.
 *  An empty list keeps the section, empty. Section null, or a failed rewrite: false. */
bool WritePrivateProfileSection(const char* section, const char* list, const char* file);

/** Guards the pointers GetFileContext hands out; hold it for as long as one is used. */
std::unique_lock<std::recursive_mutex> LockProfiles();

/** The cache entry for file, re-read if the file changed on disk. A path containing '/' is
 *  used as it is; otherwise the default file (SetDefaultProfileFile, else
 *  "$HOME/.libprofile.ini", "/tmp/.libprofile.ini" without HOME) or, for a bare name, that
 *  file's name without extension + "_" + name + ".ini". */
iniFileContext* GetFileContext(const char* file);

/** Rewrites the entry's file from its cached content. False (entry invalidated) when the
 *  turn was not had in time or the temporary file could not be written or renamed; the
 *  file keeps its old content then. */
bool WriteBackFile(iniFileContext* context);

/** Sets the default file for bare names (at most 511 characters; null or "" clears it). */
void SetDefaultProfileFile(const char* path);

} // namespace settings::profile_ini
