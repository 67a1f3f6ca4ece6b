// The SSL options dialog, driven by scripts over a settings model loaded from
// a real hive, with real files for the file chooser.
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "dialogs/SOSSLOptionsDialog.h"
#include "settings/ProductSwitches.h"
#include "tests/dialogs/SubDialogHarness.h"

namespace Dravo::Test {
namespace {

using Support::WideString;
using VezurAVUZ::SOSSLOptionsDialog;

class SSLOptionsTest : public DriverSettingsTest {
protected:
    HeadlessRun RunSSL(const std::string& script, uint32_t mechanism, bool connectionDialog = false)
    {
        return RunOwner(script, 2, [this, mechanism, connectionDialog](UI::DialogHost& owner, int32_t) {
            SOSSLOptionsDialog::Show(owner, *m_settings, mechanism, connectionDialog);
        });
    }
};

TEST_F(SSLOptionsTest, HDInsightServiceForcesSslOnAndTheAllowancesOff)
{
    WriteDriverValues({{u"SSL", u"0"}, {u"CAIssuedCertNamesMismatch", u"1"}, {u"AllowSelfSignedServerCert", u"1"},
        {u"TrustedCerts", u"/etc/ssl/ca.pem"}});
    LoadSettings();
    const HeadlessRun run = RunSSL("click 1095\n"
                                   "expect dialog 1091\n"
                                   "expect 1107 checked\n"
                                   "expect 1107 disabled\n"
                                   "expect 1056 unchecked\n"
                                   "expect 1056 disabled\n"
                                   "expect 1116 unchecked\n"
                                   "expect 1116 disabled\n"
                                   "expect 1057 text /etc/ssl/ca.pem\n"
                                   "expect 1057 enabled\n"
                                   "expect 1105 disabled\n"
                                   "click 1\n"
                                   "click 2\n",
        6);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetSSL(), WideString(u"1"));
    EXPECT_EQ(m_settings->GetCAIssuedCertNamesMismatch(), WideString(u"0"));
    EXPECT_EQ(m_settings->GetAllowSelfSignedServerCert(), WideString(u"0"));
    EXPECT_EQ(m_settings->GetTwoWaySSL(), WideString(u"0"));
}

TEST_F(SSLOptionsTest, UserNameTurnsSslOffAndOkStoresNothingElse)
{
    WriteDriverValues(
        {{u"SSL", u"1"}, {u"TwoWaySSL", u"1"}, {u"TrustedCerts", u"/etc/ssl/ca.pem"}, {u"ClientCert", u"/c.pem"}});
    LoadSettings();
    const HeadlessRun run = RunSSL("click 1095\n"
                                   "expect 1107 unchecked\n"
                                   "expect 1107 disabled\n"
                                   "expect 1057 disabled\n"
                                   "expect 1058 disabled\n"
                                   "expect 1056 disabled\n"
                                   "expect 1116 disabled\n"
                                   "expect 1103 disabled\n"
                                   "expect 1105 disabled\n"
                                   "expect 1110 disabled\n"
                                   "expect 1113 disabled\n"
                                   "expect 1115 disabled\n"
                                   "expect 1 enabled\n"
                                   "click 1\n"
                                   "click 2\n",
        2);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetSSL(), WideString(u"0"));
    EXPECT_EQ(m_settings->GetTwoWaySSL(), WideString(u"1"));
    EXPECT_EQ(m_settings->GetTrustedCerts(), WideString(u"/etc/ssl/ca.pem"));
    EXPECT_EQ(m_settings->GetClientCert(), WideString(u"/c.pem"));
}

