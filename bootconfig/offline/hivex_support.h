// What every user of hivex here needs around its C interface: handles closed and results freed
// when they go out of scope, and one way to read the bytes a value stores.
#pragma once

#include <hivex.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>

namespace harnlode::hivex {

struct Closer {
  void operator()(hive_h* hive) const { hivex_close(hive); }
};
using OwnedHive = std::unique_ptr<hive_h, Closer>;

struct Freer {
  void operator()(void* memory) const { std::free(memory); }
};
// Memory that hivex hands over, such as a name, a list of handles or a value's data.
template <typename T>
using Freed = std::unique_ptr<T, Freer>;

// The type and data of a value as the hive stores them. The type may be any number, valid
// hive_type or not.
struct StoredValue {
  std::uint32_t type = 0;
  Freed<char> data;  // may be null when `length` is 0
  std::size_t length = 0;

  std::span<const std::uint8_t> Bytes() const {
    return {reinterpret_cast<const std::uint8_t*>(data.get()), length};
  }
};

// Reads the value's type and data; nothing when the hive is damaged there, with errno telling
// why. Empty data is a value like any other: hivex allocates nothing for it, and depending on the
// C library that is a null pointer without an error.
std::optional<StoredValue> ReadStoredValue(hive_h* hive, hive_value_h value);

}  // namespace harnlode::hivex
