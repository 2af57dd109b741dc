// Order lines and stamps on any bytes, against the reference model's own
// parser and stamp reader: every way of reading a line (a server line first or
// later, a log line, a current-order line, its keys alone) gives the fields,
// values and canonical line the model gives, and the stamp of field 1 the
// model's reading. A canonical line read back from the log is itself again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "reference_model.h"
#include "support/civil_calendar.h"
#include "sync/order_record.h"
#include "sync/stamp.h"

namespace {

using namespace lumari;
using test::fuzz::require;

void check(const core::OrderRecord& read, const std::string& line, int drop) {
  const auto& model = test::reference::read_line(line, drop);
  require(core::canonical_line(read) == test::reference::canonical(model), "canonical line", line);
  require(read.val1 == model.val1 && read.val3 == model.val3 && read.val11 == model.val11,
          "values of fields 1, 3 and 11", line);
  require(core::version_key(read) == model.version_key(), "version key", line);
  // The regex reader is slow on long texts; stamps are short.
  if (model.val1.size() > 40) return;
  const auto stamp = test::reference::read_stamp(model.val1);
  const std::optional<core::Stamp> expected =
      stamp ? std::optional<core::Stamp>(
                  (test::days_from_civil((*stamp)[0], (*stamp)[1], (*stamp)[2]) -
                   test::days_from_civil(1, 1, 1)) *
                      86400 +
                  (*stamp)[3] * 3600 + (*stamp)[4] * 60 + (*stamp)[5])
            : std::nullopt;
  require(core::record_stamp(read) == expected, "stamp of field 1", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  for (const bool seen : {false, true}) {
    bool srvseen = seen;
    check(core::ParseServerLine(line, srvseen), line, seen ? 1 : 2);
    require(srvseen == (seen || size >= 2), "the first server line read sets srvseen", line);
  }
  const core::OrderRecord logrec = core::ParseLogLine(line);
  check(logrec, line, 0);
  check(core::ParseOrderLine(line), line, 0);
  const core::LineKeys keys = core::log_line_keys(line);
  require(keys.val1 == logrec.val1 && keys.val3 == logrec.val3 && keys.val11 == logrec.val11,
          "the keys alone", line);
  const std::string canonical = core::canonical_line(logrec);
  if (canonical.find_first_of("\r\n") == std::string::npos) {
    require(core::canonical_line(core::ParseLogLine(canonical)) == canonical,
            "a canonical line reads back as itself", line);
  }
  return 0;
}
