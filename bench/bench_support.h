// What the benchmarks share: timing, the process's own memory figures, and
// running a reference tool.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace quarrow::bench {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A figure of /proc/self/status in KiB (VmRSS:, VmHWM:), -1 when missing.
inline long status_kib(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

// Runs a program and waits; returns its wall time in seconds, or -1.
inline double run_timed(std::vector<std::string> args, std::string* output = nullptr) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int pipe_fds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output) {
    if (::pipe(pipe_fds) != 0) return -1;
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  }
  auto start = Clock::now();
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output) {
    ::close(pipe_fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0) output->append(buffer, static_cast<size_t>(n));
    ::close(pipe_fds[0]);
  }
  if (rc != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  double wall = seconds_since(start);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? wall : -1;
}

}  // namespace quarrow::bench
