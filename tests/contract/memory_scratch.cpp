// The scratch registry of the in-memory system, filled and read back directly.
#include "scratch_registry.h"

namespace harnlode::testing {
namespace {

class MemoryScratch final : public ScratchRegistry {
 public:
  TargetSystem& System() override { return system_; }
  std::string Root() const override { return "SYSTEM\\Scratch"; }

  void Put(const std::string& key, const std::string& name, RegType type,
           const std::vector<std::uint8_t>& data) override {
    system_.Memory().Put(Root() + "\\" + key, name, type, data);
  }
  std::optional<StoredValue> Get(const std::string& key, const std::string& name) override {
    return system_.Memory().Get(Root() + "\\" + key, name);
  }
  int WithReadOnlyKey(const std::string& key, const std::function<int()>& work) override {
    system_.Memory().SetReadOnly(Root() + "\\" + key, true);
    const int result = work();
    system_.Memory().SetReadOnly(Root() + "\\" + key, false);
    return result;
  }
  void PutDriverFile(const std::string& name) override {
    system_.AddFile("c:\\windows\\system32\\drivers\\" + name);
  }
  void PutDriverFolder(const std::string&) override {}  // only what was added as a file is one

 private:
  MemorySystem system_;
};

}  // namespace

std::unique_ptr<ScratchRegistry> MakeMemoryScratch() { return std::make_unique<MemoryScratch>(); }

}  // namespace harnlode::testing
