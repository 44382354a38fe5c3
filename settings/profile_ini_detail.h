#pragma once

// The parts of the profile-string service its files share: reading a file, the cache and
// rewriting. Not for use outside settings/profile_ini*.cpp.

#include <functional>
#include <mutex>
#include <string>

#include <sys/stat.h>

#include "settings/bounded_flock.h"
#include "settings/profile_ini.h"

namespace settings::profile_ini::detail {

bool IsBlank(char c);
char LowerAscii(char c);

FileStamp StampOf(const struct stat& st);

enum class ReadResult
{
  kRead,
  kMissing,
  kFailed // exists but could not be read, or stayed locked: its content is unknown
};

/** Parses the file under a shared lock taken before deadline. The stamp comes from the
 *  descriptor that was parsed, so a file renamed in meanwhile is noticed at the next
 *  lookup. */
ReadResult ReadFile(const std::string& path, Sections& out, struct stat& st, LockDeadline deadline);

/** The one mutex every profile call holds. */
std::recursive_mutex& ProfileMutex();

/** The path a file argument stands for (see GetFileContext). */
std::string ResolvePath(const char* file);

/** The entry that is to hold path, emptied if it held another; not re-read. */
iniFileContext& SelectEntry(const std::string& path);

/** The entry for path, re-read if the file changed on disk. */
iniFileContext& Lookup(const std::string& path);

bool IsCacheEntry(const iniFileContext* context);

/** Read-modify-write of one file during a writer's turn. The file is re-read first, so a
 *  change another process made since our last look is kept. change(sections) returns
 *  whether it changed anything; nothing is written if not. */
bool Modify(const char* file, const std::function<bool(Sections&)>& change);

/** Rewrites the entry's file from its cached content (WriteBackFile). */
bool RewriteFromCache(iniFileContext& context);

} // namespace settings::profile_ini::detail
