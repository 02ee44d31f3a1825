// What both windows show without any toolkit: the text that LogLine appends to the log, and the
// error box's text for a failure.
#include <gtest/gtest.h>

#include <stdexcept>

#include "failure_message.h"
#include "memory_system.h"
#include "silent_abort.h"
#include "target_system.h"
#include "usb_form.h"

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

class RefusingSystem final : public TargetSystem {
 public:
  RegistryStore& Registry() override { return system_.Registry(); }
  bool IsFile(const std::string& path) override { return system_.IsFile(path); }
  std::string WriteRefusalExplanation() override { return "Harnlode needs administrator rights."; }

 private:
  MemorySystem system_;
};

std::optional<std::string> MessageFor(auto failure) {
  return FailureMessage(std::make_exception_ptr(failure));
}

TEST(FailureMessage, ShowsTheTextWithThePeriodRuleAndTheSystemsExplanation) {
  EXPECT_EQ(MessageFor(EAbort()), std::nullopt);
  EXPECT_EQ(MessageFor(std::runtime_error("Fehler beim Holen der Daten für 'Start'")),
            "Fehler beim Holen der Daten für 'Start'");
  EXPECT_EQ(MessageFor(std::runtime_error("No access")), "No access.");
  EXPECT_EQ(MessageFor(42), "An unexpected failure ended the action.");

  RefusingSystem system;
  const UseTargetSystem use(system);
  EXPECT_EQ(MessageFor(std::runtime_error("Fehler 'Start'")),
            "Fehler 'Start'\n\nHarnlode needs administrator rights.");
}

}  // namespace
}  // namespace harnlode::testing
