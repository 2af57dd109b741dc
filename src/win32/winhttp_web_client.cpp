#include "win32/winhttp_web_client.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "win32/winhttp_exchange.h"

namespace lumari::win32 {
namespace {

using core::Error;
using core::fail;
using core::Result;

/// A short reason for a WinHTTP error code; never the URL, which carries the
/// user's password.
Error describe(DWORD code, const char* call) {
  switch (code) {
    case ERROR_WINHTTP_CANNOT_CONNECT: return fail("connection refused");
    case ERROR_WINHTTP_TIMEOUT: return fail("timed out");
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return fail("host not found");
    case ERROR_WINHTTP_CONNECTION_ERROR: return fail("connection reset");
    case ERROR_WINHTTP_REDIRECT_FAILED: return fail("too many redirects");
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return fail("no HTTP answer");
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return fail("not an http or https URL");
    case ERROR_WINHTTP_INVALID_URL: return fail("malformed URL");
    case ERROR_WINHTTP_SECURE_FAILURE: return fail("secure connection failed");
    case ERROR_NOT_ENOUGH_MEMORY: return fail("out of memory");
    // Wine passes some socket errors through instead of its own codes.
    case WSAECONNREFUSED: return fail("connection refused");
    case WSAETIMEDOUT: return fail("timed out");
    case WSAECONNRESET:
    case WSAECONNABORTED: return fail("connection reset");
    default: return fail(std::string(call) + ": error " + std::to_string(code));
  }
}

/// Reads GetLastError() before anything else can change it.
Error last_error(const char* call) { return describe(GetLastError(), call); }

std::optional<std::wstring> widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int needed =
      MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (needed <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), needed) !=
      needed) {
    return std::nullopt;
  }
  return wide;
}

struct Target {
  INTERNET_SCHEME scheme = INTERNET_SCHEME_HTTP;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring path;  ///< path and query, never empty
};

Result<Target> crack(const std::string& url) {
  const std::optional<std::wstring> wide = widen(url);
  if (!wide || wide->empty()) return fail("malformed URL");
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide->c_str(), static_cast<DWORD>(wide->size()), 0, &parts)) {
    return last_error("WinHttpCrackUrl");
  }
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    return fail("not an http or https URL");
  }
  if (parts.dwHostNameLength == 0) return fail("malformed URL");
  Target target;
  target.scheme = parts.nScheme;
  target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  target.port = parts.nPort;
  target.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  target.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  // The fragment is the browser's business and never goes on the wire.
  if (const auto hash = target.path.find(L'#'); hash != std::wstring::npos) {
    target.path.erase(hash);
  }
  // WinHTTP sends an empty path as it is, which servers reject.
  if (target.path.empty() || target.path.front() != L'/') target.path.insert(0, L"/");
  return target;
}

bool is_loopback(const std::wstring& host) {
  return host == L"localhost" || host == L"[::1]" || host == L"::1" || host.rfind(L"127.", 0) == 0;
}

bool set_dword_option(HINTERNET handle, DWORD option, DWORD value) {
  return WinHttpSetOption(handle, option, &value, sizeof value) != FALSE;
}

std::optional<std::wstring> query_text_header(HINTERNET request, DWORD which) {
  DWORD bytes = 0;
  WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &bytes, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX)) {
    return std::nullopt;
  }
  text.resize(bytes / sizeof(wchar_t));
  return text;
}

/// The body length the server announced, when it announced one that holds: a
/// chunked body ignores Content-Length, and a malformed one says nothing.
std::optional<unsigned long long> announced_length(HINTERNET request) {
  if (const auto coding = query_text_header(request, WINHTTP_QUERY_TRANSFER_ENCODING)) {
    if (coding->find(L"chunked") != std::wstring::npos) return std::nullopt;
  }
  const auto text = query_text_header(request, WINHTTP_QUERY_CONTENT_LENGTH);
  if (!text || text->empty()) return std::nullopt;
  unsigned long long length = 0;
  for (const wchar_t c : *text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    if (length > (~0ull - 9) / 10) return std::nullopt;
    length = length * 10 + static_cast<unsigned long long>(c - L'0');
  }
  return length;
}

/// Waits for the operation started after arm(): the byte count it reported, or
/// why there is none.
Result<DWORD> finish(Exchange& exchange, const Deadline& deadline, const char* call) {
  const Completion completion = await(exchange, deadline);
  if (!completion.in_time) return fail("timed out");
  if (completion.error != 0) return describe(completion.error, call);
  return completion.bytes;
}

/// Puts "/" after the host when the URL has no path, so "http://host?x=1"
/// keeps its query (WinHttpCrackUrl drops it) and an empty path goes out as "/".
std::string with_path(const std::string& url) {
  const auto scheme_end = url.find("://");
  if (scheme_end == std::string::npos) return url;
  const auto host_end = url.find_first_of("/?#", scheme_end + 3);
  if (host_end == std::string::npos) return url + "/";
  if (url[host_end] != '/') return url.substr(0, host_end) + "/" + url.substr(host_end);
  return url;
}

class WinHttpWebClient final : public core::WebClient {
 public:
  WinHttpWebClient(UniqueInternet session, core::WebClientLimits limits)
      : session_(std::move(session)), limits_(limits) {}

