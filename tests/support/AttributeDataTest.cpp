#include <gtest/gtest.h>

#include "support/AttributeData.h"
#include "support/ErrorException.h"

namespace Support = Dravo::Support;
using Support::AttributeData;
using Support::WideString;

namespace {

void ExpectWrongType(const std::function<void()>& get, const char16_t* getter, const char16_t* line)
{
    try {
        get();
        ADD_FAILURE() << "no exception";
    } catch (const Support::InvalidOperationException& e) {
        EXPECT_EQ(e.GetMessageKey(), WideString(u"InvalidOperation"));
        EXPECT_EQ(e.GetComponentId(), 3);
        EXPECT_EQ(e.GetDiagState(), 63);
        EXPECT_EQ(e.GetRowNumber(), -1);
        ASSERT_EQ(e.GetParameters().size(), 3U);
        EXPECT_EQ(e.GetParameters()[0], WideString(getter));
        EXPECT_EQ(e.GetParameters()[1], WideString(u"AttributeData"));
        EXPECT_EQ(e.GetParameters()[2], WideString(line));
    }
}

TEST(AttributeDataTest, GettersWidenAcceptedTypes)
{
    EXPECT_EQ(AttributeData(int32_t{-7}).GetInt32Value(), -7);
    EXPECT_EQ(AttributeData(int32_t{-7}).GetType(), Support::ATTRIBUTE_TYPE_INT32);
    EXPECT_EQ(AttributeData(int16_t{-1}).GetInt32Value(), -1);
    EXPECT_EQ(AttributeData(uint16_t{65535}).GetInt32Value(), 65535);
    EXPECT_EQ(AttributeData(uint16_t{65535}).GetUInt32Value(), 65535U);
    EXPECT_EQ(AttributeData(uint32_t{4294967295U}).GetUInt32Value(), 4294967295U);
    EXPECT_EQ(AttributeData(WideString(u"text")).GetWStringValue(), WideString(u"text"));
}

TEST(AttributeDataTest, WrongTypesRaiseInvalidOperationWithTheGetterAndLine)
{
    ExpectWrongType([] { (void)AttributeData(int32_t{1}).GetUInt32Value(); }, u"GetUInt32Value", u"301");
    ExpectWrongType([] { (void)AttributeData(int16_t{1}).GetUInt32Value(); }, u"GetUInt32Value", u"301");
    ExpectWrongType([] { (void)AttributeData(WideString(u"x")).GetInt32Value(); }, u"GetInt32Value", u"323");
    ExpectWrongType([] { (void)AttributeData(uint32_t{1}).GetInt32Value(); }, u"GetInt32Value", u"323");
    ExpectWrongType([] { (void)AttributeData(int32_t{1}).GetWStringValue(); }, u"GetWStringValue", u"346");
}

} // namespace
