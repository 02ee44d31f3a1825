// The accessor's rules on every store: what it reads, writes and raises, and how it resolves
// paths, whatever registry lies beneath it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "registry.h"
#include "registry_run.h"
#include "scratch_registry.h"

namespace harnlode::testing {
namespace {

// Raises ERegistryException with exactly this message.
::testing::Matcher<std::function<void()>> Raises(const std::string& message) {
  return ::testing::ThrowsMessage<ERegistryException>(message);
}

class AccessorContract : public ContractTest {
 protected:
  void SetUp() override {
    ContractTest::SetUp();
    scratch_->Put("Service", "Group", kRegSz, StoredText("Base"));
    scratch_->Put("Service", "Start", kRegDword, {3, 0, 0, 0});
  }

  // Runs `work` with an accessor rooted at HKEY_LOCAL_MACHINE and the key opened with `mask`.
  template <typename Work>
  void WithKey(Work work, RegAccess mask = kKeyAllAccess) {
    TRegistry registry(scratch_->System().Registry());
    registry.SetRoot(kHkeyLocalMachine);
    registry.SetAccessMask(mask);
    ASSERT_TRUE(registry.OpenPath(Path(), false));
    work(registry);
  }

  std::string Path() const { return scratch_->Root() + "\\Service"; }
};

TEST_P(AccessorContract, ReadsTextUpToItsFirstNulAndUnexpanded) {
  scratch_->Put("Service", "Embedded", kRegSz, {'a', 0, 0, 0, 'b', 0, 0, 0});
  scratch_->Put("Service", "Expandable", kRegExpandSz, StoredText("%SystemRoot%\\x"));
  scratch_->Put("Service", "Unterminated", kRegSz, {'h', 0, 'i', 0});
  scratch_->Put("Service", "Umlaut", kRegSz, StoredText("f\xC3\xBCr"));
  scratch_->Put("Service", "EmptyText", kRegSz, {0, 0});
  scratch_->Put("Service", "NoData", kRegDword, {});
  std::vector<std::uint8_t> long_text;
  for (int i = 0; i < 40000; ++i) long_text.insert(long_text.end(), {'x', 0});
  long_text.insert(long_text.end(), {0, 0});
  scratch_->Put("Service", "Long", kRegSz, long_text);
  WithKey([](TRegistry& registry) {
    EXPECT_EQ(registry.ReadText("Group"), "Base");
    EXPECT_EQ(registry.ReadText("GROUP"), "Base");
    EXPECT_EQ(registry.ReadText("Embedded"), "a");
    EXPECT_EQ(registry.ReadText("Expandable"), "%SystemRoot%\\x");
    EXPECT_EQ(registry.ReadText("Unterminated"), "hi");
    EXPECT_EQ(registry.ReadText("Umlaut"), "f\xC3\xBCr");
    EXPECT_EQ(registry.ReadText("EmptyText"), "");
    EXPECT_EQ(registry.ReadText("NoData"), "") << "no data reads as empty text, whatever its type";
    EXPECT_EQ(registry.ReadText("Missing"), "");
    EXPECT_EQ(registry.ReadText("Long"), std::string(40000, 'x'));
  });
}

TEST_P(AccessorContract, ReadsNumbersAsLittleEndianSignedIntegers) {
  scratch_->Put("Service", "AllBits", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF});
  scratch_->Put("Service", "Big", kRegDword, {0x78, 0x56, 0x34, 0x12});
  scratch_->Put("Service", "Short", kRegDword, {0x34, 0x12});
  WithKey([](TRegistry& registry) {
    EXPECT_EQ(registry.ReadNumber("Start"), 3);
    EXPECT_EQ(registry.ReadNumber("AllBits"), -1);
    EXPECT_EQ(registry.ReadNumber("Big"), 0x12345678);
    EXPECT_EQ(registry.ReadNumber("Short"), 0x1234);
  });
}

TEST_P(AccessorContract, ValueFailuresNameTheValueAndKeepTheKeyOpen) {
  scratch_->Put("Service", "ShortText", kRegSz, StoredText("123"));  // 4 bytes once converted
  scratch_->Put("Service", "LongText", kRegSz, StoredText("1234"));
  scratch_->Put("Service", "List", kRegMultiSz, {'a', 0, 0, 0, 0, 0});
  scratch_->Put("Service", "Raw", kRegBinary, {1, 2, 3, 4});
  scratch_->Put("Service", "Wide", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0});
  WithKey([this](TRegistry& registry) {
    const struct {
      std::function<void()> action;
      std::string message;
    } cases[] = {
        {[&] { registry.ReadNumber("Start "); }, "Fehler beim Holen der Daten für 'Start '"},
        {[&] { registry.ReadNumber("ShortText"); }, "Ungültiger Datentyp für 'ShortText'"},
        {[&] { registry.ReadNumber("LongText"); }, "Fehler beim Holen der Daten für 'LongText'"},
        {[&] { registry.ReadNumber("Raw"); }, "Ungültiger Datentyp für 'Raw'"},
        {[&] { registry.ReadNumber("Wide"); }, "Fehler beim Holen der Daten für 'Wide'"},
        {[&] { registry.ReadText("Start"); }, "Ungültiger Datentyp für 'Start'"},
        {[&] { registry.ReadText("List"); }, "Ungültiger Datentyp für 'List'"},
        {[&] { registry.ReadText("Raw"); }, "Ungültiger Datentyp für 'Raw'"},
    };
    for (const auto& c : cases) EXPECT_THAT(c.action, Raises(c.message));
    EXPECT_EQ(registry.CurrentPath(), Path());
    EXPECT_EQ(registry.ReadText("Group"), "Base");
  });
}

