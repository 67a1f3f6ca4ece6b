#include <gtest/gtest.h>

#include "support/DiagStates.h"

namespace Support = Dravo::Support;

namespace {

TEST(DiagStatesTest, SqlStatesByIndex)
{
    EXPECT_STREQ(Support::GetSqlState(0), "01000");
    EXPECT_STREQ(Support::GetSqlState(63), "HY000");
    EXPECT_STREQ(Support::GetSqlState(106), "IM009");
    EXPECT_EQ(Support::GetSqlState(107), nullptr);
    EXPECT_EQ(Support::GetSqlState(-1), nullptr);
    for (int32_t i = 0; i < Support::SQLSTATE_COUNT; ++i) {
        EXPECT_EQ(std::string(Support::GetSqlState(i)).size(), 5U) << i;
    }
}

TEST(DiagStatesTest, SupportErrorsCarryTheirStates)
{
    struct Expected {
        int32_t id;
        const char* state;
        std::u16string_view key;
    };
    for (const Expected& e : {Expected{0, "01004", u"StrRightTrunc"}, Expected{1, "01S07", u"FractionalTrunc"},
             Expected{3, "07006", u"InvalidMultiFieldIntervalConversion"}, Expected{4, "22001", u"StrRightTruncErr"},
             Expected{5, "22003", u"NumericValOutOfRange"}, Expected{22, "22007", u"InvalidSingleFieldIntervalValue"},
             Expected{24, "22008", u"DatetimeFieldOverflow"}, Expected{27, "22015", u"FractionalPrecisionExceeded"},
             Expected{29, "22018", u"InvalidGuidValue"}, Expected{30, "HY000", u"ConvInvalidData"},
             Expected{32, "HY000", u"InvalidArgument"}, Expected{34, "HY000", u"InvalidOperation"},
             Expected{57, "HY004", u"InvalidParamSqlDataType"}, Expected{59, "HY013", u"OutOfMemToSerialize"},
             Expected{66, "HY000", u"NoSecurityAPI"}}) {
        const Support::SupportError* entry = Support::GetSupportError(e.id);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->id, e.id);
        EXPECT_STREQ(Support::GetSqlState(entry->diagState), e.state) << e.id;
        EXPECT_EQ(std::u16string_view(entry->messageKey), e.key);
    }
    EXPECT_EQ(Support::GetSupportError(67), nullptr);
}

} // namespace
