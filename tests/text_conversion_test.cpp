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
  EXPECT_EQ(EightBitFromUtf16le(Bytes({0x00, 0xD8, 'x', 0})), "?x");  // lone high surrogate
  EXPECT_EQ(EightBitFromUtf16le(Bytes({0x00, 0xDC})), "?");           // lone low surrogate
  EXPECT_EQ(Utf16leFromEightBit("\xFF"
                                "a"),
            Bytes({'?', 0, 'a', 0}));
  EXPECT_EQ(Utf16leFromEightBit("\xC3"), Bytes({'?', 0}));                          // cut short
  EXPECT_EQ(Utf16leFromEightBit("\xC0\xAF"), Bytes({'?', 0, '?', 0}));              // overlong
  EXPECT_EQ(Utf16leFromEightBit("\xED\xA0\x80"), Bytes({'?', 0, '?', 0, '?', 0}));  // surrogate
}

}  // namespace
}  // namespace harnlode
