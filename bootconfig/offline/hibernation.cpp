#include "offline/hibernation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "installation_error.h"
#include "offline/file_descriptor.h"
#include "offline/installation_path.h"
#include "offline/windows_names.h"

namespace harnlode {
namespace {

constexpr std::string_view kHibernationFile = "hiberfil.sys";
constexpr std::size_t kSignatureSize = 4;

// Windows keeps an image it would resume from under "hibr" (upper case since Windows 8), and
// under "rstr" while a resume is under way: a resume that did not finish is offered again at the
// next start. Once resumed, the header is zeroed or signed "wake".
constexpr std::array<std::string_view, 2> kResumable = {"hibr", "rstr"};
constexpr std::string_view kResumed = "wake";

std::string CannotBeRead(int error) {
  return std::string("cannot be read (") + std::strerror(error) + ")";
}

}  // namespace

HibernationState HibernationFromHeader(std::span<const std::uint8_t> header) {
  std::array<char, kSignatureSize> signature{};
  for (std::size_t i = 0; i < signature.size() && i < header.size(); ++i) {
    signature[i] = static_cast<char>(header[i]);
  }
  if (std::all_of(signature.begin(), signature.end(), [](char c) { return c == 0; })) {
    return HibernationState::kNotHibernated;
  }
  const std::string_view text(signature.data(), signature.size());
  if (SameNameIgnoringCase(text, kResumed)) return HibernationState::kNotHibernated;
  for (std::string_view resumable : kResumable) {
    if (SameNameIgnoringCase(text, resumable)) return HibernationState::kHibernated;
  }
  return HibernationState::kUnknown;
}

Hibernation InstallationHibernation(const std::filesystem::path& folder) {
  const InstallationPath found = FindInInstallation(folder, kHibernationFile);
  if (found.status == InstallationPath::Status::kMissing) return {};
  if (found.status == InstallationPath::Status::kUnreadable) {
    return {HibernationState::kUnknown, folder / kHibernationFile,
            CannotBeRead(found.error.value()) + ", as its folder " + Quoted(found.path) +
                " cannot be read"};
  }
  if (found.status == InstallationPath::Status::kOutside) {
    return {HibernationState::kUnknown, folder / kHibernationFile,
            "is reached through a link that leads outside the folder, so Harnlode does not read "
            "it"};
  }
  Hibernation result{HibernationState::kUnknown, found.path, {}};
  // Not blocking, so that a named pipe of that name cannot hold the run up.
  const FileDescriptor file(
      ::open(found.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  struct stat status {};
  if (file.get() < 0 || ::fstat(file.get(), &status) != 0) {
    result.reason = CannotBeRead(errno);
    return result;
  }
  if (!S_ISREG(status.st_mode)) {
    result.reason = "is not a regular file";
    return result;
  }
  std::array<std::uint8_t, kSignatureSize> header{};
  const ssize_t length = ReadAt(file.get(), header, 0);
  if (length < 0) {
    result.reason = CannotBeRead(errno);
    return result;
  }
  result.state = HibernationFromHeader(std::span(header).first(static_cast<std::size_t>(length)));
  if (result.state == HibernationState::kUnknown) {
    result.reason = "starts with a signature that Harnlode does not know";
  }
  return result;
}

}  // namespace harnlode
