#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace Support = Dravo::Support;
using Support::NumberConverter;
using Support::WideString;

namespace {

// Runs a conversion that must fail and returns the exception it raised.
template <typename Exception> Exception Failure(const std::function<void()>& conversion)
{
    try {
        conversion();
    } catch (const Exception& e) {
        return e;
    }
    ADD_FAILURE() << "no exception";
    return Exception(0, WideString(u"none"));
}

std::string KeyOf(const Support::ErrorException& e)
{
    return e.GetMessageKey().GetAsUTF8();
}

std::string ParamOf(const Support::ErrorException& e)
{
    return e.GetParameters().empty() ? std::string("<none>") : e.GetParameters()[0].GetAsUTF8();
}

TEST(NumberConverterTest, WritesDecimalText)
{
    EXPECT_EQ(NumberConverter::ConvertInt32ToWString(0), WideString(u"0"));
    EXPECT_EQ(NumberConverter::ConvertInt32ToWString(-5), WideString(u"-5"));
    EXPECT_EQ(NumberConverter::ConvertInt32ToWString(1234567), WideString(u"1234567"));
    EXPECT_EQ(NumberConverter::ConvertInt32ToWString(std::numeric_limits<int32_t>::min()), WideString(u"-2147483648"));
    EXPECT_EQ(NumberConverter::ConvertInt64ToWString(std::numeric_limits<int64_t>::min()),
        WideString(u"-9223372036854775808"));
    EXPECT_EQ(NumberConverter::ConvertUInt64ToWString(std::numeric_limits<uint64_t>::max()),
        WideString(u"18446744073709551615"));
    EXPECT_EQ(NumberConverter::ConvertUInt32ToString(4294967295U), "4294967295");
    EXPECT_EQ(NumberConverter::ConvertUInt32ToWString(10), WideString(u"10"));
    EXPECT_EQ(NumberConverter::ConvertUInt16ToString(65535), "65535");
    EXPECT_EQ(NumberConverter::ConvertUInt16ToWString(100), WideString(u"100"));
    EXPECT_EQ(NumberConverter::ConvertInt16ToWString(-32768), WideString(u"-32768"));
    EXPECT_EQ(NumberConverter::ConvertInt16ToWString(9), WideString(u"9"));
}

TEST(NumberConverterTest, ReadsSignedIntegersToTheirLimits)
{
    EXPECT_EQ(NumberConverter::ConvertStringToInt32("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(NumberConverter::ConvertStringToInt32("2147483647"), 2147483647);
    EXPECT_EQ(NumberConverter::ConvertStringToInt32("+5"), 5);
    EXPECT_EQ(NumberConverter::ConvertStringToInt16("-32768"), -32768);
    EXPECT_EQ(NumberConverter::ConvertWStringToInt16(WideString(u"32767")), 32767);
    EXPECT_EQ(NumberConverter::ConvertWStringToInt32(WideString(u"-0")), 0);

    auto over = Failure<Support::NumberConversionOutOfRangeException>(
        [] { NumberConverter::ConvertStringToInt32("2147483648"); });
    EXPECT_EQ(KeyOf(over), "StrToNumConvFailedOverflow");
    EXPECT_EQ(ParamOf(over), "");
    EXPECT_EQ(over.GetComponentId(), 3);
    EXPECT_EQ(over.GetDiagState(), 63);
    auto under = Failure<Support::NumberConversionOutOfRangeException>(
        [] { NumberConverter::ConvertStringToInt32("-2147483649"); });
    EXPECT_EQ(KeyOf(under), "StrToNumConvFailedUnderflow");
    auto under16 = Failure<Support::NumberConversionOutOfRangeException>(
        [] { NumberConverter::ConvertWStringToInt16(WideString(u"-32769")); });
    EXPECT_EQ(KeyOf(under16), "StrToNumConvFailedUnderflow");
    // Out of range is raised even when non-digits are tolerated; the rest of
    // the text from where reading stopped is the parameter.
    auto overLoose = Failure<Support::NumberConversionOutOfRangeException>(
        [] { NumberConverter::ConvertStringToInt16("99999xyz", false); });
    EXPECT_EQ(KeyOf(overLoose), "StrToNumConvFailedOverflow");
    EXPECT_EQ(ParamOf(overLoose), "xyz");
}

TEST(NumberConverterTest, StrictnessDecidesAboutStrayCharacters)
{
    EXPECT_EQ(NumberConverter::ConvertStringToInt32("12x", false), 12);
    EXPECT_EQ(NumberConverter::ConvertStringToInt32("-", false), 0);
    EXPECT_EQ(NumberConverter::ConvertStringToInt32("", false), 0);
    EXPECT_EQ(NumberConverter::ConvertWStringToUInt32(WideString(), false), 0U);

    for (const char* text : {"-", "", " 1", "1 ", "12x", "0x10", "1.0"}) {
        auto e = Failure<Support::NumberConversionInvalidDataException>(
            [text] { NumberConverter::ConvertStringToInt32(text); });
        EXPECT_EQ(KeyOf(e), "StrToNumConvFailed") << text;
    }
    auto e =
        Failure<Support::NumberConversionInvalidDataException>([] { NumberConverter::ConvertStringToUInt16("12x4"); });
    EXPECT_EQ(ParamOf(e), "x4");
    EXPECT_TRUE(e.HasParameters());
    // The non-digit is found before the overflow is reported.
    auto both =
        Failure<Support::NumberConversionInvalidDataException>([] { NumberConverter::ConvertStringToInt16("99999!"); });
    EXPECT_EQ(ParamOf(both), "!");
}

TEST(NumberConverterTest, UnsignedRejectsMinusAndLargeValues)
{
    EXPECT_EQ(NumberConverter::ConvertStringToUInt32("4294967295"), 4294967295U);
    EXPECT_EQ(NumberConverter::ConvertStringToUInt16("+65535"), 65535);
    EXPECT_EQ(NumberConverter::ConvertWStringToUInt16(WideString(u"0")), 0);
    for (const char* text : {"-0", "-1", "-"}) {
        auto e = Failure<Support::NumberConversionOutOfRangeException>(
            [text] { NumberConverter::ConvertStringToUInt32(text, false); });
        EXPECT_EQ(KeyOf(e), "StrToNumConvFailedUnsigned") << text;
        EXPECT_EQ(ParamOf(e), text);
    }
    auto over = Failure<Support::NumberConversionOutOfRangeException>(
        [] { NumberConverter::ConvertStringToUInt32("4294967296"); });
    EXPECT_EQ(KeyOf(over), "StrToNumConvFailedOverflow");
    auto over16 = Failure<Support::NumberConversionOutOfRangeException>(
        [] { NumberConverter::ConvertWStringToUInt16(WideString(u"65536")); });
    EXPECT_EQ(KeyOf(over16), "StrToNumConvFailedOverflow");
    // Catchable by the family's base.
    EXPECT_THROW(NumberConverter::ConvertStringToUInt32("-1"), Support::ProductException);
}

TEST(NumberConverterTest, ReadsDoublesAndTheirSpecialTexts)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (const char* text : {"inf", "INFIN", "Infinity", "INFINITY"}) {
        EXPECT_EQ(NumberConverter::ConvertStringToDouble(text), inf) << text;
    }
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("-inf"), -inf);
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("-Infinity"), -inf);
    EXPECT_TRUE(std::isnan(NumberConverter::ConvertStringToDouble("nan")));
    EXPECT_TRUE(std::isnan(NumberConverter::ConvertWStringToDouble(WideString(u"NaN"))));
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("1e3"), 1000.0);
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("+1.5"), 1.5);
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("-.25"), -0.25);
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("2."), 2.0);
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("0.1"), 0.1);
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("1e999"), inf);
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("-1e999"), -inf);
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("1e-999"), 0.0);
    EXPECT_EQ(NumberConverter::ConvertStringToDouble("0.0000001e310"), 1e303);
    const char larger[] = "12.5 and more";
    EXPECT_EQ(NumberConverter::ConvertStringToDouble(larger, 4), 12.5);

    for (const char* text :
        {"in", "1.5x", "", " 1", "1 ", "-", ".", "1e", "1e+", "0x10", "nan(1)", "infinityx", "--1", "+inf", "1,5"}) {
        auto e = Failure<Support::NumberConversionInvalidDataException>(
            [text] { NumberConverter::ConvertStringToDouble(text); });
        EXPECT_EQ(KeyOf(e), "StrToNumConvFailed") << text;
        EXPECT_EQ(ParamOf(e), text);
    }
}

} // namespace
