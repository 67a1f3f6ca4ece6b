// The logging options dialog on the headless backend, over a real store whose
// logging options come from and go to a real hive in a temporary registry root.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "identity/ProductNames.h"
#include "driversupport/DSLoggingDialog.h"
#include "platform/Registry.h"
#include "settings/LoggingOptionsModel.h"
#include "support/DSIFileLogger.h"
#include "tests/common/HeadlessRun.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

using DriverSupport::DSLoggingDialog;
using Support::WideString;
using VezurAVUZ::LoggingOptionsModel;

class LoggingDialogTest : public ::testing::Test {
protected:
    LoggingDialogTest()
    {
        OS::SetRegistryRoot((m_root / "registry").string());
        Support::LogSettings settings;
        settings.level = 6;
        settings.directory = m_root.Path().string() + "/";
        m_logger = std::make_unique<Support::DSIFileLogger>(WideString(u"dialog.log"), settings);
        m_store = std::make_unique<LoggingOptionsModel>(WideString(u""), m_logger.get(), 2, true);
    }
    ~LoggingDialogTest() override
    {
        m_store.reset();
        m_logger.reset();
        OS::SetRegistryRoot("");
    }

    void WriteDriverValue(std::u16string_view name, std::u16string_view value)
    {
        auto key =
            OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, VezurAVUZ::GetDriverKeyPath().GetAsU16String());
        ASSERT_TRUE(key);
        ASSERT_EQ(key->SetStringValue(name, value), OS::ERROR_SUCCESS_CODE);
    }

    std::string ReadDriverValue(std::u16string_view name)
    {
        auto key =
            OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, VezurAVUZ::GetDriverKeyPath().GetAsU16String());
        if (!key) {
            return "<no key>";
        }
        auto value = key->QueryValue(name);
        if (!value) {
            return "<absent>";
        }
        return WideString(OS::GetRegistryStringText(value->data)).GetAsUTF8();
    }

    HeadlessRun Show(const std::string& script, bool importExportAllowed = false)
    {
        return RunHeadless(script, [&](UI::DialogSystem& system) {
            return DSLoggingDialog::Show(system, *m_store, importExportAllowed) ? 1 : 0;
        });
    }

    std::string LogText()
    {
        std::ifstream in(m_root / "dialog.log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TempDir m_root;
    std::unique_ptr<Support::DSIFileLogger> m_logger;
    std::unique_ptr<LoggingOptionsModel> m_store;
};

TEST_F(LoggingDialogTest, OpensWithTheTableTextsAndTheStoredOptions)
{
    WriteDriverValue(u"LogLevel", u"LOG_DEBUG");
    WriteDriverValue(u"LogPath", u"/var/log/dravo");
    WriteDriverValue(u"LogFileSize", u"10485760");
    m_store->LoadLoggingProperties();

    const HeadlessRun run =
        Show("expect dialog 9109\n"
             "expect title Logging Options\n"
             "expect 8015 text Log Level:\n"
             "expect 8016 text Log Path:\n"
             "expect 8017 text Max Number Files:\n"
             "expect 8018 text Max File Size (MB):\n"
             "expect 8020 text Log Rotation\n"
             "expect 8019 text Browse...\n"
             "expect 8014 items LOG_OFF|LOG_FATAL|LOG_ERROR|LOG_WARNING|LOG_INFO|LOG_DEBUG|LOG_TRACE\n"
             "expect 8014 selected LOG_DEBUG\n"
             "expect 8013 text /var/log/dravo\n"
             "expect 8012 text 50\n"
             "expect 8011 text 10\n"
             "expect 1003 hidden\n"
             "expect 1004 hidden\n"
             "expect 1 enabled\n"
             "click 2\n");
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.result, 0);
}

