#include "check_platform.h"

namespace harnlode {

const char* const kCheckSynopsis =
    "Usage: harnlode-check [--tune [--boot-driver-flags]] WINDOWS_FOLDER\n"
    "Reports whether the Windows installation mounted at WINDOWS_FOLDER (the folder that stands\n"
    "for its drive c:) is configured to start from a disk attached through USB.\n";

int WithReportOutput(const std::function<int()>& program) { return program(); }

}  // namespace harnlode
