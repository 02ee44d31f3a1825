// Recovery from transaction logs, on small hives made of numbered bins and logs written by the
// format's rules, and once on a real Windows 10 hive with its logs.
#include "offline/hive_recovery.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <hivex.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "child_process.h"
#include "file_bytes.h"
#include "hive_log_writer.h"
#include "offline/base_block.h"
#include "offline/hive_bin.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Outcome = HiveRecovery::Outcome;
using Log = HiveRecovery::Log;

constexpr std::uint32_t kBin = 4096;
constexpr std::uint64_t kWritten = 0x01D0'0000'0000'0000;  // last-written time of every image
constexpr std::uint8_t kEmptyBin = 0;                      // a fill that stands for an empty bin

// A hive of one 4096-byte bin per fill, each bin's body that byte, with sequence numbers
// `primary`/`secondary`.
Bytes Image(const std::vector<std::uint8_t>& fills, std::uint32_t primary, std::uint32_t secondary,
            std::uint32_t flags = 0) {
  Bytes hive(base_block::kSize + kBin * fills.size());
  std::memcpy(hive.data(), "regf", 4);
  base_block::SetSequences(hive, primary, secondary);
  base_block::Write32(hive, 12, static_cast<std::uint32_t>(kWritten));
  base_block::Write32(hive, 16, static_cast<std::uint32_t>(kWritten >> 32));
  base_block::Write32(hive, 20, 1);
  base_block::Write32(hive, 24, 5);
  base_block::SetBinsSize(hive, static_cast<std::uint32_t>(kBin * fills.size()));
  base_block::SetFlags(hive, flags);
  base_block::UpdateChecksum(hive);
  for (std::size_t i = 0; i < fills.size(); ++i) {
    const std::span<std::uint8_t> bin(hive.data() + base_block::kSize + kBin * i, kBin);
    const auto offset = static_cast<std::uint32_t>(kBin * i);
    hive_bin::WriteEmpty(bin, offset);
    if (fills[i] == kEmptyBin) continue;
    std::memset(bin.data() + hive_bin::kHeaderSize, fills[i], kBin - hive_bin::kHeaderSize);
    base_block::Write32(bin, hive_bin::kTimestamp, static_cast<std::uint32_t>(kWritten));
    base_block::Write32(bin, hive_bin::kTimestamp + 4, static_cast<std::uint32_t>(kWritten >> 32));
  }
  return hive;
}

// What the hive's bins hold in each version; the primary holds version 0. Version 3 grows it.
const std::vector<std::vector<std::uint8_t>> kVersions = {
    {1, 2, 3, 4}, {1, 11, 3, 4}, {1, 11, 12, 4}, {13, 11, 12, 4, 15}, {13, 11, 12, 14, 15}};
// New format: the primary says 100/99; entry k (1 to 4) makes version k with sequence 99 + k.
constexpr std::uint32_t kFirstEntry = 100;
constexpr int kOldEntry = 0;  // an entry below its log's start, with pages of its own

// kBadLog2Start damages LOG2's base block, kFirstBadHash the first entry of a log, the others its
// last entry.
enum class Fault { kNone, kBadHash, kBadBinsSize, kTorn, kBrokenBin, kBadLog2Start, kFirstBadHash };
enum class Primary { kDirty, kClean, kBadBaseBlock, kNewerThanLogs };

Bytes PrimaryImage(Primary state, std::uint32_t primary, std::uint32_t secondary) {
  Bytes hive = Image(kVersions[0], primary, secondary);
  if (state == Primary::kClean) hive = Image(kVersions[0], secondary, secondary);
  if (state == Primary::kNewerThanLogs) hive = Image(kVersions[0], 201, 200);
  if (state == Primary::kBadBaseBlock) hive[base_block::kChecksummed] ^= 0x55;
  return hive;
}

