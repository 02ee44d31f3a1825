// What every registry store must do, since the accessor relies on it: the registry API's
// conventions for sizes, text, handles and rights. The same tests run against the in-memory
// store and against the platform's: the offline hive store, or the platform's registry.
#include <gtest/gtest.h>

#include <array>

#include "registry_store.h"
#include "scratch_registry.h"

namespace harnlode::testing {
namespace {

class StoreContract : public ContractTest {
 protected:
  void TearDown() override {
    for (RegKey key : open_) Store().CloseKey(key);
  }

  RegistryStore& Store() { return scratch_->System().Registry(); }
  std::string Path(const std::string& key) const { return scratch_->Root() + "\\" + key; }

  // Opens a key below the scratch root; it is closed after the test.
  RegKey Open(const std::string& key, RegAccess access = kKeyAllAccess) {
    RegKey handle = kNoKey;
    EXPECT_EQ(Store().OpenKey(kHkeyLocalMachine, Path(key), access, &handle), kErrorSuccess);
    open_.push_back(handle);
    return handle;
  }

  std::vector<RegKey> open_;
};

TEST_P(StoreContract, SizeQueriesCountConvertedTextAndItsTerminator) {
  scratch_->Put("Key", "Text", kRegSz, StoredText("f\xC3\xBCr"));  // 4 bytes and a NUL in UTF-8
  scratch_->Put("Key", "Number", kRegDword, {5, 0, 0, 0});
  const RegKey key = Open("Key");

  RegType type = 99;
  std::uint32_t size = 0;
  EXPECT_EQ(Store().QueryValue(key, "Text", &type, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 5u);
  std::array<std::uint8_t, 8> buffer{};
  size = buffer.size();
  EXPECT_EQ(Store().QueryValue(key, "text", &type, buffer.data(), &size), kErrorSuccess)
      << "value names ignore case";
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 5), std::string("f\xC3\xBCr", 5));

  EXPECT_EQ(Store().QueryValue(key, "Number", nullptr, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(Store().QueryValue(key, "Number", &type, buffer.data(), nullptr),
            kErrorInvalidParameter)
      << "a buffer without its size";
}

TEST_P(StoreContract, MissingValuesAreReportedWithTheSizeTheCallerNeedsToKnow) {
  scratch_->Put("Key", "Number", kRegDword, {5, 0, 0, 0});
  const RegKey key = Open("Key");
  RegType type = 99;
  std::uint32_t size = 77;
  EXPECT_EQ(Store().QueryValue(key, "Missing", &type, nullptr, &size), kErrorFileNotFound);
  EXPECT_EQ(type, kRegNone);
  EXPECT_EQ(size, 0u) << "a size query sets the size";
  std::array<std::uint8_t, 8> buffer{};
  size = 8;
  EXPECT_EQ(Store().QueryValue(key, "Missing", &type, buffer.data(), &size), kErrorFileNotFound);
  EXPECT_EQ(size, 8u) << "a read leaves it as it was";
}

TEST_P(StoreContract, TooSmallABufferGetsTheNeededSizeAndStaysUntouched) {
  scratch_->Put("Key", "Text", kRegSz, StoredText("f\xC3\xBCr"));
  scratch_->Put("Key", "Wide", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8});
  const RegKey key = Open("Key");
  for (const char* name : {"Text", "Wide"}) {
    std::array<std::uint8_t, 4> buffer = {9, 9, 9, 9};
    std::uint32_t size = buffer.size();
    RegType type = kRegNone;
    EXPECT_EQ(Store().QueryValue(key, name, &type, buffer.data(), &size), kErrorMoreData) << name;
    EXPECT_EQ(size, std::string(name) == "Text" ? 5u : 8u) << name;
    EXPECT_EQ(type, std::string(name) == "Text" ? kRegSz : kRegQword) << name;
    EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{9, 9, 9, 9})) << name;
  }
}

TEST_P(StoreContract, UnterminatedTextIsTerminatedWhenThereIsRoomAndEmptyDataWritesNothing) {
  scratch_->Put("Key", "Bare", kRegSz, {'a', 0, 'b', 0});
  scratch_->Put("Key", "Nothing", kRegBinary, {});
  const RegKey key = Open("Key");
  std::array<std::uint8_t, 4> buffer = {9, 9, 9, 9};
  std::uint32_t size = buffer.size();
  EXPECT_EQ(Store().QueryValue(key, "Bare", nullptr, buffer.data(), &size), kErrorSuccess);
  EXPECT_EQ(size, 2u) << "the added NUL is not counted";
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{'a', 'b', 0, 9}));

  buffer = {9, 9, 9, 9};
  size = 2;
  EXPECT_EQ(Store().QueryValue(key, "Bare", nullptr, buffer.data(), &size), kErrorSuccess);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{'a', 'b', 9, 9}));

  buffer = {9, 9, 9, 9};
  size = buffer.size();
  EXPECT_EQ(Store().QueryValue(key, "Nothing", nullptr, buffer.data(), &size), kErrorSuccess);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{9, 9, 9, 9}));
}

