#include "usb_handlers.h"

#include "report_text.h"

namespace harnlode::form {
namespace {

void LogNotes(TLogOwner& log_owner, const RunReport& report) {
  for (const std::string& line : NoteLines(report)) log_owner.LogLine(line);
}

}  // namespace

void RunCheck(TLogOwner& log_owner, TargetSystem& system, bool analyze_only) {
  try {
    LogNotes(log_owner, RunReadinessCheck(log_owner, system, analyze_only));
  } catch (const EFailedRun& failed) {
    LogNotes(log_owner, failed.Report());
    throw;
  }
}

}  // namespace harnlode::form
