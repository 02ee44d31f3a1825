// The sample library: blank hives, the hive builder and reader, the sample installation and the
// program that makes it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <hivex.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "blank_hive.h"
#include "child_process.h"
#include "file_bytes.h"
#include "hive_builder.h"
#include "offline/base_block.h"
#include "sample_installation.h"
#include "temp_installation.h"
#include "text_conversion.h"

namespace harnlode {
namespace {

namespace fs = std::filesystem;
using testing::ProgramOutcome;
using testing::ReadBytes;
using testing::RunProgram;

class SampleTest : public ::testing::Test {
 protected:
  testing::TempFolder temp_;
  fs::path folder_ = temp_.Path();
};

// Every file below the folder with its contents, to see that nothing changed.
std::map<std::string, std::vector<std::uint8_t>> Snapshot(const fs::path& folder) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    files[entry.path().string()] =
        entry.is_regular_file() ? ReadBytes(entry.path()) : std::vector<std::uint8_t>{};
  }
  return files;
}

std::string TextOf(const HiveValue& value) {
  std::string text = EightBitFromUtf16le(value.data);
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

HiveValue Dword(std::uint32_t n) {
  return {kRegDword,
          {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)}};
}

TEST_F(SampleTest, BlankHiveHasAConsistentBaseBlock) {
  const fs::path file = folder_ / "blank";
  WriteBlankHive(file);
  const std::vector<std::uint8_t> bytes = ReadBytes(file);
  ASSERT_EQ(bytes.size(), 0x2000u);
  EXPECT_TRUE(base_block::Clean(bytes)) << "signature, checksum or sequence numbers";
  EXPECT_EQ(base_block::BinsSize(bytes), 0x1000u) << "hive bins size";
  EXPECT_EQ(std::string(bytes.begin() + 0x1000, bytes.begin() + 0x1004), "hbin");
  EXPECT_FALSE(fs::exists(folder_ / "blank.partial"));
}

TEST_F(SampleTest, BlankHiveOpensInHivexAndTakesNewKeys) {
  const fs::path file = folder_ / "blank";
  WriteBlankHive(file);

  hive_h* hive = hivex_open(file.c_str(), 0);
  ASSERT_NE(hive, nullptr);
  EXPECT_EQ(hivex_node_nr_children(hive, hivex_root(hive)), 0u);
  EXPECT_EQ(hivex_node_nr_values(hive, hivex_root(hive)), 0u);
  hivex_close(hive);

  hive = hivex_open(file.c_str(), HIVEX_OPEN_WRITE);
  ASSERT_NE(hive, nullptr);
  const hive_node_h first = hivex_node_add_child(hive, hivex_root(hive), "First");
  ASSERT_NE(first, 0u);
  ASSERT_NE(hivex_node_add_child(hive, first, "Second"), 0u);
  ASSERT_NE(hivex_node_add_child(hive, hivex_root(hive), "Third"), 0u);
  ASSERT_EQ(hivex_commit(hive, nullptr, 0), 0);
  hivex_close(hive);

  const HiveContents contents = ReadHiveContents(file);
  std::vector<std::string> keys;
  for (const auto& [path, values] : contents) keys.push_back(path);
  EXPECT_EQ(keys, (std::vector<std::string>{"", "First", "First\\Second", "Third"}));
}

TEST_F(SampleTest, BlankHiveReplacesAFileAndNamesTheFileWhenItFails) {
  const fs::path file = folder_ / "hive";
  std::ofstream(file) << "not a hive";
  WriteBlankHive(file);
  EXPECT_NO_THROW(ReadHiveContents(file));

  const fs::path unwritable = folder_ / "missing" / "hive";
  EXPECT_THAT([&] { WriteBlankHive(unwritable); }, ::testing::ThrowsMessage<std::runtime_error>(
                                                       ::testing::HasSubstr(unwritable.string())));
}

