#include "offline/hive_values.h"

#include <algorithm>

#include "offline/base_block.h"
#include "offline/hivex_support.h"
#include "text_conversion.h"

namespace harnlode::hivex {
namespace {

// The value's type and stored bytes; nothing when the key or value is missing or unreadable.
std::optional<StoredValue> Stored(hive_h* hive, hive_node_h key, const char* name) {
  if (key == 0) return std::nullopt;
  const hive_value_h value = hivex_node_get_value(hive, key, name);
  if (value == 0) return std::nullopt;
  return ReadStoredValue(hive, value);
}

}  // namespace

hive_node_h KeyAt(hive_h* hive, std::initializer_list<const char*> path) {
  hive_node_h node = hivex_root(hive);
  for (const char* name : path) {
    if (node == 0) return 0;
    node = hivex_node_get_child(hive, node, name);
  }
  return node;
}

std::optional<std::string> TextValue(hive_h* hive, hive_node_h key, const char* name) {
  const std::optional<StoredValue> stored = Stored(hive, key, name);
  if (!stored || (stored->type != hive_t_REG_SZ && stored->type != hive_t_REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::string text = EightBitFromUtf16le(stored->Bytes());
  text.resize(std::min(text.find('\0'), text.size()));
  return text;
}

std::optional<std::uint32_t> DwordValue(hive_h* hive, hive_node_h key, const char* name) {
  const std::optional<StoredValue> stored = Stored(hive, key, name);
  if (!stored || stored->type != hive_t_REG_DWORD || stored->length != 4) return std::nullopt;
  return base_block::Read32(stored->Bytes(), 0);
}

}  // namespace harnlode::hivex
