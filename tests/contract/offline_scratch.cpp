// The scratch registry of the offline store: a temporary installation whose SYSTEM hive holds the
// scratch key, filled and read back with hivex directly.
#include <cctype>
#include <filesystem>
#include <fstream>

#include "offline/offline_system.h"
#include "scratch_registry.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kScratchKey = "Scratch";

class OfflineScratch final : public ScratchRegistry {
 public:
  OfflineScratch() {
    windows_.Hive().AddKey(kScratchKey);
    windows_.Commit();
    system_ = std::make_unique<OfflineSystem>(windows_.Folder());
  }

  TargetSystem& System() override { return *system_; }
  std::string Root() const override { return std::string("SYSTEM\\") + kScratchKey; }

  void Put(const std::string& key, const std::string& name, RegType type,
           const std::vector<std::uint8_t>& data) override {
    windows_.Hive().SetValue(HiveKey(key), name, type, data);
    windows_.Commit();
  }

  std::optional<StoredValue> Get(const std::string& key, const std::string& name) override {
    const HiveContents contents = ReadHiveContents(windows_.HivePath());
    for (const auto& [path, values] : contents) {
      if (!SameName(path, HiveKey(key))) continue;
      const auto value = values.find(Lowercase(name));
      if (value == values.end()) return std::nullopt;
      return StoredValue{value->second.type, value->second.data};
    }
    return std::nullopt;
  }

  // Write rights here are the file system's: the hive and its folder are made read-only, and
  // the work runs as an ordinary user, since root may write anyway.
  int WithReadOnlyKey(const std::string&, const std::function<int()>& work) override {
    const fs::path hive = windows_.HivePath();
    OpenUpTo(hive);
    fs::permissions(hive, fs::perms(0444));
    fs::permissions(hive.parent_path(), fs::perms(0555));
    const int result = RunUnprivileged(work);
    fs::permissions(hive.parent_path(), fs::perms(0755));
    fs::permissions(hive, fs::perms(0644));
    return result;
  }

  bool RefusesWriteRightsAtOpen() const override { return false; }

  void PutDriverFile(const std::string& name) override {
    std::ofstream(DriverFolder() / name) << "driver";
  }
  void PutDriverFolder(const std::string& name) override {
    fs::create_directories(DriverFolder() / name);
  }

 private:
  static std::string HiveKey(const std::string& key) {
    return std::string(kScratchKey) + "\\" + key;
  }
  static std::string Lowercase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
  static bool SameName(const std::string& a, const std::string& b) {
    return Lowercase(a) == Lowercase(b);
  }
  fs::path DriverFolder() const { return windows_.Folder() / "Windows/System32/drivers"; }

  TempInstallation windows_;
  std::unique_ptr<OfflineSystem> system_;
};

}  // namespace

std::vector<ScratchKind> ScratchKinds() {
  return {{"Offline",
           [] { return std::unique_ptr<ScratchRegistry>(std::make_unique<OfflineScratch>()); }},
          {"Memory", MakeMemoryScratch}};
}

}  // namespace harnlode::testing
