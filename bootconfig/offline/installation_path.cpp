#include "offline/installation_path.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "installation_error.h"
#include "offline/windows_names.h"

namespace harnlode {
namespace fs = std::filesystem;
namespace {

std::vector<std::string_view> Components(std::string_view relative) {
  std::vector<std::string_view> components;
  while (!relative.empty()) {
    const std::size_t end = relative.find_first_of("/\\");
    const std::string_view component = relative.substr(0, end);
    if (!component.empty() && component != ".") components.push_back(component);
    if (end == std::string_view::npos) break;
    relative.remove_prefix(end + 1);
  }
  return components;
}

// Whether a failure to look at an entry says that it is not there, rather than that it could not
// be read.
bool Absent(const std::error_code& error) {
  return !error || error == std::errc::no_such_file_or_directory ||
         error == std::errc::not_a_directory;
}

// The entry of `directory` named `name`: the exact name when it exists, else the first, in name
// order, of those that differ from it in case only. Nothing, with `error` set, when the directory
// cannot be read.
std::optional<fs::path> FindEntry(const fs::path& directory, std::string_view name,
                                  std::error_code& error) {
  const fs::path exact = directory / name;
  if (fs::exists(fs::symlink_status(exact, error))) return exact;
  if (!Absent(error)) return std::nullopt;
  error.clear();
  std::optional<fs::path> found;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const fs::path candidate = it->path();
    if (SameNameIgnoringCase(candidate.filename().native(), name) &&
        (!found || candidate.filename() < found->filename())) {
      found = candidate;
    }
  }
  if (Absent(error)) error.clear();
  return found;
}

bool IsWithin(const fs::path& path, const fs::path& root) {
  const auto [root_end, path_end] =
      std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return root_end == root.end();
}

}  // namespace

std::string CannotLookInto(const fs::path& path, const std::error_code& error) {
  return "Harnlode cannot look into " + Quoted(path) + " (" + error.message() +
         "): the disk that holds it may be failing or gone, or the driver that mounts it (such as "
         "ntfs-3g) may have stopped. Check the disk, mount it again, then run again.";
}

InstallationPath FindInInstallation(const fs::path& folder, std::string_view relative) {
  std::error_code error;
  const fs::path root = fs::canonical(folder, error);
  if (!Absent(error)) return {InstallationPath::Status::kUnreadable, folder, error};
  if (error) return {};
  fs::path current = root;
  for (std::string_view component : Components(relative)) {
    if (component == "..") return {InstallationPath::Status::kOutside, {}, {}};
    const std::optional<fs::path> entry = FindEntry(current, component, error);
    if (error) return {InstallationPath::Status::kUnreadable, current, error};
    if (!entry) return {};
    // Links are resolved one component at a time, so that none can lead out of the folder and
    // back in unnoticed.
    fs::path resolved = fs::canonical(*entry, error);
    if (!Absent(error)) return {InstallationPath::Status::kUnreadable, *entry, error};
    if (error) return {};
    if (!IsWithin(resolved, root)) return {InstallationPath::Status::kOutside, {}, {}};
    current = std::move(resolved);
  }
  return {InstallationPath::Status::kFound, current, {}};
}

}  // namespace harnlode