// Entries `versions` (kOldEntry for an older one) with `fault` in the last.
Bytes NewLog(const std::vector<int>& versions, Fault fault) {
  if (versions.empty()) return {};
  std::vector<Bytes> images;
  for (std::size_t k = 0; k < kVersions.size(); ++k) {
    images.push_back(Image(kVersions[k], 0, 0, 1));
  }
  const Bytes old_pages = Image({7, 7, 7, 7}, 0, 0);
  if (fault == Fault::kBrokenBin) images[versions.back()][base_block::kSize + kBin] = 'X';
  std::vector<hive_log::Entry> entries;
  std::uint32_t start = 0;
  for (int version : versions) {
    if (version == kOldEntry) {
      entries.push_back({kFirstEntry - 10, old_pages, {{0, 4 * kBin}}});
      continue;
    }
    if (start == 0) start = kFirstEntry + version - 1;
    entries.push_back({kFirstEntry + version - 1, images[version],
                       hive_log::ChangedPages(images[version - 1], images[version])});
  }
  hive_log::WrittenLog log = hive_log::WriteNewFormatLog(images[0], start, entries);
  const std::size_t last = log.entry_offsets.back();
  if (fault == Fault::kBadHash) log.bytes[log.bytes.size() - 1] ^= 1;
  if (fault == Fault::kBadBinsSize) {
    base_block::Write32(log.bytes, last + 16, 5 * kBin + 512);
    hive_log::RehashEntry(log.bytes, last);
  }
  if (fault == Fault::kTorn) log.bytes.resize(log.bytes.size() - 512);
  if (fault == Fault::kBadLog2Start) log.bytes[0] ^= 1;
  if (fault == Fault::kFirstBadHash) log.bytes[log.entry_offsets.front() + kBin] ^= 1;
  return log.bytes;
}

struct NewFormatRow {
  const char* name;
  Primary primary;
  std::vector<int> log1, log2;
  Fault fault;  // in the last entry of LOG1, or LOG2 when LOG1 has none
  Outcome outcome;
  int version;  // that the bins hold afterwards; 0 for the primary as it was
  std::uint32_t highest;
  Log base_block_from = Log::kNone;
  const char* problem = "";
  const char* unapplied = "";  // the entries left out, "" for none
};

void PrintTo(const NewFormatRow& row, std::ostream* out) { *out << row.name; }

class NewFormat : public ::testing::TestWithParam<NewFormatRow> {};

TEST_P(NewFormat, BringsTheHiveUpToDate) {
  const NewFormatRow& row = GetParam();
  const Bytes primary = PrimaryImage(row.primary, 100, 99);
  const bool in_log2 = row.log1.empty() || row.fault == Fault::kBadLog2Start;
  const Bytes log1 = NewLog(row.log1, in_log2 ? Fault::kNone : row.fault);
  const Bytes log2 = NewLog(row.log2, in_log2 ? row.fault : Fault::kNone);
  Bytes hive = primary;
  const HiveRecovery recovery = RecoverHive(hive, {{}, log1, log2});
  EXPECT_EQ(recovery.outcome, row.outcome);
  EXPECT_EQ(recovery.highest_log_sequence, row.outcome == Outcome::kClean ? 0 : row.highest);
  EXPECT_EQ(recovery.base_block_from, row.base_block_from);
  EXPECT_NE(recovery.problem.find(row.problem), std::string::npos) << recovery.problem;
  EXPECT_EQ(recovery.unapplied, row.unapplied);
  if (row.outcome != Outcome::kRecovered) {
    EXPECT_TRUE(hive == primary);
    return;
  }
  std::vector<std::uint8_t> fills = kVersions[row.version];
  if (row.fault == Fault::kBrokenBin) fills[1] = kEmptyBin;
  const std::uint32_t sequence = kFirstEntry + row.version - 1;
  EXPECT_TRUE(hive == Image(fills, sequence, sequence, 1));
  EXPECT_EQ(recovery.bins_replaced, row.fault == Fault::kBrokenBin ? 1u : 0u);
}

