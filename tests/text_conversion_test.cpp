#include "text_conversion.h"

#include <gtest/gtest.h>

namespace harnlode {
namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<std::uint8_t>(values.begin(), values.end());
}

TEST(TextConversion, RoundTripsEveryPlane) {
  const std::string text =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC \xF0\x9F\x98\x80";  // Grüße € 😀
  const std::vector<std::uint8_t> utf16 = Utf16leFromEightBit(text);
  EXPECT_EQ(utf16, Bytes({'G', 0, 'r',  0,    0xFC, 0, 0xDF, 0,    'e',  0,
                          ' ', 0, 0xAC, 0x20, ' ',  0, 0x3D, 0xD8, 0x00, 0xDE}));
  EXPECT_EQ(EightBitFromUtf16le(utf16), text);
}

TEST(TextConversion, KeepsNulsAndDropsAnOddTrailingByte) {
  EXPECT_EQ(EightBitFromUtf16le(Bytes({'a', 0, 0, 0, 'b', 0})), std::string("a\0b", 3));
  EXPECT_EQ(EightBitFromUtf16le(Bytes({'a', 0, 'b'})), "a");
  EXPECT_EQ(EightBitFromUtf16le({}), "");
}

TEST(TextConversion, ReplacesWhatCannotBeConverted) {
  const std::string replacement = "\xEF\xBF\xBD";                                  // U+FFFD
  EXPECT_EQ(EightBitFromUtf16le(Bytes({0x00, 0xD8, 'x', 0})), replacement + "x");  // lone high
  EXPECT_EQ(EightBitFromUtf16le(Bytes({0x00, 0xDC})), replacement);                // lone low

  const std::vector<std::uint8_t> r = {0xFD, 0xFF};
  auto replaced = [&r](std::initializer_list<int> ascii_after, int replacements) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < replacements; ++i) out.insert(out.end(), r.begin(), r.end());
    for (int c : ascii_after) out.insert(out.end(), {static_cast<std::uint8_t>(c), 0});
    return out;
  };
  const struct {
    const char* utf8;
    std::vector<std::uint8_t> utf16;
  } cases[] = {
      {"\xFF"
       "a",
       replaced({'a'}, 1)},       // never a lead byte
      {"\xC3", replaced({}, 1)},  // cut short by the end
      {"\xE2\x82"
       "a",
       replaced({'a'}, 1)},                   // cut short, counted once
      {"\xC0\xAF", replaced({}, 2)},          // overlong, with a lead that never leads
      {"\xE0\x80\x80", replaced({}, 2)},      // overlong
      {"\xED\xA0\x80", replaced({}, 2)},      // a surrogate
      {"\xF4\x90\x80\x80", replaced({}, 3)},  // beyond U+10FFFF
      {"\xED\x9F\xBF", Bytes({0xFF, 0xD7})},  // the last character before the surrogates
      {"\xF4\x8F\xBF\xBF", Bytes({0xFF, 0xDB, 0xFF, 0xDF})},  // the last of all
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16leFromEightBit(c.utf8), c.utf16) << c.utf8;
}

}  // namespace
}  // namespace harnlode
