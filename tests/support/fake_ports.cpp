#include "support/fake_ports.h"

#include <cstdio>
#include <sstream>

namespace lumari::test {

std::string FakeClock::short_date_text(const core::DateTime& when) {
  char text[32];
  std::snprintf(text, sizeof text, "%d/%d/%04d", when.month, when.day, when.year);
  return text;
}

std::string FakeClock::time_text(const core::DateTime& when) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", when.hour, when.minute, when.second);
  return text;
}

core::AdapterList adapters_of(std::string_view text) {
  core::AdapterList list;
  std::istringstream in{std::string(text)};
  in >> list.count >> list.read_ok;
  for (std::string record; in >> record;) {
    const auto eq = record.find('=');
    list.records.push_back({static_cast<std::uint32_t>(std::stoul(record.substr(0, eq))), {}});
    for (std::size_t at = eq + 1; at + 1 < record.size(); at += 2)
      list.records.back().address.push_back(
          static_cast<std::uint8_t>(std::stoul(record.substr(at, 2), nullptr, 16)));
  }
  return list;
}

core::Result<std::string> WebScript::take(const std::string& url) {
  requested.push_back(url);
  const std::string path = url_path(url);
  if (auto it = queued_.find(path); it != queued_.end() && !it->second.empty()) {
    auto reply = std::move(it->second.front());
    it->second.pop_front();
    return reply;
  }
  if (auto it = always_.find(path); it != always_.end()) return it->second;
  return core::Error{"no answer scripted"};
}

core::WebClientFactory WebScript::factory() {
  struct Client final : core::WebClient {
    explicit Client(WebScript& script) : script(script) {}
    core::Result<std::string> get(const std::string& url) override { return script.take(url); }
    WebScript& script;
  };
  return [this]() -> std::unique_ptr<core::WebClient> {
    ++clients_made;
    return std::make_unique<Client>(*this);
  };
}

std::string url_path(const std::string& url) {
  const std::size_t scheme = url.find("://");
  const std::size_t start = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
  if (start == std::string::npos) return "/";
  return url.substr(start, url.find('?', start) - start);
}

}  // namespace lumari::test