TEST_F(SampleTest, BuilderRoundTripsValuesOfAnyTypeAndSize) {
  const fs::path file = folder_ / "hive";
  std::vector<std::uint8_t> large(3000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
  {
    HiveBuilder builder(file);
    builder.SetValue("Data", "Empty", kRegBinary, {});
    builder.SetValue("Data", "Four", kRegBinary, std::vector<std::uint8_t>{1, 2, 3, 4});
    builder.SetValue("Data", "Five", kRegBinary, std::vector<std::uint8_t>{1, 2, 3, 4, 5});
    builder.SetValue("Data", "Large", kRegBinary, large);
    builder.SetValue("Data", "OddType", 0x12345, std::vector<std::uint8_t>{9});
    builder.SetValue("Data", "Nothing", kRegNone, {});
    builder.SetText("Data", "", "default value");
    builder.SetText("Text", "Plain", "Grüße");
    builder.SetText("Text", "Empty", "");
    builder.SetExpandText("Text", "Path", "%SystemRoot%\\system32");
    builder.SetMultiText("Text", "List", {"one", "two"});
    builder.SetDword("Text", "Number", 0xCAFEF00D);
    builder.Commit();
  }

  const HiveContents contents = ReadHiveContents(file);
  ASSERT_EQ(contents.size(), 3u);
  const HiveValues& data = contents.at("Data");
  EXPECT_EQ(data.at("empty"), (HiveValue{kRegBinary, {}}));
  EXPECT_EQ(data.at("four"), (HiveValue{kRegBinary, {1, 2, 3, 4}}));
  EXPECT_EQ(data.at("five"), (HiveValue{kRegBinary, {1, 2, 3, 4, 5}}));
  EXPECT_EQ(data.at("large"), (HiveValue{kRegBinary, large}));
  EXPECT_EQ(data.at("oddtype"), (HiveValue{0x12345, {9}}));
  EXPECT_EQ(data.at("nothing"), (HiveValue{kRegNone, {}}));
  EXPECT_EQ(TextOf(data.at("")), "default value");

  const HiveValues& text = contents.at("Text");
  EXPECT_EQ(text.at("plain").type, kRegSz);
  EXPECT_EQ(text.at("plain").data, Utf16leFromEightBit(std::string("Grüße") + '\0'));
  EXPECT_EQ(text.at("empty"), (HiveValue{kRegSz, {0, 0}}));
  EXPECT_EQ(text.at("path").type, kRegExpandSz);
  EXPECT_EQ(TextOf(text.at("path")), "%SystemRoot%\\system32");
  EXPECT_EQ(text.at("list"),
            (HiveValue{kRegMultiSz, Utf16leFromEightBit(std::string("one\0two\0\0", 9))}));
  EXPECT_EQ(text.at("number"), Dword(0xCAFEF00D));
}

TEST_F(SampleTest, BuilderMatchesKeyAndValueNamesWithoutRegardToCase) {
  const fs::path file = folder_ / "hive";
  {
    HiveBuilder builder(file);
    builder.AddKey("ControlSet001\\Services");
    builder.AddKey("controlset001\\SERVICES\\usbstor\\");
    builder.SetDword("ControlSet001\\Services\\USBSTOR", "Start", 3);
    builder.SetDword("ControlSet001\\Services\\USBSTOR", "Type", 1);
    builder.SetDword("ControlSet001\\Services\\USBSTOR", "START", 0);
    builder.Commit();
  }
  const HiveContents contents = ReadHiveContents(file);
  std::vector<std::string> keys;
  for (const auto& [path, values] : contents) keys.push_back(path);
  EXPECT_EQ(keys, (std::vector<std::string>{"", "ControlSet001", "ControlSet001\\Services",
                                            "ControlSet001\\Services\\usbstor"}));
  EXPECT_EQ(contents.at("ControlSet001\\Services\\usbstor"),
            (HiveValues{{"start", Dword(0)}, {"type", Dword(1)}}));
}

TEST_F(SampleTest, ReadingSomethingElseThanAHiveFailsNamingTheFile) {
  const fs::path file = folder_ / "text";
  std::ofstream(file) << std::string(9000, 'x');
  for (const fs::path& bad : {file, folder_ / "missing"}) {
    EXPECT_THAT([&] { ReadHiveContents(bad); },
                ::testing::ThrowsMessage<std::runtime_error>(::testing::HasSubstr(bad.string())));
  }
}

TEST_F(SampleTest, SampleInstallationIsAFreshInstallation) {
  const fs::path windows = folder_ / "new" / "Windows";
  MakeSampleInstallation(folder_ / "new");
  EXPECT_TRUE(fs::is_regular_file(windows / "System32" / "drivers" / "USBSTOR.SYS"));
  EXPECT_GT(fs::file_size(windows / "System32" / "drivers" / "USBSTOR.SYS"), 0u);

  const HiveContents hive = ReadHiveContents(windows / "System32" / "config" / "SYSTEM");
  EXPECT_EQ(hive.at("Select"), (HiveValues{{"current", Dword(1)},
                                           {"default", Dword(1)},
                                           {"failed", Dword(0)},
                                           {"lastknowngood", Dword(2)}}));
  EXPECT_TRUE(hive.contains("MountedDevices"));
  EXPECT_TRUE(hive.contains("Setup"));
  EXPECT_FALSE(hive.contains("ControlSet003"));

  EXPECT_EQ(hive.at("ControlSet001\\Services\\Tcpip"), hive.at("ControlSet002\\Services\\Tcpip"));
}

// The sample's two control sets, and each USB service in them.
class SampleControlSet : public SampleTest, public ::testing::WithParamInterface<std::string> {
 protected:
  HiveContents Hive() {
    MakeSampleInstallation(folder_);
    return ReadHiveContents(folder_ / "Windows" / "System32" / "config" / "SYSTEM");
  }
};

TEST_P(SampleControlSet, HoldsWhatAFreshInstallationHas) {
  const HiveContents hive = Hive();
  const std::string& set = GetParam();
  EXPECT_TRUE(hive.contains(set + "\\Enum"));
  EXPECT_TRUE(hive.contains(set + "\\Hardware Profiles"));
  const std::string list = TextOf(hive.at(set + "\\Control\\ServiceGroupOrder").at("list"));
  EXPECT_NE(list.find(std::string("\0Base\0", 6)), std::string::npos);

  const HiveValues& usbstor = hive.at(set + "\\Services\\USBSTOR");
  EXPECT_EQ(usbstor.at("start"), Dword(3));
  EXPECT_FALSE(usbstor.contains("group"));

  const HiveValues& acpi = hive.at(set + "\\Services\\ACPI");
  EXPECT_EQ(acpi.at("start"), Dword(0));
  EXPECT_EQ(TextOf(acpi.at("group")), "Boot Bus Extender");
}

INSTANTIATE_TEST_SUITE_P(Sets, SampleControlSet,
                         ::testing::Values("ControlSet001", "ControlSet002"),
                         [](const auto& info) { return info.param; });

class SampleUsbService
    : public SampleTest,
      public ::testing::WithParamInterface<std::tuple<std::string, std::string>> {};

TEST_P(SampleUsbService, LoadsLateWithItsDriverFile) {
  const auto& [set, service] = GetParam();
  MakeSampleInstallation(folder_);
  const fs::path windows = folder_ / "Windows";
  const HiveContents hive = ReadHiveContents(windows / "System32" / "config" / "SYSTEM");
  const HiveValues& values = hive.at(set + "\\Services\\" + service);
  EXPECT_EQ(values.at("start"), Dword(3));
  EXPECT_EQ(values.at("type"), Dword(1));
  EXPECT_EQ(values.at("group").type, kRegSz);
  EXPECT_EQ(TextOf(values.at("group")), "Base");
  EXPECT_EQ(values.at("imagepath").type, kRegExpandSz);
  EXPECT_EQ(TextOf(values.at("imagepath")), "system32\\DRIVERS\\" + service + ".sys");
  EXPECT_TRUE(fs::is_regular_file(windows / "System32" / "drivers" / (service + ".sys")));
}

INSTANTIATE_TEST_SUITE_P(
    Services, SampleUsbService,
    ::testing::Combine(::testing::Values("ControlSet001", "ControlSet002"),
                       ::testing::Values("usbccgp", "usbehci", "usbhub", "usbohci", "usbuhci")),
    [](const auto& info) { return std::get<0>(info.param) + "_" + std::get<1>(info.param); });

TEST_F(SampleTest, SampleInstallationNeverOverwritesOne) {
  MakeSampleInstallation(folder_);
  const auto before = Snapshot(folder_);
  EXPECT_THROW(MakeSampleInstallation(folder_), std::runtime_error);
  EXPECT_EQ(Snapshot(folder_), before);

  const fs::path other = folder_ / "other";
  fs::create_directories(other / "WINDOWS");
  EXPECT_THROW(MakeSampleInstallation(other), std::runtime_error);
  EXPECT_EQ(Snapshot(other).size(), 1u);
}

#ifdef HARNLODE_MAKE_SAMPLE_PROGRAM
// Runs the program, returning its exit status and what it printed on standard output.
std::pair<int, std::string> RunMakeSample(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), HARNLODE_MAKE_SAMPLE_PROGRAM);
  const ProgramOutcome outcome = RunProgram(arguments);
  return {outcome.status, outcome.out};
}

