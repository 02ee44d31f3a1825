// Where both programs find the Windows system that they work on, with one definition for each
// platform. On Windows it is the running system, and the command line gives no folder; elsewhere
// it is the installation mounted in the folder that the command line gives, the folder that
// stands for its drive c:.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "target_system.h"

namespace harnlode {

struct CommandLineTarget {
  // Null when the command line names no system: `problem` then says why, or, when it is empty,
  // the folder that is needed was not given.
  std::unique_ptr<TargetSystem> system;
  std::string problem;
};

// `program` is the program's name as its user knows it; `operands` are what its command line
// gives after the options. Throws EInstallationError when the folder holds no usable
// installation.
CommandLineTarget TargetFromCommandLine(const std::string& program,
                                        const std::vector<std::string>& operands);

}  // namespace harnlode
