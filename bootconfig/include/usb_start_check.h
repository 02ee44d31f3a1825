// The part of a run of the check that looks past the six services: which Windows the system is,
// and what else its USB start needs (usb_start_needs.h), set on request.
#pragma once

#include <string>
#include <vector>

#include "investigate.h"
#include "registry_run.h"

namespace harnlode {

// Within `run`, a run of the check, before its write-back: reads the version and the values
// that decide a USB start. With `set_flags`, first sets what the version lacks of them, in the
// same way the tuning writes, each write logged after its key's line ("Writing: ..."), and says so
// when it sets nothing for the version. Returns the notes that follow the verdict. Failures to
// write end the run as the tuning's do; values that cannot be read are told in the notes.
std::vector<std::string> CheckUsbStart(TLogOwner& log, RegistryRun& run, bool set_flags);

}  // namespace harnlode