TEST_F(SSLOptionsTest, TwoWaySslNeedsBothClientFilesAndStoresThePasswordAsTyped)
{
    WriteDriverValues({{u"SSL", u"1"}, {u"TwoWaySSL", u"1"}, {u"ClientCert", u"/c.pem"}});
    LoadSettings();
    const HeadlessRun run = RunSSL("click 1095\n"
                                   "expect 1107 checked\n"
                                   "expect 1107 enabled\n"
                                   "expect 1103 checked\n"
                                   "expect 1105 text /c.pem\n"
                                   "expect 1110 text \n"
                                   "expect 1 disabled\n"
                                   "type 1110 k\n"
                                   "expect 1 enabled\n"
                                   "type 1110  /keys/client.key \n"
                                   "type 1113  pass word \n"
                                   "expect 1115 unchecked\n"
                                   "click 1115\n"
                                   "click 1103\n"
                                   "expect 1105 disabled\n"
                                   "expect 1110 disabled\n"
                                   "expect 1113 disabled\n"
                                   "expect 1115 disabled\n"
                                   "click 1103\n"
                                   "click 1\n"
                                   "click 2\n",
        3);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetClientPrivateKey(), WideString(u"/keys/client.key"));
    EXPECT_EQ(m_settings->GetClientPrivateKeyPassword(), WideString(u" pass word "));
    EXPECT_TRUE(m_settings->GetSaveClientKeyPassword());

    // The password goes to the hive enciphered, and only because the box was ticked.
    m_settings->SetServerType(WideString(u"3"));
    m_settings->SetAuthMech(WideString(u"3"));
    m_settings->SetThriftTransport(WideString(u"1"));
    m_settings->Save();
    const auto hive = ReadDriverValues();
    EXPECT_EQ(hive.at("ClientPrivateKey"), "/keys/client.key");
    ASSERT_EQ(hive.count("EncryptedClientPrivateKeyPWD"), 1U);
    EXPECT_EQ(hive.at("EncryptedClientPrivateKeyPWD").substr(0, 1), "_");
}

TEST_F(SSLOptionsTest, TheDefaultTrustedCertificatesFileIsOfferedAndStored)
{
    WriteDriverValues({{u"SSL", u"1"}});
    LoadSettings();
    const std::string defaultFile = VezurAVUZ::GetDefaultTrustedCertsFile().GetAsUTF8();
    const HeadlessRun run = RunSSL("click 1095\n"
                                   "expect 1057 text "
            + defaultFile
            + "\n"
              "click 1\n"
              "click 2\n",
        0);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetTrustedCerts(), WideString(defaultFile));
}

TEST_F(SSLOptionsTest, BrowseTakesExistingFilesOnlyAndCancelKeepsThePath)
{
    WriteDriverValues({{u"SSL", u"1"}, {u"TrustedCerts", u"/old.pem"}});
    LoadSettings();
    const std::string chosen = (m_root / "ca bundle.pem").string();
    std::ofstream(chosen) << "certificates\n";
    HeadlessRun run = RunSSL("click 1095\n"
                             "click 1058\n"
                             "choose -\n"
                             "expect 1057 text /old.pem\n"
                             "click 1058\n"
                             "choose "
            + chosen
            + "\n"
              "expect 1057 text "
            + chosen
            + "\n"
              "click 1\n"
              "click 2\n",
        3);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetTrustedCerts(), WideString(chosen));

    run = RunSSL("click 1095\nclick 1058\nchoose " + (m_root / "missing.pem").string() + "\n", 3);
    EXPECT_NE(run.error.find("existing files only"), std::string::npos) << run.error;
}

TEST_F(SSLOptionsTest, TheConnectionDialogNeverChangesTheSavePasswordFlag)
{
    WriteDriverValues({{u"SSL", u"1"}, {u"TwoWaySSL", u"1"}, {u"ClientCert", u"/c"}, {u"ClientPrivateKey", u"/k"}});
    LoadSettings();
    m_settings->SetSaveClientKeyPassword(true);
    const HeadlessRun run = RunSSL("click 1095\n"
                                   "expect 1115 checked\n"
                                   "expect 1115 disabled\n"
                                   "type 1113 secret\n"
                                   "click 1\n"
                                   "click 2\n",
        1, true);
    ASSERT_EQ(run.error, "");
    EXPECT_TRUE(m_settings->GetSaveClientKeyPassword());
    EXPECT_EQ(m_settings->GetClientPrivateKeyPassword(), WideString(u"secret"));
}

TEST_F(SSLOptionsTest, CancelStoresNothing)
{
    WriteDriverValues({{u"SSL", u"0"}});
    LoadSettings();
    const HeadlessRun run = RunSSL("click 1095\n"
                                   "click 1107\n"
                                   "expect 1057 enabled\n"
                                   "click 1103\n"
                                   "type 1105 /c\n"
                                   "click 2\n"
                                   "click 2\n",
        3);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(m_settings->GetSSL(), WideString(u"0"));
    EXPECT_TRUE(m_settings->GetTwoWaySSL().IsEmpty());
    EXPECT_TRUE(m_settings->GetClientCert().IsEmpty());
}

} // namespace
} // namespace Dravo::Test
