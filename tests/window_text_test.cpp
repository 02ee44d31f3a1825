// What both windows show without any toolkit: the text that LogLine appends to the log, and the
// error box's text for a failure.
#include <gtest/gtest.h>

#include <stdexcept>

#include "collecting_log.h"
#include "expected_texts.h"
#include "failure_message.h"
#include "memory_system.h"
#include "report_text.h"
#include "run_report.h"
#include "silent_abort.h"
#include "usb_form.h"
#include "usb_handlers.h"

namespace harnlode::testing {
namespace {

struct Append {
  const char* log;
  const char* text;
  const char* appendix;
};

// A line break is CR LF; a lone LF or CR, as messages carry them, ends no line.
TEST(LogLineAppendix, StartsTheTextOnALineOfItsOwn) {
  for (const Append& row : {
           Append{"", "Analysing...\n\n", "Analysing...\n\n\r\n"},
           Append{"instructions\r\n", "line", "line\r\n"},
           Append{"typed by the user", "line", "\r\nline"},
           Append{"report\n", "line", "\r\nline"},
           Append{"report\r", "line", "\r\nline"},
           Append{"\r\n\r\n", "", "\r\n"},
       }) {
    EXPECT_EQ(form::LogLineAppendix(form::EndsLine(row.log), row.text), row.appendix) << row.log;
  }
}

// The pages at the form's size: the frame, the splitter bar and the strip take the rest.
TEST(LayOutPane, GivesThePagesTheirSizeAtTheDesignResolution) {
  for (const auto& [pane, page] : {std::pair{form::kUpperPane, expected::kUpperPage},
                                   std::pair{form::kLowerPane, expected::kLowerPage}}) {
    const form::Rect laid_out = form::LayOutPane({form::kClientSize.width, pane.height}).page;
    EXPECT_EQ(laid_out.width, page.width) << pane.name;
    EXPECT_EQ(laid_out.height, page.height) << pane.name;
  }
}

std::optional<std::string> MessageFor(auto failure) {
  return FailureMessage(std::make_exception_ptr(failure));
}

TEST(FailureMessage, AddsAPeriodAfterALastCharacterAboveThePeriod) {
  for (const expected::BoxText& row : expected::kClosingPeriodRows) {
    EXPECT_EQ(MessageFor(std::runtime_error(row.message)), row.shown) << row.message;
  }
  EXPECT_EQ(MessageFor(EAbort()), std::nullopt);
  EXPECT_EQ(MessageFor(42), "An unexpected failure ended the action.");
}

// A failed run's report: the message with those kept beside it, the period rule, and the
// explanation after an empty line; the notes go to the log instead.
TEST(FailureMessage, ShowsAFailedRunsReport) {
  RunReport report;
  report.notes = {"A note for the log"};
  report.failure = RunFailure{expected::SetDataFailed("Group"), {"The save failed"}, ""};
  const auto shown = [&] {
    try {
      throw std::runtime_error(report.failure->message);
    } catch (const std::exception&) {
      return FailureMessage(std::make_exception_ptr(EFailedRun(report)));
    }
  };
  EXPECT_EQ(shown(), expected::SetDataFailed("Group") + "\nThe save failed.");
  report.failure->kept.clear();
  report.failure->explanation = "Harnlode needs administrator rights.";
  EXPECT_EQ(shown(), expected::SetDataFailed("Group") + "\n\nHarnlode needs administrator rights.");
}

// The console writes the same report to standard error: the notes as warnings, then the
// explanation before the failure, as its last line.
TEST(ConsoleErrorText, PutsTheNotesFirstAndTheFailureLast) {
  RunReport report;
  report.notes = {"A file was left alone."};
  EXPECT_EQ(ConsoleErrorText(report), "Warning: A file was left alone.\n");
  report.failure = RunFailure{expected::SetDataFailed("Group"), {"The save failed"}, "Why."};
  EXPECT_EQ(ConsoleErrorText(report), "Warning: A file was left alone.\nWhy.\n" +
                                          expected::SetDataFailed("Group") +
                                          "\nThe save failed.\n");
}

class NotingSystem final : public TargetSystem {
 public:
  RegistryStore& Registry() override { return memory.Registry(); }
  bool IsFile(const std::string& path) override { return memory.IsFile(path); }
  std::vector<std::string> Notes() override { return {"A file was left alone."}; }

  MemorySystem memory;
};

// Both windows show a run's notes in the log after its report, whether it ended or failed.
TEST(RunCheck, LogsTheNotesAfterARunThatEndedOrFailed) {
  NotingSystem system;
  CollectingLog log;
  form::RunCheck(log, system, true);
  EXPECT_EQ(log.lines, (std::vector<std::string>{expected::kAnalyzeStart, expected::kDriverMissing,
                                                 expected::kCopyDriver, expected::kNotReady,
                                                 "A file was left alone.\n"}));
  system.memory.Memory().AddKey("SYSTEM\\ControlSet001\\Services\\usbccgp");  // without Start
  log.lines.clear();
  EXPECT_THROW(form::RunCheck(log, system, true), EFailedRun);
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{expected::kAnalyzeStart, "A file was left alone.\n"}));
}

}  // namespace
}  // namespace harnlode::testing
