#include "hive_properties.h"

#include <hivex.h>

#include <fstream>
#include <iterator>
#include <optional>

#include "installation_error.h"
#include "investigate.h"
#include "offline/hive_location.h"
#include "offline/offline_system.h"
#include "run_report.h"

namespace harnlode {
namespace {

class SilentLog final : public TLogOwner {
 public:
  void LogLine(const std::string&) override {}
};

enum class Outcome { kEnded, kFailed };

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

Outcome Run(const std::filesystem::path& folder, bool analyze_only,
            std::optional<Verdict>* verdict) {
  try {
    OfflineSystem system(folder);
    SilentLog log;
    *verdict = RunReadinessCheck(log, system, analyze_only).verdict;
    return Outcome::kEnded;
  } catch (const EInstallationError&) {
  } catch (const EFailedRun&) {
  }
  return Outcome::kFailed;
}

bool OpensAsHive(const std::filesystem::path& file) {
  hive_h* hive = hivex_open(file.c_str(), 0);
  if (hive == nullptr) return false;
  hivex_close(hive);
  return true;
}

}  // namespace

std::string CheckHiveProperties(const std::filesystem::path& folder, const std::string& hive) {
  const std::filesystem::path file = folder / kSystemHivePath;
  if (!(std::ofstream(file, std::ios::binary | std::ios::trunc) << hive)) {
    return "the hive can be written for the trial";
  }
  std::optional<Verdict> verdict;
  Run(folder, true, &verdict);
  if (ReadFile(file) != hive) return "an analysis run leaves the hive as it was";

  if (Run(folder, false, &verdict) == Outcome::kEnded) {
    if (!OpensAsHive(file)) return "a finished tuning run leaves a hive";
    if (Run(folder, true, &verdict) != Outcome::kEnded || verdict != Verdict::kReady) {
      return "a finished tuning run leaves the system ready";
    }
  } else if (ReadFile(file) != hive && !OpensAsHive(file)) {
    return "a failed tuning run leaves the old hive or one that opens";
  }
  return "";
}

}  // namespace harnlode