TEST_P(StoreContract, SetValueStoresTextWithOneTerminatorAndRefusesDataItCannotRead) {
  scratch_->Put("Key", "Old", kRegDword, {1, 0, 0, 0});
  const RegKey key = Open("Key");
  const std::string text = "f\xC3\xBCr";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
  const std::array<std::uint8_t, 4> number = {0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Store().SetValue(key, "Plain", kRegSz, bytes, text.size()), kErrorSuccess);
  EXPECT_EQ(Store().SetValue(key, "Terminated", kRegSz, bytes, text.size() + 1), kErrorSuccess);
  EXPECT_EQ(Store().SetValue(key, "Empty", kRegExpandSz, nullptr, 0), kErrorSuccess);
  EXPECT_EQ(Store().SetValue(key, "Number", kRegDword, number.data(), number.size()),
            kErrorSuccess);
  EXPECT_EQ(Store().SetValue(key, "Bad", kRegBinary, nullptr, 4), kErrorNoAccess);
  EXPECT_EQ(Store().FlushKey(key), kErrorSuccess);

  EXPECT_EQ(scratch_->Get("Key", "Plain"), (StoredValue{kRegSz, StoredText(text)}));
  EXPECT_EQ(scratch_->Get("Key", "Terminated"), scratch_->Get("Key", "Plain"));
  EXPECT_EQ(scratch_->Get("Key", "Empty"), (StoredValue{kRegExpandSz, {}}))
      << "no data gets no terminator";
  EXPECT_EQ(scratch_->Get("Key", "Number"),
            (StoredValue{kRegDword, {number.begin(), number.end()}}));
  EXPECT_EQ(scratch_->Get("Key", "Old"), (StoredValue{kRegDword, {1, 0, 0, 0}}));
  EXPECT_EQ(scratch_->Get("Key", "Bad"), std::nullopt);
}

TEST_P(StoreContract, MalformedTextIsReplacedBothWays) {
  scratch_->Put("Key", "Lone", kRegSz, {'a', 0, 0x00, 0xD8, 'b', 0, 0, 0});  // a lone surrogate
  const RegKey key = Open("Key");
  std::array<std::uint8_t, 8> buffer{};
  std::uint32_t size = buffer.size();
  EXPECT_EQ(Store().QueryValue(key, "Lone", nullptr, buffer.data(), &size), kErrorSuccess);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + size), std::string("a\xEF\xBF\xBD"
                                                                            "b",
                                                                            6));

  // A byte that never starts a character, and a character cut short; each becomes one U+FFFD.
  const std::string text =
      "\xFF"
      "a\xE2\x82"
      "b";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
  EXPECT_EQ(Store().SetValue(key, "Malformed", kRegSz, bytes, text.size() + 1), kErrorSuccess);
  EXPECT_EQ(Store().FlushKey(key), kErrorSuccess);
  EXPECT_EQ(scratch_->Get("Key", "Malformed"),
            (StoredValue{kRegSz, {0xFD, 0xFF, 'a', 0, 0xFD, 0xFF, 'b', 0, 0, 0}}));
}

