#include "registry.h"

#include <array>
#include <vector>

namespace harnlode {
namespace {

constexpr const char* kGetDataFailed = "Fehler beim Holen der Daten für";
constexpr const char* kSetDataFailed = "Fehler beim Setzen der Daten für";
constexpr const char* kInvalidDataType = "Ungültiger Datentyp für";

// A value failure's message names the value between single quotes.
ERegistryException ValueFailure(const char* message, const std::string& name) {
  return ERegistryException(std::string(message) + " '" + name + "'");
}

}  // namespace

TRegistry::TRegistry(RegistryStore& store) : store_(store) {}

TRegistry::~TRegistry() {
  // A flush that fails here leaves the changes to the run's write-back, which tells its failure.
  try {
    CloseCurrent();
  } catch (...) {
  }
}

void TRegistry::SetRoot(RegKey key) {
  if (key == root_key_) return;
  root_key_ = key;
  CloseCurrent();
}

// A leading backslash starts from the root; any other path from the open key, if there is one.
TRegistry::Resolved TRegistry::Resolve(const std::string& path) const {
  if (path.starts_with('\\')) return {root_key_, path.substr(1), false};
  if (current_key_ != kNoKey) return {current_key_, path, true};
  return {root_key_, path, false};
}

bool TRegistry::KeyPresent(const std::string& path) {
  const Resolved resolved = Resolve(path);
  const RegAccess read_rights =
      (access_mask_ & kKeyWow64Views) | kStandardRightsRead | kKeyQueryValue | kKeyEnumerateSubKeys;
  RegKey key = kNoKey;
  if (store_.OpenKey(resolved.base, resolved.subkey, read_rights, &key) != kErrorSuccess) {
    return false;
  }
  store_.CloseKey(key);
  return true;
}

bool TRegistry::OpenPath(const std::string& path, bool create) {
  const auto [base, subkey, below_current] = Resolve(path);
  RegKey key = kNoKey;
  const RegStatus status = (create && !subkey.empty())
                               ? store_.CreateKey(base, subkey, access_mask_, &key)
                               : store_.OpenKey(base, subkey, access_mask_, &key);
  if (status != kErrorSuccess) return false;
  const std::string new_path = below_current ? current_path_ + "\\" + subkey : subkey;
  CloseCurrent();
  current_key_ = key;
  current_path_ = new_path;
  return true;
}

std::string TRegistry::ReadText(const std::string& name) {
  std::uint32_t size = 0;
  RegType type = kRegNone;
  if (store_.QueryValue(current_key_, name, &type, nullptr, &size) != kErrorSuccess || size == 0) {
    return {};
  }
  std::vector<std::uint8_t> buffer(size);
  if (store_.QueryValue(current_key_, name, &type, buffer.data(), &size) != kErrorSuccess) {
    throw ValueFailure(kGetDataFailed, name);
  }
  if (type != kRegSz && type != kRegExpandSz) throw ValueFailure(kInvalidDataType, name);
  std::string text(buffer.begin(), buffer.begin() + size);
  return text.substr(0, text.find('\0'));
}

std::int32_t TRegistry::ReadNumber(const std::string& name) {
  std::array<std::uint8_t, 4> buffer{};
  std::uint32_t size = buffer.size();
  RegType type = kRegNone;
  if (store_.QueryValue(current_key_, name, &type, buffer.data(), &size) != kErrorSuccess) {
    throw ValueFailure(kGetDataFailed, name);
  }
  if (type != kRegDword) throw ValueFailure(kInvalidDataType, name);
  // Fewer than four stored bytes read as the number they spell, the missing high bytes zero.
  const std::uint32_t bits = buffer[0] | (buffer[1] << 8) | (buffer[2] << 16) |
                             (static_cast<std::uint32_t>(buffer[3]) << 24);
  return static_cast<std::int32_t>(bits);
}

void TRegistry::WriteText(const std::string& name, const std::string& value) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(value.c_str());
  if (store_.SetValue(current_key_, name, kRegSz, data, value.size() + 1) != kErrorSuccess) {
    throw ValueFailure(kSetDataFailed, name);
  }
}

void TRegistry::WriteNumber(const std::string& name, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const std::array<std::uint8_t, 4> data = {
      static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
      static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
  if (store_.SetValue(current_key_, name, kRegDword, data.data(), data.size()) != kErrorSuccess) {
    throw ValueFailure(kSetDataFailed, name);
  }
}

void TRegistry::CloseCurrent() {
  if (current_key_ == kNoKey) return;
  const RegKey key = current_key_;
  current_key_ = kNoKey;
  current_path_.clear();
  if (!lazy_write_) {
    try {
      store_.FlushKey(key);
    } catch (...) {
      store_.CloseKey(key);
      throw;
    }
  }
  store_.CloseKey(key);
}

}  // namespace harnlode
