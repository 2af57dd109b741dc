#include "headless/curl_web_client.h"

#include <curl/curl.h>

#include <mutex>
#include <string>
#include <string_view>

namespace lumari::headless {
namespace {

using core::Error;
using core::Result;

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using UniqueEasy = std::unique_ptr<CURL, EasyDeleter>;

struct Transfer {
  std::string body;
  std::size_t cap = 0;
  bool over_cap = false;
};

std::size_t on_data(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  if (transfer->body.size() + bytes > transfer->cap) {
    transfer->over_cap = true;
    return 0;  // makes libcurl stop with a write error
  }
  transfer->body.append(data, bytes);
  return bytes;
}

/// True when the URL names a scheme this client speaks; anything else is
/// refused before libcurl sees it, so that its later "unsupported protocol"
/// can only come from the answer.
bool is_http_url(const std::string& url) {
  const auto starts_with = [&](std::string_view prefix) {
    if (url.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      const char c = url[i];
      if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != prefix[i]) return false;
    }
    return true;
  };
  return starts_with("http://") || starts_with("https://");
}

/// A short reason for a libcurl failure; never the URL, which carries the
/// user's password.
std::string describe(CURLcode code, CURL* handle, const Transfer& transfer,
                     const core::WebClientLimits& limits) {
  switch (code) {
    case CURLE_COULDNT_CONNECT: return "connection refused";
    case CURLE_COULDNT_RESOLVE_HOST: return "host not found";
    case CURLE_OPERATION_TIMEDOUT: return "timed out";
    case CURLE_TOO_MANY_REDIRECTS: return "too many redirects";
    case CURLE_PARTIAL_FILE: return "body cut short";
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR: return "connection reset";
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY: return "no HTTP answer";
    case CURLE_UNSUPPORTED_PROTOCOL: {
      // The URL was checked before: either the answer had no HTTP status line
      // at all, or a redirect pointed elsewhere than http or https.
      long status = 0;
      curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
      return status == 0 ? "no HTTP answer" : "not an http or https URL";
    }
    case CURLE_URL_MALFORMAT: return "malformed URL";
    case CURLE_FILESIZE_EXCEEDED: return core::body_over_cap_reason(limits.max_body_bytes);
    case CURLE_WRITE_ERROR:
      if (transfer.over_cap) return core::body_over_cap_reason(limits.max_body_bytes);
      break;
    default: break;
  }
  return curl_easy_strerror(code);
}

class CurlWebClient final : public core::WebClient {
 public:
  CurlWebClient(UniqueEasy easy, core::WebClientLimits limits)
      : easy_(std::move(easy)), limits_(limits) {}

  Result<std::string> get(const std::string& url) override {
    if (url.empty()) return Error{"malformed URL"};
    if (!is_http_url(url)) return Error{"not an http or https URL"};
    CURL* h = easy_.get();
    curl_easy_reset(h);
    Transfer transfer;
    transfer.cap = limits_.max_body_bytes;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, static_cast<long>(limits_.max_redirects));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits_.connect_timeout_ms));
    // libcurl enforces this for the whole transfer, between reads as well, so a
    // server that trickles bytes cannot hold the request longer.
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(limits_.deadline_ms));
    // An announced length over the cap fails before any of the body is read.
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.max_body_bytes));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
    curl_easy_setopt(h, CURLOPT_USERAGENT, "LumariTerminal/1.0");
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &on_data);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    const CURLcode code = curl_easy_perform(h);
    if (code != CURLE_OK) return Error{describe(code, h, transfer, limits_)};
    return std::move(transfer.body);
  }

 private:
  UniqueEasy easy_;
  core::WebClientLimits limits_;
};

class FailingWebClient final : public core::WebClient {
 public:
  Result<std::string> get(const std::string&) override { return Error{"web client unavailable"}; }
};

}  // namespace

std::unique_ptr<core::WebClient> make_curl_web_client(core::WebClientLimits limits) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  UniqueEasy easy(curl_easy_init());
  if (!easy) return std::make_unique<FailingWebClient>();
  return std::make_unique<CurlWebClient>(std::move(easy), limits);
}

}  // namespace lumari::headless
