// The boot readiness check: whether the USB driver services load early enough for Windows to
// start from a USB disk, and, on request, the tuning that makes them do so.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace harnlode {

using ControlSetTable = std::array<std::string, 3>;
using ServiceTable = std::array<std::string, 6>;

extern const ControlSetTable ControlSetNames;
extern const ServiceTable UsbServiceNames;

// What the check wants of every service, and the names of the values that hold it.
inline constexpr std::int32_t kWantedStart = 0;
inline constexpr const char* kStartValueName = "Start";
inline constexpr const char* kWantedGroup = "System Reserved";
inline constexpr const char* kGroupValueName = "Group";

// The line that the caller appends before a run, by mode.
extern const std::string kAnalyzeStartLine;
extern const std::string kTuneStartLine;

// The last line of a run, which tells its verdict.
extern const std::string kReadyVerdict;
extern const std::string kNotReadyVerdict;

// Owns a log that only ever grows. The check writes its report there, one text at a time.
class TLogOwner {
 public:
  virtual ~TLogOwner() = default;

  // Appends the text as a new last line of the log.
  virtual void LogLine(const std::string& text) = 0;

  // Tells what the run found beside its report (TargetSystem::Warnings), one sentence or more
  // without a line end, after the verdict; by default as a line of the log.
  virtual void LogNote(const std::string& note) { LogLine(note + "\n"); }

  // Whether a tuning run also sets what Windows 7 and later need of BootDriverFlags and the wait
  // for the boot disk (usb_start_check.h); the window's Tune does not.
  virtual bool SetsBootDriverFlags() const { return false; }

  // Reports the load group and start type of every service in every control set, tests the USB
  // mass-storage driver file and appends the verdict; unless `AnalyzeOnly`, writes every value
  // that differs from the wanted one. Registry failures (ERegistryException) end the run.
  void InvestigateRegistry(ControlSetTable ControlSets, ServiceTable Services,
                           std::int32_t StartValue, const std::string& StartValueName,
                           const std::string& GroupValue, const std::string& GroupValueName,
                           bool AnalyzeOnly);
};

// The check as both buttons of the window run it, without their start line: on the control sets
// and services of the tables, for the wanted values.
void RunReadinessCheck(TLogOwner& log_owner, bool analyze_only);

}  // namespace harnlode
