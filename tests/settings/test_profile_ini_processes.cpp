// Several processes sharing one settings file, as several hosts of one user would.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <sched.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "settings/profile_ini.h"

namespace ini = settings::profile_ini;

namespace {

constexpr int kProcesses = 4; // each writes its own key and reads all keys
constexpr int kReaders = 2;   // only read, so their caches never learn from a write of theirs
constexpr int kRounds = 60;

struct Shared
{
  std::atomic<int> mReady{0};
  std::atomic<int> mWritersDone{0};
  std::atomic<long> mReads{0};
  std::atomic<int> mPublished[kProcesses]; // last round whose write had returned
  std::atomic<int> mFailures{0};
  char mFirstFailure[256];
};

std::string Key(int process) { return "k" + std::to_string(process); }

// Every value has the same length, so the file's size never changes: a cache that trusted
// the size and the whole-second time would hand out stale values.
std::string Value(int process, int round)
{
  char text[32];
  std::snprintf(text, sizeof text, "p%dr%03d", process, round);
  return text;
}

int RoundOf(const char* value)
{
  int process = -1, round = -1;
  return std::sscanf(value, "p%dr%d", &process, &round) == 2 ? round : -1;
}

void Fail(Shared& shared, const std::string& what)
{
  if (shared.mFailures.fetch_add(1) == 0)
    std::snprintf(shared.mFirstFailure, sizeof shared.mFirstFailure, "%s", what.c_str());
}

/** Reads every key once: whatever had been written before the read began must be found,
 *  or something newer. */
void CheckAllKeys(Shared& shared, const std::string& file)
{
  for (int other = 0; other < kProcesses; ++other)
  {
    const int written = shared.mPublished[other].load();
    char out[64];
    ini::GetPrivateProfileString("S", Key(other).c_str(), "", out, sizeof out, file.c_str());
    shared.mReads.fetch_add(1);
    if (written >= 0 && RoundOf(out) < written)
      Fail(shared, Key(other) + " read \"" + out + "\" after round " + std::to_string(written) +
                     " had been written");
  }
}

void WaitForAll(Shared& shared)
{
  shared.mReady.fetch_add(1);
  while (shared.mReady.load() < kProcesses + kReaders)
    ::sched_yield();
}

void RunWriter(Shared& shared, int self, const std::string& file)
{
  WaitForAll(shared);
  const std::string key = Key(self);
  for (int round = 0; round < kRounds; ++round)
  {
    const std::string value = Value(self, round);
    if (!ini::WritePrivateProfileString("S", key.c_str(), value.c_str(), file.c_str()))
      Fail(shared, key + " write failed in round " + std::to_string(round));
    shared.mPublished[self].store(round);
    CheckAllKeys(shared, file);
  }
  shared.mWritersDone.fetch_add(1);
}

void RunReader(Shared& shared, const std::string& file)
{
  WaitForAll(shared);
  while (shared.mWritersDone.load() < kProcesses)
  {
    CheckAllKeys(shared, file);
    ::sched_yield(); // leave the writers their share of a small machine
  }
}

std::string Contents(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ProfileIniProcesses, ConcurrentWritersOfDifferentKeysLoseNothing)
{
  // tmpfs where there is one: a writer waits for its turn a second at most, and on a busy
  // disk the others' fsyncs alone could take that long.
  char pattern[64];
  std::snprintf(pattern, sizeof pattern, "%s",
                ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/profile_processes_XXXXXX"
                                                : "/tmp/profile_processes_XXXXXX");
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const std::string file = dir + "/shared.ini";

  void* memory = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(memory, MAP_FAILED);
  Shared& shared = *new (memory) Shared;
  for (auto& p : shared.mPublished)
    p.store(-1);

  const auto start = std::chrono::steady_clock::now();
  pid_t children[kProcesses + kReaders];
  for (int i = 0; i < kProcesses + kReaders; ++i)
  {
    children[i] = ::fork();
    ASSERT_GE(children[i], 0);
    if (children[i] == 0)
    {
      if (i < kProcesses)
        RunWriter(shared, i, file);
      else
        RunReader(shared, file);
      ::_exit(0);
    }
  }
  for (pid_t child : children)
  {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const double seconds =
    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  EXPECT_EQ(shared.mFailures.load(), 0) << shared.mFirstFailure;
  std::string expected = "[S]\n";
  for (int i = 0; i < kProcesses; ++i)
    expected += Key(i) + "=" + Value(i, kRounds - 1) + "\n";
  expected += "\n";
  EXPECT_EQ(Contents(file), expected);
  // Nothing but the file and the writers' lock file: no temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 2);
  EXPECT_LT(seconds, 20.0);
  std::printf("%d writers x %d rounds, %d readers, %ld reads: %.2f s\n", kProcesses, kRounds,
              kReaders, shared.mReads.load(), seconds);

  ::munmap(memory, sizeof(Shared));
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

} // namespace
