#include "offline/interrupted_rename.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "installation_error.h"
#include "offline/atomic_replacement.h"
#include "offline/file_descriptor.h"
#include "offline/hibernation.h"
#include "offline/hive_location.h"
#include "offline/installation_messages.h"
#include "offline/interrupted_saves.h"

namespace harnlode {
namespace {

constexpr int kReadFlags = O_RDONLY | O_NONBLOCK;

[[noreturn]] void CannotRestore(const HiveFolder& folder, std::string_view name,
                                const std::vector<std::string>& spares, const std::string& why) {
  std::string kept;
  for (const std::string& spare : spares) {
    kept += (kept.empty() ? "" : " and ") + Quoted(folder.Path() / spare);
  }
  throw EInstallationError(CutShortSave(folder.Path() / name, kept) + ". " + why);
}

// Copies the file open as `from` to the file named `to`; false with errno set when it fails.
bool CopyFile(int from, const std::string& to) {
  const FileDescriptor copy(::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (copy.get() < 0) return false;
  std::vector<std::uint8_t> buffer(1 << 20);
  for (off_t offset = 0;;) {
    const ssize_t got = ReadAt(from, buffer, offset);
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t written = ::write(copy.get(), buffer.data() + done, std::size_t(got - done));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      done += written;
    }
    offset += got;
  }
}

}  // namespace

SpareOfMissingHive FindSpareOfMissingHive(const HiveFolder& folder, std::string_view name) {
  SpareOfMissingHive found;
  std::vector<std::string> whole;
  for (const RegularFile& spare : RegularFiles(
           folder.Descriptor(), [name](std::string_view entry) { return IsSpare(entry, name); })) {
    const FileDescriptor file(folder.Open(spare.name, kReadFlags));
    (file.get() >= 0 && WholeHiveSequence(file.get()) ? whole : found.not_hives)
        .push_back(spare.name);
  }
  if (whole.size() > 1) {
    CannotRestore(folder, name, whole,
                  "Harnlode cannot tell which of them to put back. Rename the newest of them to " +
                      std::string(name) + ", then run again.");
  }
  if (!whole.empty()) found.whole = whole.front();
  return found;
}

std::vector<std::string> RestoreAfterInterruptedRename(const HiveLocation& location) {
  const HiveFolder& folder = *location.hive_folder;
  const std::vector<std::string> spares = {location.read_name};
  // Windows would resume with its own picture of the folder and could damage the volume; not even
  // our temporary files are removed then.
  if (InstallationHibernation(location.folder).state != HibernationState::kNotHibernated) {
    CannotRestore(folder, location.name, spares,
                  "Harnlode does not put it back, because Windows on that volume may be "
                  "hibernated. Rename it to " +
                      location.name + " once that is settled, then run again.");
  }
  // Looked at again under the folder's lock: a save of another copy may end meanwhile.
  AtomicReplacement replacement(location.hive_folder, location.name);
  if (folder.Find(location.name)) return {};  // put back by another copy meanwhile
  const FileDescriptor spare(folder.Open(location.read_name, kReadFlags));
  struct stat status = {};
  if (spare.get() < 0 || ::fstat(spare.get(), &status) != 0 || !WholeHiveSequence(spare.get())) {
    CannotRestore(folder, location.name, spares,
                  "It changed while Harnlode was looking at it, so Harnlode did not put it back. "
                  "Run again.");
  }
  // Copied, not renamed: the driver died while changing that file's record, which ntfs-3g may
  // then mishandle (a later rename over it was seen to lose it). The copy's save clears the spare
  // away, as it holds a hive no newer than the copy.
  try {
    replacement.Replace([&](const std::string& copy) { return CopyFile(spare.get(), copy); },
                        status);
  } catch (const EInstallationError& failure) {
    CannotRestore(folder, location.name, spares,
                  "Harnlode could not put it back: " + std::string(failure.what()) +
                      " Mount the volume for writing and run again, or copy the file to " +
                      location.name + " yourself.");
  }
  std::vector<std::string> notes = {
      "A save into " + Quoted(folder.Path()) + " had been cut short, leaving no registry hive " +
      location.name + " there; Harnlode put the hive as it was before back in its place, from " +
      Quoted(location.hive) + "."};
  const std::vector<std::string> left_alone = replacement.Notes();
  notes.insert(notes.end(), left_alone.begin(), left_alone.end());
  return notes;
}

}  // namespace harnlode
