#include "http_server.h"

#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>

#include "fault_play.h"
#include "query.h"
#include "request_log.h"

namespace lumari::demo {
namespace {

// Hung and trickling requests each hold a worker until their client leaves.
constexpr std::size_t kWorkers = 32;

constexpr char kTextType[] = "text/plain";

// Only SO_REUSEADDR: a restarted service gets its old port back at once, while
// (unlike with SO_REUSEPORT) a second service can never share a port in use.
void reuse_address(socket_t sock) {
  const int yes = 1;
  ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

std::chrono::microseconds timeout_of(time_t seconds, time_t microseconds) {
  return std::chrono::seconds{seconds} + std::chrono::microseconds{microseconds};
}

void reply(const httplib::Request& request, httplib::Response& response, int status,
           const std::string& body, const std::string& note) {
  response.status = status;
  response.set_content(body, kTextType);
  log_request(request.target, note);
}

}  // namespace

DemoHttpServer::DemoHttpServer(DemoService& service, FaultSwitch& faults)
    : service_(service), faults_(faults) {
  new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  set_socket_options(reuse_address);
  add_routes();
}

core::Result<int> DemoHttpServer::bind_loopback(int port) {
  errno = 0;
  const int bound =
      port == 0 ? bind_to_any_port("127.0.0.1") : (bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) {
    const std::string reason = errno != 0 ? std::string(": ") + std::strerror(errno) : "";
    return core::fail("cannot listen on 127.0.0.1:" + std::to_string(port) + reason);
  }
  return bound;
}

bool DemoHttpServer::serve() {
  const bool served = stop_.raised() || listen_after_bind();
  {
    const std::lock_guard lock(serving_mutex_);
    serving_ended_ = true;
  }
  serving_changed_.notify_all();
  return served;
}

void DemoHttpServer::shutdown() {
  stop_.raise();
  // httplib's stop() does nothing until the accept loop has started, so a
  // shutdown that comes right after bind_loopback() would be lost and serve()
  // would run on. Keep asking until the loop is running (one stop() ends it)
  // or serve() has returned.
  std::unique_lock lock(serving_mutex_);
  while (!serving_ended_) {
    if (is_running()) {
      lock.unlock();
      stop();
      return;
    }
    serving_changed_.wait_for(lock, std::chrono::milliseconds(5));
  }
}

bool DemoHttpServer::process_and_close_socket(socket_t sock) {
  Connection connection(sock, stop_);
  CurrentConnection current(connection);
  ConnectionStream stream(connection, timeout_of(read_timeout_sec_, read_timeout_usec_),
                          timeout_of(write_timeout_sec_, write_timeout_usec_));
  // Answers go out as the plain text they are: never compressed, so their bytes
  // on the wire (and a truncated or trickled body) are the same for every client.
  const std::function<void(httplib::Request&)> plain_answers = [](httplib::Request& request) {
    request.headers.erase("Accept-Encoding");
  };
  bool served = false;
  for (auto left = keep_alive_max_count_; left > 0; --left) {
    if (!connection.wait_for_request(std::chrono::seconds{keep_alive_timeout_sec_})) break;
    bool closed = false;
    served = process_request(stream, left == 1, closed, plain_answers);
    if (!served || closed || connection.ending() != Ending::kNormal) break;
  }
  return served;
}

void DemoHttpServer::serve_service(const httplib::Request& request, httplib::Response& response,
                                   Kind kind, const Compute& compute) {
  Connection* connection = Connection::current();
  if (connection == nullptr) {
    reply(request, response, 500, "no connection", "internal error: no connection");
    return;
  }
  play_fault(faults_.take(kind == Kind::kOrders), *connection, request, response, compute);
}

void DemoHttpServer::control_fault(const httplib::Request& request, httplib::Response& response) {
  const Query query(request.target);
  auto fault = parse_fault(query.get("mode"));
  if (!fault) {
    reply(request, response, 400, "error: " + fault.error().message + "\r\n", "bad fault request");
    return;
  }
  std::optional<int> count;
  if (query.has("count")) {
    const auto text = query.get("count");
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0) {
      reply(request, response, 400, "error: count must be a whole number of 0 or more\r\n",
            "bad fault request");
      return;
    }
    count = value;
  }
  faults_.set(*fault, count);
  const std::string scope =
      count ? "for " + std::to_string(*count) + " request(s)" : std::string("until changed");
  reply(request, response, 200, "OK " + fault_text(*fault) + " " + scope + "\r\n",
        "fault " + fault_text(*fault) + " " + scope);
}

void DemoHttpServer::add_routes() {
  Get("/LumariLoginCheckAction.do",
      [this](const httplib::Request& request, httplib::Response& response) {
        const Query query(request.target);
        serve_service(request, response, Kind::kLogin, [&](Effect effect) {
          return service_.login(query.get("email"), query.get("password"), effect);
        });
      });
  Get("/LumariLoginSelectSystemAction.do",
      [this](const httplib::Request& request, httplib::Response& response) {
        const Query query(request.target);
        serve_service(request, response, Kind::kSelection, [&](Effect effect) {
          return service_.select_system(query.get("email"), query.get("password"),
                                        query.get("systemid"), query.get("loginid"), effect);
        });
      });
  Get("/GetTD.do", [this](const httplib::Request& request, httplib::Response& response) {
    const Query query(request.target);
    serve_service(request, response, Kind::kOrders, [&](Effect effect) {
      return service_.orders(query.get("systemid"), query.get("userid"), query.get("loginid"),
                             effect);
    });
  });
  Get("/demo/fault", [this](const httplib::Request& request, httplib::Response& response) {
    control_fault(request, response);
  });
  Get("/demo/sent", [this](const httplib::Request& request, httplib::Response& response) {
    const Query query(request.target);
    const auto systemid =
        query.has("systemid") ? std::optional(query.get("systemid")) : std::nullopt;
    reply(request, response, 200, service_.sent_text(systemid), "sent lines");
  });
  Get("/demo/state", [this](const httplib::Request& request, httplib::Response& response) {
    reply(request, response, 200, service_.state_text(), "state");
  });
  Get(".*", [](const httplib::Request& request, httplib::Response& response) {
    reply(request, response, 404, "not found\r\n", "not found");
  });
}

}  // namespace lumari::demo
