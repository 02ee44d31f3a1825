#include "offline/offline_registry.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <optional>
#include <system_error>
#include <vector>

#include "installation_error.h"
#include "offline/hibernation.h"
#include "offline/hive_folder.h"
#include "offline/hive_location.h"
#include "offline/hivex_support.h"
#include "offline/installation_path.h"
#include "offline/interrupted_rename.h"
#include "offline/value_list_check.h"
#include "offline/windows_names.h"
#include "text_conversion.h"

namespace harnlode {
namespace {

constexpr std::string_view kHiveKeyName = "SYSTEM";

// The key names of a path, with trailing backslashes dropped. Empty names in the middle are kept:
// no key has one, so such a path names no key.
std::vector<std::string> KeyNames(const std::string& subkey) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < subkey.size()) {
    const std::size_t end = std::min(subkey.find('\\', start), subkey.size());
    names.push_back(subkey.substr(start, end - start));
    start = end + 1;
  }
  while (!names.empty() && names.back().empty()) names.pop_back();
  return names;
}

// The key's path from the hive's root, as in "SYSTEM\\ControlSet001\\Services".
std::string KeyPath(hive_h* hive, hive_node_h node) {
  std::string path;
  for (hive_node_h at = node; at != 0 && at != hivex_root(hive); at = hivex_node_parent(hive, at)) {
    const hivex::Freed<char> name(hivex_node_name(hive, at));
    path = std::string(name ? name.get() : "?") + (path.empty() ? "" : "\\") + path;
  }
  return std::string(kHiveKeyName) + (path.empty() ? "" : "\\") + path;
}

}  // namespace

OfflineRegistry::OfflineRegistry(std::filesystem::path windows_folder)
    : folder_(std::move(windows_folder)) {}

OfflineRegistry::~OfflineRegistry() = default;

OfflineRegistry::Run::Run() = default;

OfflineRegistry::Run& OfflineRegistry::CurrentRun() {
  if (!run_) run_.emplace();
  return *run_;
}

HiveFile& OfflineRegistry::Hive() {
  // Looked up again for every run: the installation may have changed in between.
  Run& run = CurrentRun();
  if (!run.hive) {
    HiveLocation location = LocateSystemHive(folder_);
    // A tuning run leaves the hive where Windows looks for it, whether or not it changes a value.
    if (run.expect_changes && location.FromSpare()) {
      const std::vector<std::string> restored = RestoreAfterInterruptedRename(location);
      location = LocateSystemHive(folder_);
      location.notes.insert(location.notes.begin(), restored.begin(), restored.end());
    }
    AddNotes(location.notes);
    run.hive = std::make_unique<HiveFile>(location, run.expect_changes);
  }
  return *run.hive;
}

bool OfflineRegistry::InstallationWritable() {
  // Asked once per run, as the hive is read once per run.
  // Asked at the first change, so that an installation that may only be read is analysed.
  std::optional<bool>& writable = CurrentRun().writable;
  if (!writable) {
    const HiveLocation& location = Hive().Location();
    const int folder = location.hive_folder->Descriptor();
    // Only a refusal means that the user may not write; a disk that fails, or a driver that
    // stopped, is a failure of its own. The hive's entry is asked, not what a link there leads to.
    const auto may_write = [&](const std::string& name, int flags) {
      if (::faccessat(folder, name.c_str(), W_OK, AT_EACCESS | flags) == 0) return true;
      const std::error_code error(errno, std::generic_category());
      if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
          error == std::errc::read_only_file_system) {
        return false;
      }
      throw EInstallationError(CannotLookInto(location.hive_folder->Path() / name, error));
    };
    writable = may_write(location.read_name, AT_SYMLINK_NOFOLLOW) && may_write(".", 0) &&
               // Changes to a hibernated Windows would be lost when it resumes, or damage its
               // volume.
               InstallationHibernation(folder_).state == HibernationState::kNotHibernated;
    if (!*writable) refusal_ = WriteRefusal{Hive().Path(), true};
  }
  return *writable;
}

const OfflineRegistry::Handle* OfflineRegistry::FindHandle(RegKey key) const {
  if (!run_) return nullptr;
  const auto it = run_->handles.find(key);
  return it == run_->handles.end() ? nullptr : &it->second;
}

RegStatus OfflineRegistry::Lookup(RegKey key, Node* node) const {
  if (key == kHkeyLocalMachine) {
    *node = {Node::Kind::kMachine};
  } else if (IsPredefinedKey(key)) {
    *node = {Node::Kind::kEmptyRoot};
  } else if (const Handle* handle = FindHandle(key)) {
    *node = handle->node;
  } else {
    return kErrorInvalidHandle;
  }
  return kErrorSuccess;
}

