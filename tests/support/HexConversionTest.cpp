#include <gtest/gtest.h>

#include "support/ErrorException.h"
#include "support/HexConversion.h"

namespace Support = Dravo::Support;
using Dravo::DSI::DSIException;

namespace {

TEST(HexConversionTest, RoundTripsBytesInUpperCase)
{
    EXPECT_EQ(Support::BinaryToHex(std::string_view("\x00\xFF", 2)), "00FF");
    EXPECT_EQ(Support::BinaryToHex(std::string_view("\x1F\xa0", 2)), "1FA0");
    EXPECT_EQ(Support::HexToBinary("0a"), "\n");
    EXPECT_EQ(Support::HexToBinary("0A"), "\n");
    EXPECT_EQ(Support::HexToBinary(""), "");
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<char>(i));
    }
    EXPECT_EQ(Support::HexToBinary(Support::BinaryToHex(all)), all);

    uint8_t out[2] = {0, 0};
    Support::HexToBinary("fF10", 4, out);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0x10);
}

TEST(HexConversionTest, RejectsOddLengthAndStrayCharacters)
{
    try {
        Support::HexToBinary("abc");
        FAIL();
    } catch (const DSIException& e) {
        EXPECT_EQ(e.GetMessageKey(), Support::WideString(u"DSIHexToBinaryConversionOddLengthError"));
        EXPECT_EQ(e.GetComponentId(), 2);
        EXPECT_EQ(e.GetDiagState(), 63);
        EXPECT_FALSE(e.HasParameters());
    }
    try {
        Support::HexToBinary("0G");
        FAIL();
    } catch (const DSIException& e) {
        EXPECT_EQ(e.GetMessageKey(), Support::WideString(u"DSIHexToBinaryConversionInvalidCharacterError"));
        EXPECT_EQ(e.GetComponentId(), 2);
        ASSERT_EQ(e.GetParameters().size(), 1U);
        EXPECT_EQ(e.GetParameters()[0], Support::WideString(u"G"));
        EXPECT_EQ(e.GetRowNumber(), -1);
    }
    // A byte that is no character of its own is still named, never decoded.
    try {
        Support::HexToBinary(std::string_view("0\xE9", 2));
        FAIL();
    } catch (const DSIException& e) {
        EXPECT_EQ(e.GetParameters()[0], Support::WideString(u"\u00E9"));
    }
}

} // namespace
