// An NTFS volume in a sparse image file, made with mkntfs and mounted with ntfs-3g as a Linux
// desktop mounts a USB disk, for tests that run the program on the filesystem Windows uses.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "child_process.h"

namespace harnlode::testing {

class NtfsVolume {
 public:
  // Why no volume can be made and mounted on this machine (a program missing, FUSE refused), or
  // "" when one can.
  static std::string Unavailable();

  // Makes an empty volume of `size_mib` MiB, labelled "Windows", in `folder`, on a loop device
  // where one can be had and on the image file otherwise. Throws std::runtime_error on failure.
  NtfsVolume(const std::filesystem::path& folder, std::uint64_t size_mib);
  // Unmounts the volume and gives the loop device back.
  ~NtfsVolume();
  NtfsVolume(const NtfsVolume&) = delete;
  NtfsVolume& operator=(const NtfsVolume&) = delete;

  const std::filesystem::path& MountPoint() const { return mount_point_; }
  // The driver process that serves the mount, while mounted.
  pid_t Driver() const { return driver_ ? driver_->Pid() : -1; }
  // False once the driver has ended, killed or not.
  bool DriverRunning() const { return driver_ && driver_->Running(); }

  // Mounts the volume with the options a desktop uses; returns once the files are reachable.
  void Mount();
  // Unmounts it, after the driver has written everything out.
  void Unmount();
  // Ends the driver with SIGKILL, as a power cut would end it, and takes the dead mount away.
  void KillDriver();
  // Checks the unmounted volume with ntfsfix without changing it; false, with the checker's
  // words in `report`, when it finds the volume inconsistent.
  bool Clean(std::string* report) const;

 private:
  void Release();

  std::filesystem::path image_;
  std::filesystem::path mount_point_;
  std::filesystem::path driver_output_;
  std::string device_;  // the loop device or the image file
  bool loop_ = false;
  std::unique_ptr<ChildProcess> driver_;
};

}  // namespace harnlode::testing
