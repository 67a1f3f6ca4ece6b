// The data-source layout of the main dialog on the headless backend, with the
// real ODBC installer and driver manager over ini files in a temporary
// directory: what the Test button hands to the connection test, and the data
// source names that OK refuses.
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "dialogs/SOConfigurationDialog.h"
#include "resources/ControlIds.h"
#include "settings/SOConnectionSettings.h"
#include "tests/common/HeadlessRun.h"
#include "tests/common/OdbcIniDirectory.h"
#include "tests/common/RecordingLogger.h"
#include "ui/DialogWindow.h"
#include "ui/headless/HeadlessDriver.h"

namespace Dravo::Test {
namespace {

using Support::WideString;
using VezurAVUZ::SOConfigurationDialog;
using VezurAVUZ::SOConnectionSettings;

using Entries = std::map<std::string, std::string>;

/// The "key=value;" list of the log line, as a map.
Entries ParseLoggedSettings(const std::string& line)
{
    Entries entries;
    size_t start = 0;
    while (start < line.size()) {
        const size_t end = line.find(';', start);
        const std::string entry = line.substr(start, end - start);
        const size_t equals = entry.find('=');
        entries[entry.substr(0, equals)] = entry.substr(equals + 1);
        start = end == std::string::npos ? line.size() : end + 1;
    }
    return entries;
}

class DataSourceLayoutTest : public ::testing::Test {
protected:
    DataSourceLayoutTest()
    {
        // The data source's section gives the SQLite driver its database, as
        // a saved data source would give the real driver what the test lacks.
        m_ini.WriteFile("odbc.ini",
            "[Sample]\nDriver=" + std::string(OdbcIniDirectory::PRODUCT_DRIVER)
                + "\nDatabase=" + (m_ini.Path() / "sample.sqlite").string() + "\n");
        Support::LogSettings settings;
        settings.level = 4;
        settings.directory = m_ini.Path().string() + "/";
        m_logger = std::make_unique<RecordingLogger>(WideString(u"dialog.log"), settings);
        m_settings = std::make_unique<SOConnectionSettings>(m_logger.get());
        m_settings->SetDataSourceName(WideString(u"Sample"));
        m_settings->SetHost(WideString(u"spark.example.com"));
        m_settings->SetPort(WideString(u"10000"));
    }

    HeadlessRun Run(const std::string& script)
    {
        SOConfigurationDialog dialog(*m_settings, WideString(u"DSN Setup"));
        return RunHeadless(script, [&](UI::DialogSystem& system) { return dialog.DoModal(system, nullptr); });
    }

    /// Presses Test, checks the report and cancels; the settings the test got.
    Entries TestedSettings(const std::string& preparation)
    {
        const HeadlessRun run = Run(preparation
            + "click 1022\n"
              "expect dialog 133\n"
              "expect 9128 contains SUCCESS! \n"
              "click 1\n"
              "click 2\n");
        EXPECT_EQ(run.error, "");
        EXPECT_EQ(run.result, 0);
        const auto lines = m_logger->Find("Testing connection using settings: ");
        return lines.size() == 1 ? ParseLoggedSettings(lines[0]) : Entries{{"<lines>", std::to_string(lines.size())}};
    }

