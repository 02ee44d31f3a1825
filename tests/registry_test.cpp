// The registry accessor on the offline store, with real hive files behind it.
#include "registry.h"

#include <gtest/gtest.h>

#include "offline/offline_system.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

const std::string kKey = "ControlSet001\\Services\\usbhub";
const std::string kPath = "SYSTEM\\" + kKey;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_.AddService("ControlSet001", "usbhub", "Base", 3);
    windows_.Commit();
  }

  void Store(const std::string& name, RegType type, std::vector<std::uint8_t> data) {
    windows_.Hive().SetValue(kKey, name, type, data);
    windows_.Commit();
  }

  // Runs `work` with an accessor on the service key.
  template <typename Work>
  void WithKey(Work work) {
    OfflineSystem system(windows_.Folder());
    UseTargetSystem use(system);
    TRegistry registry;
    registry.SetRoot(kHkeyLocalMachine);
    ASSERT_TRUE(registry.OpenPath(kPath, false));
    work(registry);
  }

  static std::string MessageOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const ERegistryException& e) {
      return e.what();
    }
    return "(nothing raised)";
  }

  TempInstallation windows_;
};

TEST_F(RegistryTest, CreatedWithTheDocumentedState) {
  OfflineSystem system(windows_.Folder());
  UseTargetSystem use(system);
  TRegistry registry;
  EXPECT_EQ(registry.RootKey(), kHkeyCurrentUser);
  EXPECT_EQ(registry.CurrentKey(), kNoKey);
  EXPECT_EQ(registry.CurrentPath(), "");
  EXPECT_TRUE(registry.LazyWrite());
  EXPECT_EQ(registry.AccessMask(), 0xF003Fu);
  // Under HKEY_CURRENT_USER nothing exists here.
  EXPECT_FALSE(registry.KeyPresent("SYSTEM"));
  registry.SetRoot(kHkeyLocalMachine);
  EXPECT_TRUE(registry.KeyPresent("SYSTEM"));
  EXPECT_TRUE(registry.KeyPresent("system\\CONTROLSET001\\services\\UsbHub"));
  EXPECT_FALSE(registry.KeyPresent("SOFTWARE"));
  EXPECT_FALSE(registry.KeyPresent("SYSTEM\\ControlSet003"));
  EXPECT_EQ(registry.CurrentKey(), kNoKey) << "KeyPresent opens nothing";
}

TEST_F(RegistryTest, PathsResolveAgainstTheOpenKeyOrTheRoot) {
  OfflineSystem system(windows_.Folder());
  UseTargetSystem use(system);
  TRegistry registry;
  registry.SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(registry.OpenPath("SYSTEM\\ControlSet001", false));
  EXPECT_EQ(registry.CurrentPath(), "SYSTEM\\ControlSet001");
  EXPECT_TRUE(registry.KeyPresent("Services\\usbhub"));
  EXPECT_FALSE(registry.KeyPresent("SYSTEM"));
  EXPECT_TRUE(registry.KeyPresent("\\SYSTEM"));

  ASSERT_TRUE(registry.OpenPath("Services", false));
  EXPECT_EQ(registry.CurrentPath(), "SYSTEM\\ControlSet001\\Services");
  ASSERT_TRUE(registry.OpenPath("\\SYSTEM\\ControlSet001\\Services\\usbhub\\", false));
  EXPECT_EQ(registry.CurrentPath(), "SYSTEM\\ControlSet001\\Services\\usbhub\\");
  EXPECT_EQ(registry.ReadText("Group"), "Base");

  // A failed open changes nothing.
  const RegKey key = registry.CurrentKey();
  EXPECT_FALSE(registry.OpenPath("\\SYSTEM\\Nowhere", false));
  EXPECT_EQ(registry.CurrentKey(), key);
  EXPECT_EQ(registry.ReadText("Group"), "Base");

  // A single backslash opens the root itself and never creates anything.
  ASSERT_TRUE(registry.OpenPath("\\", true));
  EXPECT_EQ(registry.CurrentPath(), "");
  EXPECT_TRUE(registry.KeyPresent("SYSTEM"));
}

TEST_F(RegistryTest, SetRootKeepsTheKeyOnlyForTheSameRoot) {
  OfflineSystem system(windows_.Folder());
  UseTargetSystem use(system);
  TRegistry registry;
  registry.SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(registry.OpenPath(kPath, false));
  registry.SetRoot(kHkeyLocalMachine);
  EXPECT_NE(registry.CurrentKey(), kNoKey);
  EXPECT_EQ(registry.CurrentPath(), kPath);
  registry.SetRoot(kHkeyUsers);
  EXPECT_EQ(registry.CurrentKey(), kNoKey);
  EXPECT_EQ(registry.CurrentPath(), "");
}

