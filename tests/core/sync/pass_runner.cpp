#include "pass_runner.h"

#include "reference_model.h"
#include "sync/line_list.h"
#include "sync/reconcile.h"

namespace lumari::test {

namespace {
// Exchange-file lines shorter than this are not entries.
constexpr std::size_t kShortestEntry = 2;
}  // namespace

PassOutput run_indexed_pass(const PassInput& input) {
  core::LineList listData;
  core::LineList lumarilog;
  core::LineList ServerOrd;
  (void)listData.append_pieces(input.answer, ';');
  lumarilog.append_file_lines(input.log, kShortestEntry);
  ServerOrd.append_file_lines(input.current, kShortestEntry);

  PassOutput output;
  output.srvseen = input.srvseen;
  const std::vector<std::string> received =
      core::server_lines_as_log_lines(listData, output.srvseen);
  const core::SyncResult synced = core::SyncOrders(received, lumarilog, ServerOrd);
  core::RefreshOrders(synced, lumarilog, ServerOrd);
  output.log = lumarilog.to_crlf_text();
  output.current = ServerOrd.to_crlf_text();
  return output;
}

PassOutput run_reference_pass(const PassInput& input) {
  reference::FetcherLists lists;
  lists.listData = reference::split_answer(input.answer);
  lists.lumarilog = reference::file_entries(input.log);
  lists.ServerOrd = reference::file_entries(input.current);
  PassOutput output;
  output.srvseen = input.srvseen;
  reference::SyncOrders(lists, output.srvseen);
  output.log = reference::join_entries(lists.lumarilog);
  output.current = reference::join_entries(lists.ServerOrd);
  return output;
}

std::string crlf(const std::vector<std::string>& lines) { return reference::join_entries(lines); }

std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find("\r\n");
    if (end == std::string_view::npos) {
      lines.emplace_back(text);
      break;
    }
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end + 2);
  }
  return lines;
}

}  // namespace lumari::test
