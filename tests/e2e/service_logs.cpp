#include "service_logs.h"

#include <string_view>

#include "text/file_io.h"
#include "win32/winhttp_web_client.h"

namespace lumari::test {
namespace {

// "name=value" out of "a=1&b=2&c=3"; empty when the name is missing.
std::string query_value(std::string_view query, std::string_view name) {
  std::size_t at = 0;
  while (at <= query.size()) {
    const std::size_t end = std::min(query.find('&', at), query.size());
    const std::string_view pair = query.substr(at, end - at);
    if (pair.size() > name.size() && pair.substr(0, name.size()) == name &&
        pair[name.size()] == '=') {
      return std::string(pair.substr(name.size() + 1));
    }
    at = end + 1;
  }
  return {};
}

}  // namespace

std::vector<std::string> request_log_lines(const std::string& path) {
  std::vector<std::string> lines;
  const auto text = core::read_file(path);
  if (!text) return lines;
  std::size_t start = 0;
  for (std::size_t end = text->find('\n'); end != std::string::npos;
       end = text->find('\n', start)) {
    lines.push_back(text->substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<OrderRequest> order_requests(const std::string& path) {
  // "<date> <time> /GetTD.do systemid=S&userid=U&loginid=L -> outcome"
  constexpr std::string_view kPath = " /GetTD.do ";
  constexpr std::string_view kArrow = " -> ";
  std::vector<OrderRequest> requests;
  for (const auto& line : request_log_lines(path)) {
    const auto at = line.find(kPath);
    if (at == std::string::npos) continue;
    const auto query_start = at + kPath.size();
    const auto arrow = line.find(kArrow, query_start);
    const std::string_view query = std::string_view(line).substr(
        query_start, arrow == std::string::npos ? std::string::npos : arrow - query_start);
    OrderRequest request;
    request.systemid = query_value(query, "systemid");
    request.userid = query_value(query, "userid");
    request.loginid = query_value(query, "loginid");
    if (arrow != std::string::npos) request.outcome = line.substr(arrow + kArrow.size());
    requests.push_back(std::move(request));
  }
  return requests;
}

std::vector<std::string> requests_to(const std::string& path, const std::string& request_path) {
  std::vector<std::string> found;
  const std::string marker = " " + request_path + " ";
  for (const auto& line : request_log_lines(path)) {
    if (line.find(marker) != std::string::npos) found.push_back(line);
  }
  return found;
}

std::string service_get(const std::string& url) {
  auto client = win32::make_winhttp_web_client();
  auto body = client->get(url);
  return body ? *body : std::string();
}

}  // namespace lumari::test
