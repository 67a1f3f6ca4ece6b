// Setup error texts, support exception texts, the configuration error box,
// the pointer shapes and the control-text helpers, through the string table
// and the headless dialog toolkit.
#include <functional>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "driversupport/DSMessages.h"
#include "platform/SystemError.h"
#include "resources/ControlIds.h"
#include "support/MessageSource.h"
#include "support/SystemErrorText.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"
#include "ui/headless/HeadlessDialogSystem.h"
#include "ui/headless/HeadlessDriver.h"

namespace Dravo::Test {
namespace {

using DriverSupport::DSMessages;
using DriverSupport::DSSetupException;
using Support::ErrorException;
using Support::WideString;

/// Plays the user: answers every box with OK and keeps what it was asked.
class RecordingUser final : public UI::HeadlessDriver {
public:
    void Act(UI::DialogWindow& /*dialog*/) override { throw std::runtime_error("no user action expected"); }
    UI::MessageBoxResult AnswerMessageBox(const UI::MessageBoxRequest& request) override
    {
        boxes.push_back(request);
        return UI::MessageBoxResult::Ok;
    }
    std::optional<WideString> AnswerFileRequest(const UI::FileRequest& /*request*/) override { return std::nullopt; }
    std::optional<WideString> AnswerFolderRequest(const UI::FolderRequest& /*request*/) override
    {
        return std::nullopt;
    }

