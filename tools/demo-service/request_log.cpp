#include "request_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#include "query.h"

namespace lumari::demo {
namespace {

std::mutex log_mutex;

std::string now_text() {
  const auto now = std::chrono::system_clock::now();
  const auto seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[40];
  const auto length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(millis));
  return text;
}

}  // namespace

void log_line(std::string_view text) {
  const std::string line = now_text() + " " + std::string(text) + "\n";
  std::lock_guard lock(log_mutex);
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

void log_request(std::string_view target, std::string_view note) {
  const std::string query = masked_query(target);
  log_line(std::string(target_path(target)) + (query.empty() ? "" : " " + query) + " -> " +
           std::string(note));
}

}  // namespace lumari::demo