  Result<std::string> get(const std::string& url) override {
    // The session is asynchronous so that every wait below is ours and ends at
    // the deadline, even while WinHTTP is still blocked on a slow server.
    const Deadline deadline(limits_.deadline_ms);
    Result<Target> target = crack(with_path(url));
    if (!target) return target.error();

    const UniqueInternet connection(
        WinHttpConnect(session_.get(), target->host.c_str(), target->port, 0));
    if (!connection) return last_error("WinHttpConnect");
    const DWORD flags = target->scheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    const UniqueInternet request(WinHttpOpenRequest(connection.get(), L"GET", target->path.c_str(),
                                                    nullptr, WINHTTP_NO_REFERER,
                                                    WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request) return last_error("WinHttpOpenRequest");
    if (auto set = configure(request.get(), *target, deadline); !set) return set.error();
    const auto exchange = std::make_shared<Exchange>();
    if (auto attached = attach(request.get(), exchange); !attached) return attached.error();

    arm(*exchange);
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
      return last_error("WinHttpSendRequest");
    }
    if (auto sent = finish(*exchange, deadline, "WinHttpSendRequest"); !sent) return sent.error();
    arm(*exchange);
    if (!WinHttpReceiveResponse(request.get(), nullptr)) {
      return last_error("WinHttpReceiveResponse");
    }
    if (auto headers = finish(*exchange, deadline, "WinHttpReceiveResponse"); !headers) {
      return headers.error();
    }
    return read_body(request.get(), *exchange, deadline);
  }

 private:
  core::Status configure(HINTERNET request, const Target& target, const Deadline& deadline) {
    // Our own deadline ends the wait; these only make WinHTTP let go of a dead
    // connection in the background at about the same time.
    const int left = deadline.remaining_ms();
    const int connect = std::clamp(limits_.connect_timeout_ms, 1, left);
    if (!WinHttpSetTimeouts(request, left, connect, left, left)) {
      return last_error("WinHttpSetTimeouts");
    }
    // Without it WinHTTP waits for the response headers forever.
    if (!set_dword_option(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                          static_cast<DWORD>(left))) {
      return last_error("WinHttpSetOption");
    }
    const DWORD policy = limits_.max_redirects > 0 ? WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS
                                                   : WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    if (!set_dword_option(request, WINHTTP_OPTION_REDIRECT_POLICY, policy)) {
      return last_error("WinHttpSetOption");
    }
    if (limits_.max_redirects > 0 &&
        !set_dword_option(request, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS,
                          static_cast<DWORD>(limits_.max_redirects))) {
      return last_error("WinHttpSetOption");
    }
    // Best effort: the request works without these, only less alike the other
    // client (no cookies) or through a configured proxy for loopback.
    set_dword_option(request, WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_COOKIES);
    if (is_loopback(target.host)) {
      WINHTTP_PROXY_INFO direct{WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr};
      WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &direct, sizeof direct);
    }
    return core::ok();
  }

  Result<std::string> read_body(HINTERNET request, Exchange& exchange, const Deadline& deadline) {
    const std::optional<unsigned long long> length = announced_length(request);
    if (length && *length > limits_.max_body_bytes)
      return fail(core::body_over_cap_reason(limits_.max_body_bytes));
    std::string body;
    for (;;) {
      if (deadline.passed()) return fail("timed out");
      set_dword_option(request, WINHTTP_OPTION_RECEIVE_TIMEOUT,
                       static_cast<DWORD>(deadline.remaining_ms()));
      arm(exchange);
      if (!WinHttpQueryDataAvailable(request, nullptr)) {
        return last_error("WinHttpQueryDataAvailable");
      }
      const Result<DWORD> available = finish(exchange, deadline, "WinHttpQueryDataAvailable");
      if (!available) return available.error();
      if (*available == 0) break;
      if (*available > limits_.max_body_bytes - body.size()) {
        return fail(core::body_over_cap_reason(limits_.max_body_bytes));
      }
      // Never more than is already buffered, so the read completes at once.
      arm(exchange);
      if (!WinHttpReadData(request, exchange.buffer.data(), std::min(*available, kReadChunk),
                           nullptr)) {
        return last_error("WinHttpReadData");
      }
      const Result<DWORD> got = finish(exchange, deadline, "WinHttpReadData");
      if (!got) return got.error();
      if (*got == 0) break;
      body.append(exchange.buffer.data(), *got);
    }
    // WinHTTP ends a body quietly when the connection closes early.
    if (length && body.size() < *length) return fail("body cut short");
    return body;
  }

  UniqueInternet session_;
  core::WebClientLimits limits_;
};

class FailingWebClient final : public core::WebClient {
 public:
  explicit FailingWebClient(Error why) : why_(std::move(why)) {}
  Result<std::string> get(const std::string&) override { return why_; }

 private:
  Error why_;
};

}  // namespace

std::unique_ptr<core::WebClient> make_winhttp_web_client(core::WebClientLimits limits) {
  UniqueInternet session(WinHttpOpen(L"LumariTerminal/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                                     WINHTTP_FLAG_ASYNC));
  if (!session) return std::make_unique<FailingWebClient>(last_error("WinHttpOpen"));
  return std::make_unique<WinHttpWebClient>(std::move(session), limits);
}

}  // namespace lumari::win32
