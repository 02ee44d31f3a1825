#include "memory_system.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <span>

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

  // Text reaches the caller converted, and its size is counted in converted bytes.
  std::string bytes(value->data.begin(), value->data.end());
  if (IsTextType(value->type)) bytes = EightBitFromUtf16le(value->data);
  if (type != nullptr) *type = value->type;
  const auto needed = static_cast<std::uint32_t>(bytes.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
  }
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (!bytes.empty()) {
    std::memcpy(data, bytes.data(), bytes.size());
    // Text stored without its terminator gets one when there is room for it.
    if (IsTextType(value->type) && bytes.back() != 0 && *size > needed) data[needed] = 0;
  }
  *size = needed;
  return kErrorSuccess;
}

RegStatus MemoryRegistry::SetValue(RegKey key, const std::string& name, RegType type,
                                   const std::uint8_t* data, std::uint32_t size) {
  const auto handle = handles_.find(key);
  if (handle == handles_.end())
    return IsPredefinedKey(key) ? kErrorAccessDenied : kErrorInvalidHandle;
  if ((handle->second.access & kKeySetValue) == 0) return kErrorAccessDenied;
  if (data == nullptr && size > 0) return kErrorNoAccess;
  std::vector<std::uint8_t> stored(data, data + size);
  if (IsTextType(type)) {
    // Stored as UTF-16LE with one terminator added when the text has none; no data stays none.
    const bool terminated = size > 0 && data[size - 1] == 0;
    stored = Utf16leFromEightBit(std::string_view(reinterpret_cast<const char*>(data), size));
    if (size > 0 && !terminated) stored.insert(stored.end(), {0, 0});
  }
  handle->second.key->values[name] = {type, std::move(stored)};
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
