#include "offline/offline_system.h"

#include <optional>

#include "installation_error.h"
#include "offline/hive_location.h"
#include "offline/installation_path.h"
#include "offline/installed_version.h"
#include "offline/offline_registry.h"
#include "offline/windows_names.h"
#include "offline/write_refusal.h"

namespace harnlode {
namespace {

constexpr std::string_view kSystemDrive = "c:\\";

// The text as one word of a POSIX shell's command line.
std::string ShellWord(const std::string& text) {
  constexpr std::string_view kPlain =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+,:=@%";
  if (!text.empty() && text.find_first_not_of(kPlain) == std::string::npos) return text;
  std::string word = "'";
  for (const char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

}  // namespace

// Both programs work on the installation in the folder given.
CommandLineTarget TargetFromCommandLine(const std::string&,
                                        const std::vector<std::string>& operands) {
  if (operands.empty()) return {};
  return {std::make_unique<OfflineSystem>(operands.front()), {}};
}

OfflineSystem::OfflineSystem(std::filesystem::path windows_folder)
    : folder_(std::move(windows_folder)) {
  LocateSystemHive(folder_);  // so that a folder without a usable hive is refused at once
  registry_ = std::make_unique<OfflineRegistry>(folder_);
}

OfflineSystem::~OfflineSystem() = default;

RegistryStore& OfflineSystem::Registry() { return *registry_; }

std::string OfflineSystem::WriteRefusalExplanation() {
  const std::optional<WriteRefusal>& refusal = registry_->LastWriteRefusal();
  if (!refusal) return {};
  try {
    return ExplainWriteRefusal(folder_, *refusal);
  } catch (const std::exception&) {
    return {};  // the failure is told without an explanation rather than not at all
  }
}

std::vector<std::string> OfflineSystem::Notes() { return registry_->LastNotes(); }

WindowsVersion OfflineSystem::Version() { return ReadInstalledVersion(folder_); }

std::string OfflineSystem::ConsoleCommand(const std::string& options) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::absolute(folder_, error);
  return "harnlode-check " + options + " " + ShellWord((error ? folder_ : folder).string());
}

bool OfflineSystem::IsFile(const std::string& windows_path) {
  // Drive c: is the installation's folder; no other drive exists here.
  if (!SameNameIgnoringCase(std::string_view(windows_path).substr(0, kSystemDrive.size()),
                            kSystemDrive)) {
    return false;
  }
  const InstallationPath found =
      FindInInstallation(folder_, std::string_view(windows_path).substr(kSystemDrive.size()));
  // What cannot be read hides whether the file is there: a failure, not an answer.
  const auto unreadable = [&](const std::filesystem::path& path, const std::error_code& error) {
    return EInstallationError(CannotLookInto(path, error) + " Until then Harnlode cannot tell " +
                              "whether " + Quoted(windows_path) + " is there.");
  };
  if (found.status == InstallationPath::Status::kUnreadable) {
    throw unreadable(found.path, found.error);
  }
  if (found.status != InstallationPath::Status::kFound) return false;
  std::error_code error;
  const bool directory = std::filesystem::is_directory(found.path, error);
  if (error && error != std::errc::no_such_file_or_directory) throw unreadable(found.path, error);
  return !directory && !error;
}

}  // namespace harnlode
