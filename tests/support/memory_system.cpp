#include "memory_system.h"

#include <algorithm>
#include <cctype>

#include "text_conversion.h"

namespace harnlode::testing {
namespace {

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Key and value names match without regard to case.
struct IgnoringCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return Lowercase(a) < Lowercase(b);
  }
};

// The key names of a path, trailing backslashes dropped; an empty name in the middle stays, and
// names no key.
std::vector<std::string> KeyNames(const std::string& path) {
  std::vector<std::string> names;
  for (std::size_t start = 0; start < path.size();) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  while (!names.empty() && names.back().empty()) names.pop_back();
  return names;
}

}  // namespace

struct MemoryRegistry::Key {
  std::map<std::string, std::unique_ptr<Key>, IgnoringCase> children;
  std::map<std::string, StoredValue, IgnoringCase> values;
  bool read_only = false;
};

MemoryRegistry::MemoryRegistry() : machine_(std::make_unique<Key>()) {}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key& MemoryRegistry::MakeKey(const std::string& key) {
  Key* node = machine_.get();
  for (const std::string& name : KeyNames(key)) {
    std::unique_ptr<Key>& child = node->children[name];
    if (!child) child = std::make_unique<Key>();
    node = child.get();
  }
  return *node;
}

void MemoryRegistry::AddKey(const std::string& key) { MakeKey(key); }

void MemoryRegistry::Put(const std::string& key, const std::string& name, RegType type,
                         std::vector<std::uint8_t> data) {
  MakeKey(key).values[name] = {type, std::move(data)};
}

std::optional<StoredValue> MemoryRegistry::Get(const std::string& key,
                                               const std::string& name) const {
  const Key* node = machine_.get();
  for (const std::string& part : KeyNames(key)) {
    const auto child = node->children.find(part);
    if (child == node->children.end()) return std::nullopt;
    node = child->second.get();
  }
  const auto value = node->values.find(name);
  if (value == node->values.end()) return std::nullopt;
  return value->second;
}

std::map<std::string, StoredValue> MemoryRegistry::Contents() const {
  std::map<std::string, StoredValue> contents;
  auto visit = [&](auto& self, const Key& key, const std::string& path) -> void {
    for (const auto& [name, value] : key.values) contents[Lowercase(path + name)] = value;
    for (const auto& [name, child] : key.children) self(self, *child, path + name + "\\");
  };
  visit(visit, *machine_, "");
  return contents;
}

void MemoryRegistry::SetReadOnly(const std::string& key, bool read_only) {
  MakeKey(key).read_only = read_only;
}

RegStatus MemoryRegistry::Lookup(RegKey key, Key** found) const {
  if (key == kHkeyLocalMachine) {
    *found = machine_.get();
  } else if (IsPredefinedKey(key)) {
    *found = nullptr;
  } else if (const auto handle = handles_.find(key); handle != handles_.end()) {
    *found = handle->second.key;
  } else {
    return kErrorInvalidHandle;
  }
  return kErrorSuccess;
}

RegStatus MemoryRegistry::Walk(Key* from, const std::string& subkey, bool create, Key** found) {
  if (!subkey.empty() && subkey.front() == '\\') return kErrorBadPathname;
  Key* node = from;
  for (const std::string& name : KeyNames(subkey)) {
    if (node == nullptr) return create ? kErrorAccessDenied : kErrorFileNotFound;
    const auto child = node->children.find(name);
    if (child != node->children.end()) {
      node = child->second.get();
      continue;
    }
    if (!create || name.empty()) return kErrorFileNotFound;
    if (node->read_only) return kErrorAccessDenied;
    node = (node->children[name] = std::make_unique<Key>()).get();
  }
  *found = node;
  return kErrorSuccess;
}

RegStatus MemoryRegistry::NewHandle(Key* key, RegAccess access, RegKey* result) {
  if (key == nullptr) return kErrorFileNotFound;
  if ((access & kKeyWriteRights) != 0 && key->read_only) return kErrorAccessDenied;
  *result = next_handle_;
  handles_[next_handle_] = {key, access};
  next_handle_ += 4;
  return kErrorSuccess;
}

RegStatus MemoryRegistry::OpenKey(RegKey parent, const std::string& subkey, RegAccess access,
                                  RegKey* result) {
  *result = kNoKey;
  Key* node = nullptr;
  if (RegStatus status = Lookup(parent, &node); status != kErrorSuccess) return status;
  if (RegStatus status = Walk(node, subkey, false, &node); status != kErrorSuccess) return status;
  return NewHandle(node, access, result);
}

RegStatus MemoryRegistry::CreateKey(RegKey parent, const std::string& subkey, RegAccess access,
                                    RegKey* result) {
  *result = kNoKey;
  Key* node = nullptr;
  if (RegStatus status = Lookup(parent, &node); status != kErrorSuccess) return status;
  if (RegStatus status = Walk(node, subkey, true, &node); status != kErrorSuccess) return status;
  if (node == nullptr) return kErrorAccessDenied;
  return NewHandle(node, access, result);
}

RegStatus MemoryRegistry::QueryValue(RegKey key, const std::string& name, RegType* type,
                                     std::uint8_t* data, std::uint32_t* size) {
  if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
  if (type != nullptr) *type = kRegNone;
  const auto handle = handles_.find(key);
  if (handle == handles_.end() && !IsPredefinedKey(key)) return kErrorInvalidHandle;
  if (handle != handles_.end() && (handle->second.access & kKeyQueryValue) == 0) {
    return kErrorAccessDenied;
  }
  const StoredValue* value = nullptr;
  if (handle != handles_.end()) {
    const auto found = handle->second.key->values.find(name);
    if (found != handle->second.key->values.end()) value = &found->second;
  }
  if (value == nullptr) {
    if (data == nullptr && size != nullptr) *size = 0;
    return kErrorFileNotFound;
  }

  return AnswerAnsiQuery(value->type, value->data, type, data, size);
}

RegStatus MemoryRegistry::SetValue(RegKey key, const std::string& name, RegType type,
                                   const std::uint8_t* data, std::uint32_t size) {
  const auto handle = handles_.find(key);
  if (handle == handles_.end())
    return IsPredefinedKey(key) ? kErrorAccessDenied : kErrorInvalidHandle;
  if ((handle->second.access & kKeySetValue) == 0) return kErrorAccessDenied;
  if (data == nullptr && size > 0) return kErrorNoAccess;
  handle->second.key->values[name] = {type, StoredFromAnsi(type, data, size)};
  return kErrorSuccess;
}

RegStatus MemoryRegistry::FlushKey(RegKey key) {
  return handles_.contains(key) || IsPredefinedKey(key) ? kErrorSuccess : kErrorInvalidHandle;
}

RegStatus MemoryRegistry::CloseKey(RegKey key) {
  if (IsPredefinedKey(key)) return kErrorSuccess;
  return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

bool MemorySystem::IsFile(const std::string& windows_path) {
  return files_.contains(Lowercase(windows_path));
}

void MemorySystem::AddFile(const std::string& windows_path) {
  files_.insert(Lowercase(windows_path));
}

}  // namespace harnlode::testing
