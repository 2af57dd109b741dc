#include "fault_play.h"

#include <algorithm>
#include <memory>
#include <string>

#include "request_log.h"

namespace lumari::demo {
namespace {

constexpr char kTextType[] = "text/plain";
constexpr char kErrorPage[] =
    "<html><head><title>500 Internal Server Error</title></head><body><h1>Internal Server "
    "Error</h1><p>The demo service was told to fail this request.</p></body></html>";

// CR LF, then filler without any marker or ";", so a client that takes the body
// anyway finds neither an idle mark nor an order line in it.
const std::string& huge_body() {
  static const std::string body = [] {
    std::string text(kHugeBodySize, 'H');
    text[0] = '\r';
    text[1] = '\n';
    return text;
  }();
  return body;
}

std::string redirect_target(const httplib::Request& request) {
  const auto host = request.get_header_value("Host");
  return host.empty() ? request.target : "http://" + host + request.target;
}

void deliver(httplib::Response& response, const Answer& answer) {
  response.status = 200;
  response.set_content(answer.body, kTextType);
}

}  // namespace

void play_fault(const Fault& fault, Connection& connection, const httplib::Request& request,
                httplib::Response& response, const std::function<Answer(Effect)>& compute) {
  const std::string& target = request.target;
  switch (fault.kind) {
    case FaultKind::kNone: {
      const Answer answer = compute(Effect::kDeliver);
      deliver(response, answer);
      log_request(target, answer.note);
      return;
    }
    case FaultKind::kDelay: {
      const std::string delay = "delay " + std::to_string(fault.delay_ms) + " ms";
      // A client that gave up meanwhile gets nothing, and nothing moves on for it.
      if (!connection.pause(std::chrono::milliseconds{fault.delay_ms})) {
        connection.end_silently();
        log_request(target, delay + ": client gone or service stopping, no answer");
        return;
      }
      const Answer answer = compute(Effect::kDeliver);
      deliver(response, answer);
      log_request(target, delay + ", then " + answer.note);
      return;
    }
    case FaultKind::kHang:
      log_request(target, "hang: no answer until the client leaves or the service stops");
      connection.wait_until_gone();
      connection.end_silently();
      return;
    case FaultKind::kErrorPage:
      response.status = 500;
      response.set_content(kErrorPage, "text/html");
      log_request(target, "error-page: status 500");
      return;
    case FaultKind::kTruncated: {
      auto body = std::make_shared<const std::string>(compute(Effect::kPreview).body);
      const std::size_t sent = body->size() / 2;
      // The provider writes half of the promised length and gives up; httplib
      // then closes the connection.
      response.status = 200;
      response.set_content_provider(body->size(), kTextType,
                                    [body, sent](size_t, size_t, httplib::DataSink& sink) {
                                      sink.write(body->data(), sent);
                                      return false;
                                    });
      log_request(target, "truncated: " + std::to_string(sent) + " of " +
                              std::to_string(body->size()) + " bytes, then close");
      return;
    }
    case FaultKind::kHuge:
      response.status = 200;
      response.set_content_provider(
          kHugeBodySize, kTextType,
          [&connection](size_t offset, size_t length, httplib::DataSink& sink) {
            if (connection.stop().raised()) return false;
            constexpr size_t kChunk = 64 * 1024;
            sink.write(huge_body().data() + offset, std::min(length, kChunk));
            return true;
          });
      log_request(target, "huge: " + std::to_string(kHugeBodySize) + " bytes");
      return;
    case FaultKind::kReset:
      connection.end_with_reset();
      log_request(target, "reset: connection closed with RST");
      return;
    case FaultKind::kTrickle: {
      // Blanks after the answer (which a client that waited would ignore) make
      // it long enough that a client with a deadline of less than half a minute
      // never sees its end, whatever the answer was.
      std::string preview = compute(Effect::kPreview).body;
      if (preview.size() < kTrickleMinimumBytes) preview.resize(kTrickleMinimumBytes, ' ');
      auto body = std::make_shared<const std::string>(std::move(preview));
      response.status = 200;
      response.set_content_provider(
          body->size(), kTextType,
          [body, &connection](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset > 0 && !connection.pause(kTrickleInterval)) return false;
            sink.write(body->data() + offset, 1);
            return true;
          });
      log_request(target, "trickle: " + std::to_string(body->size()) + " bytes, one every 500 ms");
      return;
    }
    case FaultKind::kEmpty:
      response.status = 200;
      response.set_content("", kTextType);
      log_request(target, "empty: status 200, no body");
      return;
    case FaultKind::kRedirectLoop:
      response.set_redirect(redirect_target(request), 302);
      log_request(target, "redirect-loop: 302 to the same URL");
      return;
  }
}

}  // namespace lumari::demo