TEST_F(SampleTest, MakeSampleProgramSaysWhereAndRefusesTwice) {
  const std::string folder = (folder_ / "made").string();
  const auto [made, out] = RunMakeSample({folder});
  EXPECT_EQ(made, 0);
  EXPECT_NE(out.find((folder_ / "made").string()), std::string::npos);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
  EXPECT_TRUE(fs::exists(folder_ / "made" / "Windows" / "System32" / "config" / "SYSTEM"));

  EXPECT_EQ(RunMakeSample({folder}).first, 2);
  EXPECT_EQ(RunMakeSample({}).first, 2);
  EXPECT_EQ(RunMakeSample({"--help"}).first, 0);
}

TEST_F(SampleTest, MakeSampleProgramMakesAHiveOfTheSizeAsked) {
  const fs::path made = folder_ / "large";
  EXPECT_EQ(RunMakeSample({"--size-mib", "5", made}).first, 0);
  const fs::path hive = made / "Windows" / "System32" / "config" / "SYSTEM";
  EXPECT_GT(fs::file_size(hive), 4u << 20);
  EXPECT_LT(fs::file_size(hive), 6u << 20);
  EXPECT_TRUE(fs::exists(made / "Windows" / "System32" / "drivers" / "USBSTOR.SYS"));

  for (const std::string wrong : {"0", "5x", "", "-3"}) {
    std::vector<std::string> arguments = {"--size-mib", wrong, folder_ / "other"};
    if (wrong.empty()) arguments.erase(arguments.begin() + 1);
    EXPECT_EQ(RunMakeSample(arguments).first, 2) << wrong;
  }
  EXPECT_FALSE(fs::exists(folder_ / "other"));
}
#endif

}  // namespace
}  // namespace harnlode
