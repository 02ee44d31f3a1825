#include "offline/installation_path.h"

#include <algorithm>
#include <optional>
#include <vector>

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

// The entry of `directory` named `name`: the exact name when it exists, else the first, in name
// order, of those that differ from it in case only.
std::optional<fs::path> FindEntry(const fs::path& directory, std::string_view name) {
  std::error_code error;
  const fs::path exact = directory / name;
  if (fs::exists(fs::symlink_status(exact, error))) return exact;
  std::optional<fs::path> found;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const fs::path candidate = it->path();
    if (SameNameIgnoringCase(candidate.filename().native(), name) &&
        (!found || candidate.filename() < found->filename())) {
      found = candidate;
    }
  }
  return found;
}

bool IsWithin(const fs::path& path, const fs::path& root) {
  const auto [root_end, path_end] =
      std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return root_end == root.end();
}

}  // namespace

InstallationPath FindInInstallation(const fs::path& folder, std::string_view relative) {
  std::error_code error;
  const fs::path root = fs::canonical(folder, error);
  if (error) return {};
  fs::path current = root;
  for (std::string_view component : Components(relative)) {
    if (component == "..") return {InstallationPath::Status::kOutside, {}};
    const std::optional<fs::path> entry = FindEntry(current, component);
    if (!entry) return {};
    // Links are resolved one component at a time, so that none can lead out of the folder and
    // back in unnoticed.
    fs::path resolved = fs::canonical(*entry, error);
    if (error) return {};
    if (!IsWithin(resolved, root)) return {InstallationPath::Status::kOutside, {}};
    current = std::move(resolved);
  }
  return {InstallationPath::Status::kFound, current};
}

}  // namespace harnlode
