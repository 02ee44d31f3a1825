#include "installation_choice.h"

namespace harnlode {

InstallationChoice InstallationFromCommandLine(const std::string& program,
                                               const std::vector<std::string>& arguments) {
  if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0].starts_with('-'))) {
    return {{},
            "Usage: " + program +
                " [WINDOWS_FOLDER]\n\n"
                "WINDOWS_FOLDER is the folder where the Windows installation is mounted, the "
                "folder that stands for its drive c: (for example /mnt/windows). Without it, "
                "the program lets you choose among the mounted installations."};
  }
  if (arguments.size() == 1) return {arguments[0], {}};
  return {};
}

}  // namespace harnlode
