#include "windows/win32_registry.h"

#include <windows.h>

namespace harnlode {
namespace {

// Predefined keys are small negative numbers as handles, sign-extended on 64-bit systems.
HKEY ToHandle(RegKey key) {
  if (IsPredefinedKey(key)) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(key)));
  }
  return reinterpret_cast<HKEY>(key);
}

RegKey FromHandle(HKEY key) { return reinterpret_cast<RegKey>(key); }

}  // namespace

RegStatus Win32Registry::OpenKey(RegKey parent, const std::string& subkey, RegAccess access,
                                 RegKey* result) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExA(ToHandle(parent), subkey.c_str(), 0, access, &opened);
  *result = status == ERROR_SUCCESS ? FromHandle(opened) : kNoKey;
  return status;
}

RegStatus Win32Registry::CreateKey(RegKey parent, const std::string& subkey, RegAccess access,
                                   RegKey* result) {
  HKEY created = nullptr;
  const LONG status =
      ::RegCreateKeyExA(ToHandle(parent), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        access, nullptr, &created, nullptr);
  *result = status == ERROR_SUCCESS ? FromHandle(created) : kNoKey;
  return status;
}

RegStatus Win32Registry::QueryValue(RegKey key, const std::string& name, RegType* type,
                                    std::uint8_t* data, std::uint32_t* size) {
  DWORD value_type = REG_NONE;
  DWORD value_size = size != nullptr ? *size : 0;
  const LONG status = ::RegQueryValueExA(ToHandle(key), name.c_str(), nullptr, &value_type, data,
                                         size != nullptr ? &value_size : nullptr);
  if (type != nullptr) *type = value_type;
  if (size != nullptr) *size = value_size;
  return status;
}

RegStatus Win32Registry::SetValue(RegKey key, const std::string& name, RegType type,
                                  const std::uint8_t* data, std::uint32_t size) {
  return ::RegSetValueExA(ToHandle(key), name.c_str(), 0, type, data, size);
}

RegStatus Win32Registry::FlushKey(RegKey key) { return ::RegFlushKey(ToHandle(key)); }

RegStatus Win32Registry::CloseKey(RegKey key) { return ::RegCloseKey(ToHandle(key)); }

}  // namespace harnlode
