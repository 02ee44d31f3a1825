// Keys and values of a hive opened with hivex, looked up where they may be missing: names match
// without regard to case, and a key, value or type that is not there reads as nothing.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

namespace harnlode::hivex {

// The key at the path of names below the root; 0 when one is missing.
hive_node_h KeyAt(hive_h* hive, std::initializer_list<const char*> path);
// REG_SZ or REG_EXPAND_SZ text up to its first NUL, 8-bit; nothing in `key` 0.
std::optional<std::string> TextValue(hive_h* hive, hive_node_h key, const char* name);
// A REG_DWORD of 4 bytes, read as stored (hivex_value_dword cannot tell 0xFFFFFFFF from a failure).
std::optional<std::uint32_t> DwordValue(hive_h* hive, hive_node_h key, const char* name);

}  // namespace harnlode::hivex
