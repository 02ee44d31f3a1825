// What one run of the check told: the lines it appended, its verdict, the notes beside them and,
// when a failure ended it, that failure with what the system could tell about it. Every front end
// shows a run from this alone (report_text.h), so that the windows and the console say the same.
#pragma once

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace harnlode {

enum class Verdict { kReady, kNotReady };

struct RunFailure {
  std::string message;  // the failure's own, as raised
  // The failures that could not be raised because this one was ending the run, such as a
  // write-back that failed while the run was unwound.
  std::vector<std::string> kept;
  // Why the registry could not be written, when the run was refused the rights to write and the
  // system can tell, in English sentences that say what to do; empty otherwise.
  std::string explanation;
};

struct RunReport {
  std::vector<std::string> lines;  // every text appended to the log, the start line first
  std::optional<Verdict> verdict;  // none when a failure ended the run
  // What the run, ended or failed, found that its user should know beside the report, such as
  // files it left alone: English sentences, one per entry.
  std::vector<std::string> notes;
  std::optional<RunFailure> failure;
  // What the run told after its verdict of what else the system needs to start from USB, such as
  // Windows 7 to 11's BootDriverFlags: part of the report proper, shown before `notes`.
  std::vector<std::string> usb_start_notes;
};

// How a failure that ended a run travels to the error display: the failure as raised (an
// ERegistryException, an EInstallationError, ...) stays nested, and its message is this one's,
// while the run's report comes with it.
class EFailedRun : public std::runtime_error, public std::nested_exception {
 public:
  // Made while the failure is being handled, whose report `report` is.
  explicit EFailedRun(RunReport report)
      : std::runtime_error(report.failure ? report.failure->message : std::string()),
        report_(std::move(report)) {}

  const RunReport& Report() const { return report_; }

 private:
  RunReport report_;
};

// The report of a failure raised outside any run, such as one of opening an installation.
inline RunReport ReportOfFailure(const std::exception& failure) {
  RunReport report;
  report.failure = RunFailure{failure.what(), {}, {}};
  return report;
}

}  // namespace harnlode