TEST_F(RegistryTest, ReadsTextAsStored) {
  Store("Embedded", kRegSz, {'a', 0, 0, 0, 'b', 0, 0, 0});
  Store("Expandable", kRegExpandSz, {'%', 0, 'X', 0, '%', 0, 0, 0});
  Store("Unterminated", kRegSz, {'h', 0, 'i', 0});
  Store("OddLength", kRegSz, {'o', 0, 'k', 0, 0});
  Store("Umlaut", kRegSz, {'f', 0, 0xFC, 0, 'r', 0, 0, 0});
  Store("Empty", kRegSz, {});
  std::vector<std::uint8_t> long_text;
  for (int i = 0; i < 40000; ++i) long_text.insert(long_text.end(), {'x', 0});
  Store("Long", kRegSz, long_text);
  WithKey([](TRegistry& registry) {
    EXPECT_EQ(registry.ReadText("Long"), std::string(40000, 'x'));
    EXPECT_EQ(registry.ReadText("Embedded"), "a");
    EXPECT_EQ(registry.ReadText("Expandable"), "%X%");
    EXPECT_EQ(registry.ReadText("Unterminated"), "hi");
    EXPECT_EQ(registry.ReadText("OddLength"), "ok");
    EXPECT_EQ(registry.ReadText("Umlaut"), "f\xC3\xBCr");
    EXPECT_EQ(registry.ReadText("Empty"), "");
    EXPECT_EQ(registry.ReadText("Missing"), "");
    EXPECT_EQ(registry.ReadText("group"), "Base") << "value names ignore case";
  });
}

TEST_F(RegistryTest, ReadsNumbersLittleEndianAndSigned) {
  Store("AllBits", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF});
  Store("Big", kRegDword, {0x78, 0x56, 0x34, 0x12});
  Store("Short", kRegDword, {0x34, 0x12});
  WithKey([](TRegistry& registry) {
    EXPECT_EQ(registry.ReadNumber("Start"), 3);
    EXPECT_EQ(registry.ReadNumber("AllBits"), -1);
    EXPECT_EQ(registry.ReadNumber("Big"), 0x12345678);
    EXPECT_EQ(registry.ReadNumber("Short"), 0x1234);
  });
}

TEST_F(RegistryTest, ValueFailuresNameTheValueAndKeepTheKeyOpen) {
  Store("ShortText", kRegSz, {'1', 0, '2', 0, '3', 0, 0, 0});  // 4 bytes once converted
  Store("LongText", kRegSz, {'1', 0, '2', 0, '3', 0, '4', 0, 0, 0});
  Store("List", kRegMultiSz, {'a', 0, 0, 0, 0, 0});
  Store("Raw", kRegBinary, {1, 2, 3, 4});
  Store("Wide", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0});
  WithKey([](TRegistry& registry) {
    const struct {
      std::function<void()> action;
      std::string message;
    } cases[] = {
        {[&] { registry.ReadNumber("Missing"); }, "Fehler beim Holen der Daten für 'Missing'"},
        {[&] { registry.ReadNumber("ShortText"); }, "Ungültiger Datentyp für 'ShortText'"},
        {[&] { registry.ReadNumber("LongText"); }, "Fehler beim Holen der Daten für 'LongText'"},
        {[&] { registry.ReadNumber("Raw"); }, "Ungültiger Datentyp für 'Raw'"},
        {[&] { registry.ReadNumber("Wide"); }, "Fehler beim Holen der Daten für 'Wide'"},
        {[&] { registry.ReadText("Start"); }, "Ungültiger Datentyp für 'Start'"},
        {[&] { registry.ReadText("List"); }, "Ungültiger Datentyp für 'List'"},
        {[&] { registry.ReadText("Raw"); }, "Ungültiger Datentyp für 'Raw'"},
    };
    for (const auto& c : cases) EXPECT_EQ(MessageOf(c.action), c.message);
    EXPECT_EQ(registry.CurrentPath(), kPath);
    EXPECT_EQ(registry.ReadText("Group"), "Base");
  });
}

TEST_F(RegistryTest, WithoutAnOpenKeyOnlyReadTextSucceeds) {
  OfflineSystem system(windows_.Folder());
  UseTargetSystem use(system);
  TRegistry registry;
  registry.SetRoot(kHkeyLocalMachine);
  EXPECT_EQ(registry.ReadText("Group"), "");
  EXPECT_EQ(MessageOf([&] { registry.ReadNumber("Start"); }),
            "Fehler beim Holen der Daten für 'Start'");
  EXPECT_EQ(MessageOf([&] { registry.WriteText("Group", "x"); }),
            "Fehler beim Setzen der Daten für 'Group'");
  EXPECT_EQ(MessageOf([&] { registry.WriteNumber("Start", 0); }),
            "Fehler beim Setzen der Daten für 'Start'");
}

