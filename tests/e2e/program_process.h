// The program under test as a child process: started from its own folder,
// waited for, and ended at the end of a test if it is still running.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "gdi_handles.h"
#include "wait.h"

namespace lumari::test {

class ProgramProcess {
 public:
  /// Starts the program file (with the arguments, none by default) with
  /// `current_folder` as its current folder; it inherits this process's
  /// environment. Null and `error` set on failure.
  [[nodiscard]] static std::unique_ptr<ProgramProcess> start(const std::string& program_file,
                                                             const std::string& current_folder,
                                                             std::string& error,
                                                             const std::string& arguments = {});

  [[nodiscard]] DWORD id() const { return id_; }
  [[nodiscard]] bool running() const;
  /// The exit code once the process has ended within the limit.
  [[nodiscard]] std::optional<DWORD> wait_for_exit(Millis limit) const;
  /// Waits until the program waits for input with nothing left to handle (its
  /// start-up is over); whether that happened within the limit.
  [[nodiscard]] bool wait_until_idle(Millis limit) const;
  /// Ends the process at once and waits for it.
  void kill();

 private:
  ProgramProcess(win32::UniqueKernelHandle process, DWORD id)
      : process_(std::move(process)), id_(id) {}

  win32::UniqueKernelHandle process_;
  DWORD id_;
};

}  // namespace lumari::test
