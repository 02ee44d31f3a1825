// Feeds arbitrary bytes, as the SYSTEM hive of an installation, through an analysis run and a
// tuning run of the offline store, and checks what must hold whatever the bytes are:
// - neither run crashes, and each ends normally or with one of the two failures the check reports;
// - an analysis run leaves the hive file byte for byte as it was;
// - a tuning run leaves either the old file or one that opens as a hive again, and when it ends
//   normally, an analysis run of its result finds the system ready.
#include <hivex.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "installation_error.h"
#include "investigate.h"
#include "offline/offline_system.h"
#include "registry.h"
#include "target_system.h"

namespace {

namespace fs = std::filesystem;
using namespace harnlode;

class LastLineLog final : public TLogOwner {
 public:
  void LogLine(const std::string& text) override { last = text; }
  std::string last;
};

// The base block's checksum: the XOR of its first 127 little-endian words.
constexpr std::size_t kChecksumOffset = 0x1FC;

void FixChecksum(std::uint8_t* data, std::size_t size) {
  if (size < kChecksumOffset + 4) return;
  std::uint32_t checksum = 0;
  for (std::size_t i = 0; i < kChecksumOffset; i += 4) {
    checksum ^= data[i] | (data[i + 1] << 8) | (data[i + 2] << 16) |
                (static_cast<std::uint32_t>(data[i + 3]) << 24);
  }
  for (int i = 0; i < 4; ++i)
    data[kChecksumOffset + i] = static_cast<std::uint8_t>(checksum >> 8 * i);
}

enum class Outcome { kEnded, kFailed };

fs::path installation;

fs::path HivePath() { return installation / OfflineSystem::kSystemHive; }

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

std::string ReadHive() {
  std::ifstream in(HivePath(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteHive(const std::uint8_t* data, std::size_t size) {
  std::ofstream out(HivePath(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out.flush()) {
    std::fprintf(stderr, "cannot write %s\n", HivePath().c_str());
    std::abort();
  }
}

[[noreturn]] void Violated(const char* what) {
  std::fprintf(stderr, "violated: %s\n", what);
  std::abort();
}

Outcome Run(bool analyze_only, std::string* last_line) {
  try {
    OfflineSystem system(installation);
    UseTargetSystem use(system);
    LastLineLog log;
    log.InvestigateRegistry(ControlSetNames, UsbServiceNames, 0, "Start", "System Reserved",
                            "Group", analyze_only);
    *last_line = log.last;
    return Outcome::kEnded;
  } catch (const EInstallationError&) {
  } catch (const ERegistryException&) {
  }
  return Outcome::kFailed;
}

bool OpensAsHive() {
  hive_h* hive = hivex_open(HivePath().c_str(), 0);
  if (hive == nullptr) return false;
  hivex_close(hive);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (ScratchFolder() / "harnlode-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) Violated("a scratch folder can be made");
  installation = pattern;
  fs::create_directories(HivePath().parent_path());
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
  if (seed % 8 != 0) FixChecksum(data, size);
  return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string last_line;

  WriteHive(data, size);
  Run(true, &last_line);
  if (ReadHive() != input) Violated("an analysis run leaves the hive as it was");

  if (Run(false, &last_line) == Outcome::kEnded) {
    if (!OpensAsHive()) Violated("a finished tuning run leaves a hive");
    if (Run(true, &last_line) != Outcome::kEnded || last_line != kReadyVerdict) {
      Violated("a finished tuning run leaves the system ready");
    }
  } else if (ReadHive() != input && !OpensAsHive()) {
    Violated("a failed tuning run leaves the old hive or one that opens");
  }
  return 0;
}
