// One fetch cycle over exchange files of growing size: the application's cycle
// (answer cut at ";", three files read, the indexed pass, two files written),
// the same file work around the reference model, and the file work alone.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "order_data.h"
#include "reference_model.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "support/temp_folder.h"
#include "sync/line_list.h"
#include "sync/reconcile.h"
#include "text/file_io.h"

namespace lumari::bench {
namespace {

namespace fs = std::filesystem;

// Puts the exchange files back as they were before the cycle, outside the timing.
void restore_files(benchmark::State& state, const std::string& folder, const OrderData& data) {
  state.PauseTiming();
  test::write_bytes(fs::path(folder) / core::kOrderLogFile, data.log);
  test::write_bytes(fs::path(folder) / core::kCurrentOrderFile, data.current);
  state.ResumeTiming();
}

// An exchange folder of its own, and the paths of its three files.
struct ExchangeFolder {
  test::TempFolder folder;
  const std::string path = folder.path().string();
  const std::string log = folder.file(core::kOrderLogFile);
  const std::string current = folder.file(core::kCurrentOrderFile);
  const std::string system = folder.file(core::kSystemOrderFile);
};

void label(benchmark::State& state, const OrderData& data) {
  state.counters["log_MB"] = static_cast<double>(data.log.size()) / 1e6;
}

// The cycle as the program runs it: FetchTradeData on an App whose web port
// returns the answer, over real files in a temporary folder.
void BM_CycleIndexed(benchmark::State& state) {
  const OrderData& data = order_data(static_cast<std::size_t>(state.range(0)));
  test::AppHarness harness;
  harness.start();
  harness.web.answer_always("/GetTD.do", data.answer);
  for (auto _ : state) {
    restore_files(state, harness.exchange_folder, data);
    harness.session().sync.srvseen = true;
    harness.app->FetchTradeData();
    const core::CycleReport& report = harness.app->last_cycle();
    if (!report.saved || report.new_versions != data.new_versions) {
      state.SkipWithError("the cycle did not save the expected versions");
      break;
    }
  }
  label(state, data);
}

// The same file work, with the pass done by the reference model.
void BM_CycleReference(benchmark::State& state) {
  const OrderData& data = order_data(static_cast<std::size_t>(state.range(0)));
  const ExchangeFolder files;
  for (auto _ : state) {
    restore_files(state, files.path, data);
    test::reference::FetcherLists lists;
    lists.listData = test::reference::split_answer(data.answer);
    if (auto bytes = core::read_file(files.log))
      lists.lumarilog = test::reference::file_entries(*bytes);
    if (auto bytes = core::read_file(files.system)) benchmark::DoNotOptimize(bytes->size());
    if (auto bytes = core::read_file(files.current)) {
      lists.ServerOrd = test::reference::file_entries(*bytes);
    }
    bool srvseen = true;
    test::reference::SyncOrders(lists, srvseen);
    const bool saved =
        core::replace_file(files.current, test::reference::join_entries(lists.ServerOrd)) &&
        core::replace_file(files.log, test::reference::join_entries(lists.lumarilog));
    if (!saved) {
      state.SkipWithError("cannot write the exchange files");
      break;
    }
  }
  label(state, data);
}

// The floor: the three files read and two written back, no other work.
void BM_FileFloor(benchmark::State& state) {
  const OrderData& data = order_data(static_cast<std::size_t>(state.range(0)));
  const ExchangeFolder files;
  for (auto _ : state) {
    restore_files(state, files.path, data);
    auto log = core::read_file(files.log);
    auto system = core::read_file(files.system);
    auto current = core::read_file(files.current);
    benchmark::DoNotOptimize(system);
    if (!log || !current || !core::replace_file(files.current, *current) ||
        !core::replace_file(files.log, *log)) {
      state.SkipWithError("cannot read or write the exchange files");
      break;
    }
  }
  label(state, data);
}

// The pass alone, in memory: the indexed pass as the cycle calls it.
void BM_PassIndexed(benchmark::State& state) {
  const OrderData& data = order_data(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    core::LineList listData;
    core::LineList lumarilog;
    core::LineList ServerOrd;
    (void)listData.append_pieces(data.answer, ';');
    lumarilog.append_file_lines(data.log, 2);
    ServerOrd.append_file_lines(data.current, 2);
    bool srvseen = true;
    const auto received = core::server_lines_as_log_lines(listData, srvseen);
    const core::SyncResult synced = core::SyncOrders(received, lumarilog, ServerOrd);
    core::RefreshOrders(synced, lumarilog, ServerOrd);
    benchmark::DoNotOptimize(ServerOrd.size());
  }
  label(state, data);
}

// The pass alone, in memory: the reference model.
void BM_PassReference(benchmark::State& state) {
  const OrderData& data = order_data(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    test::reference::FetcherLists lists;
    lists.listData = test::reference::split_answer(data.answer);
    lists.lumarilog = test::reference::file_entries(data.log);
    lists.ServerOrd = test::reference::file_entries(data.current);
    bool srvseen = true;
    test::reference::SyncOrders(lists, srvseen);
    benchmark::DoNotOptimize(lists.ServerOrd.size());
  }
  label(state, data);
}

constexpr int kSmall = 1000;
constexpr int kLimit = 32767;
constexpr int kLarge = 1000000;

BENCHMARK(BM_FileFloor)
    ->Arg(kSmall)
    ->Arg(kLimit)
    ->Arg(kLarge)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_CycleIndexed)
    ->Arg(kSmall)
    ->Arg(kLimit)
    ->Arg(kLarge)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// The reference model compares every current order with every log line: about
// 33 million parses at 32,767 lines, a thousand million at 1,000,000, which is
// out of reach; it runs at the two smaller sizes only.
BENCHMARK(BM_CycleReference)->Arg(kSmall)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CycleReference)
    ->Arg(kLimit)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK(BM_PassIndexed)
    ->Arg(kSmall)
    ->Arg(kLimit)
    ->Arg(kLarge)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PassReference)->Arg(kSmall)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PassReference)
    ->Arg(kLimit)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace
}  // namespace lumari::bench

BENCHMARK_MAIN();
