// The exchange files shared with the MT4 side, the hidden fetcher window that
// holds them during a cycle, and the start-of-run work on the current-order file.
#include <iterator>
#include <memory>
#include <unordered_set>
#include <utility>

#include "settings/exchange_folder.h"
#include "shell/app.h"
#include "shell/data_folder.h"
#include "sync/order_record.h"
#include "sync/pass_cache.h"
#include "sync/reconcile.h"
#include "text/file_io.h"
#include "text/lenient_number.h"
#include "text/line_file.h"

namespace lumari::core {

namespace {

// Lines of 0 or 1 characters in an exchange file are not entries.
constexpr std::size_t kShortestEntry = 2;

enum class Loaded { Ok, Missing, Unreadable };

// A missing file is an empty one; a file that exists but cannot be read is not,
// since writing back the lists would then lose what it holds. bytes, when
// given, views the file's bytes as the list keeps them.
Loaded load_exchange_file(const std::string& path, LineList& list,
                          std::string_view* bytes_read = nullptr) {
  auto bytes = read_file(path);
  if (!bytes) return file_exists(path) ? Loaded::Unreadable : Loaded::Missing;
  const std::string_view kept = list.append_file_lines(std::move(bytes).value(), kShortestEntry);
  if (bytes_read != nullptr) *bytes_read = kept;
  return Loaded::Ok;
}

// Adds the lines whose version is not yet among the kept ones. While the order
// log cannot be written the kept versions grow with every new one the service
// sends; past the state's limit the oldest go first, so that a long outage of the
// exchange folder cannot exhaust memory and the latest versions survive it.
void keep_unsaved(SyncState& sync, std::vector<std::string> lines) {
  std::vector<std::string>& kept = sync.unsaved_log_lines;
  std::unordered_set<std::string> known;
  for (const auto& line : kept) known.insert(version_key(ParseLogLine(line)));
  for (auto& line : lines) {
    if (known.insert(version_key(ParseLogLine(line))).second) kept.push_back(std::move(line));
  }
  std::size_t bytes = 0;
  auto first_kept = kept.end();
  while (first_kept != kept.begin() &&
         bytes + std::prev(first_kept)->size() <= sync.unsaved_limit_bytes) {
    --first_kept;
    bytes += first_kept->size();
  }
  kept.erase(kept.begin(), first_kept);
}

// Without an MT4 folder the exchange files have no place: their bare names would
// address the program's working folder, where no MT4 side reads them.
bool exchange_folder_known(const Session& session) { return !session.main.exchange_folder.empty(); }

}  // namespace

void App::load_fetcher_window() {
  if (session_.fetcher.loaded) return;
  session_.fetcher.loaded = true;
  frmFetcher_Form_Load();
}

void App::frmFetcher_Form_Load() {
  const std::string date_file = data_file(kDateFile);
  std::string last_line;
  if (const auto lines = read_lines(date_file); lines && !lines->empty()) last_line = lines->back();
  const std::string date_text = sign_blank_text(session_.loginDate);
  if (last_line != date_text) (void)write_lines(date_file, {date_text});
  // The first complete pass rebuilds the current-order file from the order log.
  session_.sync.pass_cache.clear();
  // When that fails the emptying is retried before the next pass reads the file,
  // and until it succeeds the pass does not merge into the stale content.
  session_.sync.current_orders_unemptied =
      !exchange_folder_known(session_) || !replace_file(exchange_file(kCurrentOrderFile), "");
}

void App::LoadOrderLists() {
  FetcherWindowState& fetcher = session_.fetcher;
  session_.tddata = fetcher.listData.append_pieces(std::move(session_.tddata), ';');

  const std::string& folder = session_.main.exchange_folder;
  if (!folder_exists(folder)) {
    // The versions wait in memory until the folder is there.
    keep_unsaved(session_.sync, server_lines_as_log_lines(fetcher.listData, session_.sync.srvseen));
    last_cycle_.saved = false;
    last_cycle_.problem = folder.empty() ? "no MT4 folder set" : "MT4 folder not found: " + folder;
    fetcher.listData.clear();
    return;
  }
  bool& unemptied = session_.sync.current_orders_unemptied;
  if (unemptied) unemptied = !replace_file(exchange_file(kCurrentOrderFile), "");

  const std::string log_path = exchange_file(kOrderLogFile);
  const std::string current_path = exchange_file(kCurrentOrderFile);
  PassCache& cache = session_.sync.pass_cache;
  FilesSeen seen;
  // An order log byte for byte as the last pass wrote it is not parsed again.
  const KnownLog known_log = cache.take_known_log(log_path, current_path, fetcher.lumarilog);
  seen.log_known = known_log == KnownLog::Taken;
  Loaded log = Loaded::Ok;
  if (known_log == KnownLog::NotKnown) {
    log = load_exchange_file(log_path, fetcher.lumarilog, &seen.log);
  } else if (known_log == KnownLog::ReadFailed) {
    // Read once, as any file of the cycle: a failed read is not tried again.
    log = file_exists(log_path) ? Loaded::Unreadable : Loaded::Missing;
  }
  seen.log_exists = log == Loaded::Ok;
  fetcher.sysord.clear();
  (void)load_exchange_file(exchange_file(kSystemOrderFile), fetcher.sysord);
  const Loaded current = unemptied
                             ? Loaded::Missing
                             : load_exchange_file(current_path, fetcher.ServerOrd, &seen.current);
  seen.current_exists = current == Loaded::Ok;

  std::vector<std::string> received =
      server_lines_as_log_lines(fetcher.listData, session_.sync.srvseen);
  if (log == Loaded::Unreadable || current == Loaded::Unreadable) {
    // Without the file's content the pass would write back less than there is;
    // the versions of this answer wait in memory for a pass that can read it.
    keep_unsaved(session_.sync, std::move(received));
    cache.clear();
    last_cycle_.saved = false;
    last_cycle_.problem =
        std::string("cannot read ") +
        std::string(log == Loaded::Unreadable ? kOrderLogFile : kCurrentOrderFile);
    fetcher.ServerOrd.clear();
    fetcher.listData.clear();
    fetcher.lumarilog.clear();
    return;
  }

  // Versions that earlier passes could not save come first: they arrived first.
  std::vector<std::string> versions = std::move(session_.sync.unsaved_log_lines);
  session_.sync.unsaved_log_lines.clear();
  versions.insert(versions.end(), std::make_move_iterator(received.begin()),
                  std::make_move_iterator(received.end()));

  std::shared_ptr<PassIndex> known = cache.take_index(seen);
  const SyncResult synced =
      known ? SyncOrdersKnown(std::move(known), versions, fetcher.lumarilog, fetcher.ServerOrd)
            : SyncOrders(versions, fetcher.lumarilog, fetcher.ServerOrd);
  RefreshOrders(synced, fetcher.lumarilog, fetcher.ServerOrd);
  cache.seen = seen;
  SaveOrderFiles(synced);
}

void App::SaveOrderFiles(const SyncResult& synced) {
  FetcherWindowState& fetcher = session_.fetcher;
  last_cycle_.new_versions = synced.new_versions;
  last_cycle_.log_lines = fetcher.lumarilog.size();
  last_cycle_.current_orders = fetcher.ServerOrd.size();

  PassCache& cache = session_.sync.pass_cache;
  const FilesSeen seen = std::exchange(cache.seen, FilesSeen{});
  const std::string log_path = exchange_file(kOrderLogFile);
  const std::string current_path = exchange_file(kCurrentOrderFile);
  // A file whose content the pass leaves as it is on disk is not written again.
  std::string current_text = fetcher.ServerOrd.to_crlf_text();
  const bool current_same = seen.current_exists && seen.current == current_text;
  const bool log_same =
      synced.new_versions == 0 &&
      (seen.log_known || (seen.log_exists && is_crlf_text_of(seen.log, fetcher.lumarilog.lines(),
                                                             fetcher.lumarilog.size())));
  // The order log goes first: every line the current-order file ever offers the
  // MT4 side is then in the log on disk already, and a program killed between
  // the two writes leaves only the current-order file behind, which the next
  // pass rebuilds from the log.
  const Status log = log_same ? ok() : replace_file_lines(log_path, fetcher.lumarilog.lines());
  const Status current = current_same ? ok() : replace_file(current_path, current_text);
  if (current && log && reusable(*synced.index)) {
    cache.keep(log_path, current_path, fetcher.lumarilog, std::move(current_text), synced.index);
  } else {
    cache.clear();
  }
  if (log) {
    session_.counterLumarilog += static_cast<std::int64_t>(synced.new_versions);
  } else {
    // The order log kept its old content whole; the versions this pass added
    // stay in memory and go into the log with the next pass.
    std::vector<std::string> added;
    for (std::size_t i = synced.log_lines_loaded; i < fetcher.lumarilog.size(); ++i) {
      added.emplace_back(fetcher.lumarilog[i]);
    }
    keep_unsaved(session_.sync, std::move(added));
  }
  session_.sync.current_orders_unsaved = !current;
  if (current) session_.sync.current_orders_unemptied = false;
  if (!current || !log) {
    last_cycle_.saved = false;
    last_cycle_.problem = (!log ? log : current).error().message;
  }

  fetcher.ServerOrd.clear();
  fetcher.listData.clear();
  fetcher.lumarilog.clear();
}

}  // namespace lumari::core
