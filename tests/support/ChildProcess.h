#pragma once

// Runs a program of the build in a child with a HOME of its own, its output captured in
// files, as the command-line tests and the editor's end-to-end tests do.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/Unprivileged.h"

namespace test_support {

struct ChildOptions
{
  std::string home;       // HOME of the child
  std::string outputDir;  // receives .stdout and .stderr
  std::string workDir;    // empty: the parent's
  bool unprivileged = false;
};

/** Starts program with args; the child's exit codes 120 and 121 mean it could not change
 *  folder or drop root, 127 that the program could not be run. */
inline pid_t SpawnProgram(const char* program, std::vector<std::string> args, const ChildOptions& o)
{
  const pid_t pid = fork();
  if (pid != 0)
    return pid;
  if (!o.workDir.empty() && chdir(o.workDir.c_str()) != 0)
    _exit(120);
  setenv("HOME", o.home.c_str(), 1);
  const int out = open((o.outputDir + "/.stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open((o.outputDir + "/.stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(out, STDOUT_FILENO);
  dup2(err, STDERR_FILENO);
  if (o.unprivileged && !DropRoot())
    _exit(121);
  std::vector<char*> argv{const_cast<char*>(program)};
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  execv(program, argv.data());
  _exit(127);
}

struct ChildResult
{
  int status = -1; ///< exit code, or 128 + signal
  std::string out, err;
};

/** A file's whole content; empty when it cannot be read. */
inline std::string Slurp(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

/** Waits for a child SpawnProgram started with outputDir, killing it past timeoutMs (0: no
 *  limit), and reads what it printed. */
inline ChildResult WaitChild(pid_t pid, const std::string& outputDir, int timeoutMs = 0)
{
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  if (timeoutMs <= 0)
    waitpid(pid, &status, 0);
  else
    while (waitpid(pid, &status, WNOHANG) != pid)
    {
      if (std::chrono::steady_clock::now() > deadline)
      {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Slurp(outputDir + "/.stdout"),
          Slurp(outputDir + "/.stderr")};
}

} // namespace test_support
