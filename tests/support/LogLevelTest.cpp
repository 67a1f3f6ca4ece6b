#include <gtest/gtest.h>

#include "support/LogLevel.h"

namespace Support = Dravo::Support;

namespace {

TEST(LogLevelTest, NamesOfEveryLevel)
{
    const char* lineNames[] = {"OFF  ", "FATAL", "ERROR", "WARN ", "INFO ", "DEBUG", "TRACE"};
    const char* enumerators[] = {
        "LOG_OFF", "LOG_FATAL", "LOG_ERROR", "LOG_WARNING", "LOG_INFO", "LOG_DEBUG", "LOG_TRACE"};
    for (int32_t level = 0; level <= 6; ++level) {
        EXPECT_STREQ(Support::GetLogLevelLineName(level), lineNames[level]);
        EXPECT_STREQ(Support::GetLogLevelEnumeratorText(level), enumerators[level]);
        // Each name read back as a setting gives its level.
        EXPECT_EQ(Support::ParseLogLevel(Support::GetLogLevelSettingName(level)), level);
        EXPECT_EQ(Support::ParseLogLevel(enumerators[level]), level);
    }
    EXPECT_STREQ(Support::GetLogLevelLineName(7), "UNKWN");
    EXPECT_STREQ(Support::GetLogLevelLineName(-1), "UNKWN");
    EXPECT_EQ(Support::GetLogLevelSettingName(7), nullptr);
}

TEST(LogLevelTest, ParsesNamesDigitsAndNumbers)
{
    for (const char* text : {"LOG_DEBUG", "debug", "Debug", "5", "log_debug"}) {
        EXPECT_EQ(Support::ParseLogLevel(text), 5) << text;
    }
    EXPECT_EQ(Support::ParseLogLevel("LOG_5"), 0); // the number is read with its prefix
    EXPECT_EQ(Support::ParseLogLevel("9"), 6);
    EXPECT_EQ(Support::ParseLogLevel("2147483647"), 6);
    EXPECT_EQ(Support::ParseLogLevel("-1"), 0);
    EXPECT_EQ(Support::ParseLogLevel("LOG_"), 0);
    EXPECT_EQ(Support::ParseLogLevel(""), 0);
    EXPECT_EQ(Support::ParseLogLevel("Tracer"), 0);
    EXPECT_EQ(Support::ParseLogLevel(" 4"), 0);
    EXPECT_EQ(Support::ParseLogLevel("04"), 4);
    EXPECT_EQ(Support::ParseLogLevel("99999999999"), 0); // out of range is a conversion error
}

TEST(LogLevelTest, ParsesFileSizesWithUnits)
{
    EXPECT_EQ(Support::ParseMaxLogFileSize("10M"), 10U * 1048576U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("10 MB"), 10U * 1048576U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("10mb"), 10U * 1048576U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("10mb \t\r\n"), 10U * 1048576U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("1.5K"), 1536U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("2g"), 2U * 1073741824U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("4096"), 4096U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("4096b"), 4096U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("0"), 0U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("5000G"), 4294967295U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("4294967296"), 4294967295U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("4294967295"), 4294967295U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("4G"), 4294967295U);
    EXPECT_EQ(Support::ParseMaxLogFileSize("inf"), 4294967295U);
    for (const char* text : {"", "abc", "B", "MB", " ", "-1", "-1K", "nan", "NaNb", "10 X", " 10", "K10"}) {
        EXPECT_EQ(Support::ParseMaxLogFileSize(text), 20971520U) << '"' << text << '"';
    }
}

TEST(LogLevelTest, ParsesFileCounts)
{
    EXPECT_EQ(Support::ParseLogFileCount("7"), 7U);
    EXPECT_EQ(Support::ParseLogFileCount("4294967295"), 4294967295U);
    for (const char* text : {"", "0", "-3", "x", "4294967296", "1 "}) {
        EXPECT_EQ(Support::ParseLogFileCount(text), 50U) << text;
    }
}

} // namespace
