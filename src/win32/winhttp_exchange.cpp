#include "win32/winhttp_exchange.h"

#include <algorithm>
#include <string>

namespace lumari::win32 {
namespace {

using ExchangeShare = std::shared_ptr<Exchange>;

void CALLBACK on_status(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
  auto* share = reinterpret_cast<ExchangeShare*>(context);
  if (share == nullptr) return;
  if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
    delete share;  // the last callback of the handle
    return;
  }
  DWORD error = 0;
  DWORD bytes = 0;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE: break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE: bytes = *static_cast<const DWORD*>(info); break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE: bytes = length; break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      error = static_cast<const WINHTTP_ASYNC_RESULT*>(info)->dwError;
      if (error == 0) error = ERROR_WINHTTP_INTERNAL_ERROR;
      break;
    default: return;
  }
  Exchange& exchange = **share;
  {
    const std::lock_guard lock(exchange.mutex);
    exchange.done = true;
    exchange.error = error;
    exchange.bytes = bytes;
  }
  exchange.finished.notify_all();
}

}  // namespace

int Deadline::remaining_ms() const {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      end_ - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<long long>(left.count(), 1, 0x7fffffff));
}

core::Status attach(HINTERNET request, const std::shared_ptr<Exchange>& exchange) {
  auto* share = new ExchangeShare(exchange);
  auto context = reinterpret_cast<DWORD_PTR>(share);
  if (!WinHttpSetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
    const DWORD error = GetLastError();
    delete share;
    return core::fail("WinHttpSetOption: error " + std::to_string(error));
  }
  if (WinHttpSetStatusCallback(
          request, &on_status,
          WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
          0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    const DWORD error = GetLastError();
    delete share;  // without the callback nobody else will
    return core::fail("WinHttpSetStatusCallback: error " + std::to_string(error));
  }
  return core::ok();
}

void arm(Exchange& exchange) {
  const std::lock_guard lock(exchange.mutex);
  exchange.done = false;
  exchange.error = 0;
  exchange.bytes = 0;
}

Completion await(Exchange& exchange, const Deadline& deadline) {
  std::unique_lock lock(exchange.mutex);
  if (!exchange.finished.wait_until(lock, deadline.end(), [&] { return exchange.done; })) {
    return {};
  }
  return {true, exchange.error, exchange.bytes};
}

}  // namespace lumari::win32
