// hold_file.exe as a child of the test: started on an exchange file, waited for
// until it holds the file, and read back when it has let go.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "win32/win32_handles.h"

namespace lumari::test {

/// The performance counter as a number, the clock hold_file.exe reports in.
[[nodiscard]] long long performance_counter();
/// Milliseconds between two readings of the performance counter.
[[nodiscard]] double counter_ms(long long from, long long to);

class HolderProcess {
 public:
  /// Starts hold_file.exe on the file for that long and waits until it holds
  /// it; null and `error` set when it could not be started or did not say so.
  [[nodiscard]] static std::unique_ptr<HolderProcess> start(const std::string& file,
                                                            std::chrono::milliseconds hold,
                                                            std::string& error);
  ~HolderProcess();
  HolderProcess(const HolderProcess&) = delete;
  HolderProcess& operator=(const HolderProcess&) = delete;

  /// Waits until the helper has closed the file and ended; the performance
  /// counter just before it closed the file, or nothing after the limit.
  [[nodiscard]] std::optional<long long> wait_released(std::chrono::milliseconds limit);
  /// What the helper printed so far.
  [[nodiscard]] std::string output() const;

 private:
  HolderProcess(win32::UniqueKernelHandle process, win32::UniqueKernelHandle output_pipe);
  [[nodiscard]] bool wait_for_text(const std::string& text, std::chrono::milliseconds limit);
  void read_output();

  win32::UniqueKernelHandle process_;
  win32::UniqueKernelHandle pipe_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string output_;
  bool output_ended_ = false;
  std::thread reader_;
};

/// hold_file.exe, which the build puts beside the test program.
[[nodiscard]] std::string holder_program();

}  // namespace lumari::test
