#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/ErrorException.h"
#include "support/MessageSource.h"

namespace Support = Dravo::Support;
using Support::ErrorException;
using Support::WideString;

namespace {

class FixedMessageSource : public Support::IMessageSource {
public:
    void LoadMessage(const std::string& locale, const WideString& key, int32_t, const std::vector<WideString>& params,
        WideString& out, int32_t& native) override
    {
        out = WideString(locale) + u":" + key + u":" + params.at(0);
        native = 42;
    }
    void LoadMessage(
        const std::string& locale, const WideString& key, int32_t, WideString& out, int32_t& native) override
    {
        out = WideString(locale) + u":" + key;
        native = 7;
    }
    Support::MessageFileRegistry& GetRegistry() override { return m_registry; }

private:
    Support::MessageFileRegistry m_registry;
};

TEST(ErrorExceptionTest, UnformattedTextOfKeyOnlyException)
{
    const ErrorException e(Support::SUPPORT_COMPONENT_ID, WideString(u"RegKeyNotFound"));
    EXPECT_EQ(e.GetUnformattedText().GetAsUTF8(),
        "Unformatted ErrorException: {MessageKey=\"RegKeyNotFound\" ComponentID=3' RowNumber=UNKNOWN "
        "ColumnNumber=UNKNOWN DiagState=63}");
}

TEST(ErrorExceptionTest, UnformattedTextEscapesQuotesAndListsParameters)
{
    const ErrorException withParams(63, 3, WideString(u"Say \"hi\""), {WideString(u"a"), WideString(u"b")}, 4, -2);
    EXPECT_EQ(withParams.GetUnformattedText().GetAsUTF8(),
        "Unformatted ErrorException: {MessageKey=\"Say \\\"hi\\\"\" ComponentID=3' RowNumber=4 ColumnNumber=-2 "
        "DiagState=63 MessageParameters=[a, b]}");
    const ErrorException emptyList(-5, 110, WideString(u"K"), {}, -1, -1);
    EXPECT_EQ(emptyList.GetUnformattedText().GetAsUTF8(),
        "Unformatted ErrorException: {MessageKey=\"K\" ComponentID=110' RowNumber=UNKNOWN ColumnNumber=UNKNOWN "
        "DiagState=-5 MessageParameters=[]}");
    ErrorException custom(3, WideString(u"K"));
    custom.SetCustomState("08S01");
    EXPECT_NE(custom.GetUnformattedText().GetAsUTF8().find(" CustomState=\"08S01\"}"), std::string::npos);
}

TEST(ErrorExceptionTest, FormattingReplacesTheKeyOnceAndCopiesKeepIt)
{
    FixedMessageSource source;
    ErrorException e(63, 3, WideString(u"Key"), {WideString(u"p")});
    EXPECT_EQ(e.GetMessageText(&source, "en-US"), WideString(u"en-US:Key:p"));
    EXPECT_TRUE(e.IsFormatted());
    EXPECT_EQ(e.GetNativeErrorCode(), 42);
    EXPECT_EQ(e.GetUnformattedText(), WideString(u"en-US:Key:p"));
    ErrorException copy(e);
    EXPECT_EQ(copy.GetMessageText(&source, "fr-FR"), WideString(u"en-US:Key:p"));

    ErrorException keyOnly(3, WideString(u"Other"));
    EXPECT_EQ(keyOnly.GetMessageText(&source, "en-US"), WideString(u"en-US:Other"));
    EXPECT_EQ(keyOnly.GetNativeErrorCode(), 7);
}

TEST(ErrorExceptionTest, FormattingWithoutSourceLeavesFlagClear)
{
    ErrorException e(3, WideString(u"Key"));
    EXPECT_EQ(e.GetMessageText(nullptr, "en-US"), WideString(u"Cannot create a message with a NULL message source"));
    EXPECT_FALSE(e.IsFormatted());
    EXPECT_EQ(e.GetNativeErrorCode(), -1);
    EXPECT_NE(
        e.GetUnformattedText().GetAsUTF8().find("{MessageKey=\"Cannot create a message with a NULL message source\""),
        std::string::npos);
}

TEST(ErrorExceptionTest, DerivedClassesAreCaughtByCategory)
{
    try {
        throw Support::NumberConversionOutOfRangeException(63, 3, WideString(u"StrToNumConvFailedOverflow"), {});
    } catch (const Support::NumberConversionException& e) {
        EXPECT_EQ(e.GetMessageKey(), WideString(u"StrToNumConvFailedOverflow"));
    }
    try {
        throw Dravo::DSI::DSIException(2, WideString(u"DSIHexToBinaryConversionOddLengthError"));
    } catch (const ErrorException& e) {
        EXPECT_EQ(e.GetComponentId(), 2);
        EXPECT_FALSE(e.HasParameters());
    }
}

TEST(ErrorExceptionTest, EveryProductFailureIsAStandardException)
{
    // One handler of std::exception reaches them all, with a text to log.
    const auto caught = [](const std::function<void()>& raise) -> std::string {
        try {
            raise();
        } catch (const std::exception& exception) {
            return exception.what();
        } catch (...) {
        }
        return "not a std::exception";
    };
    EXPECT_EQ(
        caught([] { throw ErrorException(63, 5, WideString(u"The file is locked."), -1, -1); }), "The file is locked.");
    EXPECT_NE(caught([] { throw Support::InvalidArgumentException(3, WideString(u"Key")); }), "not a std::exception");
    EXPECT_NE(caught([] { throw Dravo::DriverSupport::DSSetupException(1); }), "not a std::exception");
    EXPECT_NE(caught([] { throw Dravo::Varlo::VarloSetupException(1); }), "not a std::exception");
}

TEST(MessageFileRegistryTest, FirstRegistrationWins)
{
    Support::MessageFileRegistry registry;
    registry.RegisterMessages("DSMessages", {110});
    registry.RegisterMessages("Other", {110, 3});
    EXPECT_EQ(registry.GetEntries().size(), 2u);
    EXPECT_EQ(registry.GetFileName(110), "DSMessages");
    EXPECT_EQ(registry.GetFileName(3), "Other");
}

} // namespace
