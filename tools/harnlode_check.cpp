// harnlode-check: the boot readiness report for scripts and batch use.
//   harnlode-check [--tune] WINDOWS_FOLDER     (on Windows: harnlode-check [--tune])
// Writes the report to standard output; exits 0 when the system is ready to start from USB,
// 1 when it is not, 2 on any failure, whose message goes to standard error.
#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
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
    "  --tune     also write every registry value that is not as wanted\n";
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

// The notes and any failure go to standard error, so that the report on standard output stays
// as the window shows it.
int Reported(const RunReport& report) {
  std::cerr << ConsoleErrorText(report);
  if (report.failure) return kFailed;
  return report.verdict == Verdict::kReady ? kReady : kNotReady;
}

int Check(int argc, char** argv) {
  const ProgramArguments arguments = ReadProgramArguments({argv + 1, argv + argc}, {"--tune"});
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
  const bool tune = !arguments.options.empty();
  const std::vector<std::string>& folders = arguments.operands;

  try {
    const CommandLineTarget target = TargetFromCommandLine("harnlode-check", folders);
    if (!target.problem.empty()) return Fail(target.problem);
    if (!target.system) {
      return Fail(
          "give the WINDOWS_FOLDER where the Windows volume is mounted. Run "
          "harnlode-check --help for usage.");
    }
    ConsoleLog log;
    return Reported(RunReadinessCheck(log, *target.system, !tune));
  } catch (const EFailedRun& failed) {
    return Reported(failed.Report());
  } catch (const std::exception& failure) {
    return Reported(ReportOfFailure(failure));
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
