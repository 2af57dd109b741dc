#include "sync/pass_cache.h"

#include <utility>

#include "text/file_io.h"

namespace lumari::core {

KnownLog PassCache::take_known_log(const std::string& log_path, const std::string& current_path,
                                   LineList& lumarilog) {
  if (!index_ || log_path != log_path_ || current_path != current_path_) {
    clear();
    return KnownLog::NotKnown;
  }
  // The MT4 side may have changed the file in any way, an edit of equal length
  // included: only the bytes themselves tell.
  const Result<bool> same = file_holds_lines(log_path, log_.lines());
  if (!same || !*same) {
    clear();
    return same ? KnownLog::NotKnown : KnownLog::ReadFailed;
  }
  lumarilog.swap(log_);
  log_.clear();
  log_taken_ = true;
  return KnownLog::Taken;
}

std::shared_ptr<PassIndex> PassCache::take_index(const FilesSeen& files) {
  std::shared_ptr<PassIndex> index;
  if (log_taken_ && files.log_known && files.current_exists && files.current == current_) {
    index = std::move(index_);
  }
  clear();
  return index;
}

void PassCache::keep(std::string log_path, std::string current_path, LineList& log,
                     std::string current, std::shared_ptr<PassIndex> index) {
  log_path_ = std::move(log_path);
  current_path_ = std::move(current_path);
  log_.clear();
  log_.swap(log);
  current_ = std::move(current);
  index_ = std::move(index);
  log_taken_ = false;
}

void PassCache::clear() {
  log_path_.clear();
  current_path_.clear();
  log_.clear();
  current_.clear();
  current_.shrink_to_fit();
  index_.reset();
  log_taken_ = false;
}

}  // namespace lumari::core
