// Runs on generated SYSTEM hives of real sizes against the hivex floor measured in the same
// program: an analysis against opening read-only and reading the values, a tuning run that
// changes all 36 values against one write-mode open, 36 sets and one atomic write-back. Compare
// each run with its floor of the same size; the counter write_backs is per run.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "bench_installation.h"
#include "hivex_floor.h"
#include "investigate.h"
#include "offline/offline_system.h"
#include "system_hive_generator.h"

namespace {

using namespace harnlode;
namespace fs = std::filesystem;

const bench::BenchInstallation& InstallationOf(std::int64_t mib) {
  static std::map<std::int64_t, std::unique_ptr<bench::BenchInstallation>> made;
  auto& installation = made[mib];
  if (!installation) {
    installation = std::make_unique<bench::BenchInstallation>(
        [mib](const fs::path& folder) { MakeGeneratedInstallation(folder, mib << 20); });
  }
  return *installation;
}

// The hive's primary sequence number, which every write-back advances by one.
std::uint32_t HiveSequence(const fs::path& folder) {
  std::ifstream in(bench::SystemHiveOf(folder), std::ios::binary);
  std::array<unsigned char, 4> bytes{};
  in.seekg(4);
  in.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t{bytes[3]} << 24;
}

// Runs as harnlode-check does them, each from opening the installation, a tuning run on the hive
// as it was made; the counter write_backs is per run.
void Runs(benchmark::State& state, bool analyze_only) {
  const bench::BenchInstallation& installation = InstallationOf(state.range(0));
  std::uint64_t write_backs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (!analyze_only) installation.Restore();
    const std::uint32_t sequence = HiveSequence(installation.Folder());
    state.ResumeTiming();
    OfflineSystem system(installation.Folder());
    bench::NoLog log;
    RunReadinessCheck(log, system, analyze_only);
    state.PauseTiming();
    write_backs += HiveSequence(installation.Folder()) - sequence;
    state.ResumeTiming();
  }
  state.counters["write_backs"] =
      benchmark::Counter(static_cast<double>(write_backs), benchmark::Counter::kAvgIterations);
}

void AnalysisRun(benchmark::State& state) { Runs(state, true); }

void AnalysisFloor(benchmark::State& state) {
  const bench::BenchInstallation& installation = InstallationOf(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(bench::ReadWithHivex(bench::SystemHiveOf(installation.Folder())));
  }
}

void TuningRun(benchmark::State& state) { Runs(state, false); }

void TuningFloor(benchmark::State& state) {
  const bench::BenchInstallation& installation = InstallationOf(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    installation.Restore();
    state.ResumeTiming();
    benchmark::DoNotOptimize(bench::TuneWithHivex(bench::SystemHiveOf(installation.Folder())));
  }
}

// Sizes in MiB of real SYSTEM hives: small, usual, large.
void Sizes(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgName("MiB")->Arg(8)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond);
}

BENCHMARK(AnalysisFloor)->Apply(Sizes);
BENCHMARK(AnalysisRun)->Apply(Sizes);
BENCHMARK(TuningFloor)->Apply(Sizes);
BENCHMARK(TuningRun)->Apply(Sizes);

}  // namespace
