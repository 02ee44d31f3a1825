// The one renderer of a run's report (run_report.h) for the three places that show it: the
// window's log, the error box and the console's standard error.
#pragma once

#include <string>
#include <vector>

#include "run_report.h"

namespace harnlode {

// The text with a period added when it is not empty and its last character's code is above that
// of "." (46): a message ending in a letter, digit, "?" or ":" gets one; one ending in ".", "!",
// ")" or a quote mark does not.
std::string WithClosingPeriod(std::string text);

// The failure's message, followed by each of the failures kept beside it, one per line.
std::string FailureText(const RunFailure& failure);

// The texts that follow the verdict on standard output as in the log: each USB start note as a
// line.
std::vector<std::string> UsbStartNoteLines(const RunReport& report);

// The texts that the log gets after the run's own lines, ended or failed: UsbStartNoteLines,
// then each note as a line.
std::vector<std::string> NoteLines(const RunReport& report);

// The error box's text for a failed run: FailureText with the closing-period rule, then, after an
// empty line, the explanation, when there is one. Empty when the run did not fail.
std::string ErrorBoxText(const RunReport& report);

// What the console writes to standard error after the run: each note as a warning, then, for a
// failed run, the explanation, when there is one, and the failure as the error box shows it, each
// ending a line.
std::string ConsoleErrorText(const RunReport& report);

}  // namespace harnlode
