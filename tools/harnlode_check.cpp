// harnlode-check: the boot readiness report for scripts and batch use.
//   harnlode-check [--tune [--boot-driver-flags]] WINDOWS_FOLDER
//                                   (on Windows: harnlode-check [--tune [--boot-driver-flags]])
// Writes the report to standard output; exits 0 when the system is ready to start from USB,
// 1 when it is not, 2 on any failure, whose message goes to standard error.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "check_platform.h"
#include "investigate.h"
#include "program_options.h"
#include "report_text.h"
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

// Why standard output took no more, as a message; "" while it takes everything.
std::string OutputFailure(int error) {
  if (std::cout) return "";
  return "The report cannot be written to standard output (" +
         std::string(std::strerror(error != 0 ? error : EIO)) +
         "), so harnlode-check stopped there. Send the report where it can be written, then run "
         "again.";
}

// Writes each appended text to standard output as it comes, so that a failure leaves the report
// so far in place. A report that cannot be written ends the run there: what it would do unseen,
// a tuning run does not do.
class ConsoleLog final : public TLogOwner {
 public:
  void LogLine(const std::string& text) override {
    errno = 0;
    std::cout << text << '\n' << std::flush;
    if (const std::string failure = OutputFailure(errno); !failure.empty()) {
      throw std::runtime_error(failure);
    }
  }
};

int Fail(const std::string& message) {
  std::cerr << "harnlode-check: " << message << '\n';
  return kFailed;
}

// What follows the verdict about a USB start belongs to the report, on standard output as the
// window shows it; the notes and any failure go to standard error.
int Reported(TLogOwner& log, const RunReport& report) {
  std::string unwritten;  // a report that standard output does not take, told last
  try {
    for (const std::string& line : UsbStartNoteLines(report)) log.LogLine(line);
  } catch (const std::exception& failure) {
    unwritten = failure.what();
  }
  std::cerr << ConsoleErrorText(report);
  if (!unwritten.empty()) return Fail(unwritten);
  if (report.failure) return kFailed;
  return report.verdict == Verdict::kReady ? kReady : kNotReady;
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

  ConsoleLog log;
  try {
    const CommandLineTarget target = TargetFromCommandLine("harnlode-check", folders);
    if (!target.problem.empty()) return Fail(target.problem);
    if (!target.system) {
      return Fail(
          "give the WINDOWS_FOLDER where the Windows volume is mounted. Run "
          "harnlode-check --help for usage.");
    }
    return Reported(log, RunReadinessCheck(log, *target.system, !tune, boot_driver_flags));
  } catch (const EFailedRun& failed) {
    return Reported(log, failed.Report());
  } catch (const std::exception& failure) {
    return Reported(log, ReportOfFailure(failure));
  }
}

}  // namespace

int main(int argc, char** argv) {
  return WithReportOutput([&] {
    const int status = Check(argc, argv);
    errno = 0;
    std::cout.flush();
    const std::string failure = OutputFailure(errno);
    if (failure.empty() || status == kFailed) return status;
    std::cerr << failure << '\n';
    return kFailed;
  });
}