    std::vector<UI::MessageBoxRequest> boxes;
};

/// Runs its probe when the dialog opens and closes the dialog.
class ProbeDialog final : public UI::DialogHandler {
public:
    explicit ProbeDialog(std::function<void(UI::DialogHost&)> probe) : m_probe(std::move(probe)) {}
    bool OnInit(UI::DialogHost& host) override
    {
        m_probe(host);
        host.EndDialog(1);
        return true;
    }
    void OnCommand(UI::DialogHost& /*host*/, int32_t /*controlId*/, UI::Notification /*notification*/) override {}

private:
    std::function<void(UI::DialogHost&)> m_probe;
};

struct Toolkit {
    std::ostringstream transcript;
    RecordingUser user;
    UI::HeadlessDialogSystem system{user, transcript};
};

TEST(DSMessagesTest, SetupErrorTextsComeFromTheStringTableWithSixAndSevenCrossed)
{
    const std::vector<std::pair<int32_t, std::u16string>> expected = {
        {0, u"Invalid window handle."},
        {1, u"Invalid keyword-value pairs."},
        {2, u"Invalid driver or translator name."},
        {3, u"Invalid type of request."},
        {4, u"Request failed."},
        {5, u"Driver- or translator-specific error."},
        {6, u"Error writing changes to registry, ensure proper permissions have been granted."},
        {7, u"Data Source Name value cannot contain any of the following characters: []{}(),;?*=!@\\"},
        {8,
            u"Invalid value for the maximum number of log files to use in rotation, valid values are "
            u"[0, 4294967295]."},
        {9, u"Invalid value for the maximum size of each log file in MB, valid values are [0, 4096]."},
    };
    for (const auto& [code, text] : expected) {
        EXPECT_EQ(DSMessages::GetSetupErrorText(DSSetupException(code)).GetAsU16String(), text) << code;
    }
    EXPECT_EQ(DSMessages::GetSetupErrorStringId(6), 9110U);
    EXPECT_EQ(DSMessages::GetSetupErrorStringId(7), 9109U);

    try {
        static_cast<void>(DSMessages::GetSetupErrorText(10));
        FAIL() << "a code without a string must raise";
    } catch (const ErrorException& error) {
        EXPECT_EQ(error.GetMessageKey().GetAsUTF8(), "DSStringResourceError");
        EXPECT_EQ(error.GetComponentId(), Support::DS_COMPONENT_ID);
    }
}

TEST(DSMessagesTest, WithoutADriverObjectAnExceptionShowsItsUnformattedText)
{
    const ErrorException keyOnly(Support::DS_COMPONENT_ID, WideString(u"DSCursorResourceError"));
    const WideString text = DSMessages::GetErrorExceptionText(keyOnly);
    EXPECT_EQ(text, keyOnly.GetUnformattedText());
    EXPECT_NE(text.GetAsUTF8().find("DSCursorResourceError"), std::string::npos) << text.GetAsUTF8();

    const ErrorException formatted(Support::DIAG_GENERAL_ERROR, 1010, WideString(u"Access is denied.\r\n"), -1, -1);
    EXPECT_EQ(DSMessages::GetErrorExceptionText(formatted).GetAsU16String(), u"Access is denied.\r\n");
}

/// A driver object's message source, as a driver sharing the process would install it.
class DriverMessageSource final : public Support::IMessageSource {
public:
    void LoadMessage(const std::string& locale, const WideString& key, int32_t componentId,
        const std::vector<WideString>& /*parameters*/, WideString& out, int32_t& native) override
    {
        out = WideString(locale + "|" + m_registry.GetFileName(componentId) + "|") + key;
        native = 1;
    }
    void LoadMessage(const std::string& locale, const WideString& key, int32_t componentId, WideString& out,
        int32_t& native) override
    {
        LoadMessage(locale, key, componentId, {}, out, native);
    }
    Support::MessageFileRegistry& GetRegistry() override { return m_registry; }

private:
    Support::MessageFileRegistry m_registry;
};

TEST(DSMessagesTest, ADriverObjectsMessageSourceFormatsWithTheDSMessagesFile)
{
    DriverMessageSource source;
    Support::SetProcessMessageSource(&source);
    const ErrorException error(Support::DS_COMPONENT_ID, WideString(u"DSCursorResourceError"));
    const WideString text = DSMessages::GetErrorExceptionText(error);
    Support::SetProcessMessageSource(nullptr);
    EXPECT_EQ(text.GetAsUTF8(), "en-US|DSMessages|DSCursorResourceError");
    // The caller's exception keeps its key.
    EXPECT_FALSE(error.IsFormatted());
}

TEST(DSMessagesTest, TheConfigurationErrorBoxIsAWarningWithOkUnderItsCaption)
{
    Toolkit toolkit;
    const ErrorException error(Support::DS_COMPONENT_ID, WideString(u"SomeKey"));
    ProbeDialog dialog([&](UI::DialogHost& host) {
        DSMessages::ShowErrorException(host, error);
        DSMessages::ShowConfigurationError(host, DSMessages::GetSetupErrorText(DSSetupException(9)));
    });
    ASSERT_EQ(toolkit.system.RunModal(Resources::IDD_LOGGING_OPTIONS, dialog, nullptr), 1);
    DSMessages::ShowConfigurationError(toolkit.system, WideString(u"without owner"));

    ASSERT_EQ(toolkit.user.boxes.size(), 3U);
    for (const UI::MessageBoxRequest& box : toolkit.user.boxes) {
        EXPECT_EQ(box.caption.GetAsU16String(), u"DSN Configuration Error");
        EXPECT_EQ(box.icon, UI::MessageBoxIcon::Warning);
        EXPECT_EQ(box.buttons, UI::MessageBoxButtons::Ok);
    }
    EXPECT_EQ(toolkit.user.boxes[0].text, error.GetUnformattedText());
    EXPECT_EQ(toolkit.user.boxes[1].text.GetAsUTF8(),
        "Invalid value for the maximum size of each log file in MB, valid values are [0, 4096].");
    EXPECT_EQ(toolkit.user.boxes[2].text.GetAsUTF8(), "without owner");
    EXPECT_NE(
        toolkit.transcript.str().find("message-box [DSN Configuration Error] without owner -> OK"), std::string::npos)
        << toolkit.transcript.str();
}

/// A toolkit whose pointer cannot change, as when the system has no such cursor.
class CursorlessSystem final : public UI::DialogSystem {
public:
    int32_t RunModalTemplate(const Resources::DialogTemplate&, UI::DialogHandler&, UI::DialogHost*) override
    {
        return 0;
    }
    UI::MessageBoxResult ShowMessageBox(const UI::MessageBoxRequest&, UI::DialogHost*) override
    {
        return UI::MessageBoxResult::Ok;
    }
    std::optional<WideString> ChooseFile(const UI::FileRequest&, UI::DialogHost*) override { return std::nullopt; }
    std::optional<WideString> ChooseFolder(const UI::FolderRequest&, UI::DialogHost*) override { return std::nullopt; }
    OS::ErrorCode SetCursor(UI::CursorShape /*shape*/) override { return OS::ERROR_RESOURCE_NAME_NOT_FOUND_CODE; }
    [[nodiscard]] UI::Rect GetDesktopRect() const override { return {}; }
};

TEST(DSMessagesTest, PointerShapesGoThroughTheToolkitAndAFailureCarriesTheSystemText)
{
    Toolkit toolkit;
    DSMessages::SetBusyCursor(toolkit.system);
    EXPECT_EQ(toolkit.system.GetCursor(), UI::CursorShape::Busy);
    DSMessages::SetNormalCursor(toolkit.system);
    EXPECT_EQ(toolkit.system.GetCursor(), UI::CursorShape::Arrow);

    CursorlessSystem cursorless;
    try {
        DSMessages::SetBusyCursor(cursorless);
        FAIL() << "a pointer that cannot be shown must raise";
    } catch (const ErrorException& error) {
        EXPECT_EQ(error.GetMessageKey().GetAsUTF8(), "DSCursorResourceError");
        EXPECT_EQ(error.GetComponentId(), Support::DS_COMPONENT_ID);
        ASSERT_EQ(error.GetParameters().size(), 1U);
        EXPECT_EQ(error.GetParameters()[0], Support::FormatSystemError(OS::ERROR_RESOURCE_NAME_NOT_FOUND_CODE));
    }
}

TEST(DSMessagesTest, ControlTextsAreReadTrimmedAndNeverNull)
{
    Toolkit toolkit;
    ProbeDialog dialog([](UI::DialogHost& host) {
        DSMessages::SetControlText(host, Resources::IDC_LOG_PATH, WideString(u"  /var/log/dravo \t"));
        EXPECT_EQ(host.GetText(Resources::IDC_LOG_PATH).GetAsUTF8(), "  /var/log/dravo \t");
        EXPECT_EQ(DSMessages::GetControlText(host, Resources::IDC_LOG_PATH).GetAsUTF8(), "/var/log/dravo");
        DSMessages::SetControlText(host, Resources::IDC_LOG_PATH, WideString());
        const WideString empty = DSMessages::GetControlText(host, Resources::IDC_LOG_PATH);
        EXPECT_FALSE(empty.IsNull());
        EXPECT_TRUE(empty.IsEmpty());
        DSMessages::SetControlText(host, Resources::IDC_LOG_PATH, WideString(u"   "));
        EXPECT_TRUE(DSMessages::GetControlText(host, Resources::IDC_LOG_PATH).IsEmpty());
    });
    EXPECT_EQ(toolkit.system.RunModal(Resources::IDD_LOGGING_OPTIONS, dialog, nullptr), 1);
}

} // namespace
} // namespace Dravo::Test
