#include <map>

#include <gtest/gtest.h>

#include "support/EncodingTable.h"
#include "support/ErrorException.h"
#include "support/Platform.h"
#include "support/StringConverter.h"
#include "support/WideString.h"

using Dravo::Support::WideString;
namespace Support = Dravo::Support;

namespace {

// Runs each test with and without a running platform, since narrow text takes
// a different path before the platform starts.
class WideStringTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        if (GetParam()) {
            Support::InitializePlatform(false);
        }
    }
    void TearDown() override
    {
        if (GetParam()) {
            Support::UninitializePlatform();
        }
    }
};

TEST_P(WideStringTest, NullIsDistinctFromEmptyAndSortsFirst)
{
    const WideString null;
    const WideString empty(u"");
    EXPECT_TRUE(null.IsNull());
    EXPECT_FALSE(empty.IsNull());
    EXPECT_FALSE(null == empty);
    EXPECT_TRUE(null == WideString());
    EXPECT_TRUE(null < empty);
    EXPECT_FALSE(empty < null);
    EXPECT_FALSE(null < WideString());
    EXPECT_EQ(null.GetLength(), 0);
    EXPECT_EQ(WideString(u"ab").GetLengthInBytes(), 4);
}

TEST_P(WideStringTest, ConcatenationKeepsNullRules)
{
    EXPECT_TRUE((WideString() + WideString()).IsNull());
    const WideString nullPlusEmpty = WideString() + WideString(u"");
    EXPECT_FALSE(nullPlusEmpty.IsNull());
    EXPECT_TRUE(nullPlusEmpty.IsEmpty());
    EXPECT_EQ(WideString(u"ab") + u"cd", WideString(u"abcd"));
    WideString text;
    text.Append(WideString());
    EXPECT_TRUE(text.IsNull());
    text.Append(WideString(u"x"));
    EXPECT_EQ(text, WideString(u"x"));
}

TEST_P(WideStringTest, NarrowRoundTripOfMultiByteCharacters)
{
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC"; // "Grüß €"
    const WideString text(utf8);
    ASSERT_EQ(text.GetLength(), 6);
    EXPECT_EQ(text.CharAt(2), u'\u00FC');
    EXPECT_EQ(text.CharAt(5), u'\u20AC');
    EXPECT_EQ(text.GetAsUTF8(), utf8);
    EXPECT_EQ(WideString(u"caf\u00E9").GetAsNarrow(Support::ENC_UTF16LE), std::string("c\0a\0f\0\xE9\0", 8));
    EXPECT_EQ(WideString(u"\u00E9").GetAsNarrow(5), "\xE9"); // latin1
    EXPECT_EQ(WideString().GetAsUTF8(), "");
    EXPECT_TRUE(WideString(static_cast<const char*>(nullptr)).IsNull());
}

TEST_P(WideStringTest, CaseInsensitiveComparisonFoldsFully)
{
    EXPECT_TRUE(WideString(u"LOGLEVEL").IsEqual(WideString(u"LogLevel"), false));
    EXPECT_FALSE(WideString(u"LOGLEVEL").IsEqual(WideString(u"LogLevel"), true));
    EXPECT_TRUE(WideString(u"STRASSE").IsEqual(WideString(u"stra\u00DFe"), false));

    std::map<WideString, int, Support::WideStringCaseInsensitiveLess> map;
    map.emplace(WideString(u"LOGLEVEL"), 1);
    map[WideString(u"LogLevel")] = 2;
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.begin()->first, WideString(u"LOGLEVEL"));
    EXPECT_EQ(map.begin()->second, 2);
}

TEST_P(WideStringTest, SearchReplaceTrimAndSubstrings)
{
    WideString text(u"  a=b=c \t");
    EXPECT_EQ(text.Find(WideString(u"=")), 3);
    EXPECT_EQ(text.FindLast(WideString(u"=")), 5);
    EXPECT_EQ(text.Find(WideString()), -1);
    EXPECT_EQ(WideString().Find(WideString(u"a")), -1);
    EXPECT_EQ(text.Trim(), WideString(u"a=b=c"));
    EXPECT_EQ(text.Substr(2, 3), WideString(u"a=b"));
    text.Replace(WideString(u"="), WideString(u"=="));
    EXPECT_EQ(text.Trim(), WideString(u"a==b==c"));
    EXPECT_TRUE(WideString(u"SSP_Timeout").StartsWith(WideString(u"SSP_")));
    EXPECT_FALSE(WideString(u"ssp_Timeout").StartsWith(WideString(u"SSP_")));
    EXPECT_TRUE(WideString(u"ssp_Timeout").StartsWith(WideString(u"SSP_"), false));
    EXPECT_EQ(WideString(u"abc").ToUpper(), WideString(u"ABC"));
}

TEST_P(WideStringTest, WritableBufferReleasedByBytesOrTerminator)
{
    WideString text;
    char16_t* buffer = text.GetBuffer(8);
    buffer[0] = u'h';
    buffer[1] = u'i';
    buffer[2] = 0;
    text.ReleaseBuffer(Support::SQL_NTS_BYTES);
    EXPECT_EQ(text, WideString(u"hi"));
    buffer = text.GetBuffer(8);
    text.ReleaseBuffer(2);
    EXPECT_EQ(text, WideString(u"h"));
}