RegStatus OfflineRegistry::Walk(Node from, const std::string& subkey, bool create, Node* result) {
  if (!subkey.empty() && subkey.front() == '\\') return kErrorBadPathname;
  Node node = from;
  for (const std::string& name : KeyNames(subkey)) {
    if (node.kind == Node::Kind::kEmptyRoot)
      return create ? kErrorAccessDenied : kErrorFileNotFound;
    if (node.kind == Node::Kind::kMachine) {
      if (!SameNameIgnoringCase(name, kHiveKeyName)) {
        return create ? kErrorAccessDenied : kErrorFileNotFound;
      }
      node = {Node::Kind::kHive, hivex_root(Hive().Handle())};
      continue;
    }
    hive_node_h child = name.empty() ? 0 : Child(node.node, name);
    if (child == 0) {
      if (!create || name.empty()) return kErrorFileNotFound;
      Hive().MakeWritable();
      errno = 0;
      child = hivex_node_add_child(Hive().Handle(), node.node, name.c_str());
      if (child == 0) return errno == ENOMEM ? kErrorOutOfMemory : kErrorRegistryIo;
      ForgetMissingChildren(node.node);
      CurrentRun().children[{node.node, name}] = child;
      CurrentRun().changed = true;
    }
    node.node = child;
  }
  *result = node;
  return kErrorSuccess;
}

hive_node_h OfflineRegistry::Child(hive_node_h parent, const std::string& name) {
  auto& children = CurrentRun().children;
  const auto known = children.find({parent, name});
  if (known != children.end()) return known->second;
  hive_node_h child = 0;
  std::string first;
  for (const auto& [subkey, node] : Subkeys(parent)) {
    if (!SameNameIgnoringCase(subkey, name)) continue;
    if (child != 0) {
      const std::string key = KeyPath(Hive().Handle(), parent);
      Hive().ThrowDamaged("the key " + key + " holds two subkeys, \"" + first + "\" and \"" +
                          subkey +
                          "\", whose names differ only in case, and Windows, which compares key "
                          "names without regard to case, cannot tell which of them is meant");
    }
    child = node;
    first = subkey;
  }
  children[{parent, name}] = child;
  return child;
}

hive_value_h OfflineRegistry::Value(hive_node_h key, const std::string& name) {
  auto& values = CurrentRun().values;
  const auto known = values.find({key, name});
  if (known != values.end()) return known->second;
  errno = 0;
  const hive_value_h value = hivex_node_get_value(Hive().Handle(), key, name.c_str());
  if (value == 0 && errno != 0) Hive().ThrowDamaged();
  values[{key, name}] = value;
  return value;
}

const std::vector<std::pair<std::string, hive_node_h>>& OfflineRegistry::Subkeys(
    hive_node_h parent) {
  auto& listed = CurrentRun().subkeys;
  if (const auto known = listed.find(parent); known != listed.end()) return known->second;
  hive_h* hive = Hive().Handle();
  errno = 0;
  const hivex::Freed<hive_node_h> nodes(hivex_node_children(hive, parent));
  if (!nodes) Hive().ThrowDamaged();
  std::vector<std::pair<std::string, hive_node_h>> subkeys;
  for (const hive_node_h* node = nodes.get(); *node != 0; ++node) {
    errno = 0;
    const hivex::Freed<char> name(hivex_node_name(hive, *node));
    if (!name) Hive().ThrowDamaged();
    subkeys.emplace_back(name.get(), *node);
  }
  return listed[parent] = std::move(subkeys);
}

void OfflineRegistry::ForgetMissingChildren(hive_node_h parent) {
  CurrentRun().subkeys.erase(parent);
  // Names match without regard to case, so the new key may be one looked for under another case.
  auto& children = CurrentRun().children;
  for (auto known = children.lower_bound({parent, std::string()});
       known != children.end() && known->first.first == parent;) {
    known = known->second == 0 ? children.erase(known) : std::next(known);
  }
}

RegStatus OfflineRegistry::NewHandle(Node node, RegAccess access, RegKey* result) {
  const RegKey key = next_handle_;
  next_handle_ += 4;
  CurrentRun().handles[key] = {node, access};
  *result = key;
  return kErrorSuccess;
}

RegStatus OfflineRegistry::OpenKey(RegKey parent, const std::string& subkey, RegAccess access,
                                   RegKey* result) {
  *result = kNoKey;
  Node node{};
  if (RegStatus status = Lookup(parent, &node); status != kErrorSuccess) return status;
  if (RegStatus status = Walk(node, subkey, false, &node); status != kErrorSuccess) return status;
  if (node.kind == Node::Kind::kEmptyRoot) return kErrorFileNotFound;
  // Write rights that the installation does not give are refused at the first change, not here:
  // a key opened for full access on a volume that may only be read is read as usual.
  return NewHandle(node, access, result);
}

