// What a run costs on the sample installation, and what writing the hive back once per run saves
// against flushing every changed key. Compare the times within one run of this program.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "investigate.h"
#include "offline/offline_system.h"
#include "registry.h"
#include "sample_installation.h"

namespace {

using namespace harnlode;
namespace fs = std::filesystem;

class NoLog final : public TLogOwner {
 public:
  void LogLine(const std::string&) override {}
};

// A sample installation in a temporary folder, with a pristine copy of its hive to start from.
class Sample {
 public:
  Sample() {
    std::string pattern = (fs::temp_directory_path() / "harnlode-bench-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    MakeSampleInstallation(folder_);
    fs::copy_file(Hive(), folder_ / "pristine");
  }
  ~Sample() { fs::remove_all(folder_); }
  fs::path Hive() const { return folder_ / "Windows/System32/config/SYSTEM"; }
  void Reset() const {
    fs::copy_file(folder_ / "pristine", Hive(), fs::copy_options::overwrite_existing);
  }
  const fs::path& Folder() const { return folder_; }

 private:
  fs::path folder_;
};

void AnalysisRun(benchmark::State& state) {
  Sample sample;
  OfflineSystem system(sample.Folder());
  UseTargetSystem use(system);
  NoLog log;
  for (auto _ : state) {
    log.InvestigateRegistry(ControlSetNames, UsbServiceNames, 0, "Start", "System Reserved",
                            "Group", true);
  }
}
BENCHMARK(AnalysisRun)->Unit(benchmark::kMillisecond);

// Writes the two values of every USB service, as a tuning run of the sample does; `lazy` false
// flushes each key when it is closed.
void WriteEveryService(bool lazy) {
  TRegistry run;
  for (const char* control_set : {"ControlSet001", "ControlSet002"}) {
    for (const std::string& service : UsbServiceNames) {
      TRegistry key;
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
  Sample sample;
  OfflineSystem system(sample.Folder());
  UseTargetSystem use(system);
  for (auto _ : state) {
    state.PauseTiming();
    sample.Reset();
    state.ResumeTiming();
    WriteEveryService(once_per_run);
  }
  state.SetLabel(once_per_run ? "one write-back per run" : "a write-back per key");
}
BENCHMARK(TuningWrites)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
