#include "hivex_floor.h"

#include <fcntl.h>
#include <hivex.h>
#include <unistd.h>

#include <array>
#include <cerrno>
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

}  // namespace

std::filesystem::path SystemHiveOf(const std::filesystem::path& folder) {
  return folder / "Windows" / "System32" / "config" / "SYSTEM";
}

int ReadWithHivex(const std::filesystem::path& file) {
  const Hive hive(file, 0);
  int found = 0;
  for (const hive_node_h key : hive.ServiceKeys()) {
    found += ReadValue(hive.get(), key, "Group") + ReadValue(hive.get(), key, "Start");
  }
  return found;
}

int TuneWithHivex(const std::filesystem::path& file) {
  const Hive hive(file, HIVEX_OPEN_WRITE);
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

}  // namespace harnlode::bench
