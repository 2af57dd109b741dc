// Makes chosen file operations of the core fail, counting every operation the
// core asks for through the file layer's test seam, and records what it did.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "text/file_io.h"

namespace lumari::test {

/// Which operations to refuse, by their 1-based number since the plan was armed.
class FaultPlan {
 public:
  /// Refuses nothing.
  [[nodiscard]] static FaultPlan none() { return FaultPlan(0, 0); }
  /// Refuses operation n only.
  [[nodiscard]] static FaultPlan only(std::size_t n) { return FaultPlan(n, 1); }
  /// Refuses operation n and every later one.
  [[nodiscard]] static FaultPlan from(std::size_t n) { return FaultPlan(n, kEvery); }
  /// Refuses operation n and the count - 1 after it.
  [[nodiscard]] static FaultPlan burst(std::size_t n, std::size_t count) {
    return FaultPlan(n, count);
  }

  [[nodiscard]] bool refuses(std::size_t number) const {
    return first_ != 0 && number >= first_ && number - first_ < count_;
  }
  [[nodiscard]] std::string describe() const;

 private:
  static constexpr std::size_t kEvery = static_cast<std::size_t>(-1);
  FaultPlan(std::size_t first, std::size_t count) : first_(first), count_(count) {}
  std::size_t first_;
  std::size_t count_;
};

/// One file operation the core asked for.
struct FileCall {
  core::FileOp op;
  std::string path;
  bool refused = false;
};

[[nodiscard]] const char* op_name(core::FileOp op);

/// Installs itself as the core's file fault hook for its lifetime; one at a time.
class FaultInjector {
 public:
  FaultInjector();
  ~FaultInjector();
  FaultInjector(const FaultInjector&) = delete;
  FaultInjector& operator=(const FaultInjector&) = delete;

  /// Forgets the calls so far and refuses by the plan from now on.
  void arm(FaultPlan plan);
  /// Forgets the calls so far and refuses whatever the function says (given the
  /// operation's 1-based number); for random faults.
  void arm(std::function<bool(std::size_t number, core::FileOp op, const std::string& path)> pick);
  /// Refuses nothing from now on; the calls are kept.
  void disarm();

  [[nodiscard]] const std::vector<FileCall>& calls() const { return calls_; }
  /// True when an operation of that kind on a file of that name was refused.
  [[nodiscard]] bool refused(core::FileOp op, std::string_view file_name) const;
  /// The calls as "Read Lumari.log, Write Lumari.log.tmp*, ..." (* = refused).
  [[nodiscard]] std::string describe_calls() const;

  /// The bytes each target file was about to receive at its last rename that
  /// was let through, by file name: what a replace put in place.
  [[nodiscard]] const std::map<std::string, std::string>& renamed_bytes() const {
    return renamed_bytes_;
  }

 private:
  bool on_call(core::FileOp op, const std::string& path);

  std::function<bool(std::size_t, core::FileOp, const std::string&)> pick_;
  std::vector<FileCall> calls_;
  std::map<std::string, std::string> renamed_bytes_;
};

}  // namespace lumari::test
