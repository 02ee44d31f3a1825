// Conversion between the registry's UTF-16LE text and the program's 8-bit text (UTF-8 here), as
// the registry API's ANSI form does it. Malformed text on either side becomes U+FFFD, as the
// platform's conversion to and from its UTF-8 code page does.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "registry_api.h"

namespace harnlode {

// Converts UTF-16LE bytes. An odd trailing byte is not part of any character and is dropped.
std::string EightBitFromUtf16le(std::span<const std::uint8_t> utf16le);

// Converts 8-bit text to UTF-16LE bytes, code unit for code unit, adding no terminator.
std::vector<std::uint8_t> Utf16leFromEightBit(std::string_view text);

// For stores that keep values as the platform does. The data stored for a value of `type` set
// from `data`: text converted, with one terminator added when it has none (no data stays none).
std::vector<std::uint8_t> StoredFromAnsi(RegType type, const std::uint8_t* data,
                                         std::uint32_t size);
// A query of a stored value answered as the platform does: text converted, its size counted in
// converted bytes; with `data` null the size alone, with too small a buffer kErrorMoreData and
// the size needed. Text stored without a terminator gets one where there is room. `type` may be
// null.
RegStatus AnswerAnsiQuery(RegType stored_type, std::span<const std::uint8_t> stored, RegType* type,
                          std::uint8_t* data, std::uint32_t* size);

}  // namespace harnlode
