// harnlode-check: the boot readiness report for scripts and batch use.
//   harnlode-check [--tune [--boot-driver-flags]] WINDOWS_FOLDER
//                                   (on Windows: harnlode-check [--tune [--boot-driver-flags]])
// Writes the report to standard output; exits 0 when the system is ready to start from USB,
// 1 when it is not, 2 on any failure, whose message goes to standard error.
#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "check_platform.h"
#include "failure_text.h"
#include "investigate.h"
#include "program_options.h"
#include "target_system.h"

namespace {

using namespace harnlode;

constexpr int kReady = 0;
constexpr int kNotReady = 1;
constexpr int kFailed = 2;

constexpr const char* kTuneOptionHelp =
    "\n"
    "  --tune     also write every registry value that is not as wanted\n"
    "  --boot-driver-flags\n"
    "             with --tune, also set what Windows 7 to 11 need to start from USB: the USB\n"
    "             bits of BootDriverFlags, and on Windows 7 the wait for the boot disk\n";
constexpr const char* kExitStatusHelp =
    "\n"
    "Exit status: 0 ready, 1 not ready, 2 failure (its message on standard error).\n";

// Writes each appended text to standard output as it comes, so that a failure leaves the report
// so far in place.
class ConsoleLog final : public TLogOwner {
 public:
  ConsoleLog(TargetSystem& system, bool sets_boot_driver_flags)
      : system_(system), sets_boot_driver_flags_(sets_boot_driver_flags) {}
  void LogLine(const std::string& text) override {
    std::cout << text << '\n' << std::flush;
    last_ = text;
  }
  // The system's warnings are written with the failures, after the run, whether it ended or
  // failed (WriteWarnings); the other notes belong to the report.
  void LogNote(const std::string& note) override {
    const std::vector<std::string> warnings = system_.Warnings();
    // As the window shows a note: a line of the log, which ends in its own line feed.
    if (std::find(warnings.begin(), warnings.end(), note) == warnings.end()) {
      std::cout << note << "\n\n" << std::flush;
    }
  }
  bool SetsBootDriverFlags() const override { return sets_boot_driver_flags_; }
  // The verdict, which the notes after it leave the last line of the report proper.
  const std::string& Last() const { return last_; }

 private:
  TargetSystem& system_;
  bool sets_boot_driver_flags_;
  std::string last_;
};

int Fail(const std::string& message) {
  std::cerr << "harnlode-check: " << message << '\n';
  return kFailed;
}

// On standard error, so that the report stays as the window shows it.
void WriteWarnings(TargetSystem& system) {
  for (const std::string& warning : system.Warnings()) std::cerr << "Warning: " << warning << '\n';
}

// The message as the window's error box would show it, as the last line; before it, what the
// system, if there is one, can tell about why it could not be written.
int FailedRun(const std::exception& failure, TargetSystem* system) {
  if (system != nullptr) WriteWarnings(*system);
  const std::string explanation = system ? system->WriteRefusalExplanation() : "";
  if (!explanation.empty()) std::cerr << explanation << '\n';
  std::cerr << ErrorBoxText(failure, system) << '\n';
  return kFailed;
}

int Check(int argc, char** argv) {
  const ProgramArguments arguments =
      ReadProgramArguments({argv + 1, argv + argc}, {"--tune", "--boot-driver-flags"});
  if (arguments.answer == ProgramArguments::Answer::kHelp) {
    std::cout << kCheckSynopsis << kTuneOptionHelp << kAnswerOptionsHelp << kExitStatusHelp;
    return 0;
  }
  if (arguments.answer == ProgramArguments::Answer::kVersion) {
    std::cout << VersionLine("harnlode-check");
    return 0;
  }
  if (!arguments.unknown_option.empty()) {
    return Fail("unknown option \"" + arguments.unknown_option +
                "\". Run harnlode-check --help for usage.");
  }
  if (arguments.operands.size() > 1) {
    return Fail("give only one WINDOWS_FOLDER. Run harnlode-check --help for usage.");
  }
  const auto given = [&](std::string_view option) {
    return std::find(arguments.options.begin(), arguments.options.end(), option) !=
           arguments.options.end();
  };
  const bool tune = given("--tune");
  const bool boot_driver_flags = given("--boot-driver-flags");
  if (boot_driver_flags && !tune) {
    return Fail(
        "--boot-driver-flags changes the registry, so it goes with --tune. Run harnlode-check "
        "--help for usage.");
  }
  const std::vector<std::string>& folders = arguments.operands;

  std::unique_ptr<TargetSystem> system;
  try {
    CommandLineTarget target = TargetFromCommandLine("harnlode-check", folders);
    if (!target.problem.empty()) return Fail(target.problem);
    if (!target.system) {
      return Fail(
          "give the WINDOWS_FOLDER where the Windows volume is mounted. Run "
          "harnlode-check --help for usage.");
    }
    system = std::move(target.system);
    UseTargetSystem use(*system);
    ConsoleLog log(*system, boot_driver_flags);
    log.LogLine(tune ? kTuneStartLine : kAnalyzeStartLine);
    RunReadinessCheck(log, !tune);
    WriteWarnings(*system);
    return log.Last() == kReadyVerdict ? kReady : kNotReady;
  } catch (const std::exception& failure) {
    return FailedRun(failure, system.get());
  }
}

}  // namespace

int main(int argc, char** argv) {
  return WithReportOutput([&] { return Check(argc, argv); });
}
