#include "windows/live_system.h"

namespace harnlode {

CommandLineTarget TargetFromCommandLine(const std::string& program,
                                        const std::vector<std::string>& operands) {
  if (!operands.empty()) {
    return {nullptr, "on Windows, " + program + " works on the running system; give no folder."};
  }
  return {std::make_unique<LiveSystem>(), {}};
}

}  // namespace harnlode
