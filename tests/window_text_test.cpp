// What both windows show without any toolkit: the text that LogLine appends to the log, and the
// error box's text for a failure.
#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "failure_message.h"
#include "form_drawing.h"
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

struct Caption {
  form::Rgb background;
  form::Rgb preferred;
  form::Rgb shown;
};

// The desktop's text colour where it reads with ease on what it is drawn on, else black or white.
TEST(ReadableTextColour, KeepsTheDesktopsColourOnlyWhereItReads) {
  constexpr form::Rgb kBlack{0, 0, 0};
  constexpr form::Rgb kWhite{255, 255, 255};
  constexpr form::Rgb kGrey{0x80, 0x80, 0x80};
  for (const Caption& row : {
           Caption{kWhite, kBlack, kBlack},
           Caption{form::olive::kButtonHover, kWhite, kBlack},  // a dark palette on the hot fill
           Caption{kWhite, kGrey, kBlack},                      // a contrast of 3.9 only
           Caption{kBlack, kGrey, kGrey},
           Caption{{0x20, 0x20, 0x20}, kBlack, kWhite},
       }) {
    const form::Rgb shown = form::ReadableTextColour(row.background, row.preferred);
    EXPECT_EQ(std::tie(shown.red, shown.green, shown.blue),
              std::tie(row.shown.red, row.shown.green, row.shown.blue))
        << int{row.preferred.red} << " on " << int{row.background.red};
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