    OdbcIniDirectory m_ini;
    std::unique_ptr<RecordingLogger> m_logger;
    std::unique_ptr<SOConnectionSettings> m_settings;
};

TEST_F(DataSourceLayoutTest, AHostThatFillsItsBoxIsReadWhole)
{
    const std::string host(32767, 'h');
    const HeadlessRun run = Run("type 1024 " + host + "x\nexpect 1024 text " + host + "\nclick 1\n");
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(m_settings->GetHost().GetAsUTF8(), host);
}

TEST_F(DataSourceLayoutTest, TestHandsOnTheDialogsEntriesWithTheModelsHttpAndSSLSettings)
{
    m_settings->SetServerType(WideString(u"3"));
    m_settings->SetAuthMech(WideString(u"3"));
    m_settings->SetThriftTransport(WideString(u"2"));
    m_settings->SetSSL(WideString(u"1"));
    m_settings->SetTwoWaySSL(WideString(u"1"));
    m_settings->SetTrustedCerts(WideString(u"/etc/ca.pem"));
    m_settings->SetClientCert(WideString(u"/etc/client.pem"));
    m_settings->SetClientPrivateKey(WideString(u"/etc/client.key"));
    m_settings->SetClientPrivateKeyPassword(WideString(u"key-secret"));
    m_settings->SetDelegationUID(WideString(u"model-delegate"));
    // Shown though unused by this mechanism, and handed on trimmed.
    m_settings->SetKrbRealm(WideString(u" EXAMPLE.COM "));
    m_settings->SetRowsFetchedPerBlock(WideString(u"500"));
    m_settings->GetServerSideProperties().SetLCaseSspKeyName(WideString(u"0"));
    m_settings->GetHttpProperties().SetHTTPPath(WideString(u"/cliservice"));
    m_settings->GetHttpProperties().GetProperties()[WideString(u"X-Trace")] = WideString(u"on");

    const Entries tested = TestedSettings("type 1024  spark.example.com \n"
                                          "type 1027 sales\n"
                                          "type 1030 10443\n"
                                          "type 1044 alice\n"
                                          "type 1054 s3cret\n"
                                          "type 1072 typed-delegate\n");
    const Entries expected = {{"AllowSelfSignedServerCert", ""}, {"AuthMech", "3"}, {"BinaryColumnLength", ""},
        {"CAIssuedCertNamesMismatch", ""}, {"ClientCert", "/etc/client.pem"}, {"ClientPrivateKey", "/etc/client.key"},
        {"ClientPrivateKeyPassword", "****"}, {"DecimalColumnScale", ""}, {"DefaultStringColumnLength", ""},
        {"DelegationUID", "model-delegate"}, {"DriverConfigTakePrecedence", ""}, {"EnableAsyncExec", ""},
        {"Host", "spark.example.com"}, {"HTTPPath", "/cliservice"}, {"http.header.X-Trace", "on"}, {"KrbHostFQDN", ""},
        {"KrbRealm", "EXAMPLE.COM"}, {"KrbServiceName", ""}, {"LCaseSspKeyName", "0"}, {"Port", "10443"},
        {"PWD", "****"}, {"RowsFetchedPerBlock", "500"}, {"Schema", "sales"}, {"ServiceDiscoveryMode", "0"},
        {"SocketTimeout", ""}, {"SparkServerType", "3"}, {"SSL", "1"}, {"ThriftTransport", "2"},
        {"TrustedCerts", "/etc/ca.pem"}, {"TwoWaySSL", "1"}, {"UID", "alice"}, {"UseOnlySSPI", ""}};
    EXPECT_EQ(tested, expected);
    // Testing changes nothing in the model.
    EXPECT_EQ(m_settings->GetUID().GetAsUTF8(), "");
}

TEST_F(DataSourceLayoutTest, TestWithSharkServerOrKerberosLeavesOutWhatTheyDoNotUse)
{
    m_settings->SetServerType(WideString(u"1"));
    m_settings->SetAuthMech(WideString(u"3"));
    m_settings->SetSSL(WideString(u"1"));
    const Entries shark = TestedSettings("");
    EXPECT_EQ(shark.at("SparkServerType"), "1");
    EXPECT_EQ(shark.at("AuthMech"), "0");
    EXPECT_EQ(shark.at("ThriftTransport"), "0");
    for (const char* absent : {"UID", "PWD", "SSL", "DelegationUID", "HTTPPath", "ZKNamespace"}) {
        EXPECT_EQ(shark.count(absent), 0U) << absent;
    }
}

TEST_F(DataSourceLayoutTest, TestWithKerberosHandsOnTheTrimmedKerberosNamesOnly)
{
    m_settings->SetServerType(WideString(u"2"));
    m_settings->SetAuthMech(WideString(u"1"));
    m_settings->SetThriftTransport(WideString(u"1"));
    const Entries kerberos = TestedSettings("type 1042  spark.example.com \n"
                                            "type 1043 spark\n");
    EXPECT_EQ(kerberos.at("AuthMech"), "1");
    EXPECT_EQ(kerberos.at("KrbHostFQDN"), "spark.example.com");
    EXPECT_EQ(kerberos.at("KrbServiceName"), "spark");
    EXPECT_EQ(kerberos.at("ThriftTransport"), "1");
    EXPECT_EQ(kerberos.at("SSL"), "0");
    EXPECT_EQ(kerberos.count("UID") + kerberos.count("PWD") + kerberos.count("TrustedCerts"), 0U);
}

TEST_F(DataSourceLayoutTest, ANameTheInstallerRefusesIsExplainedAndTheDialogStaysOpen)
{
    // unixODBC counts a name in UTF-8 bytes: seventeen "ę" are 34 of them,
    // though the dialog takes 32 characters.
    std::string tooLong;
    for (int i = 0; i < 17; ++i) {
        tooLong += "ę";
    }
    const HeadlessRun run = Run("type 1002 " + tooLong
        + "\n"
          "click 1\n"
          "expect dialog 1093\n"
          "type 1002 Gęś\n"
          "click 1\n");
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.transcript,
        "message-box [Invalid Data Source Name] The ODBC installer does not accept \"" + tooLong
            + "\" as a data source name; names have 1 to 32 characters. Choose another name. -> OK\n");
    EXPECT_EQ(m_settings->GetDataSourceName().GetAsUTF8(), "Gęś");
}

/// Sends OK to the dialog whatever its button's state, as another program
/// can send a window the command, and then cancels.
class CommandSender final : public UI::HeadlessDriver {
public:
    explicit CommandSender(SOConfigurationDialog& dialog) : m_dialog(dialog) {}
    void Act(UI::DialogWindow& window) override
    {
        if (m_sent) {
            (void)window.Click(Resources::IDC_CANCEL);
            return;
        }
        m_sent = true;
        window.SetText(Resources::IDC_MAIN_DSN, WideString(u""));
        okEnabled = window.IsEnabled(Resources::IDC_OK);
        m_dialog.OnCommand(window, Resources::IDC_OK, UI::Notification::Clicked);
    }
    UI::MessageBoxResult AnswerMessageBox(const UI::MessageBoxRequest& request) override
    {
        boxes += "[" + request.caption.GetAsUTF8() + "] " + request.text.GetAsUTF8() + "\n";
        return UI::MessageBoxResult::Ok;
    }
    std::optional<WideString> AnswerFileRequest(const UI::FileRequest&) override { return std::nullopt; }
    std::optional<WideString> AnswerFolderRequest(const UI::FolderRequest&) override { return std::nullopt; }

    bool okEnabled = true;
    std::string boxes;

private:
    SOConfigurationDialog& m_dialog;
    bool m_sent = false;
};

TEST_F(DataSourceLayoutTest, AnEmptyNameDisablesOKAndIsRefusedEvenWhenOKArrivesAnyway)
{
    SOConfigurationDialog dialog(*m_settings, WideString(u"DSN Setup"));
    CommandSender sender(dialog);
    std::ostringstream transcript;
    UI::HeadlessDialogSystem system(sender, transcript);
    EXPECT_EQ(dialog.DoModal(system, nullptr), 0);
    EXPECT_FALSE(sender.okEnabled);
    EXPECT_EQ(sender.boxes, "[Invalid Data Source Name] Data Source Name value cannot be empty.\n");
    EXPECT_EQ(m_settings->GetDataSourceName().GetAsUTF8(), "Sample");
}

} // namespace
} // namespace Dravo::Test