TEST_P(AccessorContract, WritesStoreTextWithOneNulAndNumbersInFourBytes) {
  {
    RegistryRun run(scratch_->System(), false);
    WithKey([](TRegistry& registry) {
      registry.WriteText("Group", "System Reserved");
      registry.WriteText("Empty", "");
      registry.WriteText("Umlaut", "f\xC3\xBCr");
      registry.WriteNumber("Start", -2);
      EXPECT_EQ(registry.ReadNumber("Start"), -2) << "read back before the run ends";
      EXPECT_EQ(registry.ReadText("Umlaut"), "f\xC3\xBCr");
    });
  }
  EXPECT_EQ(scratch_->Get("Service", "Group"),
            (StoredValue{kRegSz, StoredText("System Reserved")}));
  EXPECT_EQ(scratch_->Get("Service", "Empty"), (StoredValue{kRegSz, {0, 0}}));
  EXPECT_EQ(scratch_->Get("Service", "Umlaut"), (StoredValue{kRegSz, StoredText("f\xC3\xBCr")}));
  EXPECT_EQ(scratch_->Get("Service", "Start"), (StoredValue{kRegDword, {0xFE, 0xFF, 0xFF, 0xFF}}));
}

TEST_P(AccessorContract, FlushingOnCloseWritesAtOnce) {
  RegistryRun run(scratch_->System(), false);  // open, so that only the flush can have written
  TRegistry registry(run.Registry());
  registry.SetRoot(kHkeyLocalMachine);
  registry.SetLazyWrite(false);
  ASSERT_TRUE(registry.OpenPath(Path(), true));
  registry.WriteNumber("Start", 1);
  registry.CloseCurrent();
  EXPECT_EQ(scratch_->Get("Service", "Start"), (StoredValue{kRegDword, {1, 0, 0, 0}}));
}

