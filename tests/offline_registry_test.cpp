// The offline store keeps the platform registry's calling conventions, which the accessor relies
// on.
#include "offline/offline_registry.h"

#include <gtest/gtest.h>

#include <array>

#include "temp_installation.h"

namespace harnlode::testing {
namespace {

class OfflineRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_.Hive().SetText("Key", "Text", "f\xC3\xBCr");  // 4 bytes and a NUL once converted
    windows_.Hive().SetValue("Key", "Bare", kRegSz, std::vector<std::uint8_t>{'a', 0, 'b', 0});
    windows_.Hive().SetValue("Key", "Nothing", kRegBinary, {});
    windows_.Hive().SetDword("Key", "Number", 5);
    windows_.Commit();
    store_.BeginRun(false);
    ASSERT_EQ(store_.OpenKey(kHkeyLocalMachine, "SYSTEM\\Key", kKeyAllAccess, &key_),
              kErrorSuccess);
  }
  void TearDown() override {
    store_.CloseKey(key_);
    store_.EndRun();
  }

  TempInstallation windows_;
  OfflineRegistry store_{windows_.Folder()};
  RegKey key_ = kNoKey;
};

TEST_F(OfflineRegistryTest, QueriesSizesConvertedAndTellWhatIsMissing) {
  RegType type = 99;
  std::uint32_t size = 0;
  EXPECT_EQ(store_.QueryValue(key_, "Text", &type, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 5u);

  size = 77;
  EXPECT_EQ(store_.QueryValue(key_, "Missing", &type, nullptr, &size), kErrorFileNotFound);
  EXPECT_EQ(type, kRegNone);
  EXPECT_EQ(size, 0u);
  std::array<std::uint8_t, 8> buffer{};
  size = 8;
  EXPECT_EQ(store_.QueryValue(key_, "Missing", &type, buffer.data(), &size), kErrorFileNotFound);
  EXPECT_EQ(size, 8u) << "left as it was";

  EXPECT_EQ(store_.QueryValue(key_, "Text", &type, buffer.data(), nullptr), kErrorInvalidParameter);
}

TEST_F(OfflineRegistryTest, TooSmallABufferGetsTheNeededSizeAndStaysUntouched) {
  std::array<std::uint8_t, 4> buffer = {9, 9, 9, 9};
  std::uint32_t size = buffer.size();
  RegType type = kRegNone;
  EXPECT_EQ(store_.QueryValue(key_, "Text", &type, buffer.data(), &size), kErrorMoreData);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{9, 9, 9, 9}));
}

TEST_F(OfflineRegistryTest, TerminatesUnterminatedTextWhenThereIsRoom) {
  std::array<std::uint8_t, 4> buffer = {9, 9, 9, 9};
  std::uint32_t size = buffer.size();
  EXPECT_EQ(store_.QueryValue(key_, "Bare", nullptr, buffer.data(), &size), kErrorSuccess);
  EXPECT_EQ(size, 2u) << "the added NUL is not counted";
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{'a', 'b', 0, 9}));
  size = 2;
  buffer = {9, 9, 9, 9};
  EXPECT_EQ(store_.QueryValue(key_, "Bare", nullptr, buffer.data(), &size), kErrorSuccess);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{'a', 'b', 9, 9}));

  size = buffer.size();
  buffer = {9, 9, 9, 9};
  EXPECT_EQ(store_.QueryValue(key_, "Nothing", nullptr, buffer.data(), &size), kErrorSuccess);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{9, 9, 9, 9})) << "empty data writes nothing";
}

TEST_F(OfflineRegistryTest, SetsTextWithOneTerminator) {
  const std::string text = "ab";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  EXPECT_EQ(store_.SetValue(key_, "Plain", kRegSz, bytes, 2), kErrorSuccess);
  EXPECT_EQ(store_.SetValue(key_, "Terminated", kRegSz, bytes, 3), kErrorSuccess);
  EXPECT_EQ(store_.SetValue(key_, "Empty", kRegExpandSz, nullptr, 0), kErrorSuccess);
  EXPECT_EQ(store_.SetValue(key_, "Bad", kRegBinary, nullptr, 4), kErrorNoAccess);
  EXPECT_EQ(store_.FlushKey(key_), kErrorSuccess);
  const HiveValues values = ReadHiveContents(windows_.HivePath()).at("Key");
  EXPECT_EQ(values.at("plain"), (HiveValue{kRegSz, {'a', 0, 'b', 0, 0, 0}}));
  EXPECT_EQ(values.at("terminated"), values.at("plain"));
  EXPECT_EQ(values.at("empty"), (HiveValue{kRegExpandSz, {}})) << "no data, no terminator";
  EXPECT_FALSE(values.contains("bad"));
}

TEST_F(OfflineRegistryTest, HandlesBehaveAsThePlatformsDo) {
  RegKey key = 1234;
  EXPECT_EQ(store_.OpenKey(kHkeyLocalMachine, "\\SYSTEM", kKeyAllAccess, &key), kErrorBadPathname);
  EXPECT_EQ(store_.CreateKey(kHkeyLocalMachine, "\\SYSTEM", kKeyAllAccess, &key),
            kErrorBadPathname);
  EXPECT_EQ(store_.OpenKey(kHkeyLocalMachine, "SYSTEM\\Nope", kKeyAllAccess, &key),
            kErrorFileNotFound);
  EXPECT_EQ(key, kNoKey);
  EXPECT_EQ(store_.OpenKey(kHkeyLocalMachine, "SOFTWARE", kKeyAllAccess, &key), kErrorFileNotFound);
  EXPECT_EQ(store_.OpenKey(kHkeyCurrentUser, "SYSTEM", kKeyAllAccess, &key), kErrorFileNotFound);
  EXPECT_EQ(store_.OpenKey(key_, "a\\\\b", kKeyAllAccess, &key), kErrorFileNotFound);

  // An empty path gives a second handle on the same key.
  ASSERT_EQ(store_.OpenKey(key_, "", kKeyRead, &key), kErrorSuccess);
  EXPECT_NE(key, key_);
  std::uint32_t number = 0, size = 4;
  EXPECT_EQ(
      store_.QueryValue(key, "Number", nullptr, reinterpret_cast<std::uint8_t*>(&number), &size),
      kErrorSuccess);
  EXPECT_EQ(number, 5u);
  EXPECT_EQ(store_.SetValue(key, "Number", kRegDword, reinterpret_cast<std::uint8_t*>(&number), 4),
            kErrorAccessDenied)
      << "opened for reading only";
  EXPECT_EQ(store_.CloseKey(key), kErrorSuccess);
  EXPECT_EQ(store_.CloseKey(key), kErrorInvalidHandle);
  EXPECT_EQ(store_.QueryValue(key, "Number", nullptr, nullptr, &size), kErrorInvalidHandle);
  EXPECT_EQ(store_.CloseKey(kNoKey), kErrorInvalidHandle);
  EXPECT_EQ(store_.FlushKey(kNoKey), kErrorInvalidHandle);
  EXPECT_EQ(store_.CloseKey(kHkeyLocalMachine), kErrorSuccess);
}

}  // namespace
}  // namespace harnlode::testing
