#include "fault_injector.h"

#include <filesystem>
#include <utility>

#include "support/temp_folder.h"

namespace lumari::test {

namespace fs = std::filesystem;

std::string FaultPlan::describe() const {
  if (first_ == 0) return "no fault";
  if (count_ == 1) return "operation " + std::to_string(first_) + " refused";
  if (count_ == kEvery) return "operations " + std::to_string(first_) + " on refused";
  return "operations " + std::to_string(first_) + " to " + std::to_string(first_ + count_ - 1) +
         " refused";
}

const char* op_name(core::FileOp op) {
  switch (op) {
    case core::FileOp::Read: return "Read";
    case core::FileOp::Write: return "Write";
    case core::FileOp::Rename: return "Rename";
    case core::FileOp::Append: return "Append";
    case core::FileOp::Remove: return "Remove";
    case core::FileOp::CreateDirectory: return "CreateDirectory";
  }
  return "?";
}

FaultInjector::FaultInjector() {
  core::set_file_fault_hook(
      [this](core::FileOp op, const std::string& path) { return on_call(op, path); });
}

FaultInjector::~FaultInjector() { core::set_file_fault_hook(nullptr); }

void FaultInjector::arm(FaultPlan plan) {
  arm([plan](std::size_t number, core::FileOp, const std::string&) {
    return plan.refuses(number);
  });
}

void FaultInjector::arm(
    std::function<bool(std::size_t number, core::FileOp op, const std::string& path)> pick) {
  calls_.clear();
  renamed_bytes_.clear();
  pick_ = std::move(pick);
}

void FaultInjector::disarm() { pick_ = nullptr; }

bool FaultInjector::on_call(core::FileOp op, const std::string& path) {
  const bool refuse = pick_ && pick_(calls_.size() + 1, op, path);
  calls_.push_back({op, path, refuse});
  if (op == core::FileOp::Rename && !refuse) {
    // The file written last is the one about to be renamed over the target.
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it) {
      if (it->op == core::FileOp::Write && !it->refused) {
        renamed_bytes_[fs::path(path).filename().string()] = read_bytes(it->path);
        break;
      }
    }
  }
  return refuse;
}

bool FaultInjector::refused(core::FileOp op, std::string_view file_name) const {
  for (const auto& call : calls_) {
    if (call.refused && call.op == op && fs::path(call.path).filename() == file_name) return true;
  }
  return false;
}

std::string FaultInjector::describe_calls() const {
  std::string text;
  for (const auto& call : calls_) {
    if (!text.empty()) text += ", ";
    text += op_name(call.op);
    text += ' ';
    text += fs::path(call.path).filename().string();
    if (call.refused) text += '*';
  }
  return text;
}

}  // namespace lumari::test
