#include "offline/hive_location.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#include "installation_error.h"
#include "offline/hive_folder.h"
#include "offline/installation_messages.h"
#include "offline/installation_path.h"
#include "offline/interrupted_rename.h"

namespace harnlode {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kGiveTheFolder =
    "Give the folder where the Windows volume is mounted, the one that holds the Windows folder.";

std::string LeftAlone(const HiveFolder& folder, const std::vector<std::string>& names,
                      std::string_view what) {
  std::string text;
  for (const std::string& name : names) {
    text += (text.empty() ? "" : ", ") + Quoted(folder.Path() / name);
  }
  return text + (names.size() == 1 ? " beside it is " : " beside it are ") + std::string(what) +
         ", so Harnlode leaves " + (names.size() == 1 ? "it" : "them") + " alone.";
}

}  // namespace

HiveLocation LocateHive(const fs::path& folder, std::string_view relative) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    throw EInstallationError("The folder " + Quoted(folder) + " does not exist. " +
                             std::string(kGiveTheFolder));
  }
  const fs::path hive_path(relative);
  const std::string hive = Quoted(folder / hive_path);
  const InstallationPath found = FindInInstallation(folder, hive_path.parent_path().string());
  if (found.status == InstallationPath::Status::kOutside) {
    throw EInstallationError(
        "The registry hive " + hive + " is reached through a link that leads outside the folder " +
        Quoted(folder) + ", so Harnlode does not use it. " + std::string(kGiveTheFolder));
  }
  const std::string no_installation =
      "The folder " + Quoted(folder) +
      " holds no Windows installation: there is no registry hive at " + hive + ". " +
      std::string(kGiveTheFolder);
  if (found.status == InstallationPath::Status::kMissing) throw EInstallationError(no_installation);

  // From here on the hive's folder is reached through descriptors alone.
  const fs::path root = fs::canonical(folder, error);
  if (error) throw EInstallationError(no_installation);
  HiveLocation location;
  location.folder = folder;
  location.relative = relative;
  location.hive_folder = std::make_shared<HiveFolder>(root, found.path.lexically_relative(root));
  const HiveFolder& hive_folder = *location.hive_folder;
  const std::string name = hive_path.filename().string();
  if (const std::optional<std::string> entry = hive_folder.Find(name)) {
    struct stat status = {};
    if (::fstatat(hive_folder.Descriptor(), entry->c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(status.st_mode)) {
      throw EInstallationError("The registry hive " + Quoted(hive_folder.Path() / *entry) +
                               " is a link, which Harnlode does not follow in the hive's folder. "
                               "Put the hive itself in its place, then run again.");
    }
    location.name = location.read_name = *entry;
    location.hive = hive_folder.Path() / *entry;
    return location;
  }
  // Perhaps a save was cut short in the middle of its rename; the old hive then is still there.
  const SpareOfMissingHive spare = FindSpareOfMissingHive(hive_folder, name);
  const std::string not_hives =
      spare.not_hives.empty()
          ? ""
          : " " + LeftAlone(hive_folder, spare.not_hives, "no whole registry hive");
  if (spare.whole.empty()) throw EInstallationError(no_installation + not_hives);
  location.name = name;
  location.read_name = spare.whole;
  location.hive = hive_folder.Path() / spare.whole;
  location.notes.push_back(CutShortSave(hive_folder.Path() / name, Quoted(location.hive)) +
                           ". Harnlode read that one; a tuning run (Tune) puts it back as " + name +
                           "." + not_hives);
  return location;
}

HiveLogPaths HiveLocation::Logs() const {
  // Found in the folder held open; a link in a log's place is not followed.
  const auto find = [this](const char* suffix) {
    const std::optional<std::string> entry = hive_folder->Find(name + suffix);
    struct stat status = {};
    if (!entry ||
        ::fstatat(hive_folder->Descriptor(), entry->c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISLNK(status.st_mode)) {
      return fs::path();
    }
    return hive_folder->Path() / *entry;
  };
  return {find(".LOG"), find(".LOG1"), find(".LOG2"), hive_folder->Descriptor()};
}

std::string HiveLogPaths::AccessPath(const fs::path& log) const {
  if (folder < 0 || log.empty()) return log;
  return "/proc/self/fd/" + std::to_string(folder) + "/" + log.filename().string();
}

}  // namespace harnlode
