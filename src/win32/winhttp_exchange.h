// WinHTTP handles, and waiting for the asynchronous operations of one request
// with a deadline of our own.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "ports/result.h"
#include "win32/unique_handle.h"

namespace lumari::win32 {

struct InternetTraits {
  using Handle = HINTERNET;
  static Handle invalid() { return nullptr; }
  static void close(Handle handle) { WinHttpCloseHandle(handle); }
};
/// A session, connection or request handle.
using UniqueInternet = UniqueHandle<InternetTraits>;

/// The request's own clock: WinHTTP's time-outs apply per socket read, so a
/// server that keeps every read just under them (a header trickled byte by byte)
/// could otherwise hold a request forever.
class Deadline {
 public:
  explicit Deadline(int milliseconds)
      : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)) {}

  [[nodiscard]] std::chrono::steady_clock::time_point end() const { return end_; }
  [[nodiscard]] bool passed() const { return std::chrono::steady_clock::now() >= end_; }
  /// Milliseconds left, at least 1 (WinHTTP reads 0 as "no time-out").
  [[nodiscard]] int remaining_ms() const;

 private:
  std::chrono::steady_clock::time_point end_;
};

/// Largest single read.
inline constexpr DWORD kReadChunk = 64 * 1024;

/// What the status callback hands back to the waiting caller. One operation is
/// in flight at a time. The request handle holds a share of it until WinHTTP
/// reports the handle closing, so a completion that comes after the caller has
/// given up still finds it (and the read buffer) alive.
struct Exchange {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  DWORD error = 0;  ///< WinHTTP's error code; 0 when the operation succeeded
  DWORD bytes = 0;  ///< bytes available or read
  std::vector<char> buffer = std::vector<char>(kReadChunk);  ///< WinHttpReadData fills it
};

/// How a started operation ended.
struct Completion {
  bool in_time = false;  ///< false when the deadline came first
  DWORD error = 0;
  DWORD bytes = 0;
};

/// Routes the request's completions to the exchange and hands the request a
/// share of it; the failure names the call that failed, with its error code.
[[nodiscard]] core::Status attach(HINTERNET request, const std::shared_ptr<Exchange>& exchange);

/// Clears the last result; call just before starting the next operation.
void arm(Exchange& exchange);

/// Waits for the operation started after arm(), at most until the deadline.
[[nodiscard]] Completion await(Exchange& exchange, const Deadline& deadline);

}  // namespace lumari::win32
