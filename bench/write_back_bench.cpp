// What a run costs on the sample installation, and what writing the hive back once per run saves
// against flushing every changed key. Compare the times within one run of this program.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_installation.h"
#include "investigate.h"
#include "offline/offline_system.h"
#include "registry.h"
#include "registry_run.h"
#include "sample_installation.h"

namespace {

using namespace harnlode;

void AnalysisRun(benchmark::State& state) {
  const bench::BenchInstallation sample(MakeSampleInstallation);
  OfflineSystem system(sample.Folder());
  bench::NoLog log;
  for (auto _ : state) {
    RunReadinessCheck(log, system, true);
  }
}
BENCHMARK(AnalysisRun)->Unit(benchmark::kMillisecond);

// Writes the two values of every USB service, as a tuning run of the sample does; `lazy` false
// flushes each key when it is closed.
void WriteEveryService(TargetSystem& system, bool lazy) {
  RegistryRun run(system, true);
  for (const char* control_set : {"ControlSet001", "ControlSet002"}) {
    for (const std::string& service : UsbServiceNames) {
      TRegistry key(run.Registry());
      key.SetRoot(kHkeyLocalMachine);
      key.SetLazyWrite(lazy);
      key.OpenPath(std::string("SYSTEM\\") + control_set + "\\Services\\" + service, true);
      key.WriteText("Group", "System Reserved");
      key.WriteNumber("Start", 0);
    }
  }
}

void TuningWrites(benchmark::State& state) {
  const bool once_per_run = state.range(0) != 0;
  const bench::BenchInstallation sample(MakeSampleInstallation);
  OfflineSystem system(sample.Folder());
  for (auto _ : state) {
    state.PauseTiming();
    sample.Restore();
    state.ResumeTiming();
    WriteEveryService(system, once_per_run);
  }
  state.SetLabel(once_per_run ? "one write-back per run" : "a write-back per key");
}
BENCHMARK(TuningWrites)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
