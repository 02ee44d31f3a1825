// The registry accessor on the offline store, with real hive files behind it.
#include "registry.h"

#include <gtest/gtest.h>

#include "offline/offline_system.h"
#include "registry_run.h"
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
    TRegistry registry(system.Registry());
    registry.SetRoot(kHkeyLocalMachine);
    ASSERT_TRUE(registry.OpenPath(kPath, false));
    work(registry);
  }

  TempInstallation windows_;
};

TEST_F(RegistryTest, CreatedWithTheDocumentedState) {
  OfflineSystem system(windows_.Folder());
  TRegistry registry(system.Registry());
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
  TRegistry registry(system.Registry());
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

// The rules every store shares are in the store contract suite; these are the hive file's own.
TEST_F(RegistryTest, ReadsTextOfAnOddLengthAndTextWithNoData) {
  Store("OddLength", kRegSz, {'o', 0, 'k', 0, 0});
  Store("Empty", kRegSz, {});
  WithKey([](TRegistry& registry) {
    EXPECT_EQ(registry.ReadText("OddLength"), "ok");
    EXPECT_EQ(registry.ReadText("Empty"), "");
  });
}

TEST_F(RegistryTest, WritesReachTheHiveOnceTheLastAccessorIsFreed) {
  {
    OfflineSystem system(windows_.Folder());
    RegistryRun run(system, false);
    {
      TRegistry registry(run.Registry());
      registry.SetRoot(kHkeyLocalMachine);
      ASSERT_TRUE(registry.OpenPath(kPath, true));
      registry.WriteText("Group", "System Reserved");
      registry.WriteText("Empty", "");
      registry.WriteNumber("Start", -2);
      EXPECT_EQ(registry.ReadNumber("Start"), -2);
    }
    EXPECT_EQ(ReadHiveContents(windows_.HivePath()).at(kKey).at("start").data,
              (std::vector<std::uint8_t>{3, 0, 0, 0}))
        << "written before the run ends";
  }
  const HiveValues values = ReadHiveContents(windows_.HivePath()).at(kKey);
  EXPECT_EQ(values.at("start"), (HiveValue{kRegDword, {0xFE, 0xFF, 0xFF, 0xFF}}));
  EXPECT_EQ(values.at("empty"), (HiveValue{kRegSz, {0, 0}})) << "one NUL character";
  EXPECT_EQ(values.at("group").data.size(), 32u);
  EXPECT_EQ(values.at("type"), (HiveValue{kRegDword, {1, 0, 0, 0}})) << "others are kept";
}

TEST_F(RegistryTest, AnExplicitFlushWritesAtOnceAndEachRunReadsAfresh) {
  OfflineSystem system(windows_.Folder());
  {
    RegistryRun run(system, false);
    TRegistry registry(run.Registry());
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
  RegistryRun run(system, false);
  TRegistry registry(run.Registry());
  registry.SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(registry.OpenPath(kPath, false));
  EXPECT_EQ(registry.ReadNumber("Start"), 2);
}

TEST_F(RegistryTest, OpenPathCreatesMissingKeysUnderSystemOnly) {
  {
    OfflineSystem system(windows_.Folder());
    RegistryRun run(system, false);
    TRegistry registry(run.Registry());
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

TEST_F(RegistryTest, AKeyCreatedAfterItWasFoundMissingIsFoundUnderAnyCase) {
  {
    OfflineSystem system(windows_.Folder());
    RegistryRun run(system, false);
    TRegistry registry(run.Registry());
    registry.SetRoot(kHkeyLocalMachine);
    EXPECT_FALSE(registry.KeyPresent("SYSTEM\\NEWKEY"));
    ASSERT_TRUE(registry.OpenPath("SYSTEM\\NewKey", true));
    EXPECT_TRUE(registry.KeyPresent("\\SYSTEM\\NEWKEY"));
    ASSERT_TRUE(registry.OpenPath("\\SYSTEM\\NEWKEY", true));
    registry.WriteNumber("Value", 7);
  }
  const HiveContents contents = ReadHiveContents(windows_.HivePath());
  EXPECT_FALSE(contents.contains("NEWKEY")) << "no second key of the same name";
  EXPECT_EQ(contents.at("NewKey").at("value").data, (std::vector<std::uint8_t>{7, 0, 0, 0}));
}

// What the store does beyond the contract suite, as a store of one hive: it holds SYSTEM alone,
// and a handle, once closed, is unknown to it.
TEST_F(RegistryTest, TheStoreHoldsSystemAloneAndForgetsClosedHandles) {
  OfflineSystem system(windows_.Folder());
  RegistryStore& store = system.Registry();
  store.BeginRun(false);
  RegKey key = 1234;
  EXPECT_EQ(store.OpenKey(kHkeyLocalMachine, "SOFTWARE", kKeyAllAccess, &key), kErrorFileNotFound);
  RegKey control_set = kNoKey;
  ASSERT_EQ(store.OpenKey(kHkeyLocalMachine, "SYSTEM\\ControlSet001", kKeyAllAccess, &control_set),
            kErrorSuccess);
  EXPECT_EQ(store.OpenKey(control_set, "Services\\\\usbhub", kKeyAllAccess, &key),
            kErrorFileNotFound)
      << "no key has an empty name";
  ASSERT_EQ(store.OpenKey(control_set, "Services\\usbhub", kKeyRead, &key), kErrorSuccess);
  EXPECT_EQ(store.CloseKey(key), kErrorSuccess);
  std::uint32_t size = 4;
  EXPECT_EQ(store.QueryValue(key, "Start", nullptr, nullptr, &size), kErrorInvalidHandle);
  EXPECT_EQ(store.CloseKey(control_set), kErrorSuccess);
  store.EndRun();
}

}  // namespace
}  // namespace harnlode::testing
