// Conversion between the registry's UTF-16LE text and the program's 8-bit text (UTF-8 here).
// Malformed text on either side becomes U+FFFD, as the platform's conversion to and from its
// UTF-8 code page does.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace harnlode {

// Converts UTF-16LE bytes. An odd trailing byte is not part of any character and is dropped.
std::string EightBitFromUtf16le(std::span<const std::uint8_t> utf16le);

// Converts 8-bit text to UTF-16LE bytes, code unit for code unit, adding no terminator.
std::vector<std::uint8_t> Utf16leFromEightBit(std::string_view text);

}  // namespace harnlode
