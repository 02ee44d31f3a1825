// The registry API's vocabulary: key handles, status codes, value types and access rights, with
// the numeric values that the platform uses, so that every store speaks the same language.
#pragma once

#include <cstdint>

namespace harnlode {

// An open key or one of the predefined root keys. 0 stands for "no key".
using RegKey = std::uintptr_t;
// A status code as the registry API returns it: 0 for success, else a system error code.
using RegStatus = std::int32_t;
using RegType = std::uint32_t;
using RegAccess = std::uint32_t;

inline constexpr RegKey kNoKey = 0;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002;
inline constexpr RegKey kHkeyUsers = 0x80000003;

inline constexpr bool IsPredefinedKey(RegKey key) { return key >= 0x80000000 && key <= 0x80000006; }

inline constexpr RegStatus kErrorSuccess = 0;
inline constexpr RegStatus kErrorFileNotFound = 2;
inline constexpr RegStatus kErrorAccessDenied = 5;
inline constexpr RegStatus kErrorInvalidHandle = 6;
inline constexpr RegStatus kErrorOutOfMemory = 14;
inline constexpr RegStatus kErrorInvalidParameter = 87;
inline constexpr RegStatus kErrorBadPathname = 161;
inline constexpr RegStatus kErrorMoreData = 234;
inline constexpr RegStatus kErrorNoAccess = 998;
inline constexpr RegStatus kErrorRegistryIo = 1016;

inline constexpr RegType kRegNone = 0;
inline constexpr RegType kRegSz = 1;
inline constexpr RegType kRegExpandSz = 2;
inline constexpr RegType kRegBinary = 3;
inline constexpr RegType kRegDword = 4;
inline constexpr RegType kRegMultiSz = 7;
inline constexpr RegType kRegQword = 11;

inline constexpr bool IsTextType(RegType type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

inline constexpr RegAccess kKeyQueryValue = 0x0001;
inline constexpr RegAccess kKeySetValue = 0x0002;
inline constexpr RegAccess kKeyCreateSubKey = 0x0004;
inline constexpr RegAccess kKeyEnumerateSubKeys = 0x0008;
inline constexpr RegAccess kKeyCreateLink = 0x0020;
inline constexpr RegAccess kKeyWow64Views = 0x0300;
inline constexpr RegAccess kDelete = 0x00010000;
inline constexpr RegAccess kStandardRightsRead = 0x00020000;
inline constexpr RegAccess kWriteDac = 0x00040000;
inline constexpr RegAccess kWriteOwner = 0x00080000;
inline constexpr RegAccess kKeyRead = 0x00020019;
inline constexpr RegAccess kKeyAllAccess = 0x000F003F;
// Every right that lets the holder change the key, its values or its security.
inline constexpr RegAccess kKeyWriteRights =
    kKeySetValue | kKeyCreateSubKey | kKeyCreateLink | kDelete | kWriteDac | kWriteOwner;

}  // namespace harnlode
