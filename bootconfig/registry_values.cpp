#include "registry_values.h"

namespace harnlode {
namespace {

// Closes the key when the read is done, whichever way it ends.
class OpenedKey {
 public:
  OpenedKey(RegistryStore& store, const std::string& path, RegAccess access) : store_(store) {
    if (store_.OpenKey(kHkeyLocalMachine, path, access, &key_) != kErrorSuccess) key_ = kNoKey;
  }
  ~OpenedKey() {
    if (key_ != kNoKey) store_.CloseKey(key_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  RegKey Key() const { return key_; }

 private:
  RegistryStore& store_;
  RegKey key_ = kNoKey;
};

}  // namespace

bool RegistryValues::KeyExists(const std::string& key) {
  return OpenedKey(store_, key, access_).Key() != kNoKey;
}

std::optional<RegistryValues::Raw> RegistryValues::Read(const std::string& key,
                                                        const std::string& name) {
  const OpenedKey opened(store_, key, access_);
  if (opened.Key() == kNoKey) return std::nullopt;
  Raw raw;
  std::uint32_t size = 0;
  if (store_.QueryValue(opened.Key(), name, &raw.type, nullptr, &size) != kErrorSuccess) {
    return std::nullopt;
  }
  raw.data.resize(size);
  auto* bytes = reinterpret_cast<std::uint8_t*>(raw.data.data());
  if (store_.QueryValue(opened.Key(), name, &raw.type, bytes, &size) != kErrorSuccess) {
    return std::nullopt;
  }
  raw.data.resize(size);
  return raw;
}

std::optional<std::uint32_t> RegistryValues::Dword(const std::string& key,
                                                   const std::string& name) {
  const std::optional<Raw> raw = Read(key, name);
  if (!raw || raw->type != kRegDword || raw->data.size() != 4) return std::nullopt;
  std::uint32_t number = 0;
  for (int byte = 3; byte >= 0; --byte) {
    number = number << 8 | static_cast<std::uint8_t>(raw->data[byte]);
  }
  return number;
}

std::optional<std::string> RegistryValues::Text(const std::string& key, const std::string& name) {
  const std::optional<Raw> raw = Read(key, name);
  if (!raw || (raw->type != kRegSz && raw->type != kRegExpandSz)) return std::nullopt;
  return raw->data.substr(0, raw->data.find('\0'));
}

}  // namespace harnlode
