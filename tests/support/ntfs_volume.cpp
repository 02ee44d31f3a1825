#include "ntfs_volume.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <vector>

namespace harnlode::testing {
namespace fs = std::filesystem;

namespace {

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

bool HasProgram(const std::string& name) {
  return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

bool Mounted(const fs::path& point) {
  struct stat here = {}, above = {};
  return ::stat(point.c_str(), &here) == 0 && ::stat(point.parent_path().c_str(), &above) == 0 &&
         here.st_dev != above.st_dev;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    if (output != nullptr) output->append(buffer, read);
  }
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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
  if (RunCommand("mkntfs -F -f -q -L Windows " + Quote(image_), &output) != 0) {
    throw std::runtime_error("mkntfs failed: " + output);
  }
  // Desktops mount USB disks from a block device; a loop device stands in for one.
  device_ = image_.string();
  std::string loop;
  if (::geteuid() == 0 && RunCommand("losetup -f --show " + Quote(image_), &loop) == 0 &&
      loop.starts_with("/dev/")) {
    device_ = loop.substr(0, loop.find('\n'));
    loop_ = true;
  }
}

NtfsVolume::~NtfsVolume() {
  try {
    if (driver_ > 0) Unmount();
  } catch (const std::exception&) {
    if (driver_ > 0) KillDriver();
  }
  Release();
}

void NtfsVolume::Release() {
  if (loop_) RunCommand("losetup -d " + device_);
  loop_ = false;
}

void NtfsVolume::Mount() {
  if (driver_ > 0) throw std::logic_error("the volume is mounted already");
  // What udisks gives ntfs-3g for a user's disk; no_detach keeps the driver our child, so that
  // its process is known and can be ended.
  const std::string options = "no_detach,uid=" + std::to_string(::getuid()) +
                              ",gid=" + std::to_string(::getgid()) + ",windows_names,nodev,nosuid";
  std::vector<std::string> arguments = {"ntfs-3g", "-o", options, device_, mount_point_.string()};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, driver_output_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const int failed = ::posix_spawnp(&driver_, "ntfs-3g", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    driver_ = -1;
    throw std::runtime_error("ntfs-3g cannot be started");
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!Mounted(mount_point_)) {
    int status = 0;
    if (::waitpid(driver_, &status, WNOHANG) == driver_ ||
        std::chrono::steady_clock::now() > deadline) {
      if (::kill(driver_, SIGKILL) == 0) ::waitpid(driver_, &status, 0);
      driver_ = -1;
      throw std::runtime_error("ntfs-3g did not mount the volume: " + ReadAll(driver_output_));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void NtfsVolume::Unmount() {
  if (driver_ <= 0) return;
  const std::string point = Quote(mount_point_);
  std::string output;
  if (RunCommand((::geteuid() == 0 ? "umount " : "fusermount -u ") + point, &output) != 0) {
    throw std::runtime_error("the volume cannot be unmounted: " + output);
  }
  // The driver writes out what it holds before it ends.
  int status = 0;
  ::waitpid(driver_, &status, 0);
  driver_ = -1;
}

void NtfsVolume::KillDriver() {
  if (driver_ <= 0) return;
  ::kill(driver_, SIGKILL);
  int status = 0;
  ::waitpid(driver_, &status, 0);
  driver_ = -1;
  // The mount stays behind, every access failing, until it is taken away.
  const std::string point = Quote(mount_point_);
  if (RunCommand((::geteuid() == 0 ? "umount " : "fusermount -u ") + point) != 0) {
    RunCommand((::geteuid() == 0 ? "umount -l " : "fusermount -u -z ") + point);
  }
}

bool NtfsVolume::Clean(std::string* report) const {
  std::string output;
  const bool clean = RunCommand("ntfsfix -n " + Quote(device_), &output) == 0 &&
                     output.find("processed successfully") != std::string::npos;
  if (report != nullptr) *report = output;
  return clean;
}

}  // namespace harnlode::testing
