// Feeds arbitrary bytes, as the SYSTEM hive of an installation, through an analysis run and a
// tuning run of the offline store, and stops at the first input for which a property of
// hive_properties.h does not hold.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "hive_properties.h"
#include "offline/base_block.h"
#include "offline/hive_location.h"

namespace {

namespace fs = std::filesystem;

fs::path installation;

// A folder in memory when there is one: every input is written and read back several times.
fs::path ScratchFolder() {
  std::error_code error;
  const fs::path shared_memory = "/dev/shm";
  if (fs::is_directory(shared_memory, error) && ::access(shared_memory.c_str(), W_OK) == 0) {
    return shared_memory;
  }
  return fs::temp_directory_path();
}

void RemoveInstallation() {
  std::error_code ignored;
  fs::remove_all(installation, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (ScratchFolder() / "harnlode-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  installation = pattern;
  fs::create_directories((installation / harnlode::kSystemHivePath).parent_path());
  fs::create_directories(installation / "Windows/System32/drivers");
  std::ofstream(installation / "Windows/System32/drivers/USBSTOR.SYS") << "driver";
  std::atexit(RemoveInstallation);
  return 0;
}

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max_size);

// Most mutations of the base block would only be refused for their checksum; most mutants get a
// right one, so that what lies behind that check is reached too.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t max_size, unsigned int seed) {
  size = LLVMFuzzerMutate(data, size, max_size);
  if (seed % 8 != 0 && size >= harnlode::base_block::kLogCopySize) {
    harnlode::base_block::UpdateChecksum({data, size});
  }
  return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string violated = harnlode::CheckHiveProperties(
      installation, std::string(reinterpret_cast<const char*>(data), size));
  if (!violated.empty()) {
    std::fprintf(stderr, "violated: %s\n", violated.c_str());
    std::abort();
  }
  return 0;
}
