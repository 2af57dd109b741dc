// Programs a test starts (the headless program, the demo service), and waiting
// for what they do without sleeping a fixed time.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace lumari::test {

/// Whether the condition holds, checked every 5 ms until it does or `limit` passed.
template <typename Condition>
[[nodiscard]] bool eventually(Condition condition,
                              std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  for (const auto end = std::chrono::steady_clock::now() + limit;
       !condition() && std::chrono::steady_clock::now() < end;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

/// A program started with stdout and stderr going to <output>.out and .err.
struct Child {
  pid_t pid = -1;
  std::string output;
  std::optional<int> code;  ///< exit status, or 128 + the signal that ended it

  [[nodiscard]] bool ended() {
    int status = 0;
    if (pid > 0 && !code && ::waitpid(pid, &status, WNOHANG) == pid) {
      code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return pid <= 0 || code;
  }
  [[nodiscard]] std::string out() const { return read_bytes(output + ".out"); }
};

/// Starts args[0] with the rest as its arguments; pid -1 when it cannot start.
[[nodiscard]] inline Child spawn(std::vector<std::string> args, const std::string& output) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  Child child{-1, output, {}};
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  const std::string paths[] = {"/dev/null", output + ".out", output + ".err"};
  for (int fd = 0; fd < 3; ++fd) {
    posix_spawn_file_actions_addopen(&files, fd, paths[fd].c_str(),
                                     fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT, 0644);
  }
  if (posix_spawn(&child.pid, argv[0], &files, nullptr, argv.data(), environ) != 0) child.pid = -1;
  posix_spawn_file_actions_destroy(&files);
  return child;
}

}  // namespace lumari::test
