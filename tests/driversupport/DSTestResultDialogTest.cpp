// The connection test result dialog on the headless backend, testing real
// connections through unixODBC's driver manager: the report it shows, how it
// closes, the pointer while the test runs, and what reaches the log.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "driversupport/DSConnectionTester.h"
#include "driversupport/DSTestResultDialog.h"
#include "resources/ControlIds.h"
#include "settings/LoggingOptionsModel.h"
#include "support/Platform.h"
#include "tests/common/OdbcIniDirectory.h"
#include "tests/common/RecordingLogger.h"
#include "ui/DialogWindow.h"
#include "ui/headless/HeadlessDriver.h"

namespace Dravo::Test {
namespace {

using DriverSupport::DSConnectionTester;
using DriverSupport::DSTestResultDialog;
using Support::WideString;

/// Reads the dialog as it opens and closes it with one button (2: Escape).
class ReportReader final : public UI::HeadlessDriver {
public:
    explicit ReportReader(int32_t button) : m_button(button) {}

    void Act(UI::DialogWindow& dialog) override
    {
        title = dialog.GetTitle().GetAsUTF8();
        okText = dialog.GetText(Resources::IDC_OK).GetAsUTF8();
        report = dialog.GetText(Resources::IDC_TEST_RESULTS_TEXT).GetAsUTF8();
        (void)dialog.Click(m_button);
    }
    UI::MessageBoxResult AnswerMessageBox(const UI::MessageBoxRequest&) override { return UI::MessageBoxResult::Ok; }
    std::optional<WideString> AnswerFileRequest(const UI::FileRequest&) override { return std::nullopt; }
    std::optional<WideString> AnswerFolderRequest(const UI::FolderRequest&) override { return std::nullopt; }

    std::string title;
    std::string okText;
    std::string report;

private:
    int32_t m_button;
};

class TestResultDialogTest : public ::testing::Test {
protected:
    TestResultDialogTest() { Support::InitializePlatform(false); }
    ~TestResultDialogTest() override
    {
        m_store.reset();
        m_logger.reset();
        Support::UninitializePlatform();
    }

    void MakeStore(int32_t logLevel)
    {
        Support::LogSettings settings;
        settings.level = logLevel;
        settings.directory = m_logDir.Path().string() + "/";
        m_logger = std::make_unique<RecordingLogger>(WideString(u"test.log"), settings);
        m_store = std::make_unique<VezurAVUZ::LoggingOptionsModel>(WideString(u""), m_logger.get(), 2, true);
        (*m_store)[WideString(u"Database")] = WideString((m_ini.Path() / "test.sqlite").string());
    }

    /// Shows the dialog, reads it and closes it with the button; Show's result.
    bool Show(ReportReader& reader, const DSConnectionTester& tester)
    {
        std::ostringstream transcript;
        UI::HeadlessDialogSystem system(reader, transcript);
        m_logger->WatchCursorOf(&system);
        const bool shown = DSTestResultDialog::Show(system, *m_store, tester);
        m_logger->WatchCursorOf(nullptr);
        EXPECT_EQ(system.GetCursor(), UI::CursorShape::Arrow);
        // A run without a person gets the report as one line of its transcript.
        EXPECT_EQ(transcript.str(), "test-results " + UI::EscapeForTranscript(WideString(reader.report)) + "\n");
        return shown;
    }

