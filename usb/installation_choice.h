// Which Windows installation the command line names. Usage: PROGRAM [WINDOWS_FOLDER]
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace harnlode {

struct InstallationChoice {
  // The folder that stands for drive c:; empty when the command line names none.
  std::filesystem::path folder;
  // When the command line is not one the program takes: the usage, as a complete text.
  std::string problem;
};

// `program` is the program as it was started (its argv[0]); `arguments` follow it. No folder and
// no problem: the user chooses the installation.
InstallationChoice InstallationFromCommandLine(const std::string& program,
                                               const std::vector<std::string>& arguments);

}  // namespace harnlode
