// The reference model's own copy of the two exchange files, fed the same
// answers as the program, to say what the files must hold after each cycle.
#pragma once

#include <string_view>
#include <utility>

#include "exchange_checks.h"

namespace lumari::test {

/// True when an answer goes on to the list loader: not an idle or forced-logout
/// answer (markers at characters 3 to 5) and not an error page.
[[nodiscard]] bool reaches_loader(std::string_view answer);

class ModelFiles {
 public:
  /// Starts from the files as they are and whether a server line was parsed
  /// earlier in the run.
  explicit ModelFiles(ExchangeBytes start = {}, bool srvseen = false)
      : files_(std::move(start)), srvseen_(srvseen) {}

  /// One cycle with this answer: a pass when it reaches the loader, else nothing.
  void cycle(std::string_view answer);

  [[nodiscard]] const ExchangeBytes& files() const { return files_; }
  [[nodiscard]] bool srvseen() const { return srvseen_; }

 private:
  ExchangeBytes files_;
  bool srvseen_;
};

}  // namespace lumari::test
