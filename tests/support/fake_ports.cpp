#include "support/fake_ports.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace lumari::test {

using core::MenuId;
using core::MessageIcon;
using core::WindowId;

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

void WebScript::answer(const std::string& path, core::Result<std::string> reply) {
  queued_[path].push_back(std::move(reply));
}

void WebScript::answer_always(const std::string& path, core::Result<std::string> reply) {
  always_.insert_or_assign(path, std::move(reply));
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
  return [this]() -> std::unique_ptr<core::WebClient> {
    class Client final : public core::WebClient {
     public:
      explicit Client(WebScript& script) : script_(script) {}
      core::Result<std::string> get(const std::string& url) override { return script_.take(url); }

     private:
      WebScript& script_;
    };
    ++clients_made;
    return std::make_unique<Client>(*this);
  };
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

std::string url_path(const std::string& url) {
  const std::size_t scheme = url.find("://");
  const std::size_t start = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
  if (start == std::string::npos) return "/";
  const std::size_t end = url.find('?', start);
  return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string query_value(const std::string& url, const std::string& key) {
  const std::size_t query = url.find('?');
  if (query == std::string::npos) return {};
  std::size_t at = query + 1;
  while (at < url.size()) {
    const std::size_t end = std::min(url.find('&', at), url.size());
    const std::string pair = url.substr(at, end - at);
    const std::size_t eq = pair.find('=');
    if (pair.substr(0, eq) == key) return eq == std::string::npos ? "" : pair.substr(eq + 1);
    at = end + 1;
  }
  return {};
}

}  // namespace lumari::test
