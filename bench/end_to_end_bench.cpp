// Two polling cycles end to end, as a user with a long order log meets them: a
// fresh App whose fetch brings 50 new versions twice over an order log of N lines
// and 20,000 current orders, then a tick whose answer holds only versions
// already logged. Each is set against a floor taken in the same run: copying the
// two exchange files twice. The cycles run in a child process of their own, so
// that its peak memory is theirs alone.
//
//   end_to_end_bench [--runs R] [--sync] [N ...]   (default: 3 runs at 32767 200000 1000000)
//
// --sync flushes every written file to disk, in the program and in the floor alike.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "order_data.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "support/temp_folder.h"
#include "text/file_io.h"

namespace {

namespace fs = std::filesystem;
using lumari::bench::version_line;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kOrders = 20000;
constexpr std::size_t kNewPerCycle = 50;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

bool sync_file(std::FILE* file) { return fsync(fileno(file)) == 0; }

std::string answer_of(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += "\n" + line + ";";
  return text;
}

// The order log, the current-order file it leads to and the three answers.
void prepare(const fs::path& folder, std::size_t lines) {
  std::string log;
  log.reserve(lines * 90);
  std::vector<std::size_t> latest(kOrders, 0);
  for (std::size_t i = 0; i < lines; ++i) {
    latest[i % kOrders] = i;
    log += version_line(i % kOrders, i) + "\r\n";
  }
  lumari::test::write_bytes(folder / lumari::core::kOrderLogFile, log);
  log.clear();
  log.shrink_to_fit();
  std::string current;
  for (std::size_t order = 0; order < kOrders && order < lines; ++order) {
    current += version_line(order, latest[order]) + "\r\n";
  }
  lumari::test::write_bytes(folder / lumari::core::kCurrentOrderFile, current);
  std::vector<std::string> first, second, known;
  for (std::size_t k = 0; k < kNewPerCycle; ++k) {
    first.push_back(version_line(k * 7 % kOrders, lines + k));
    second.push_back(version_line(k * 11 % kOrders, lines + kNewPerCycle + k));
    known.push_back(second.back());
  }
  lumari::test::write_bytes(folder / "answer1", answer_of(first));
  lumari::test::write_bytes(folder / "answer2", answer_of(second));
  lumari::test::write_bytes(folder / "answer3", answer_of(known));
}

// Copying the two exchange files twice: each read whole and written whole to a
// file of its own.
double copy_floor(const fs::path& folder, bool sync) {
  const auto start = Clock::now();
  for (int round = 0; round < 2; ++round) {
    for (const std::string_view name :
         {lumari::core::kOrderLogFile, lumari::core::kCurrentOrderFile}) {
      const auto bytes = lumari::core::read_file((folder / name).string());
      std::FILE* out = std::fopen((folder / (std::string(name) + ".copy")).string().c_str(), "wb");
      if (!bytes || out == nullptr) std::abort();
      std::fwrite(bytes->data(), 1, bytes->size(), out);
      std::fflush(out);
      if (sync) sync_file(out);
      std::fclose(out);
    }
  }
  return seconds_since(start);
}

struct ChildResult {
  double cycle1 = 0, cycle2 = 0, known = 0, known_cpu = 0;
  int known_writes = 0;
  bool ok = false;
};

// In the child: the two cycles and the tick of known versions on a fresh App.
int run_child(const fs::path& folder, bool sync) {
  if (sync) lumari::core::set_file_sync(&sync_file);
  lumari::test::AppHarness harness;
  harness.start();
  for (const std::string_view name :
       {lumari::core::kOrderLogFile, lumari::core::kCurrentOrderFile}) {
    fs::copy_file(folder / name, fs::path(harness.exchange_folder) / name);
  }
  for (const char* name : {"answer1", "answer2", "answer3"}) {
    harness.web.answer("/GetTD.do", lumari::test::read_bytes(folder / name));
  }
  harness.session().sync.srvseen = true;
  ChildResult r;
  bool ok = true;
  const auto cycle = [&](std::size_t expected_new) {
    const auto start = Clock::now();
    harness.app->FetchTradeData();
    const double took = seconds_since(start);
    const auto& report = harness.app->last_cycle();
    ok = ok && report.saved && report.new_versions == expected_new;
    return took;
  };
  r.cycle1 = cycle(kNewPerCycle);
  r.cycle2 = cycle(kNewPerCycle);
  int writes = 0;
  lumari::core::set_file_fault_hook([&writes](lumari::core::FileOp op, const std::string&) {
    if (op == lumari::core::FileOp::Write || op == lumari::core::FileOp::Rename) ++writes;
    return false;
  });
  const double cpu = cpu_seconds();
  r.known = cycle(0);
  r.known_cpu = cpu_seconds() - cpu;
  lumari::core::set_file_fault_hook(nullptr);
  r.known_writes = writes;
  r.ok = ok;
  std::printf("%.6f %.6f %.6f %.6f %d %d\n", r.cycle1, r.cycle2, r.known, r.known_cpu,
              r.known_writes, r.ok ? 1 : 0);
  return r.ok ? 0 : 1;
}

struct RunResult {
  double floor = 0;
  ChildResult child;
  double peak_mb = 0;
};

RunResult run_once(const fs::path& folder, bool sync) {
  RunResult run;
  run.floor = copy_floor(folder, sync);
  int out[2];
  if (pipe(out) != 0) std::abort();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    const std::string dir = folder.string();
    execl("/proc/self/exe", "end_to_end_bench", "--child", dir.c_str(), sync ? "1" : "0",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char text[256] = {};
  std::size_t got = 0;
  for (ssize_t n; (n = read(out[0], text + got, sizeof text - 1 - got)) > 0;) got += n;
  close(out[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  int ok = 0;
  if (std::sscanf(text, "%lf %lf %lf %lf %d %d", &run.child.cycle1, &run.child.cycle2,
                  &run.child.known, &run.child.known_cpu, &run.child.known_writes, &ok) != 6) {
    std::fprintf(stderr, "the child failed: %s\n", text);
    std::exit(1);
  }
  run.child.ok = ok == 1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return run;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--child") {
    return run_child(argv[2], std::string(argv[3]) == "1");
  }
  int runs = 3;
  bool sync = false;
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
    } else if (arg == "--sync") {
      sync = true;
    } else {
      sizes.push_back(std::strtoull(arg.c_str(), nullptr, 10));
    }
  }
  if (sizes.empty()) sizes = {32767, 200000, 1000000};

  std::printf("%s; medians of %d runs, each ratio against the floor of its own run\n",
              sync ? "files flushed to disk" : "files not flushed to disk", runs);
  std::printf(
      "| log lines | log MB | copy floor ms | cycle 1 ms | cycle 2 ms | 2 cycles / floor | "
      "known tick ms | known tick CPU ms | writes in known tick | peak MB | "
      "peak / log |\n|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const std::size_t lines : sizes) {
    const lumari::test::TempFolder folder;
    prepare(folder.path(), lines);
    const double log_mb =
        static_cast<double>(fs::file_size(folder.path() / lumari::core::kOrderLogFile)) / 1e6;
    std::vector<double> floors, first, second, ratios, known, known_cpu, peaks;
    int writes = 0;
    bool ok = true;
    for (int r = 0; r < runs; ++r) {
      const RunResult run = run_once(folder.path(), sync);
      floors.push_back(run.floor * 1e3);
      first.push_back(run.child.cycle1 * 1e3);
      second.push_back(run.child.cycle2 * 1e3);
      ratios.push_back((run.child.cycle1 + run.child.cycle2) / run.floor);
      known.push_back(run.child.known * 1e3);
      known_cpu.push_back(run.child.known_cpu * 1e3);
      peaks.push_back(run.peak_mb);
      writes = std::max(writes, run.child.known_writes);
      ok = ok && run.child.ok;
    }
    std::printf("| %zu | %.1f | %.1f | %.1f | %.1f | %.2f | %.1f | %.1f | %d | %.0f | %.2f |%s\n",
                lines, log_mb, median(floors), median(first), median(second), median(ratios),
                median(known), median(known_cpu), writes, median(peaks), median(peaks) / log_mb,
                ok ? "" : " (a cycle did not save what it should)");
    std::fflush(stdout);
  }
  return 0;
}
