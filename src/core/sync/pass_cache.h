// What the last complete pass wrote, kept so that a cycle that finds both
// exchange files byte for byte as written need not parse the order log again,
// and a pass that changes nothing writes nothing.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "sync/line_list.h"

namespace lumari::core {

class PassIndex;

/// What the load of one cycle found in the two files the pass writes.
struct FilesSeen {
  bool log_known = false;   ///< the order log holds exactly the cached lines
  bool log_exists = false;  ///< the order log was read
  std::string_view log;     ///< the order log's bytes as read, when not known
  bool current_exists = false;
  std::string_view current;  ///< the current-order file's bytes as read
};

/// How the order log compared with the cached one.
enum class KnownLog {
  Taken,       ///< byte for byte as written: its lines were taken from the cache
  NotKnown,    ///< no cache for these files, or the file differs
  ReadFailed,  ///< the file could not be read
};

class PassCache {
 public:
  /// Moves the lines of the last pass's order log into lumarilog when the cache
  /// is for these two files and the order log holds exactly those lines.
  /// Otherwise the cache is emptied and lumarilog left as it is.
  [[nodiscard]] KnownLog take_known_log(const std::string& log_path,
                                        const std::string& current_path, LineList& lumarilog);
  /// The index of the last pass when the current-order file's bytes are what it
  /// wrote and its order log was taken by take_known_log; otherwise the cache
  /// is emptied and the result is null.
  [[nodiscard]] std::shared_ptr<PassIndex> take_index(const FilesSeen& seen);

  /// Keeps a pass whose two files now hold the order log's lines (taken from
  /// log, which is left empty) and the current-order bytes.
  void keep(std::string log_path, std::string current_path, LineList& log, std::string current,
            std::shared_ptr<PassIndex> index);
  void clear();

  FilesSeen seen;  ///< what the running cycle's load found

 private:
  std::string log_path_;
  std::string current_path_;
  LineList log_;         // the order log's lines as written
  std::string current_;  // the current-order file's bytes as written
  std::shared_ptr<PassIndex> index_;
  bool log_taken_ = false;
};

}  // namespace lumari::core
