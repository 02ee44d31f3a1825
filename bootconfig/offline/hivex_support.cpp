#include "offline/hivex_support.h"

#include <cerrno>
#include <cstring>

namespace harnlode::hivex {

static_assert(sizeof(hive_type) == sizeof(std::uint32_t));

std::optional<StoredValue> ReadStoredValue(hive_h* hive, hive_value_h value) {
  StoredValue stored;
  hive_type type{};
  errno = 0;
  stored.data.reset(hivex_value_value(hive, value, &type, &stored.length));
  if (!stored.data && (stored.length != 0 || errno != 0)) {
    if (errno == 0) errno = ENOMEM;
    return std::nullopt;
  }
  std::memcpy(&stored.type, &type, sizeof type);  // received as a number, never cast
  return stored;
}

}  // namespace harnlode::hivex
