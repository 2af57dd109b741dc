// A child process for the integration tests: started with its output captured,
// waited for with a time limit, killed when the test ends.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumari::test {

class ChildProcess {
 public:
  /// Starts the program with the arguments and extra environment variables;
  /// stdout and stderr go to files in `output_folder` (<name>.out, <name>.err).
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env, const std::string& output_folder,
               const std::string& name);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  /// The exit code once the process has ended within the limit; nothing on time-out.
  [[nodiscard]] std::optional<int> wait_for_exit(std::chrono::milliseconds limit);
  /// Sends the signal (SIGTERM by default).
  void signal(int sig);
  void kill_now();

  /// The first line the process wrote to stdout, waiting up to the limit.
  [[nodiscard]] std::optional<std::string> first_stdout_line(std::chrono::milliseconds limit) const;
  [[nodiscard]] std::string stdout_text() const;
  [[nodiscard]] std::string stderr_text() const;
  [[nodiscard]] bool running();

 private:
  pid_t pid_ = -1;
  std::optional<int> exit_code_;
  std::string out_path_;
  std::string err_path_;
};

}  // namespace lumari::test
