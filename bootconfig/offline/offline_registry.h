// The registry of a Windows installation that is not running: HKEY_LOCAL_MACHINE holds one key,
// SYSTEM, which is the root of the installation's SYSTEM hive file; nothing else exists. The
// hive is read afresh for each run, at its first use, and written back, if the run changed it,
// when the run ends or a key is flushed. A run reads it where it lies, as an analysis needs no
// more; one that means to change it loads it ready for changes at once, and one that did not say
// so loads it again at its first change. Used outside a run, the store reads the hive at its
// first use and keeps what it read until a run begins; changes then reach the file only when a
// key is flushed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "offline/hive_file.h"
#include "offline/write_refusal.h"
#include "registry_store.h"

namespace harnlode {

class OfflineRegistry final : public RegistryStore {
 public:
  explicit OfflineRegistry(std::filesystem::path windows_folder);
  ~OfflineRegistry() override;

  RegStatus OpenKey(RegKey parent, const std::string& subkey, RegAccess access,
                    RegKey* result) override;
  RegStatus CreateKey(RegKey parent, const std::string& subkey, RegAccess access,
                      RegKey* result) override;
  RegStatus QueryValue(RegKey key, const std::string& name, RegType* type, std::uint8_t* data,
                       std::uint32_t* size) override;
  RegStatus SetValue(RegKey key, const std::string& name, RegType type, const std::uint8_t* data,
                     std::uint32_t size) override;
  RegStatus FlushKey(RegKey key) override;
  RegStatus CloseKey(RegKey key) override;
  void BeginRun(bool changes) override;
  void EndRun() override;

  // Set when the latest run was refused the rights to write; kept until the next run starts.
  const std::optional<WriteRefusal>& LastWriteRefusal() const { return refusal_; }
  // What the latest run found that the user should know beside its report, in English sentences;
  // kept until the next run starts.
  const std::vector<std::string>& LastNotes() const { return notes_; }

 private:
  // A key as the store knows it: HKEY_LOCAL_MACHINE itself, a node of the hive, or nothing (the
  // other root keys, which hold nothing here).
  struct Node {
    enum class Kind { kMachine, kHive, kEmptyRoot } kind;
    hive_node_h node = 0;
  };
  struct Handle {
    Node node;
    RegAccess access;
  };

  RegStatus Lookup(RegKey key, Node* node) const;
  const Handle* FindHandle(RegKey key) const;
  // Walks the path beneath `from`; with `create`, adds the keys that are missing.
  RegStatus Walk(Node from, const std::string& subkey, bool create, Node* result);
  // The subkey of that name, or 0 when there is none. Throws EInstallationError, the hive
  // damaged, when two subkeys have that name: Windows tells names apart without regard to case,
  // and which of them it would use cannot be told.
  hive_node_h Child(hive_node_h parent, const std::string& name);
  // The value of that name, or 0 when there is none.
  hive_value_h Value(hive_node_h key, const std::string& name);
  // The names of the key's subkeys, with their nodes.
  const std::vector<std::pair<std::string, hive_node_h>>& Subkeys(hive_node_h parent);
  // Drops what lookups beneath `parent` found missing, once a subkey was added there.
  void ForgetMissingChildren(hive_node_h parent);
  RegStatus NewHandle(Node node, RegAccess access, RegKey* result);
  // What the run under way knows; outside a run, what the store's use since the latest run knows.
  struct Run {
    Run();  // defined out of line, so that every compiler sees it as default-constructible here
    std::unique_ptr<HiveFile> hive;
    std::map<RegKey, Handle> handles;
    // Subkeys looked up in this run, 0 for none, by parent and name as asked for: hivex searches a
    // key's subkeys one by one, and the check asks for the same keys several times.
    std::map<std::pair<hive_node_h, std::string>, hive_node_h> children;
    // Values looked up in this run, 0 for none, by key and name as asked for: the check reads each
    // value several times, and hivex searches a key's values one by one.
    std::map<std::pair<hive_node_h, std::string>, hive_value_h> values;
    // Every subkey of the keys looked into, read once.
    std::map<hive_node_h, std::vector<std::pair<std::string, hive_node_h>>> subkeys;
    std::optional<bool> writable;
    bool expect_changes = false;
    bool changed = false;
  };
  Run& CurrentRun();
  bool InstallationWritable();
  HiveFile& Hive();
  void WriteBack();
  void AddNotes(const std::vector<std::string>& notes);

  std::filesystem::path folder_;
  std::optional<Run> run_;
  RegKey next_handle_ = 0x1000;  // never reused, so that a handle of an ended run stays invalid
  std::optional<WriteRefusal> refusal_;
  std::vector<std::string> notes_;
};

}  // namespace harnlode