TEST_F(LoggingDialogTest, LevelAndOkRulesFollowTheUser)
{
    (*m_store)[WideString(u"LogLevel")] = WideString(u"5");
    const HeadlessRun run = Show("expect 8014 selected LOG_DEBUG\n"
                                 "# nothing in the directory or the rotation boxes\n"
                                 "expect 1 disabled\n"
                                 "select 8014 LOG_OFF\n"
                                 "expect 8013 disabled\n"
                                 "expect 8019 disabled\n"
                                 "expect 8012 disabled\n"
                                 "expect 8011 disabled\n"
                                 "expect 1 enabled\n"
                                 "select 8014 LOG_INFO\n"
                                 "expect 8013 enabled\n"
                                 "expect 1 disabled\n"
                                 "type 8013 /tmp/logs\n"
                                 "type 8012 3\n"
                                 "expect 1 disabled\n"
                                 "type 8011    \n"
                                 "expect 1 disabled\n"
                                 "type 8011 7\n"
                                 "expect 1 enabled\n"
                                 "click 1\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(m_store->GetLogLevel(), WideString(u"4"));
    EXPECT_EQ(m_store->GetLogPath(), WideString(u"/tmp/logs"));
    EXPECT_EQ(m_store->GetLogFileCount(), WideString(u"3"));
    EXPECT_EQ(m_store->GetLogFileSize(), WideString(u"7"));
}

TEST_F(LoggingDialogTest, ARefusedSizeKeepsTheDialogOpenWithTheEarlierStepsApplied)
{
    m_store->LoadLoggingProperties();
    const HeadlessRun run = Show("select 8014 LOG_WARNING\n"
                                 "type 8013   /srv/log  \n"
                                 "type 8012 9\n"
                                 "type 8011 5000\n"
                                 "click 1\n"
                                 "expect dialog 9109\n"
                                 "type 8011 4097\n"
                                 "click 1\n"
                                 "type 8011 4096\n"
                                 "type 8012 4294967296\n"
                                 "click 1\n"
                                 "type 8012 4294967295\n"
                                 "click 1\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.result, 1);
    const std::string sizeMessage = "message-box [DSN Configuration Error] Invalid value for the maximum size of "
                                    "each log file in MB, valid values are [0, 4096]. -> OK\n";
    const std::string countMessage = "message-box [DSN Configuration Error] Invalid value for the maximum number "
                                     "of log files to use in rotation, valid values are [0, 4294967295]. -> OK\n";
    EXPECT_EQ(run.transcript, sizeMessage + sizeMessage + countMessage);
    EXPECT_EQ(m_store->GetLogLevel(), WideString(u"3"));
    EXPECT_EQ(m_store->GetLogPath(), WideString(u"/srv/log"));
    EXPECT_EQ(m_store->GetLogFileSize(), WideString(u"4096"));
    EXPECT_EQ(m_store->GetLogFileCount(), WideString(u"4294967295"));
    const std::string log = LogText();
    EXPECT_NE(log.find("DSLoggingDialog::ActionProc: Invalid value for the maximum size"), std::string::npos) << log;
    EXPECT_NE(log.find("DSLoggingDialog::DoOkAction"), std::string::npos) << log;

    // What the dialog accepted is what the driver reads back.
    m_store->SaveLoggingProperties();
    EXPECT_EQ(ReadDriverValue(u"LogLevel"), "3");
    EXPECT_EQ(ReadDriverValue(u"LogPath"), "/srv/log");
    EXPECT_EQ(ReadDriverValue(u"LogFileCount"), "4294967295");
}

TEST_F(LoggingDialogTest, ARefusedSizeStopsBeforeTheCountIsApplied)
{
    (*m_store)[WideString(u"LogFileCount")] = WideString(u"50");
    const HeadlessRun run = Show("select 8014 LOG_ERROR\n"
                                 "type 8013 /a\n"
                                 "type 8012 8\n"
                                 "type 8011 5000\n"
                                 "click 1\n"
                                 "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(m_store->GetLogLevel(), WideString(u"2"));
    EXPECT_EQ(m_store->GetLogPath(), WideString(u"/a"));
    EXPECT_EQ(m_store->GetLogFileCount(), WideString(u"50"));
}

TEST_F(LoggingDialogTest, CancelAfterEditingLeavesTheStoreUnchanged)
{
    WriteDriverValue(u"LogLevel", u"6");
    WriteDriverValue(u"LogPath", u"/old");
    m_store->LoadLoggingProperties();
    const HeadlessRun run = Show("type 8013 /new\n"
                                 "select 8014 LOG_OFF\n"
                                 "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(m_store->GetLogLevel(), WideString(u"6"));
    EXPECT_EQ(m_store->GetLogPath(), WideString(u"/old"));
}

TEST_F(LoggingDialogTest, ALoadedStoreShowsItsFieldsDisabledButBrowseStillFillsTheDirectory)
{
    m_store->Load({});
    const std::string folder = m_root.Path().string();
    const HeadlessRun run = Show("expect 8014 disabled\n"
                                 "expect 8013 disabled\n"
                                 "expect 8012 disabled\n"
                                 "expect 8011 disabled\n"
                                 "expect 8019 enabled\n"
                                 "click 8019\n"
                                 "choose -\n"
                                 "expect 8013 text \n"
                                 "click 8019\n"
                                 "choose "
        + folder
        + "\n"
          "expect 8013 text "
        + folder
        + "\n"
          "click 1\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(m_store->GetLogPath(), WideString(folder));
}

} // namespace
} // namespace Dravo::Test
