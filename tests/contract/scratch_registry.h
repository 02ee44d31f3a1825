// Registry content for the store contract suite, made and read back around the store under test:
// on Linux in a hive file of a temporary installation, on Windows in the live registry, and on
// both in the in-memory system of the test support.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "memory_system.h"
#include "registry_api.h"
#include "target_system.h"

namespace harnlode::testing {

class ScratchRegistry {
 public:
  virtual ~ScratchRegistry() = default;

  // The system whose store is under test.
  virtual TargetSystem& System() = 0;

  // A key below HKEY_LOCAL_MACHINE that exists, empty, for the test's lifetime; every key path
  // below is relative to it.
  virtual std::string Root() const = 0;

  // Stores a value exactly as given, creating the key. Content is put before the store is used.
  virtual void Put(const std::string& key, const std::string& name, RegType type,
                   const std::vector<std::uint8_t>& data) = 0;

  // What the registry holds, as written by the store once its changes are flushed or its run
  // has ended.
  virtual std::optional<StoredValue> Get(const std::string& key, const std::string& name) = 0;

  // Runs `work` while the caller may read but not change the key (which must exist); returns
  // what `work` returned, or -1 when it did not end normally. `work` runs in a child process
  // where the platform needs one for that.
  virtual int WithReadOnlyKey(const std::string& key, const std::function<int()>& work) = 0;
  // Whether such a key is refused when opened for writing, as the platform's registry does, or
  // opened and its first change refused, as in the offline store, whose rights are the file
  // system's: an installation that may only be read is still analysed.
  virtual bool RefusesWriteRightsAtOpen() const { return true; }

  // A file or a folder of that name in the folder "c:\windows\system32\drivers".
  virtual void PutDriverFile(const std::string& name) = 0;
  virtual void PutDriverFolder(const std::string& name) = 0;
};

// A kind of scratch registry, named for the tests' names.
struct ScratchKind {
  const char* name;
  std::unique_ptr<ScratchRegistry> (*make)();
};

inline std::ostream& operator<<(std::ostream& out, const ScratchKind& kind) {
  return out << kind.name;
}

// The store of the platform that the suite is built for, and the in-memory one.
std::vector<ScratchKind> ScratchKinds();
std::unique_ptr<ScratchRegistry> MakeMemoryScratch();

// A test of the suite, run on every kind of scratch registry.
class ContractTest : public ::testing::TestWithParam<ScratchKind> {
 protected:
  void SetUp() override { scratch_ = GetParam().make(); }
  std::unique_ptr<ScratchRegistry> scratch_;
};

#define HARNLODE_ON_EVERY_STORE(suite)                                         \
  INSTANTIATE_TEST_SUITE_P(Stores, suite, ::testing::ValuesIn(ScratchKinds()), \
                           [](const auto& info) { return std::string(info.param.name); })

}  // namespace harnlode::testing
