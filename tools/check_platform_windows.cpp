#include "check_platform.h"
#include "utf8_console_output.h"

namespace harnlode {

const char* const kCheckSynopsis =
    "Usage: harnlode-check [--tune [--boot-driver-flags]]\n"
    "Reports whether this Windows system is configured to start from a disk attached through\n"
    "USB. It needs administrator rights, since it opens the keys it checks for writing; refused\n"
    "access, it says on standard error why, before the failure's message.\n";

int WithReportOutput(const std::function<int()>& program) {
  const Utf8ConsoleOutput utf8_console;  // for every path out of the program, failures included
  return program();
}

}  // namespace harnlode