TEST_P(WideStringTest, ZeroTerminatedWideBytesEndAtAWholeZeroUnit)
{
    const char utf16le[] = {'A', 0, 'B', 0, 0, 0};
    EXPECT_EQ(WideString(utf16le, Support::SQL_NTS_BYTES, Support::ENC_UTF16LE), WideString(u"AB"));
    const char utf16be[] = {0, 'A', 0, 'B', 0, 0};
    EXPECT_EQ(WideString(utf16be, Support::SQL_NTS_BYTES, Support::ENC_UTF16BE), WideString(u"AB"));
    EXPECT_EQ(WideString("abc", Support::SQL_NTS_BYTES, Support::ENC_UTF8), WideString(u"abc"));
}

INSTANTIATE_TEST_SUITE_P(PlatformRunning, WideStringTest, ::testing::Values(false, true));

TEST(StringConverterTest, EncodingIntoTooSmallBufferSetsTruncated)
{
    Support::StringConverter converter;
    const WideString text(u"h\u00E9llo");
    EXPECT_EQ(converter.GetEncodedSize(text, Support::ENC_UTF8), 6);
    char buffer[8] = {};
    int32_t written = 0;
    bool truncated = false;
    converter.ConvertToEncoding(text, buffer, 5, Support::ENC_UTF8, written, truncated);
    EXPECT_TRUE(truncated);
    converter.ConvertToEncoding(text, buffer, 6, Support::ENC_UTF8, written, truncated);
    EXPECT_FALSE(truncated);
    EXPECT_EQ(written, 6);
    converter.ConvertToEncoding(text, buffer, 9, Support::ENC_UTF16LE, written, truncated);
    EXPECT_TRUE(truncated);
    EXPECT_EQ(written, 8);
}

TEST(StringConverterTest, AConversionErrorPrintsAsAnErrorWithoutParameters)
{
    Support::StringConverter converter;
    WideString target;
    try {
        converter.ConvertToWString("x", 1, static_cast<Support::EncodingType>(Support::ENCODING_COUNT), target);
        FAIL() << "an encoding that is not there converts nothing";
    } catch (const Support::ErrorException& error) {
        EXPECT_FALSE(error.HasParameters());
        EXPECT_EQ(error.GetUnformattedText().GetAsUTF8(),
            "Unformatted ErrorException: {MessageKey=\"ICUCreateUConverterErr\" ComponentID=3' RowNumber=UNKNOWN "
            "ColumnNumber=UNKNOWN DiagState=63}");
    }
}

TEST(StringConverterTest, NarrowingReportsNonAsciiButStillConverts)
{
    Support::StringConverter converter;
    const char units[] = {'A', 0, 0x34, 0x12};
    char out[3] = {1, 1, 1};
    EXPECT_FALSE(converter.NarrowToASCII(units, 4, Support::ENC_UTF16LE, out, 3));
    EXPECT_EQ(out[0], 'A');
    EXPECT_EQ(out[2], 0);

    char wide[12] = {};
    int32_t written = 0;
    EXPECT_TRUE(converter.WidenASCII("AB", 2, Support::ENC_UTF32BE, wide, 12, true, written));
    EXPECT_EQ(written, 12);
    EXPECT_EQ(wide[3], 'A');
    EXPECT_EQ(wide[7], 'B');
    EXPECT_FALSE(converter.WidenASCII("AB", 2, Support::ENC_UTF16LE, wide, 5, true, written));
}

TEST(StringConverterTest, EncodedLengthCountsWholeUnits)
{
    Support::StringConverter converter;
    const char utf16be[] = {0, 'A', 0, 'B', 0, 0};
    EXPECT_EQ(converter.EncodedLength(utf16be, Support::ENC_UTF16BE), 4);
    EXPECT_EQ(converter.EncodedLength("abc", Support::ENC_UTF8), 3);
}

TEST(PlatformTest, NestedStartsCreateThePlatformOnce)
{
    ASSERT_EQ(Support::GetPlatform(), nullptr);
    Support::Platform* first = Support::InitializePlatform(false);
    Support::Platform* second = Support::InitializePlatform(false);
    EXPECT_EQ(first, second);
    EXPECT_EQ(Support::GetPlatformInitCount(), 2);
    Support::UninitializePlatform();
    EXPECT_EQ(Support::GetPlatform(), first);
    Support::UninitializePlatform();
    EXPECT_EQ(Support::GetPlatform(), nullptr);
    EXPECT_EQ(Support::GetPlatformInitCount(), 0);
}

TEST(PlatformTest, VerboseStartAndStopAnnounceThemselves)
{
    testing::internal::CaptureStdout();
    Support::InitializePlatform(true);
    Support::UninitializePlatform();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
        "Entering Dravo::Platform::InitializePlatform(true) with s_initCount ==0.\n"
        "Entering Dravo::Platform::UninitializePlatform() with s_initCount ==1.\n");
}

} // namespace
