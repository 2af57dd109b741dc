// Order lines from the service, the order log and the current-order file: every
// parse and everything derived from a record, on any bytes. A canonical line read
// back from the log must give itself again, and the keys it was built from.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "sync/order_record.h"
#include "sync/stamp.h"

namespace {

using namespace lumari::core;
using lumari::test::fuzz::require;

bool has_line_break(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool is_inside(std::string_view part, std::string_view whole) {
  if (part.empty()) return true;
  const auto* begin = whole.data();
  return part.data() >= begin && part.data() + part.size() <= begin + whole.size();
}

void check_record(const OrderRecord& record, std::string_view line, bool from_server) {
  // A record points into its line, or at the blank that fills an unparsed one.
  const bool blank = line.size() < 2;
  for (const auto field : record.fld) {
    require(blank ? field == " " : is_inside(field, line), "a field lies outside its line", line);
    if (!blank && !from_server) {
      require(field.empty() || (field.front() != ' ' && field.back() != ' '),
              "a field keeps a space at an end", line);
    }
  }
  for (const auto value : {record.val1, record.val3, record.val11}) {
    require(blank ? value == " " : is_inside(value, line), "a value lies outside its line", line);
  }
  for (std::size_t i = 0; i + 1 < record.fld.size(); ++i) {
    require(record.fld[i].find(',') == std::string_view::npos, "fields 1 to 10 hold a comma", line);
  }

  const std::string key = order_key(record);
  require(key == std::string(record.val3) + std::string(record.val11), "order key", line);
  require(version_key(record) == key + std::string(record.val1), "version key", line);
  (void)record_stamp(record);

  const std::string canonical = canonical_line(record);
  std::size_t commas = 0;
  for (const char c : canonical) commas += c == ',' ? 1 : 0;
  require(commas >= 10, "a canonical line has ten separating commas", line);
  if (blank) {
    // Single spaces trimmed away: an unparsed line is written as ten commas.
    require(canonical == ",,,,,,,,,,", "an unparsed line is ten commas", line);
    return;
  }
  if (has_line_break(canonical)) return;

  // The order log keeps canonical lines; read back they must mean the same.
  const OrderRecord again = ParseLogLine(canonical);
  require(canonical_line(again) == canonical, "a canonical line reads back as itself", line);
  require(order_key(again) == key, "a canonical line keeps the order key", line);
  if (!from_server) {
    // A server line may lose the first character of field 1 after its value was
    // taken; lines of the files keep field 1 whole.
    require(version_key(again) == version_key(record), "a canonical line keeps the version", line);
  }
  const std::string canonical_again = canonical_line(again);
  const OrderRecord twice = ParseLogLine(canonical_again);
  require(version_key(twice) == version_key(again), "a canonical line is a fixed point", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line = lumari::test::fuzz::as_text(data, size);

  for (const bool seen : {false, true}) {
    bool srvseen = seen;
    const OrderRecord srvrec = ParseServerLine(line, srvseen);
    require(srvseen == (seen || line.size() >= 2), "srvseen is set by the first server line", line);
    check_record(srvrec, line, true);
  }
  const OrderRecord logrec = ParseLogLine(line);
  const OrderRecord ordrec = ParseOrderLine(line);
  check_record(logrec, line, false);
  check_record(ordrec, line, false);
  require(canonical_line(logrec) == canonical_line(ordrec), "log and order lines parse alike",
          line);
  require(record_stamp(logrec) == record_stamp(ordrec), "log and order stamps agree", line);
  return 0;
}
