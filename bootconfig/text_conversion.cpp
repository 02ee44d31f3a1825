#include "text_conversion.h"

#include <cstring>

namespace harnlode {
namespace {

constexpr char32_t kReplacement = U'\uFFFD';

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16le(std::vector<std::uint8_t>& out, char32_t c) {
  auto unit = [&out](char16_t u) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  };
  if (c < 0x10000) {
    unit(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    unit(static_cast<char16_t>(0xD800 + (c >> 10)));
    unit(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

// Decodes one UTF-8 sequence at `pos`, advancing it. Malformed input decodes to U+FFFD, as the
// platform's UTF-8 conversion does it: a sequence cut short counts once, a lead byte with a first
// continuation byte that could only encode an overlong form, a surrogate or a number beyond
// U+10FFFF counts once with that byte, and every other stray byte counts on its own.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos++]);
  if (lead < 0x80) return lead;
  int length = 0;
  char32_t c = 0;
  unsigned char low = 0x80, high = 0xBF;  // where the first continuation byte must lie
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 1, c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 2, c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 3, c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return kReplacement;
  }
  for (int i = 0; i < length; ++i) {
    if (pos == text.size()) return kReplacement;
    const auto next = static_cast<unsigned char>(text[pos]);
    if ((next & 0xC0) != 0x80) return kReplacement;
    ++pos;
    if (i == 0 && (next < low || next > high)) return kReplacement;
    c = (c << 6) | (next & 0x3F);
  }
  return c;
}

}  // namespace

std::string EightBitFromUtf16le(std::span<const std::uint8_t> utf16le) {
  std::string out;
  out.reserve(utf16le.size() / 2);
  const std::size_t units = utf16le.size() / 2;
  auto unit_at = [&utf16le](std::size_t i) -> char16_t {
    return static_cast<char16_t>(utf16le[2 * i] | (utf16le[2 * i + 1] << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t u = unit_at(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit_at(i + 1) >= 0xDC00 &&
        unit_at(i + 1) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (unit_at(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, kReplacement);  // a lone surrogate
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

std::vector<std::uint8_t> Utf16leFromEightBit(std::string_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() * 2);
  for (std::size_t pos = 0; pos < text.size();) AppendUtf16le(out, DecodeUtf8(text, pos));
  return out;
}

std::vector<std::uint8_t> StoredFromAnsi(RegType type, const std::uint8_t* data,
                                         std::uint32_t size) {
  if (!IsTextType(type)) return {data, data + size};
  std::vector<std::uint8_t> stored =
      Utf16leFromEightBit(std::string_view(reinterpret_cast<const char*>(data), size));
  if (size > 0 && data[size - 1] != 0) stored.insert(stored.end(), {0, 0});
  return stored;
}

RegStatus AnswerAnsiQuery(RegType stored_type, std::span<const std::uint8_t> stored, RegType* type,
                          std::uint8_t* data, std::uint32_t* size) {
  std::string converted;
  if (IsTextType(stored_type)) {
    converted = EightBitFromUtf16le(stored);
    stored = std::span(reinterpret_cast<const std::uint8_t*>(converted.data()), converted.size());
  }
  if (type != nullptr) *type = stored_type;
  const auto needed = static_cast<std::uint32_t>(stored.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
  }
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (!stored.empty()) {
    std::memcpy(data, stored.data(), stored.size());
    if (IsTextType(stored_type) && stored.back() != 0 && *size > needed) data[needed] = 0;
  }
  *size = needed;
  return kErrorSuccess;
}

}  // namespace harnlode
