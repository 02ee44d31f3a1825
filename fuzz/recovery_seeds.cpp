// Writes seed inputs for the recovery fuzzer into FOLDER: small hives made with hivex, dirty,
// with logs of both formats that bring them up to date, and, given the decompressed real
// Windows 10 hive and logs, the start of each.
//   recovery-seeds FOLDER [REAL_HIVE REAL_LOG1 REAL_LOG2]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hive_builder.h"
#include "hive_log_writer.h"
#include "offline/base_block.h"
#include "recovery_properties.h"

namespace {

namespace fs = std::filesystem;
namespace base_block = harnlode::base_block;
using Bytes = std::vector<std::uint8_t>;

Bytes Read(const fs::path& file, std::size_t most = SIZE_MAX) {
  std::ifstream in(file, std::ios::binary);
  Bytes bytes{std::istreambuf_iterator<char>(in), {}};
  if (bytes.size() > most) bytes.resize(most);
  return bytes;
}

void Write(const fs::path& file, const Bytes& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 5) {
    std::fprintf(stderr, "usage: recovery-seeds FOLDER [REAL_HIVE REAL_LOG1 REAL_LOG2]\n");
    return 2;
  }
  const fs::path folder = argv[1];
  fs::create_directories(folder);

  // Three versions of one hive: a key, then a value in it, then enough keys to add a bin.
  const fs::path file = folder / "versions.hive";
  std::vector<Bytes> versions;
  {
    harnlode::HiveBuilder hive(file);
    hive.AddKey("Select");
    hive.Commit();
    versions.push_back(Read(file));
    hive.SetDword("Select", "Current", 1);
    hive.Commit();
    versions.push_back(Read(file));
    for (int i = 0; i < 60; ++i)
      hive.SetText("Services\\Service" + std::to_string(i), "Group", "Base");
    hive.Commit();
    versions.push_back(Read(file));
  }
  fs::remove(file);

  // The primary holds the first version, dirty, written at the time of the last.
  Bytes primary = versions[0];
  base_block::Write32(primary, 12, base_block::Read32(versions[2], 12));
  base_block::Write32(primary, 16, base_block::Read32(versions[2], 16));
  base_block::SetSequences(primary, 11, 10);
  base_block::UpdateChecksum(primary);
  namespace log = harnlode::hive_log;
  const log::Entry first{10, versions[1], log::ChangedPages(versions[0], versions[1])};
  const log::Entry second{11, versions[2], log::ChangedPages(versions[1], versions[2])};
  const Bytes both = log::WriteNewFormatLog(versions[0], 10, {first, second}).bytes;
  const Bytes one = log::WriteNewFormatLog(versions[0], 10, {first}).bytes;
  const Bytes other = log::WriteNewFormatLog(versions[1], 11, {second}).bytes;
  const Bytes old =
      log::WriteOldFormatLog(versions[2], 11, log::ChangedPages(versions[0], versions[2]));
  using harnlode::RecoveryInput;
  Write(folder / "new-one-log", RecoveryInput::Join(primary, both, {}));
  Write(folder / "new-two-logs", RecoveryInput::Join(primary, one, other));
  Write(folder / "new-two-logs-swapped", RecoveryInput::Join(primary, other, one));
  // LOG2 holds the second version as entry 12: no entry 11 follows LOG1's 10.
  const Bytes after_gap =
      log::WriteNewFormatLog(versions[1], 12, {{12, versions[2], second.pages}}).bytes;
  Write(folder / "new-gap-between-logs", RecoveryInput::Join(primary, one, after_gap));
  Write(folder / "old-format", RecoveryInput::Join(primary, old, {}));
  Bytes damaged = primary;
  damaged[100] ^= 1;
  Write(folder / "new-damaged-primary", RecoveryInput::Join(damaged, one, other));
  Write(folder / "old-damaged-primary", RecoveryInput::Join(damaged, {}, {}, old));

  if (argc == 5) {
    // The start of each: the first bins, LOG1's four entries, LOG2's first three.
    Write(
        folder / "real-windows10",
        RecoveryInput::Join(Read(argv[2], 256 << 10), Read(argv[3], 57344), Read(argv[4], 360448)));
  }
  return 0;
}
