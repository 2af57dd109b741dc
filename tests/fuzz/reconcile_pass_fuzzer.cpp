// The answer split and a whole reconciliation pass over fuzzed files, done as the
// fetch cycle does it; on inputs of modest size the plain reference model runs
// too, and both must write the same bytes to both files.
//
// Input: one option byte (bit 0: a server line was parsed earlier in the run),
// then the answer, the order log and the current-order file, separated by 0x1F.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "reference_model.h"
#include "reference_model.h"
#include "sync/line_list.h"

namespace {

using namespace lumari::test;
using fuzz::require;

// The reference model parses a line again for every comparison; beyond this many
// lines in all a single input would take longer than fuzzing can afford.
constexpr std::size_t kMaxModelLines = 300;

std::string describe(const PassInput& input) {
  return "srvseen " + std::to_string(input.srvseen) + " answer [" + input.answer + "] log [" +
         input.log + "] current [" + input.current + "]";
}

void check_answer_split(const std::string& answer) {
  lumari::core::LineList listData;
  const std::string rest = listData.append_pieces(answer, ';');
  const auto pieces = reference::split_answer(answer);
  require(listData.size() == pieces.size(), "the answer splits into its pieces", answer);
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    require(listData[i] == pieces[i], "a piece is the text between two separators", answer);
    joined += pieces[i];
    joined += ';';
  }
  require(rest.find(';') == std::string::npos, "the rest holds no separator", answer);
  require(joined + rest == answer, "pieces and rest make up the answer", answer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [flags, rest] = fuzz::take_flags(fuzz::as_text(data, size));
  const auto parts = fuzz::split_parts(rest, 3);
  PassInput input;
  input.srvseen = (flags & 1) != 0;
  input.answer = std::string(parts[0]);
  input.log = std::string(parts[1]);
  input.current = std::string(parts[2]);

  check_answer_split(input.answer);

  const PassOutput indexed = run_indexed_pass(input);
  // What the pass writes is whole lines, each read back as itself.
  require(reference::join_entries(reference::file_entries(indexed.log)) == indexed.log,
          "the order log is written as whole lines", describe(input));
  require(reference::join_entries(reference::file_entries(indexed.current)) == indexed.current,
          "the current-order file is written as whole lines", describe(input));
  // The order log only grows: what it held stays in front, unchanged.
  const std::string kept_log = reference::join_entries(reference::file_entries(input.log));
  require(indexed.log.compare(0, kept_log.size(), kept_log) == 0,
          "the order log keeps its lines in front", describe(input));

  const std::size_t lines = reference::split_answer(input.answer).size() +
                            reference::file_entries(input.log).size() +
                            reference::file_entries(input.current).size();
  if (lines > kMaxModelLines) return 0;
  const PassOutput expected = run_reference_pass(input);
  require(indexed.log == expected.log, "order log as the reference model writes it",
          describe(input));
  require(indexed.current == expected.current, "current orders as the reference model writes them",
          describe(input));
  require(indexed.srvseen == expected.srvseen, "srvseen as the reference model leaves it",
          describe(input));
  return 0;
}
