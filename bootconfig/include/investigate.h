// The boot readiness check: whether the USB driver services load early enough for Windows to
// start from a USB disk, and, on request, the tuning that makes them do so.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "run_report.h"

namespace harnlode {

class RegistryRun;
class TargetSystem;

using ControlSetTable = std::array<std::string, 3>;
using ServiceTable = std::array<std::string, 6>;

extern const ControlSetTable ControlSetNames;
extern const ServiceTable UsbServiceNames;

// What the check wants of every service, and the names of the values that hold it.
inline constexpr std::int32_t kWantedStart = 0;
inline constexpr const char* kStartValueName = "Start";
inline constexpr const char* kWantedGroup = "System Reserved";
inline constexpr const char* kGroupValueName = "Group";

// The line that a run appends first, by mode.
extern const std::string kAnalyzeStartLine;
extern const std::string kTuneStartLine;

// The last line of a run, which tells its verdict.
extern const std::string kReadyVerdict;
extern const std::string kNotReadyVerdict;

// What a run does beyond the six services: with `set_boot_driver_flags`, a tuning run also sets
// what Windows 7 and later need of BootDriverFlags and the wait for the boot disk; `notes` gets
// what follows the verdict.
struct UsbStartRequest {
  bool set_boot_driver_flags = false;
  std::vector<std::string> notes;
};

// Owns a log that only ever grows. The check writes its report there, one text at a time.
class TLogOwner {
 public:
  virtual ~TLogOwner() = default;

  // Appends the text as a new last line of the log.
  virtual void LogLine(const std::string& text) = 0;

  // Reports the load group and start type of every service in every control set of the run's
  // system, tests the USB mass-storage driver file, appends the verdict and returns it; unless
  // `AnalyzeOnly`, writes every value that differs from the wanted one. Registry failures
  // (ERegistryException) end the run. With `usb_start`, also looks past the six services before
  // the write-back (usb_start_check.h) and leaves the notes that follow the verdict there.
  Verdict InvestigateRegistry(RegistryRun& run, ControlSetTable ControlSets, ServiceTable Services,
                              std::int32_t StartValue, const std::string& StartValueName,
                              const std::string& GroupValue, const std::string& GroupValueName,
                              bool AnalyzeOnly, UsbStartRequest* usb_start = nullptr);
};

// The check as both buttons of the window and the console run it: appends the mode's start line,
// then runs InvestigateRegistry on `system` with the tables and the wanted values, Analyze
// without changing anything, and the USB start check, which sets BootDriverFlags when
// `set_boot_driver_flags` in a tuning run. Returns the run's report, whose notes are the caller's
// to show. A failure that ends the run travels on as EFailedRun, with the report so far.
RunReport RunReadinessCheck(TLogOwner& log_owner, TargetSystem& system, bool analyze_only,
                            bool set_boot_driver_flags = false);

}  // namespace harnlode
