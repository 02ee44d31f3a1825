#include "offline/interrupted_saves.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <string>
#include <vector>

#include "offline/base_block.h"
#include "offline/file_descriptor.h"
#include "offline/hive_folder.h"
#include "offline/windows_names.h"

namespace harnlode {
namespace {

constexpr std::string_view kTemporaryInfix = ".harnlode-";
constexpr std::string_view kTemporaryUniquePart = "XXXXXX";  // what mkstemp replaces
constexpr std::string_view kSpareInfix = ".ntfs-3g-";

bool IsOurTemporary(std::string_view entry, std::string_view name) {
  return entry.size() == 1 + name.size() + kTemporaryInfix.size() + kTemporaryUniquePart.size() &&
         entry.front() == '.' && entry.substr(1, name.size()) == name &&
         entry.substr(1 + name.size(), kTemporaryInfix.size()) == kTemporaryInfix;
}

}  // namespace

bool IsSpare(std::string_view entry, std::string_view name) {
  if (entry.size() <= name.size() + kSpareInfix.size()) return false;
  const std::string_view digits = entry.substr(name.size() + kSpareInfix.size());
  return SameNameIgnoringCase(entry.substr(0, name.size()), name) &&
         entry.substr(name.size(), kSpareInfix.size()) == kSpareInfix &&
         std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

std::vector<RegularFile> RegularFiles(int folder,
                                      const std::function<bool(std::string_view)>& wanted) {
  std::vector<RegularFile> names;
  VisitEntries(folder, [&](std::string_view name) {
    const std::string entry(name);
    struct stat found = {};
    if (wanted(name) && ::fstatat(folder, entry.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(found.st_mode)) {
      names.push_back({entry, found});
    }
  });
  return names;
}

std::string TemporaryFileTemplate(std::string_view name) {
  return "." + std::string(name) + std::string(kTemporaryInfix) + std::string(kTemporaryUniquePart);
}

std::optional<std::uint32_t> WholeHiveSequence(int file) {
  std::array<std::uint8_t, base_block::kSize> block{};
  struct stat status = {};
  if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode) ||
      ReadAt(file, block, 0) != static_cast<ssize_t>(block.size()) ||
      !base_block::HasSignature(block) || !base_block::ChecksumValid(block)) {
    return std::nullopt;
  }
  const std::uint32_t bins = base_block::BinsSize(block);
  if (bins == 0 || bins % base_block::kSize != 0 ||
      status.st_size < off_t{base_block::kSize} + bins) {
    return std::nullopt;
  }
  return std::max(base_block::PrimarySequence(block), base_block::SecondarySequence(block));
}

std::vector<std::string> RemoveLeftoversOfSaves(int folder, std::string_view name) {
  // A spare is only ever stale beside the file itself. A name that is a second link to the file
  // itself waits until it is not: taking it away would change the file under a save's checks.
  struct stat target = {};
  std::optional<std::uint32_t> current;
  {
    const FileDescriptor file = OpenRegularFile(folder, std::string(name), &target);
    if (file.get() >= 0) current = WholeHiveSequence(file.get());
  }
  const auto leftover = [name](std::string_view entry) {
    return IsOurTemporary(entry, name) || IsSpare(entry, name);
  };
  std::vector<std::string> left_alone;
  for (const RegularFile& entry : RegularFiles(folder, leftover)) {
    if (current && entry.status.st_dev == target.st_dev && entry.status.st_ino == target.st_ino) {
      continue;
    }
    struct stat checked = entry.status;
    if (!IsOurTemporary(entry.name, name)) {
      // Ours only when it holds the hive as it was before a save: whole, and no newer.
      const FileDescriptor spare = OpenRegularFile(folder, entry.name, &checked);
      const std::optional<std::uint32_t> sequence =
          spare.get() < 0 ? std::nullopt : WholeHiveSequence(spare.get());
      if (!current || !sequence || *sequence > *current) {
        if (current) left_alone.push_back(entry.name);
        continue;
      }
    }
    // Only the file looked at: the folder's owner may have put another under its name since.
    RemoveIfStill(folder, entry.name, checked);
  }
  return left_alone;
}

}  // namespace harnlode
