// What the program shows, written out once for every suite that checks it: the lines of a report,
// the failure messages, the caption and the page sizes. The suites compare against these, never
// against the program's own constants, so that a constant changed by mistake fails them.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "registry_api.h"

namespace harnlode::testing::expected {

inline const std::string kAnalyzeStart = "Analysing...\n\n";
inline const std::string kTuneStart = "Making configuration, please wait...\n\n";
inline const std::string kReady = "\n\n System is ready to boot from USB device\n";
inline const std::string kNotReady =
    "\n\n System is NOT ready to boot from USB device.\nPress \"Tune\" to proceed.\n";
inline const std::string kWritingGroup = "Writing: Group: System Reserved\n";
inline const std::string kWritingStart = "Writing: Start: 0\n";
inline const std::string kDriverMissing =
    "USBSTOR.SYS not found at c:\\windows\\system32\\DRIVERS\\\n";
inline const std::string kCopyDriver =
    "Copy driver to that directory and system will boot from USB.\n";

inline const std::string kCaption = "Harnlode by Quillmarsh. 7.2";

struct PageSize {
  int width;
  int height;
};
inline constexpr PageSize kUpperPage{603, 140};
inline constexpr PageSize kLowerPage{603, 227};

// The registry's three failures, naming the value.
inline std::string GetDataFailed(const std::string& name) {
  return "Fehler beim Holen der Daten für '" + name + "'";
}
inline std::string SetDataFailed(const std::string& name) {
  return "Fehler beim Setzen der Daten für '" + name + "'";
}
inline std::string InvalidDataType(const std::string& name) {
  return "Ungültiger Datentyp für '" + name + "'";
}

// A message and the error box's text for it: a period is added after a last character above ".".
struct BoxText {
  const char* message;
  const char* shown;
};
inline const std::vector<BoxText> kClosingPeriodRows = {
    {"Disk is busy", "Disk is busy."},
    {"Error 5", "Error 5."},
    {"Why?", "Why?."},
    {"Reason:", "Reason:."},
    {"Done.", "Done."},
    {"Stop!", "Stop!"},
    {"(x)", "(x)"},
    {"für 'Start'", "für 'Start'"},
    {"the \"hive\"", "the \"hive\""},
    {"x\n", "x\n"},
    {"", ""},
    {"Prüfung fehlgeschlagen für ü", "Prüfung fehlgeschlagen für ü."},
};

// A service value of a type or size that the check does not take, stored as the registry holds it
// (text in UTF-16LE with its terminator), and the failure that ends the run at that service.
struct WrongValue {
  const char* what;
  const char* name;
  RegType type;
  std::vector<std::uint8_t> data;
  std::string message;
};
inline std::ostream& operator<<(std::ostream& out, const WrongValue& row) {
  return out << row.what;
}
inline const std::vector<WrongValue> kWrongValues = {
    {"ShortTextStart", "Start", kRegSz, {'0', 0, 0, 0}, InvalidDataType("Start")},
    {"LongTextStart",
     "Start",
     kRegSz,
     {'1', 0, '2', 0, '3', 0, '4', 0, 0, 0},
     GetDataFailed("Start")},
    {"QwordStart", "Start", kRegQword, {0, 0, 0, 0, 0, 0, 0, 0}, GetDataFailed("Start")},
    {"BinaryStart", "Start", kRegBinary, {0, 0, 0, 0}, InvalidDataType("Start")},
    {"DwordGroup", "Group", kRegDword, {0, 0, 0, 0}, InvalidDataType("Group")},
    {"MultiTextGroup", "Group", kRegMultiSz, {'a', 0, 0, 0, 0, 0}, InvalidDataType("Group")},
};

}  // namespace harnlode::testing::expected