    [[nodiscard]] std::string LogFile() const
    {
        std::ifstream in(m_logDir / "test.log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    OdbcIniDirectory m_ini;
    TempDir m_logDir;
    std::unique_ptr<RecordingLogger> m_logger;
    std::unique_ptr<VezurAVUZ::LoggingOptionsModel> m_store;
    const DSConnectionTester m_productDriver{WideString(OdbcIniDirectory::PRODUCT_DRIVER), WideString(u"")};
};

TEST_F(TestResultDialogTest, ASuccessfulTestReportsTheVersionsBitnessAndLocaleAndOKGivesTrue)
{
    MakeStore(0);
    ReportReader reader(Resources::IDC_OK);
    EXPECT_TRUE(Show(reader, m_productDriver));
    EXPECT_EQ(reader.title, "Test Results");
    EXPECT_EQ(reader.okText, "OK");

    DriverSupport::DSConnectionSettingsMap settings;
    m_store->GetConnectionSettings(settings);
    const auto versions = m_productDriver.Connect(settings);
    EXPECT_EQ(reader.report,
        "SUCCESS! \r\n\r\nSuccessfully connected to data source!\r\n\r\nODBC Version: "
            + versions.odbcVersion.GetAsUTF8() + "\r\nDriver Version: " + versions.driverVersion.GetAsUTF8()
            + "\r\nBitness: " + (sizeof(void*) == 8 ? "64" : "32")
            + "-bit\r\nLocale: " + Support::GetPlatform()->GetDefaultLocaleName().GetAsUTF8());
}

TEST_F(TestResultDialogTest, AFailedTestShowsTheErrorAloneAndEscapeGivesFalse)
{
    MakeStore(0);
    ReportReader reader(Resources::IDC_CANCEL);
    EXPECT_FALSE(Show(reader, DSConnectionTester(WideString(u"No Such Driver"), WideString(u""))));
    EXPECT_EQ(reader.report,
        "FAILED!\r\n\r\n[01000] [unixODBC][Driver Manager]Can't open lib 'No Such Driver' : file not found");
}

TEST_F(TestResultDialogTest, TheSettingsAreLoggedAtInfoWithEveryPasswordMaskedWhileThePointerIsBusy)
{
    MakeStore(4);
    (*m_store)[WideString(u"UID")] = WideString(u"alice");
    (*m_store)[WideString(u"PWD")] = WideString(u"s3cret;pw");
    (*m_store)[WideString(u"ClientPrivateKeyPassword")] = WideString(u"k3y-pw");
    (*m_store)[WideString(u"EncryptedPWD")] = WideString(u"_0123ABCD");
    (*m_store)[WideString(u"proxy_password")] = WideString(u"pr0xy");
    (*m_store)[WideString(u"PasswordHint")] = WideString(u"");
    // Logging options stay out of the test and out of the line.
    m_store->SetLogLevel(WideString(u"4"));
    ReportReader reader(Resources::IDC_OK);
    EXPECT_TRUE(Show(reader, m_productDriver));

    const auto lines = m_logger->Find("Testing connection using settings: ");
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0],
        "ClientPrivateKeyPassword=****;Database=" + (m_ini.Path() / "test.sqlite").string()
            + ";EncryptedPWD=****;PasswordHint=;proxy_password=****;PWD=****;UID=alice;");
    const std::string file = LogFile();
    for (const char* secret : {"s3cret", "k3y-pw", "0123ABCD", "pr0xy"}) {
        EXPECT_EQ(file.find(secret), std::string::npos) << secret;
    }
    EXPECT_NE(file.find("Test connected successfully."), std::string::npos);
    for (const LoggedMessage& message : m_logger->Messages()) {
        if (message.text.rfind("Testing connection", 0) == 0) {
            EXPECT_EQ(message.cursor, UI::CursorShape::Busy);
            EXPECT_EQ(message.function, "Initialize");
        }
    }
}

TEST_F(TestResultDialogTest, BelowInfoNoSettingsAreLoggedButTheOutcomeIsHandedOn)
{
    MakeStore(3);
    (*m_store)[WideString(u"PWD")] = WideString(u"s3cret");
    ReportReader success(Resources::IDC_OK);
    (void)Show(success, m_productDriver);
    EXPECT_TRUE(m_logger->Find("Testing connection").empty());
    EXPECT_EQ(m_logger->Find("Test connected successfully.").size(), 1U);

    ReportReader failure(Resources::IDC_OK);
    (void)Show(failure, DSConnectionTester(WideString(u"No Such Driver"), WideString(u"")));
    // The failure is an error entry, which a warning level writes.
    EXPECT_NE(LogFile().find("Can't open lib 'No Such Driver'"), std::string::npos);
    EXPECT_EQ(LogFile().find("s3cret"), std::string::npos);
}

} // namespace
} // namespace Dravo::Test