TEST_P(StoreContract, PathsOpenAsTheRegistryAPIResolvesThem) {
  scratch_->Put("Key\\Sub", "Number", kRegDword, {5, 0, 0, 0});
  RegKey key = 1234;
  EXPECT_EQ(Store().OpenKey(kHkeyLocalMachine, "\\" + Path("Key"), kKeyRead, &key),
            kErrorBadPathname);
  EXPECT_EQ(Store().CreateKey(kHkeyLocalMachine, "\\" + Path("Key"), kKeyRead, &key),
            kErrorBadPathname);
  EXPECT_EQ(Store().OpenKey(kHkeyLocalMachine, Path("Nope"), kKeyRead, &key), kErrorFileNotFound);
  EXPECT_EQ(key, kNoKey) << "no handle for a missing key";
  EXPECT_EQ(Store().OpenKey(kHkeyCurrentUser, Path("Key"), kKeyRead, &key), kErrorFileNotFound);

  const RegKey parent = Open("Key");
  EXPECT_EQ(Store().OpenKey(parent, "SUB\\", kKeyRead, &key), kErrorSuccess)
      << "names ignore case and a trailing backslash is accepted";
  open_.push_back(key);
  std::uint32_t size = 0;
  EXPECT_EQ(Store().QueryValue(key, "Number", nullptr, nullptr, &size), kErrorSuccess);

  // Creating a key that exists opens it; a missing one is made with every key on the way.
  EXPECT_EQ(Store().CreateKey(parent, "Sub", kKeyAllAccess, &key), kErrorSuccess);
  open_.push_back(key);
  EXPECT_EQ(Store().QueryValue(key, "Number", nullptr, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(Store().CreateKey(parent, "New\\Deeper", kKeyAllAccess, &key), kErrorSuccess);
  open_.push_back(key);
  EXPECT_EQ(Store().OpenKey(kHkeyLocalMachine, Path("Key\\New\\Deeper"), kKeyRead, &key),
            kErrorSuccess);
  open_.push_back(key);
}

TEST_P(StoreContract, HandlesCarryTheirRightsAndCloseOnce) {
  scratch_->Put("Key", "Number", kRegDword, {5, 0, 0, 0});
  const RegKey key = Open("Key");
  // An empty path gives a second handle on the same key, here with other rights.
  RegKey reader = kNoKey;
  ASSERT_EQ(Store().OpenKey(key, "", kKeyRead, &reader), kErrorSuccess);
  EXPECT_NE(reader, key);
  std::array<std::uint8_t, 4> number{};
  std::uint32_t size = number.size();
  EXPECT_EQ(Store().QueryValue(reader, "Number", nullptr, number.data(), &size), kErrorSuccess);
  EXPECT_EQ(number[0], 5);
  EXPECT_EQ(Store().SetValue(reader, "Number", kRegDword, number.data(), 4), kErrorAccessDenied);
  EXPECT_EQ(Store().CloseKey(reader), kErrorSuccess);
  EXPECT_EQ(Store().CloseKey(reader), kErrorInvalidHandle);

  RegKey writer = kNoKey;
  ASSERT_EQ(Store().OpenKey(key, "", kKeySetValue, &writer), kErrorSuccess);
  EXPECT_EQ(Store().QueryValue(writer, "Number", nullptr, number.data(), &size),
            kErrorAccessDenied);
  EXPECT_EQ(Store().CloseKey(writer), kErrorSuccess);

  EXPECT_EQ(Store().CloseKey(kNoKey), kErrorInvalidHandle);
  EXPECT_EQ(Store().FlushKey(kNoKey), kErrorInvalidHandle);
  EXPECT_EQ(Store().QueryValue(kNoKey, "Number", nullptr, nullptr, &size), kErrorInvalidHandle);
  EXPECT_EQ(Store().CloseKey(kHkeyLocalMachine), kErrorSuccess) << "roots always close";
}

TEST_P(StoreContract, AKeyTheCallerMayOnlyReadIsRefusedForWriting) {
  scratch_->Put("Key", "Number", kRegDword, {5, 0, 0, 0});
  const std::string path = Path("Key");
  const int failures = scratch_->WithReadOnlyKey("Key", [&] {
    RegistryStore& store = Store();
    int failed = 0;
    RegKey key = kNoKey;
    // Refused at the open, or at the first change of the key opened.
    const bool at_open = scratch_->RefusesWriteRightsAtOpen();
    const auto refused = [&](RegStatus opened) {
      if (at_open) return opened == kErrorAccessDenied;
      const std::uint8_t zero[4] = {};
      const bool set_refused =
          opened == kErrorSuccess &&
          store.SetValue(key, "Number", kRegDword, zero, 4) == kErrorAccessDenied;
      return store.CloseKey(key) == kErrorSuccess && set_refused;
    };
    failed += !refused(store.OpenKey(kHkeyLocalMachine, path, kKeyAllAccess, &key));
    failed += !refused(store.CreateKey(kHkeyLocalMachine, path, kKeyAllAccess, &key));
    failed += !refused(store.OpenKey(kHkeyLocalMachine, path, kKeySetValue, &key));
    if (store.OpenKey(kHkeyLocalMachine, path, kKeyRead, &key) != kErrorSuccess) return ++failed;
    std::uint32_t size = 0;
    failed += store.QueryValue(key, "Number", nullptr, nullptr, &size) != kErrorSuccess;
    failed += store.CloseKey(key) != kErrorSuccess;
    return failed;
  });
  EXPECT_EQ(failures, 0);
  Store().EndRun();
  EXPECT_EQ(scratch_->Get("Key", "Number")->data, (std::vector<std::uint8_t>{5, 0, 0, 0}));
}

HARNLODE_ON_EVERY_STORE(StoreContract);

}  // namespace
}  // namespace harnlode::testing
