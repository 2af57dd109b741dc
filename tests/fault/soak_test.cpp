// Thousands of polling cycles of the program's logic in-process: the App on
// fake ports (a fake clock moved on six seconds a tick, a web client serving a
// randomized order stream) over real files, with the exchange files compared
// after every cycle with those of the reference model fed the same answers.
//
// CI runs kDefaultCycles cycles. The full soak runs on demand:
//   LUMARI_SOAK_CYCLES=10000 ./file_fault_soak_tests
// and LUMARI_SOAK_SEED=<n> follows another stream (every failure names its seed).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "cycle_run.h"
#include "fault_injector.h"
#include "model_files.h"
#include "order_lines.h"
#include "order_stream.h"
#include "pass_runner.h"
#include "random_cases.h"
#include "sweep_checks.h"

namespace lumari::test {
namespace {

using core::FileOp;

constexpr std::size_t kDefaultCycles = 500;
constexpr std::uint64_t kDefaultSeed = 20261207;
constexpr core::DateTime kFirstTick{2026, 12, 7, 8, 0, 0};

std::size_t soak_cycles() {
  const char* text = std::getenv("LUMARI_SOAK_CYCLES");
  return text ? static_cast<std::size_t>(std::strtoull(text, nullptr, 10)) : kDefaultCycles;
}

std::uint64_t soak_seed() {
  const char* text = std::getenv("LUMARI_SOAK_SEED");
  return text ? std::strtoull(text, nullptr, 10) : kDefaultSeed;
}

// The program and the model side by side, fed the same stream.
struct Soak {
  explicit Soak(std::uint64_t seed) : stream(seed), model(run.files()) {}

  // One tick: the stream's answer goes to the program and to the model.
  void tick() {
    now = add_seconds(now, 6);
    run.h.clock.current = now;
    answer = stream.answer_at(now);
    if (answer) model.cycle(*answer);
    run.tick(answer);
  }

  // A clean orders answer without lines: whatever waits in memory is merged.
  void tick_empty() {
    answer = std::string();
    model.cycle(*answer);
    run.tick(answer);
  }

  // The cycle ended as its answer says: only orders answers reach the loader.
  [[nodiscard]] std::string wrong_kind() const {
    const core::AnswerKind kind = run.last_cycle().kind;
    if (!answer) return kind == core::AnswerKind::NoAnswer ? "" : "a failed request was not seen";
    const bool orders = kind == core::AnswerKind::Orders;
    if (orders == reaches_loader(*answer)) return {};
    return "answer taken for the wrong kind: " + printable(*answer);
  }

  [[nodiscard]] std::string where(std::uint64_t seed, std::size_t cycle) const {
    return "seed " + std::to_string(seed) + " (LUMARI_SOAK_SEED), cycle " + std::to_string(cycle) +
           ", answer " + (answer ? printable(*answer) : "none");
  }

  CycleRun run;
  OrderStream stream;
  ModelFiles model;
  core::DateTime now = kFirstTick;
  core::Result<std::string> answer = std::string();  ///< the last one
};

void report(std::string_view name, std::size_t cycles, std::chrono::steady_clock::duration took,
            const Soak& soak, std::string_view extra = {}) {
  const StreamCounts& c = soak.stream.counts();
  std::cout << "[ soak     ] " << name << ": " << cycles << " cycles in "
            << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms; "
            << lines_of(soak.model.files().log).size() << " log lines, "
            << lines_of(soak.model.files().current).size()
            << " current orders; answers: " << c.orders << " orders, " << c.idle << " idle, "
            << c.error_pages << " error pages, " << c.no_answer << " none, " << c.empty
            << " empty; " << c.opened << " opened, " << c.changed << " changed, " << c.closed
            << " closed, " << c.repeats << " repeats, " << c.short_pieces << " short pieces, "
            << c.garbage << " garbage, " << c.cut_off << " cut off" << extra << "\n";
}

TEST(Soak, EveryCycleWritesWhatTheReferenceModelWrites) {
  const std::uint64_t seed = soak_seed();
  const std::size_t cycles = soak_cycles();
  Soak soak(seed);
  const auto started = std::chrono::steady_clock::now();
  for (std::size_t cycle = 1; cycle <= cycles; ++cycle) {
    soak.tick();
    ASSERT_EQ(soak.wrong_kind(), "") << soak.where(seed, cycle);
    const ExchangeBytes files = soak.run.files();
    ASSERT_EQ(printable(files.log), printable(soak.model.files().log)) << soak.where(seed, cycle);
    ASSERT_EQ(printable(files.current), printable(soak.model.files().current))
        << soak.where(seed, cycle);
    ASSERT_TRUE(soak.run.last_cycle().saved) << soak.run.last_cycle().problem;
    ASSERT_TRUE(soak.run.unsaved().empty()) << soak.where(seed, cycle);
    ASSERT_TRUE(stray_files(soak.run.h.exchange_folder, exchange_file_names()).empty())
        << soak.where(seed, cycle);
  }
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(soak.run.h.session().counterLumarilog,
            static_cast<std::int64_t>(lines_of(soak.model.files().log).size()));
  EXPECT_TRUE(soak.run.h.ui.timer_enabled);
  report("clean", cycles, took, soak);

  // The stream must have exercised every kind of answer and change.
  if (cycles >= kDefaultCycles) {
    const StreamCounts& c = soak.stream.counts();
    for (const std::size_t count :
         {c.orders, c.idle, c.error_pages, c.no_answer, c.empty, c.opened, c.changed, c.closed,
          c.repeats, c.short_pieces, c.garbage, c.cut_off}) {
      EXPECT_GT(count, 0u);
    }
  }
}

// Picks the faults of each cycle: mostly none; sometimes single operations
// refused at random; sometimes a file held by another program for a few
// attempts; now and then an outage of many cycles in which nothing can be
// written (a full disk) or the order log cannot be read.
class RandomFaults {
 public:
  explicit RandomFaults(std::uint64_t seed) : rng_(seed) {}

