#include "ntfs_volume.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "file_bytes.h"

namespace harnlode::testing {
namespace fs = std::filesystem;

namespace {

bool HasProgram(const std::string& name) {
  std::istringstream folders(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (::access((fs::path(folder) / name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

bool Mounted(const fs::path& point) {
  struct stat here = {}, above = {};
  return ::stat(point.c_str(), &here) == 0 && ::stat(point.parent_path().c_str(), &above) == 0 &&
         here.st_dev != above.st_dev;
}

// Runs the program; its status, with what it wrote to either stream in `output` when given.
int Run(const std::vector<std::string>& arguments, std::string* output = nullptr) {
  const ProgramOutcome outcome = RunProgram(arguments);
  if (output != nullptr) *output = outcome.out + outcome.err;
  return outcome.status;
}

std::vector<std::string> UnmountCommand(const fs::path& point, bool lazy) {
  if (::geteuid() == 0) {
    return lazy ? std::vector<std::string>{"umount", "-l", point.string()}
                : std::vector<std::string>{"umount", point.string()};
  }
  return lazy ? std::vector<std::string>{"fusermount", "-u", "-z", point.string()}
              : std::vector<std::string>{"fusermount", "-u", point.string()};
}

}  // namespace

std::string NtfsVolume::Unavailable() {
  for (const char* program : {"mkntfs", "ntfs-3g", "ntfsfix"}) {
    if (!HasProgram(program)) return std::string(program) + " is not installed (package ntfs-3g)";
  }
  const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
  if (fuse < 0) return "this machine does not allow FUSE mounts (/dev/fuse cannot be opened)";
  ::close(fuse);
  if (::geteuid() != 0 && !HasProgram("fusermount")) {
    return "fusermount is not installed, so FUSE mounts cannot be made without root";
  }
  // Containers and unprivileged users may still be refused the mount itself; a small volume,
  // mounted once per test program, tells.
  static const std::string refused = [] {
    char pattern[] = "/tmp/harnlode-ntfs-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return std::string("no temporary folder can be made");
    std::string reason;
    try {
      NtfsVolume probe(pattern, 8);
      probe.Mount();
    } catch (const std::exception& e) {
      reason = e.what();
    }
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
    return reason;
  }();
  return refused;
}

NtfsVolume::NtfsVolume(const fs::path& folder, std::uint64_t size_mib)
    : image_(folder / "volume.img"),
      mount_point_(folder / "mnt"),
      driver_output_(folder / "ntfs-3g.out") {
  fs::create_directories(mount_point_);
  // Sparse: only what the filesystem writes takes space.
  std::ofstream(image_, std::ios::binary).close();
  fs::resize_file(image_, size_mib << 20);
  std::string output;
  if (Run({"mkntfs", "-F", "-f", "-q", "-L", "Windows", image_.string()}, &output) != 0) {
    throw std::runtime_error("mkntfs failed: " + output);
  }
  // Desktops mount USB disks from a block device; a loop device stands in for one.
  device_ = image_.string();
  std::string loop;
  if (::geteuid() == 0 && Run({"losetup", "-f", "--show", image_.string()}, &loop) == 0 &&
      loop.starts_with("/dev/")) {
    device_ = loop.substr(0, loop.find('\n'));
    loop_ = true;
  }
}

NtfsVolume::~NtfsVolume() {
  try {
    Unmount();
  } catch (const std::exception&) {
    KillDriver();
  }
  Release();
}

void NtfsVolume::Release() {
  if (loop_) Run({"losetup", "-d", device_});
  loop_ = false;
}

void NtfsVolume::Mount() {
  if (driver_) throw std::logic_error("the volume is mounted already");
  // What udisks gives ntfs-3g for a user's disk; no_detach keeps the driver our child, so that
  // its process is known and can be ended.
  const std::string options = "no_detach,uid=" + std::to_string(::getuid()) +
                              ",gid=" + std::to_string(::getgid()) + ",windows_names,nodev,nosuid";
  // A driver killed a moment ago may leave its superblock alive for a little while, until the
  // last file of its mount is closed. Meanwhile ntfs-3g refuses the device as "already exclusively
  // opened", or a new mount joins the dead one and the new driver ends at once ("reading device:
  // Operation not permitted"). So a mount waits for the device to be free, and a start that ends
  // at once is retried.
  for (int tried = 1;; ++tried) {
    // The block device is free once no superblock holds it: an exclusive open then succeeds.
    const auto free_by = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (loop_ && std::chrono::steady_clock::now() < free_by) {
      const int device = ::open(device_.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
      if (device >= 0) {
        ::close(device);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    try {
      driver_ = std::make_unique<ChildProcess>(
          std::vector<std::string>{"ntfs-3g", "-o", options, device_, mount_point_.string()},
          ChildStreams{.out = driver_output_, .errors_to_output = true});
    } catch (const std::runtime_error&) {
      throw std::runtime_error("ntfs-3g cannot be started");
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (driver_->Running() && std::chrono::steady_clock::now() <= deadline) {
      if (Mounted(mount_point_)) {
        // Settled once the driver still serves it a moment later.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (driver_->Running()) return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const bool ended = !driver_->Running();
    driver_.reset();
    if (Mounted(mount_point_)) Run(UnmountCommand(mount_point_, true));
    if (!ended || tried == 5) {
      throw std::runtime_error("ntfs-3g did not mount the volume: " + ReadFile(driver_output_));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100 * tried));
  }
}

void NtfsVolume::Unmount() {
  if (!driver_) return;
  std::string output;
  if (Run(UnmountCommand(mount_point_, false), &output) != 0) {
    throw std::runtime_error("the volume cannot be unmounted: " + output);
  }
  // The driver writes out what it holds before it ends.
  driver_->Wait();
  driver_.reset();
}

void NtfsVolume::KillDriver() {
  if (!driver_) return;
  driver_.reset();
  // The mount stays behind, every access failing, until it is taken away.
  if (Run(UnmountCommand(mount_point_, false)) != 0) Run(UnmountCommand(mount_point_, true));
}

bool NtfsVolume::Clean(std::string* report) const {
  std::string output;
  const bool clean = Run({"ntfsfix", "-n", device_}, &output) == 0 &&
                     output.find("processed successfully") != std::string::npos;
  if (report != nullptr) *report = output;
  return clean;
}

}  // namespace harnlode::testing
