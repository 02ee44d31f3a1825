// Which Windows installation the program works on: the folder given on the command line, or else
// the one mounted Windows installation. Usage: harnlode [WINDOWS_FOLDER]
#pragma once

#include <filesystem>
#include <istream>
#include <string>
#include <vector>

namespace harnlode {

struct InstallationChoice {
  // The folder that stands for drive c:; empty when none could be chosen.
  std::filesystem::path folder;
  // When no folder was chosen: what went wrong and how to start the program with a folder.
  std::string problem;
};

// `arguments` are the command-line arguments after the program's name; `mountinfo` is read only
// when they name no folder.
InstallationChoice ChooseInstallation(const std::vector<std::string>& arguments,
                                      std::istream& mountinfo);

}  // namespace harnlode