// clang-format off
const NewFormatRow kNewFormatRows[] = {
    {"OneLog", Primary::kDirty, {1, 2, 3}, {}, Fault::kNone, Outcome::kRecovered, 3, 102},
    {"EarlierInLog1", Primary::kDirty, {1, 2}, {3, 4}, Fault::kNone, Outcome::kRecovered, 4, 103},
    {"EarlierInLog2", Primary::kDirty, {3, 4}, {1, 2}, Fault::kNone, Outcome::kRecovered, 4, 103},
    {"OverlappingLogs", Primary::kDirty, {1, 2, 3}, {2, 3, 4}, Fault::kNone, Outcome::kRecovered, 4, 103},
    {"OldEntriesPassedOver", Primary::kDirty, {kOldEntry, kOldEntry, 1, 2}, {}, Fault::kNone, Outcome::kRecovered, 2, 101},
    // Entries with right hashes beyond a gap or a damaged entry: left out, and told.
    {"StopsAtAGap", Primary::kDirty, {1, 2, 4}, {}, Fault::kNone, Outcome::kRecovered, 2, 103, Log::kNone, "no entry 102 follows entry 101", "LOG1 holds entry 103"},
    {"GapBetweenTheLogs", Primary::kDirty, {1}, {3, 4}, Fault::kNone, Outcome::kRecovered, 1, 103, Log::kNone, "no entry 101 follows entry 100", "LOG2 holds 2 entries (102 to 103)"},
    {"DamagedEntryBeforeTheOtherLog", Primary::kDirty, {1, 2}, {3, 4}, Fault::kBadHash, Outcome::kRecovered, 1, 103, Log::kNone, "LOG1's entry after entry 100 is damaged", "LOG2 holds 2 entries (102 to 103)"},
    {"CutEntryBeforeTheOtherLog", Primary::kDirty, {1, 2}, {3, 4}, Fault::kTorn, Outcome::kRecovered, 1, 103, Log::kNone, "LOG1 is cut short in the entry after entry 100", "LOG2 holds 2 entries (102 to 103)"},
    {"OtherLogDamagedAtItsStart", Primary::kDirty, {1}, {2, 3}, Fault::kBadLog2Start, Outcome::kRecovered, 1, 102, Log::kNone, "no entry 101 follows entry 100", "LOG2 holds 2 entries (101 to 102)"},
    {"StopsAtABadBinsSize", Primary::kDirty, {1, 2, 3}, {}, Fault::kBadBinsSize, Outcome::kRecovered, 2, 102, Log::kNone, "LOG1's entry after entry 101 is damaged", "LOG1 holds entry 102"},
    // A damaged or torn last entry holds nothing that Windows could apply, and no number.
    {"StopsAtABadHash", Primary::kDirty, {1, 2, 3}, {}, Fault::kBadHash, Outcome::kRecovered, 2, 101},
    {"StopsAtATornLastEntry", Primary::kDirty, {1, 2, 3}, {}, Fault::kTorn, Outcome::kRecovered, 2, 101},
    {"GrowsTheHive", Primary::kDirty, {1, 2, 3, 4}, {}, Fault::kNone, Outcome::kRecovered, 4, 103},
    {"ReplacesABrokenBin", Primary::kDirty, {1}, {}, Fault::kBrokenBin, Outcome::kRecovered, 1, 100},
    {"BadBaseBlockFromTheLatestLog", Primary::kBadBaseBlock, {1, 2}, {1, 2, 3, 4}, Fault::kNone, Outcome::kRecovered, 4, 103, Log::kLog2},
    {"CleanPrimaryIgnoresLaterEntries", Primary::kClean, {1, 2}, {}, Fault::kNone, Outcome::kClean, 0, 0},
    {"NoLogs", Primary::kDirty, {}, {}, Fault::kNone, Outcome::kUnrecovered, 0, 0, Log::kNone, "LOG1 and LOG2 are missing or empty"},
    {"TornAtTheFirstEntry", Primary::kDirty, {1}, {}, Fault::kBadHash, Outcome::kUnrecovered, 0, 0, Log::kNone, "LOG1 is torn at its first entry"},
    {"TornAtTheFirstEntryWithMoreBehind", Primary::kDirty, {1, 2, 3}, {}, Fault::kFirstBadHash, Outcome::kUnrecovered, 0, 102, Log::kNone, "LOG1 is torn at its first entry", "LOG1 holds 2 entries (101 to 102)"},
    {"LogsOlderThanThePrimary", Primary::kNewerThanLogs, {1, 2}, {}, Fault::kNone, Outcome::kUnrecovered, 0, 101, Log::kNone, "LOG1 is older than the hive"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, NewFormat, ::testing::ValuesIn(kNewFormatRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Old format: the primary holds version 0 with sequence numbers 101/100; a log of version k has
// sequence number 100 + k.
struct OldFormatRow {
  const char* name;
  Primary primary;
  int log1, log2;   // the version each log holds; 0 for none
  bool other_time;  // LOG1 was written at another time than the primary
  bool broken_bin;  // the header of bin 2 in LOG1 is damaged
  Outcome outcome;
  int version;
  Log base_block_from = Log::kNone;
  const char* problem = "";
  const char* unapplied = "";
};

Bytes OldLog(int version, bool other_time, bool broken_bin) {
  if (version == 0) return {};
  Bytes image = Image(kVersions[version], 0, 0);
  if (other_time) base_block::Write32(image, 12, 1);
  Bytes log = hive_log::WriteOldFormatLog(image, 100 + version,
                                          hive_log::ChangedPages(Image(kVersions[0], 0, 0), image));
  if (broken_bin) {
    // The pages follow the one-sector map in bin order: bin 1's 8 pages, then bin 2's.
    log[2 * 512 + 8 * 512] = 'X';
  }
  return log;
}

void PrintTo(const OldFormatRow& row, std::ostream* out) { *out << row.name; }

class OldFormat : public ::testing::TestWithParam<OldFormatRow> {};

TEST_P(OldFormat, BringsTheHiveUpToDate) {
  const OldFormatRow& row = GetParam();
  const Bytes primary = PrimaryImage(row.primary, 101, 100);
  const Bytes log1 = OldLog(row.log1, row.other_time, row.broken_bin);
  const Bytes log2 = OldLog(row.log2, false, false);
  Bytes hive = primary;
  const HiveRecovery recovery = RecoverHive(hive, {{}, log1, log2});
  EXPECT_EQ(recovery.outcome, row.outcome);
  EXPECT_EQ(recovery.base_block_from, row.base_block_from);
  EXPECT_NE(recovery.problem.find(row.problem), std::string::npos) << recovery.problem;
  EXPECT_EQ(recovery.unapplied, row.unapplied);
  if (row.outcome != Outcome::kRecovered) {
    EXPECT_TRUE(hive == primary);
    return;
  }
  const int applied = std::max(row.log1, row.log2);
  const std::uint32_t sequence = 100 + (row.broken_bin ? row.log1 : applied);
  EXPECT_EQ(recovery.highest_log_sequence, 100 + applied);
  const Bytes expected = Image(kVersions[row.version], sequence, sequence);
  EXPECT_TRUE(hive == expected);
}

// clang-format off
const OldFormatRow kOldFormatRows[] = {
    {"OneLog", Primary::kDirty, 1, 0, false, false, Outcome::kRecovered, 1},
    {"NewerLog2", Primary::kDirty, 1, 2, false, false, Outcome::kRecovered, 2},
    {"NewerLog1", Primary::kDirty, 2, 1, false, false, Outcome::kRecovered, 2},
    {"GrowsTheHive", Primary::kDirty, 3, 0, false, false, Outcome::kRecovered, 3},
    {"StopsAtABrokenBin", Primary::kDirty, 2, 0, false, true, Outcome::kRecovered, 1, Log::kNone, "the hive bin at offset 8192 is damaged", "LOG1 holds 8 pages"},
    {"BadBaseBlockFromTheLog", Primary::kBadBaseBlock, 1, 0, false, false, Outcome::kRecovered, 1, Log::kLog1},
    {"WrittenAtAnotherTime", Primary::kDirty, 1, 0, true, false, Outcome::kUnrecovered, 0, Log::kNone, "LOG1 is written for another state of the hive"},
    {"CleanPrimary", Primary::kClean, 1, 0, false, false, Outcome::kClean, 0},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, OldFormat, ::testing::ValuesIn(kOldFormatRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OldFormatLog, ThatWouldGrowTheHiveBeyondWhatItHoldsIsRefusedUnallocated) {
  Bytes image = Image(kVersions[1], 0, 0);
  base_block::SetBinsSize(image, 64 << 20);
  const Bytes log = hive_log::WriteOldFormatLog(image, 101, {{kBin, kBin}});
  Bytes hive = PrimaryImage(Primary::kDirty, 101, 100);
  const HiveRecovery recovery = RecoverHive(hive, {{}, log, {}});
  EXPECT_EQ(recovery.outcome, Outcome::kUnrecovered);
  EXPECT_NE(recovery.problem.find("LOG1 is damaged at its start: it makes the hive 67112960 bytes"),
            std::string::npos)
      << recovery.problem;
}

// The real hives, decompressed into a temporary folder.
class RealHives : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory(HARNLODE_REAL_HIVES)) {
      GTEST_SKIP() << "no real hives at " << HARNLODE_REAL_HIVES << " (HARNLODE_REAL_HIVES)";
    }
    if (RunProgram({"xz", "--version"}).status != 0) {
      GTEST_SKIP() << "the xz program, which decompresses the real hives, is missing";
    }
  }

  Bytes Read(const std::string& name) {
    const fs::path packed = fs::path(HARNLODE_REAL_HIVES) / (name + ".xz");
    const fs::path file = folder_.Path() / name;
    EXPECT_EQ(RunProgramInto({"xz", "-dc", packed}, file), 0) << "xz -dc " << packed;
    return ReadBytes(file);
  }

  TempFolder folder_;
};

struct Counts {
  long keys = 0;
  long values = 0;
};

void Count(hive_h* hive, hive_node_h node, Counts& counts) {
  ++counts.keys;
  hive_value_h* values = hivex_node_values(hive, node);
  for (hive_value_h* value = values; value != nullptr && *value != 0; ++value) ++counts.values;
  std::free(values);
  hive_node_h* children = hivex_node_children(hive, node);
  for (hive_node_h* child = children; child != nullptr && *child != 0; ++child) {
    Count(hive, *child, counts);
  }
  std::free(children);
}

// Every key and value that hivex finds in the image, read from memory through a memfd; nullopt
// when hivex does not open it.
std::optional<Counts> CountInHivex(const Bytes& image) {
  const int fd = ::memfd_create("hive", 0);
  if (fd < 0 || ::write(fd, image.data(), image.size()) != static_cast<ssize_t>(image.size())) {
    return std::nullopt;
  }
  hive_h* hive = hivex_open(("/proc/self/fd/" + std::to_string(fd)).c_str(), 0);
  ::close(fd);
  if (hive == nullptr) return std::nullopt;
  Counts counts;
  Count(hive, hivex_root(hive), counts);
  hivex_close(hive);
  return counts;
}

TEST_F(RealHives, Windows10IsBroughtUpToDateFromBothLogs) {
  const Bytes primary = Read("windows10-SYSTEM");
  const Bytes log1 = Read("windows10-SYSTEM.LOG1");
  const Bytes log2 = Read("windows10-SYSTEM.LOG2");
  const Bytes log1_before = log1;
  const Bytes log2_before = log2;

  const std::optional<Counts> before = CountInHivex(primary);
  ASSERT_TRUE(before);
  EXPECT_EQ(before->keys, 33123);
  EXPECT_EQ(before->values, 74957);

  Bytes hive = primary;
  const HiveRecovery recovery = RecoverHive(hive, {{}, log1, log2});
  ASSERT_EQ(recovery.outcome, Outcome::kRecovered) << recovery.problem;
  EXPECT_EQ(recovery.entries_applied, 24u);
  EXPECT_EQ(recovery.bins_replaced, 0u);
  EXPECT_EQ(recovery.highest_log_sequence, 2130u);
  EXPECT_TRUE(base_block::Clean(hive));
  EXPECT_EQ(base_block::PrimarySequence(hive), 2130u);
  EXPECT_EQ(hive.size(), base_block::kSize + 12591104);
  const std::optional<Counts> after = CountInHivex(hive);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->keys, 35595);
  EXPECT_EQ(after->values, 78901);
  EXPECT_TRUE(log1 == log1_before && log2 == log2_before);
}

TEST_F(RealHives, CleanWindows7StaysAsItIs) {
  const Bytes primary = Read("windows7-SYSTEM");
  Bytes hive = primary;
  EXPECT_EQ(RecoverHive(hive, {}).outcome, Outcome::kClean);
  EXPECT_TRUE(hive == primary);
}

}  // namespace
}  // namespace harnlode::testing
