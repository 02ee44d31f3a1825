#include "offline/offline_system.h"

namespace harnlode {

CommandLineTarget TargetFromCommandLine(const std::string&,
                                        const std::vector<std::string>& operands) {
  if (operands.empty()) return {};
  return {std::make_unique<OfflineSystem>(operands.front()), {}};
}

}  // namespace harnlode