TEST_F(RegistryTest, WritesReachTheHiveOnceTheLastAccessorIsFreed) {
  {
    OfflineSystem system(windows_.Folder());
    UseTargetSystem use(system);
    TRegistry outer;  // lives for the whole run, as the check's key-test accessor does
    {
      TRegistry registry;
      registry.SetRoot(kHkeyLocalMachine);
      ASSERT_TRUE(registry.OpenPath(kPath, true));
      registry.WriteText("Group", "System Reserved");
      registry.WriteText("Empty", "");
      registry.WriteNumber("Start", -2);
      EXPECT_EQ(registry.ReadNumber("Start"), -2);
    }
    EXPECT_EQ(ReadHiveContents(windows_.HivePath()).at(kKey).at("start").data,
              (std::vector<std::uint8_t>{3, 0, 0, 0}))
        << "written before the run's last accessor is freed";
  }
  const HiveValues values = ReadHiveContents(windows_.HivePath()).at(kKey);
  EXPECT_EQ(values.at("start"), (HiveValue{kRegDword, {0xFE, 0xFF, 0xFF, 0xFF}}));
  EXPECT_EQ(values.at("empty"), (HiveValue{kRegSz, {0, 0}})) << "one NUL character";
  EXPECT_EQ(values.at("group").data.size(), 32u);
  EXPECT_EQ(values.at("type"), (HiveValue{kRegDword, {1, 0, 0, 0}})) << "others are kept";
}

TEST_F(RegistryTest, AnExplicitFlushWritesAtOnceAndEachRunReadsAfresh) {
  OfflineSystem system(windows_.Folder());
  UseTargetSystem use(system);
  {
    TRegistry registry;
    registry.SetRoot(kHkeyLocalMachine);
    registry.SetLazyWrite(false);
    ASSERT_TRUE(registry.OpenPath(kPath, true));
    registry.WriteNumber("Start", 1);
    registry.CloseCurrent();
    EXPECT_EQ(ReadHiveContents(windows_.HivePath()).at(kKey).at("start").data,
              (std::vector<std::uint8_t>{1, 0, 0, 0}));
  }
  // Another program changes the hive between runs; the next run sees it.
  windows_.Hive().SetDword(kKey, "Start", 2);
  windows_.Commit();
  TRegistry registry;
  registry.SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(registry.OpenPath(kPath, false));
  EXPECT_EQ(registry.ReadNumber("Start"), 2);
}

TEST_F(RegistryTest, OpenPathCreatesMissingKeysUnderSystemOnly) {
  {
    OfflineSystem system(windows_.Folder());
    UseTargetSystem use(system);
    TRegistry registry;
    registry.SetRoot(kHkeyLocalMachine);
    EXPECT_FALSE(registry.OpenPath("SYSTEM\\New\\Key", false));
    ASSERT_TRUE(registry.OpenPath("SYSTEM\\New\\Key", true));
    registry.WriteNumber("Value", 7);
    EXPECT_FALSE(registry.OpenPath("\\SOFTWARE\\New", true));
    EXPECT_EQ(registry.CurrentPath(), "SYSTEM\\New\\Key");
  }
  EXPECT_EQ(ReadHiveContents(windows_.HivePath()).at("New\\Key").at("value").data,
            (std::vector<std::uint8_t>{7, 0, 0, 0}));
}

TEST_F(RegistryTest, ReadOnlyInstallationCanBeTestedButNotOpenedForWriting) {
  OpenUpTo(windows_.HivePath());
  std::filesystem::permissions(windows_.HivePath(), std::filesystem::perms(0644));
  const int result = RunUnprivileged([&] {
    OfflineSystem system(windows_.Folder());
    UseTargetSystem use(system);
    TRegistry registry;
    registry.SetRoot(kHkeyLocalMachine);
    int failures = 0;
    failures += !registry.KeyPresent(kPath);
    failures += registry.OpenPath(kPath, true);
    failures += registry.OpenPath(kPath, false);
    registry.SetAccessMask(kKeyQueryValue);
    failures += !registry.OpenPath(kPath, false);
    failures += registry.ReadText("Group") != "Base";
    failures += MessageOf([&] { registry.WriteNumber("Start", 0); }) !=
                "Fehler beim Setzen der Daten für 'Start'";
    return failures;
  });
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace harnlode::testing
