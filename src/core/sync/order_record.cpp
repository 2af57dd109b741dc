#include "sync/order_record.h"

#include <cstring>

#include "text/trim.h"

namespace lumari::core {
namespace {

constexpr std::string_view kBlank = " ";

OrderRecord blank_record() {
  OrderRecord record;
  record.fld.fill(kBlank);
  record.val1 = record.val3 = record.val11 = kBlank;
  return record;
}

// Characters start+1 to n of the text (1-based, as the service's answer is laid
// out); empty when that range is empty.
std::string_view chars_from(std::string_view text, std::size_t start, std::size_t n) {
  if (n <= start) return {};
  return text.substr(start, n - start);
}

enum class Source { Server, Log, Order };

OrderRecord parse_line(std::string_view line, Source source, bool* srvseen) {
  OrderRecord record = blank_record();
  if (line.size() < 2) return record;

  std::string_view rest = line;
  for (std::size_t i = 0; i < 10; ++i) {
    // Fields are short: a plain scan beats a library call per field.
    std::size_t comma = 0;
    while (comma < rest.size() && rest[comma] != ',') ++comma;
    if (comma == rest.size()) comma = std::string_view::npos;
    const std::size_t n = comma == std::string_view::npos ? rest.size() : comma;
    std::string_view text = rest.substr(0, n);
    if (i == 0 && source == Source::Server) {
      const std::size_t drop = *srvseen ? 1 : 2;
      *srvseen = true;
      text = chars_from(rest, drop, n);
    }
    record.fld[i] = trim_spaces(text);
    if (comma != std::string_view::npos) rest = rest.substr(comma + 1);
  }
  record.fld[10] = trim_spaces(rest);

  record.val1 = field_value(record.fld[0]);
  record.val3 = field_value(record.fld[2]);
  record.val11 = field_value(record.fld[10]);

  if (source == Source::Server && !record.fld[0].empty() && record.fld[0].front() != 'm' &&
      record.fld[0].front() != 'M') {
    record.fld[0].remove_prefix(1);
  }
  return record;
}

}  // namespace

std::string_view field_value(std::string_view field_text) {
  const std::size_t eq = field_text.find('=');
  if (eq == std::string_view::npos) return trim_spaces(field_text);
  return trim_spaces(field_text.substr(eq + 1));
}

OrderRecord ParseServerLine(std::string_view line, bool& srvseen) {
  return parse_line(line, Source::Server, &srvseen);
}

OrderRecord ParseLogLine(std::string_view line) { return parse_line(line, Source::Log, nullptr); }

OrderRecord ParseOrderLine(std::string_view line) {
  return parse_line(line, Source::Order, nullptr);
}

LineKeys log_line_keys(std::string_view line) {
  if (line.size() < 2) return {kBlank, kBlank, kBlank};
  // Field i (from 0) of the first ten runs up to the i-th comma; once the commas
  // run out, every further field is the text after the last one, as the full
  // parse leaves the remaining text unchanged when it finds no comma.
  std::size_t comma[10];
  std::size_t found = 0;
  for (std::size_t from = 0; found < 10;) {
    const void* at = std::memchr(line.data() + from, ',', line.size() - from);
    if (at == nullptr) break;
    comma[found] = static_cast<std::size_t>(static_cast<const char*>(at) - line.data());
    from = comma[found++] + 1;
  }
  const std::size_t tail = found == 0 ? 0 : comma[found - 1] + 1;
  const auto field = [&](std::size_t i) {
    if (i < found && i < 10) {
      const std::size_t start = i == 0 ? 0 : comma[i - 1] + 1;
      return line.substr(start, comma[i] - start);
    }
    return line.substr(tail);
  };
  return {field_value(field(0)), field_value(field(2)), field_value(field(10))};
}

std::string order_key(const OrderRecord& record) {
  std::string key;
  key.reserve(record.val3.size() + record.val11.size());
  key += record.val3;
  key += record.val11;
  return key;
}

std::string version_key(const OrderRecord& record) {
  std::string key = order_key(record);
  key += record.val1;
  return key;
}

std::string canonical_line(const OrderRecord& record) {
  std::size_t total = 10;
  for (const auto field : record.fld) total += field.size();
  std::string line;
  line.reserve(total);
  for (std::size_t i = 0; i < record.fld.size(); ++i) {
    if (i > 0) line += ',';
    line += trim_spaces(record.fld[i]);
  }
  return line;
}

}  // namespace lumari::core