RegStatus OfflineRegistry::CreateKey(RegKey parent, const std::string& subkey, RegAccess access,
                                     RegKey* result) {
  *result = kNoKey;
  Node node{};
  if (RegStatus status = Lookup(parent, &node); status != kErrorSuccess) return status;
  // Whether every key exists is found out first: adding one needs the rights to write.
  Node existing{};
  const RegStatus found = Walk(node, subkey, false, &existing);
  if (found == kErrorSuccess) {
    if (existing.kind == Node::Kind::kEmptyRoot) return kErrorAccessDenied;
    return NewHandle(existing, access, result);
  }
  if (found != kErrorFileNotFound) return found;
  if (!InstallationWritable()) return kErrorAccessDenied;
  if (RegStatus status = Walk(node, subkey, true, &node); status != kErrorSuccess) return status;
  return NewHandle(node, access, result);
}

RegStatus OfflineRegistry::QueryValue(RegKey key, const std::string& name, RegType* type,
                                      std::uint8_t* data, std::uint32_t* size) {
  if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
  if (type != nullptr) *type = kRegNone;
  const Handle* handle = FindHandle(key);
  if (handle == nullptr && !IsPredefinedKey(key)) return kErrorInvalidHandle;
  if (handle != nullptr && (handle->access & kKeyQueryValue) == 0) return kErrorAccessDenied;
  auto not_found = [&] {
    if (data == nullptr && size != nullptr) *size = 0;
    return kErrorFileNotFound;
  };
  if (handle == nullptr || handle->node.kind != Node::Kind::kHive) return not_found();

  const hive_value_h value = Value(handle->node.node, name);
  if (value == 0) return not_found();
  hive_h* hive = Hive().Handle();
  const std::optional<hivex::StoredValue> stored = hivex::ReadStoredValue(hive, value);
  if (!stored) Hive().ThrowDamaged();
  return AnswerAnsiQuery(static_cast<RegType>(stored->type), stored->Bytes(), type, data, size);
}

RegStatus OfflineRegistry::SetValue(RegKey key, const std::string& name, RegType type,
                                    const std::uint8_t* data, std::uint32_t size) {
  const Handle* handle = FindHandle(key);
  if (handle == nullptr && !IsPredefinedKey(key)) return kErrorInvalidHandle;
  if (handle == nullptr || handle->node.kind != Node::Kind::kHive) return kErrorAccessDenied;
  if ((handle->access & kKeySetValue) == 0) return kErrorAccessDenied;
  if (data == nullptr && size > 0) return kErrorNoAccess;
  if (!InstallationWritable()) return kErrorAccessDenied;

  std::vector<std::uint8_t> stored = StoredFromAnsi(type, data, size);
  Hive().MakeWritable();
  if (!ValuesMayBeReplaced(Hive().Handle(), handle->node.node)) Hive().ThrowDamaged();
  hive_set_value value{};
  value.key = const_cast<char*>(name.c_str());
  std::memcpy(&value.t, &type, sizeof type);  // any number, valid hive_type or not
  value.len = stored.size();
  value.value = reinterpret_cast<char*>(stored.data());
  // hivex writes the key's list of values anew, even when it fails on the way.
  auto& values = CurrentRun().values;
  values.erase(values.lower_bound({handle->node.node, std::string()}),
               values.lower_bound({handle->node.node + 1, std::string()}));
  errno = 0;
  if (hivex_node_set_value(Hive().Handle(), handle->node.node, &value, 0) != 0) {
    return errno == ENOMEM ? kErrorOutOfMemory : kErrorRegistryIo;
  }
  CurrentRun().changed = true;
  return kErrorSuccess;
}

RegStatus OfflineRegistry::FlushKey(RegKey key) {
  if (FindHandle(key) == nullptr && !IsPredefinedKey(key)) return kErrorInvalidHandle;
  WriteBack();
  return kErrorSuccess;
}

RegStatus OfflineRegistry::CloseKey(RegKey key) {
  if (IsPredefinedKey(key)) return kErrorSuccess;
  return run_ && run_->handles.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

void OfflineRegistry::WriteBack() {
  if (!run_ || !run_->changed || !run_->hive) return;
  run_->hive->Save();
  run_->changed = false;
  AddNotes(run_->hive->Notes());
}

void OfflineRegistry::AddNotes(const std::vector<std::string>& notes) {
  // A run that puts the hive back and then saves it finds the same files beside it twice.
  for (const std::string& note : notes) {
    if (std::find(notes_.begin(), notes_.end(), note) == notes_.end()) notes_.push_back(note);
  }
}

void OfflineRegistry::BeginRun(bool changes) {
  run_.emplace();
  run_->expect_changes = changes;
  refusal_.reset();
  notes_.clear();
}

void OfflineRegistry::EndRun() {
  // The next run reads the hive afresh, whether or not this one could save its changes.
  struct Forget {
    std::optional<Run>& run;
    ~Forget() { run.reset(); }
  } forget{run_};
  if (!run_) return;
  if (run_->hive && !run_->hive->RecoveryNote().empty()) {
    notes_.push_back(run_->hive->RecoveryNote());
  }
  // What was read through a mapping of a file that changed meanwhile may be a mix of two hives.
  if (run_->hive && !run_->hive->Writable()) run_->hive->RequireUnchanged();
  WriteBack();
}

}  // namespace harnlode
