#include "investigate.h"

#include <exception>
#include <vector>

#include "registry.h"
#include "registry_run.h"
#include "target_system.h"
#include "usb_start_check.h"

namespace harnlode {

const ControlSetTable ControlSetNames = {"ControlSet001", "ControlSet002", "ControlSet003"};
const ServiceTable UsbServiceNames = {"usbccgp", "usbehci", "usbhub",
                                      "usbohci", "usbuhci", "usbstor"};

const std::string kAnalyzeStartLine = "Analysing...\n\n";
const std::string kTuneStartLine = "Making configuration, please wait...\n\n";

const std::string kReadyVerdict = "\n\n System is ready to boot from USB device\n";
const std::string kNotReadyVerdict =
    "\n\n System is NOT ready to boot from USB device.\nPress \"Tune\" to proceed.\n";

namespace {

const std::string kDriverDir = "c:\\windows\\system32\\DRIVERS\\";
const std::string kDriverFile = "USBSTOR.SYS";

// Passes every line on to the log and keeps it for the report.
class RecordingLog final : public TLogOwner {
 public:
  RecordingLog(TLogOwner& log, std::vector<std::string>& lines) : log_(log), lines_(lines) {}
  void LogLine(const std::string& text) override {
    lines_.push_back(text);
    log_.LogLine(text);
  }

 private:
  TLogOwner& log_;
  std::vector<std::string>& lines_;
};

}  // namespace

Verdict TLogOwner::InvestigateRegistry(RegistryRun& run, ControlSetTable ControlSets,
                                       ServiceTable Services, std::int32_t StartValue,
                                       const std::string& StartValueName,
                                       const std::string& GroupValue,
                                       const std::string& GroupValueName, bool AnalyzeOnly,
                                       UsbStartRequest* usb_start) {
  bool AllOk = true;
  TRegistry key_test(run.Registry());
  key_test.SetRoot(kHkeyLocalMachine);
  for (const std::string& control_set : ControlSets) {
    if (!key_test.KeyPresent("SYSTEM\\" + control_set)) continue;
    for (const std::string& service : Services) {
      const std::string path = "SYSTEM\\" + control_set + "\\" + "Services\\" + service;
      if (!key_test.KeyPresent(path)) continue;

      TRegistry service_key(run.Registry());
      service_key.SetRoot(kHkeyLocalMachine);
      // Without the rights to write, the open fails and the reads below fail as for a key that
      // is not open; that is the failure the user is shown.
      service_key.OpenPath(path, true);

      const std::string group = service_key.ReadText(GroupValueName);
      const std::int32_t start = service_key.ReadNumber(StartValueName);
      LogLine(path + ": " + group + "," + " " + std::to_string(start) + "\n");

      const std::string group_now = service_key.ReadText(GroupValueName);
      if (group_now.empty() || group_now != GroupValue) {
        AllOk = false;
        if (!AnalyzeOnly) {
          LogLine("Writing: " + GroupValueName + ": " + GroupValue + "\n");
          service_key.WriteText(GroupValueName, GroupValue);
        }
      }

      const std::int32_t start_now = service_key.ReadNumber(StartValueName);
      if (start_now == -1 || start_now != StartValue) {
        AllOk = false;
        if (!AnalyzeOnly) {
          LogLine("Writing: " + StartValueName + ": " + std::to_string(StartValue) + "\n");
          service_key.WriteNumber(StartValueName, StartValue);
        }
      }
    }
  }
  if (usb_start != nullptr) {
    usb_start->notes = CheckUsbStart(*this, run, !AnalyzeOnly && usb_start->set_boot_driver_flags);
  }
  // The values written reach the registry before anything else is reported, so that a run whose
  // changes could not be saved never ends with a verdict.
  run.Finish();

  if (!run.System().IsFile(kDriverDir + kDriverFile)) {
    LogLine(kDriverFile + " not found at " + kDriverDir + "\n");
    LogLine("Copy driver to that directory and system will boot from USB.\n");
    AllOk = false;
    AnalyzeOnly = true;
  }

  const Verdict verdict = AllOk || !AnalyzeOnly ? Verdict::kReady : Verdict::kNotReady;
  LogLine(verdict == Verdict::kReady ? kReadyVerdict : kNotReadyVerdict);
  return verdict;
}

RunReport RunReadinessCheck(TLogOwner& log_owner, TargetSystem& system, bool analyze_only,
                            bool set_boot_driver_flags) {
  RunReport report;
  RecordingLog log(log_owner, report.lines);
  std::vector<std::string> kept;
  try {
    log.LogLine(analyze_only ? kAnalyzeStartLine : kTuneStartLine);
    RegistryRun run(system, !analyze_only, &kept);
    UsbStartRequest usb_start{set_boot_driver_flags, {}};
    report.verdict = log.InvestigateRegistry(run, ControlSetNames, UsbServiceNames, kWantedStart,
                                             kStartValueName, kWantedGroup, kGroupValueName,
                                             analyze_only, &usb_start);
    report.usb_start_notes = std::move(usb_start.notes);
  } catch (const std::exception& failure) {
    report.notes = system.Notes();
    report.failure = RunFailure{failure.what(), std::move(kept), system.WriteRefusalExplanation()};
    throw EFailedRun(std::move(report));
  }
  report.notes = system.Notes();
  return report;
}

}  // namespace harnlode
