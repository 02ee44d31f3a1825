#include "hivex_floor.h"

#include <fcntl.h>
#include <hivex.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace harnlode::bench {
namespace {

constexpr std::array<const char*, 3> kControlSets = {"ControlSet001", "ControlSet002",
                                                     "ControlSet003"};
constexpr std::array<const char*, 6> kServices = {"usbccgp", "usbehci", "usbhub",
                                                  "usbohci", "usbuhci", "usbstor"};

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

class Hive {
 public:
  Hive(const std::filesystem::path& file, int flags) : hive_(hivex_open(file.c_str(), flags)) {
    if (hive_ == nullptr) Fail("cannot open " + file.string());
  }
  ~Hive() { hivex_close(hive_); }
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;
  hive_h* get() const { return hive_; }

  // The service keys that exist.
  std::vector<hive_node_h> ServiceKeys() const {
    std::vector<hive_node_h> keys;
    const hive_node_h root = hivex_root(hive_);
    for (const char* control_set : kControlSets) {
      const hive_node_h set = hivex_node_get_child(hive_, root, control_set);
      const hive_node_h services = set == 0 ? 0 : hivex_node_get_child(hive_, set, "Services");
      if (services == 0) continue;
      for (const char* service : kServices) {
        if (const hive_node_h key = hivex_node_get_child(hive_, services, service); key != 0) {
          keys.push_back(key);
        }
      }
    }
    return keys;
  }

 private:
  hive_h* hive_;
};

bool ReadValue(hive_h* hive, hive_node_h key, const char* name) {
  const hive_value_h value = hivex_node_get_value(hive, key, name);
  if (value == 0) return false;
  hive_type type{};
  std::size_t length = 0;
  char* data = hivex_value_value(hive, value, &type, &length);
  std::free(data);
  return data != nullptr;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("cannot open " + file.string());
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)));
  if (::pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
    Fail("cannot read " + file.string());
  }
  ::close(fd);
  return bytes;
}

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  std::uint32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  std::memcpy(bytes.data() + at, &value, 4);
}

// The hive with its two logs applied by plain copies, in a memfd: the least that reading a dirty
// hive up to date takes. Entries below a log's own sequence number are passed over.
class RecoveredImage {
 public:
  explicit RecoveredImage(const std::filesystem::path& file) {
    std::vector<std::uint8_t> hive = ReadFile(file);
    std::vector<std::uint8_t> logs[2] = {ReadFile(file.string() + ".LOG1"),
                                         ReadFile(file.string() + ".LOG2")};
    if (Get32(logs[1], 4) < Get32(logs[0], 4)) std::swap(logs[0], logs[1]);
    std::uint32_t last = 0;
    for (const auto& log : logs) {
      for (std::size_t at = 512; at + 40 <= log.size() && std::memcmp(&log[at], "HvLE", 4) == 0;
           at += Get32(log, at + 4)) {
        if (Get32(log, at + 12) < Get32(log, 4)) continue;
        last = Get32(log, at + 12);
        hive.resize(4096 + Get32(log, at + 16));
        const std::uint32_t pages = Get32(log, at + 20);
        std::size_t data = at + 40 + 8 * std::size_t{pages};
        for (std::uint32_t i = 0; i < pages; ++i) {
          const std::uint32_t size = Get32(log, at + 44 + 8 * i);
          std::memcpy(&hive[4096 + Get32(log, at + 40 + 8 * i)], &log[data], size);
          data += size;
        }
        Put32(hive, 40, Get32(log, at + 16));
      }
    }
    Put32(hive, 4, last);
    Put32(hive, 8, last);
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < 508; at += 4) checksum ^= Get32(hive, at);
    if (checksum == 0 || checksum == 0xFFFFFFFF) checksum = checksum == 0 ? 1 : 0xFFFFFFFE;
    Put32(hive, 508, checksum);
    fd_ = ::memfd_create("hive", MFD_CLOEXEC);
    if (fd_ < 0 || ::write(fd_, hive.data(), hive.size()) != static_cast<ssize_t>(hive.size())) {
      Fail("cannot put the hive in memory");
    }
  }
  ~RecoveredImage() { ::close(fd_); }
  RecoveredImage(const RecoveredImage&) = delete;
  RecoveredImage& operator=(const RecoveredImage&) = delete;
  std::filesystem::path Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_ = -1;
};

// Both: `opened` is where hivex reads the hive from, `file` the hive file itself.
int Read(const std::filesystem::path& opened) {
  const Hive hive(opened, 0);
  int found = 0;
  for (const hive_node_h key : hive.ServiceKeys()) {
    found += ReadValue(hive.get(), key, "Group") + ReadValue(hive.get(), key, "Start");
  }
  return found;
}

int Tune(const std::filesystem::path& opened, const std::filesystem::path& file) {
  const Hive hive(opened, HIVEX_OPEN_WRITE);
  // "System Reserved" in UTF-16LE with its terminator, and the number 0.
  std::vector<char> group;
  for (const char c : std::string("System Reserved")) group.insert(group.end(), {c, 0});
  group.insert(group.end(), {0, 0});
  std::array<char, 4> start = {0, 0, 0, 0};
  hive_set_value values[2] = {
      {const_cast<char*>("Group"), hive_t_REG_SZ, group.size(), group.data()},
      {const_cast<char*>("Start"), hive_t_REG_DWORD, start.size(), start.data()}};
  int set = 0;
  for (const hive_node_h key : hive.ServiceKeys()) {
    for (hive_set_value& value : values) {
      if (hivex_node_set_value(hive.get(), key, &value, 0) != 0) Fail("cannot set a value");
      ++set;
    }
  }

  const std::filesystem::path folder = file.parent_path();
  std::string temporary = (folder / ".SYSTEM.floor-XXXXXX").string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) Fail("cannot make a file in " + folder.string());
  ::close(fd);
  if (hivex_commit(hive.get(), temporary.c_str(), 0) != 0) Fail("cannot write " + temporary);
  const int written = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
  if (written < 0 || ::fsync(written) != 0) Fail("cannot flush " + temporary);
  ::close(written);
  if (::rename(temporary.c_str(), file.c_str()) != 0) Fail("cannot replace " + file.string());
  const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory < 0 || ::fsync(directory) != 0) Fail("cannot flush " + folder.string());
  ::close(directory);
  return set;
}

}  // namespace

int ReadWithHivex(const std::filesystem::path& file) { return Read(file); }
int TuneWithHivex(const std::filesystem::path& file) { return Tune(file, file); }
int ReadDirtyWithHivex(const std::filesystem::path& file) {
  const RecoveredImage image(file);
  return Read(image.Path());
}
int TuneDirtyWithHivex(const std::filesystem::path& file) {
  const RecoveredImage image(file);
  return Tune(image.Path(), file);
}

std::filesystem::path SystemHiveOf(const std::filesystem::path& folder) {
  return folder / "Windows" / "System32" / "config" / "SYSTEM";
}

}  // namespace harnlode::bench