  void arm_next_cycle(FaultInjector& faults) {
    if (outage_left_ > 0) {
      --outage_left_;
      ++faulty_cycles_;
      const FileOp refused = outage_op_;
      faults.arm([refused](std::size_t, FileOp op, const std::string& path) {
        return op == refused && (refused == FileOp::Write || path.ends_with("Lumari.log"));
      });
      return;
    }
    const std::size_t roll = pick(100);
    if (roll < 2) {
      outage_left_ = 1 + pick(20);
      outage_op_ = pick(2) == 0 ? FileOp::Write : FileOp::Read;
      ++outages_;
      arm_next_cycle(faults);
    } else if (roll < 14) {
      ++faulty_cycles_;
      faults.arm([this](std::size_t, FileOp, const std::string&) { return pick(100) < 30; });
    } else if (roll < 17) {
      ++faulty_cycles_;
      const std::string held = pick(2) == 0 ? "Lumari.log" : "ServerOrder.log";
      faults.arm(
          [held, left = 1 + pick(3)](std::size_t, FileOp op, const std::string& path) mutable {
            if (op != FileOp::Rename || !path.ends_with(held) || left == 0) return false;
            --left;
            return true;
          });
    } else {
      faults.arm(FaultPlan::none());
    }
  }

  [[nodiscard]] std::size_t faulty_cycles() const { return faulty_cycles_; }
  [[nodiscard]] std::size_t outages() const { return outages_; }

 private:
  std::size_t pick(std::size_t n) { return static_cast<std::size_t>(rng_() % n); }

  std::mt19937_64 rng_;
  std::size_t outage_left_ = 0;
  FileOp outage_op_ = FileOp::Write;
  std::size_t faulty_cycles_ = 0;
  std::size_t outages_ = 0;
};

TEST(Soak, RandomFileFaultsLoseNoVersionOnceACleanCycleFollows) {
  const std::uint64_t seed = soak_seed() + 1;
  const std::size_t cycles = soak_cycles();
  Soak soak(seed);
  RandomFaults random_faults(seed * 31 + 7);
  FaultInjector faults;
  std::size_t unsaved_cycles = 0;
  std::size_t caught_up = 0;
  const auto started = std::chrono::steady_clock::now();
  for (std::size_t cycle = 1; cycle <= cycles; ++cycle) {
    const ExchangeBytes before = soak.run.files();
    random_faults.arm_next_cycle(faults);
    soak.tick();
    faults.disarm();
    const ExchangeBytes after = soak.run.files();
    ASSERT_EQ(soak.wrong_kind(), "") << soak.where(seed, cycle);
    ASSERT_EQ(broken_rules(before, after, faults, line_set(soak.model.files().log),
                           soak.run.h.exchange_folder),
              "")
        << soak.where(seed, cycle) << "\n  operations: " << faults.describe_calls();
    ASSERT_TRUE(soak.run.h.ui.timer_enabled);
    if (!soak.run.unsaved().empty()) ++unsaved_cycles;
    // A cycle that saved everything has caught up with the fault-free model.
    if (soak.run.last_cycle().kind == core::AnswerKind::Orders && soak.run.last_cycle().saved) {
      ASSERT_TRUE(soak.run.unsaved().empty()) << soak.where(seed, cycle);
      ASSERT_EQ(differences(after, soak.model.files()), "")
          << soak.where(seed, cycle) << "\n  operations: " << faults.describe_calls();
      ++caught_up;
    }
  }

  soak.tick_empty();
  const ExchangeBytes end = soak.run.files();
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(differences(end, soak.model.files()), "");
  EXPECT_TRUE(soak.run.last_cycle().saved) << soak.run.last_cycle().problem;
  EXPECT_TRUE(soak.run.unsaved().empty());
  EXPECT_TRUE(stray_files(soak.run.h.exchange_folder, exchange_file_names()).empty());
  EXPECT_EQ(soak.run.h.session().counterLumarilog,
            static_cast<std::int64_t>(lines_of(soak.model.files().log).size()));
  report("with random file faults", cycles, took, soak,
         "; " + std::to_string(random_faults.faulty_cycles()) + " cycles with faults, " +
             std::to_string(random_faults.outages()) + " outages, " +
             std::to_string(unsaved_cycles) + " cycles ending with versions waiting, " +
             std::to_string(caught_up) + " caught up with the model; the log ended " +
             (end.log == soak.model.files().log ? "byte-for-byte" : "set-equal only") +
             " as the model's");
  if (cycles >= kDefaultCycles) {
    EXPECT_GT(random_faults.faulty_cycles(), 0u);
    EXPECT_GT(unsaved_cycles, 0u);
  }
}

}  // namespace
}  // namespace lumari::test