TEST_P(AccessorContract, PathsResolveAgainstTheOpenKeyOrTheRoot) {
  const std::string root = scratch_->Root();
  TRegistry registry(scratch_->System().Registry());
  EXPECT_FALSE(registry.KeyPresent(root)) << "HKEY_CURRENT_USER is the first root";
  registry.SetRoot(kHkeyLocalMachine);
  EXPECT_TRUE(registry.KeyPresent(root + "\\SERVICE"));
  EXPECT_FALSE(registry.KeyPresent(root + "\\Nowhere"));
  EXPECT_EQ(registry.CurrentKey(), kNoKey) << "KeyPresent opens nothing";

  ASSERT_TRUE(registry.OpenPath(root, false));
  EXPECT_EQ(registry.CurrentPath(), root);
  EXPECT_TRUE(registry.KeyPresent("Service"));
  EXPECT_TRUE(registry.KeyPresent("\\" + root + "\\Service"));
  ASSERT_TRUE(registry.OpenPath("Service", false));
  EXPECT_EQ(registry.CurrentPath(), root + "\\Service");
  EXPECT_EQ(registry.ReadText("Group"), "Base");

  const RegKey key = registry.CurrentKey();
  EXPECT_FALSE(registry.OpenPath("\\" + root + "\\Nowhere", false));
  EXPECT_EQ(registry.CurrentKey(), key) << "a failed open changes nothing";

  ASSERT_TRUE(registry.OpenPath("New", true));
  EXPECT_EQ(registry.CurrentPath(), root + "\\Service\\New");
  registry.WriteNumber("Value", 7);

  registry.SetRoot(kHkeyLocalMachine);
  EXPECT_EQ(registry.CurrentPath(), root + "\\Service\\New") << "the same root keeps the key";
  registry.SetRoot(kHkeyUsers);
  EXPECT_EQ(registry.CurrentKey(), kNoKey);
  EXPECT_EQ(registry.CurrentPath(), "");
}

TEST_P(AccessorContract, WithoutAnOpenKeyOnlyReadTextSucceeds) {
  TRegistry registry(scratch_->System().Registry());
  registry.SetRoot(kHkeyLocalMachine);
  EXPECT_FALSE(registry.OpenPath(scratch_->Root() + "\\Nowhere", false));
  EXPECT_EQ(registry.ReadText("Group"), "");
  EXPECT_THAT([&] { registry.ReadNumber("Start"); },
              Raises("Fehler beim Holen der Daten für 'Start'"));
  EXPECT_THAT([&] { registry.WriteText("Group", "x"); },
              Raises("Fehler beim Setzen der Daten für 'Group'"));
  EXPECT_THAT([&] { registry.WriteNumber("Start", 0); },
              Raises("Fehler beim Setzen der Daten für 'Start'"));
}

TEST_P(AccessorContract, AKeyTheCallerMayOnlyReadIsPresentButNotOpenedForWriting) {
  const std::string path = Path();
  const int failures = scratch_->WithReadOnlyKey("Service", [&] {
    TRegistry registry(scratch_->System().Registry());
    registry.SetRoot(kHkeyLocalMachine);
    int failed = 0;
    failed += !registry.KeyPresent(path);
    // Refused at the open, or at the first change of the key opened.
    const bool at_open = scratch_->RefusesWriteRightsAtOpen();
    for (bool create : {true, false}) {
      failed += registry.OpenPath(path, create) == at_open;
      if (at_open) continue;
      failed += !::testing::Value(std::function<void()>([&] { registry.WriteText("Group", "x"); }),
                                  Raises("Fehler beim Setzen der Daten für 'Group'"));
      registry.CloseCurrent();
    }
    registry.SetAccessMask(kKeyRead);
    failed += !registry.OpenPath(path, false);
    failed += registry.ReadText("Group") != "Base";
    failed += !::testing::Value(std::function<void()>([&] { registry.WriteNumber("Start", 0); }),
                                Raises("Fehler beim Setzen der Daten für 'Start'"));
    return failed;
  });
  EXPECT_EQ(failures, 0);
}

HARNLODE_ON_EVERY_STORE(AccessorContract);

}  // namespace
}  // namespace harnlode::testing
