#include "installation_choice.h"

#include "mounted_installations.h"

namespace harnlode {
namespace {

const std::string kHowToStart =
    "Start the program with the folder where the Windows installation is mounted, the folder "
    "that stands for its drive c:, for example:\n"
    "    harnlode /mnt/windows";

}  // namespace

InstallationChoice ChooseInstallation(const std::vector<std::string>& arguments,
                                      std::istream& mountinfo) {
  if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0].starts_with('-'))) {
    return {{}, "Usage: harnlode [WINDOWS_FOLDER]\n\n" + kHowToStart};
  }
  if (arguments.size() == 1) return {arguments[0], {}};

  const std::vector<std::filesystem::path> found = MountedWindowsInstallations(mountinfo);
  if (found.size() == 1) return {found[0], {}};
  if (found.empty()) {
    return {{}, "No mounted Windows installation was found.\n\n" + kHowToStart};
  }
  std::string problem = "Several mounted Windows installations were found:\n";
  for (const std::filesystem::path& folder : found) problem += "    " + folder.string() + "\n";
  problem += "\nStart the program with the folder of the one to work on, for example:\n";
  problem += "    harnlode " + found[0].string();
  return {{}, problem};
}

}  // namespace harnlode
