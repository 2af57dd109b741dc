#include "fault.h"

#include <array>
#include <charconv>

namespace lumari::demo {
namespace {

struct Named {
  FaultKind kind;
  std::string_view name;
};

constexpr std::array<Named, 9> kNames{{
    {FaultKind::kNone, "none"},
    {FaultKind::kHang, "hang"},
    {FaultKind::kErrorPage, "error-page"},
    {FaultKind::kTruncated, "truncated"},
    {FaultKind::kHuge, "huge"},
    {FaultKind::kReset, "reset"},
    {FaultKind::kTrickle, "trickle"},
    {FaultKind::kEmpty, "empty"},
    {FaultKind::kRedirectLoop, "redirect-loop"},
}};

constexpr std::string_view kDelayPrefix = "delay:";
constexpr int kMaxDelayMs = 3'600'000;

}  // namespace

core::Result<Fault> parse_fault(std::string_view text) {
  for (const auto& named : kNames) {
    if (text == named.name) return Fault{named.kind, 0};
  }
  if (text.substr(0, kDelayPrefix.size()) == kDelayPrefix) {
    const auto digits = text.substr(kDelayPrefix.size());
    int ms = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), ms);
    if (error == std::errc{} && end == digits.data() + digits.size() && !digits.empty() &&
        ms >= 0 && ms <= kMaxDelayMs) {
      return Fault{FaultKind::kDelay, ms};
    }
    return core::fail("delay needs a number of milliseconds from 0 to 3600000");
  }
  return core::fail("unknown fault mode \"" + std::string(text) +
                    "\" (none, delay:<ms>, hang, error-page, truncated, huge, reset, trickle, "
                    "empty, redirect-loop)");
}

std::string fault_text(const Fault& fault) {
  if (fault.kind == FaultKind::kDelay) return "delay:" + std::to_string(fault.delay_ms);
  for (const auto& named : kNames) {
    if (named.kind == fault.kind) return std::string(named.name);
  }
  return "none";
}

FaultSwitch::FaultSwitch(Fault standing, bool all_requests)
    : standing_(standing), all_requests_(all_requests) {}

void FaultSwitch::set(const Fault& fault, std::optional<int> count) {
  std::lock_guard lock(mutex_);
  if (count) {
    counted_ = fault;
    remaining_ = *count;
  } else {
    standing_ = fault;
    remaining_ = 0;
  }
}

Fault FaultSwitch::take(bool order_request) {
  std::lock_guard lock(mutex_);
  if (!order_request && !all_requests_) return {};
  if (remaining_ > 0) {
    --remaining_;
    return counted_;
  }
  return standing_;
}

}  // namespace lumari::demo
