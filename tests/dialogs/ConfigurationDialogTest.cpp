// The main configuration dialog on the headless backend over a settings model
// in memory: what it shows for stored values, how its controls follow each
// other, and what OK and Cancel leave in the model.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dialogs/SOConfigurationDialog.h"
#include "dialogs/SODriverConfigurationDialog.h"
#include "settings/SOConnectionSettings.h"
#include "tests/common/HeadlessRun.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

struct DialogRun {
    int32_t result = -1;
    /// The message boxes shown, one line each.
    std::string transcript;
};

/// Runs the dialog with a script playing the user; a script that fails fails
/// the test with the script's own message.
DialogRun RunDialog(SOConfigurationDialog& dialog, const std::string& script)
{
    const Test::HeadlessRun run =
        Test::RunHeadless(script, [&](UI::DialogSystem& system) { return dialog.DoModal(system, nullptr); });
    EXPECT_EQ(run.error, "");
    return {run.result, run.transcript};
}

std::string Text(const WideString& text)
{
    return text.IsNull() ? "<null>" : text.GetAsUTF8();
}

class DriverDialogTest : public ::testing::Test {
protected:
    /// The stored texts of a driver key with server type, mechanism and transport.
    void Store(const char16_t* serverType, const char16_t* mechanism, const char16_t* transport)
    {
        m_settings.SetServerType(WideString(serverType));
        m_settings.SetAuthMech(WideString(mechanism));
        m_settings.SetThriftTransport(WideString(transport));
    }

    DialogRun Run(const std::string& script)
    {
        SODriverConfigurationDialog dialog(m_settings, WideString(u"Configuration"));
        return RunDialog(dialog, script);
    }

    SOConnectionSettings m_settings{nullptr};
};

TEST_F(DriverDialogTest, OpensWithTitleVersionAndTheOfferedEntries)
{
    Store(u"3", u"3", u"1");
    const std::string bitness = sizeof(void*) == 8 ? "64" : "32";
    const DialogRun run = Run("expect dialog 1092\n"
                              "expect title Dravo Spark ODBC Driver Configuration\n"
                              "expect 1015 text v1.1.1.1001 ("
        + bitness
        + " bit)\n"
          "expect 1038 items SharkServer (Shark 0.8.1 and earlier)|SharkServer2 (Shark 0.9.*)|"
          "SparkThriftServer (Spark 1.1 and later)\n"
          "expect 1040 items No Authentication|Kerberos|User Name|User Name and Password|"
          "Windows Azure HDInsight Emulator|Windows Azure HDInsight Service\n"
          "expect 1093 items Binary|HTTP|SASL\n"
          "expect 1038 selected SparkThriftServer (Spark 1.1 and later)\n"
          "expect 1040 selected User Name and Password\n"
          "expect 1093 selected SASL\n"
          "expect 1099 unchecked\n"
          "click 2\n");
    EXPECT_EQ(run.result, 0);
}

TEST_F(DriverDialogTest, KerberosNeedsHostFQDNAndServiceNameBeforeOK)
{
    Store(u"3", u"3", u"1");
    const DialogRun run = Run("expect 1041 disabled\n"
                              "expect 1044 enabled\n"
                              "expect 1 enabled\n"
                              "select 1040 Kerberos\n"
                              "expect 1093 items HTTP|SASL\n"
                              "expect 1093 selected SASL\n"
                              "expect 1041 enabled\n"
                              "expect 1044 disabled\n"
                              "expect 1054 disabled\n"
                              "expect 1099 disabled\n"
                              "expect 1 disabled\n"
                              "type 1042 spark.example.com\n"
                              "expect 1 disabled\n"
                              "type 1043 spark\n"
                              "expect 1 enabled\n"
                              "type 1042 \n"
                              "expect 1 disabled\n"
                              "type 1042 spark.example.com\n"
                              "type 1041 EXAMPLE.COM\n"
                              "click 1\n");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.transcript, "");
    EXPECT_EQ(Text(m_settings.GetServerType()), "3");
    EXPECT_EQ(Text(m_settings.GetAuthMech()), "1");
    EXPECT_EQ(Text(m_settings.GetKrbRealm()), "EXAMPLE.COM");
    EXPECT_EQ(Text(m_settings.GetKrbHostFQDN()), "spark.example.com");
    EXPECT_EQ(Text(m_settings.GetKrbServiceName()), "spark");
    EXPECT_EQ(Text(m_settings.GetThriftTransport()), "1");
    EXPECT_EQ(Text(m_settings.GetSSL()), "0");
    // The driver-wide layout stores no host or port.
    EXPECT_TRUE(m_settings.GetHost().IsNull());
    EXPECT_TRUE(m_settings.GetPort().IsNull());
}

TEST_F(DriverDialogTest, SharkServerRoundTripRestoresMechanismTransportAndDiscovery)
{
    Store(u"3", u"1", u"2");
    m_settings.SetKrbHostFQDN(WideString(u"host"));
    m_settings.SetKrbServiceName(WideString(u"service"));
    const DialogRun run = Run("expect 1040 selected Kerberos\n"
                              "expect 1093 selected HTTP\n"
                              "expect 1098 enabled\n"
                              "select 1038 SharkServer (Shark 0.8.1 and earlier)\n"
                              "expect 1040 selected No Authentication\n"
                              "expect 1093 selected Binary\n"
                              "expect 1093 items Binary\n"
                              "expect 1040 disabled\n"
                              "expect 1041 disabled\n"
                              "expect 1042 disabled\n"
                              "expect 1043 disabled\n"
                              "expect 1044 disabled\n"
                              "expect 1054 disabled\n"
                              "expect 1099 disabled\n"
                              "expect 1072 disabled\n"
                              "expect 1095 disabled\n"
                              "expect 1098 disabled\n"
                              "expect 1 enabled\n"
                              "expect 1029 enabled\n"
                              "expect 1118 enabled\n"
                              "select 1038 SharkServer2 (Shark 0.9.*)\n"
                              "expect 1040 selected Kerberos\n"
                              "expect 1093 items HTTP|SASL\n"
                              "expect 1093 selected HTTP\n"
                              "expect 1040 enabled\n"
                              "expect 1072 disabled\n"
                              "expect 1095 enabled\n"
                              "expect 1098 enabled\n"
                              "click 1\n");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(Text(m_settings.GetServerType()), "2");
    EXPECT_EQ(Text(m_settings.GetAuthMech()), "1");
    EXPECT_EQ(Text(m_settings.GetThriftTransport()), "2");
    EXPECT_EQ(Text(m_settings.GetServiceDiscoveryMode()), "0");
}

TEST_F(DriverDialogTest, StoredSharkServerShowsNothingButKeepsTheLoadedChoices)
{
    Store(u"1", u"3", u"2");
    const DialogRun run = Run("expect 1038 selected SharkServer (Shark 0.8.1 and earlier)\n"
                              "expect 1040 selected No Authentication\n"
                              "expect 1093 selected Binary\n"
                              "select 1038 SparkThriftServer (Spark 1.1 and later)\n"
                              "expect 1040 selected User Name and Password\n"
                              "expect 1093 selected HTTP\n"
                              "click 2\n");
    EXPECT_EQ(run.result, 0);
}

TEST_F(DriverDialogTest, OKWithSharkServerStoresOnlyTheServerType)
{
    Store(u"3", u"3", u"0");
    m_settings.SetUID(WideString(u"bob"));
    m_settings.SetDelegationUID(WideString(u"carol"));
    const DialogRun run = Run("type 1044 alice\n"
                              "select 1038 SharkServer (Shark 0.8.1 and earlier)\n"
                              "click 1\n");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.transcript, "");
    EXPECT_EQ(Text(m_settings.GetServerType()), "1");
    EXPECT_EQ(Text(m_settings.GetAuthMech()), "3");
    EXPECT_EQ(Text(m_settings.GetThriftTransport()), "0");
    EXPECT_EQ(Text(m_settings.GetUID()), "bob");
    EXPECT_EQ(Text(m_settings.GetDelegationUID()), "carol");
}

TEST_F(DriverDialogTest, TheMechanismDecidesTheTransportList)
{
    Store(u"3", u"3", u"0");
    const DialogRun run = Run("expect 1093 selected Binary\n"
                              "select 1040 User Name\n"
                              "expect 1093 items SASL\n"
                              "expect 1093 selected SASL\n"
                              "select 1040 User Name and Password\n"
                              "expect 1093 items Binary|HTTP|SASL\n"
                              "expect 1093 selected SASL\n"
                              "select 1040 Windows Azure HDInsight Emulator\n"
                              "expect 1093 items HTTP\n"
                              "expect 1093 selected HTTP\n"
                              "select 1040 No Authentication\n"
                              "expect 1093 items Binary|HTTP\n"
                              "expect 1093 selected HTTP\n"
                              "select 1093 Binary\n"
                              "select 1040 Kerberos\n"
                              "expect 1093 items HTTP|SASL\n"
                              "expect 1093 selected SASL\n"
                              "expect 1098 disabled\n"
                              "select 1093 HTTP\n"
                              "expect 1098 enabled\n"
                              "type 1042 h\n"
                              "type 1043 s\n"
                              "click 1\n");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(Text(m_settings.GetAuthMech()), "1");
    EXPECT_EQ(Text(m_settings.GetThriftTransport()), "2");
}

TEST_F(DriverDialogTest, OlderMechanismsOpenInTheirCurrentFormWithSSLWrittenBack)
{
    struct Case {
        const char16_t* storedMechanism;
        const char16_t* storedSSL;
        std::string shownMechanism;
        std::string shownTransport;
        std::string ssl;
    };
    const Case cases[] = {
        {u"8", u"0", "User Name and Password", "HTTP", "1"},
        {u"9", u"1", "Kerberos", "HTTP", "0"},
        {u"4", u"0", "User Name and Password", "SASL", "1"},
        {u"7", u"1", "User Name and Password", "HTTP", "0"},
        {u"10", u"", "Kerberos", "HTTP", "1"},
        {u"6", u"0", "Windows Azure HDInsight Service", "HTTP", "1"},
        {u"3", u"yes", "User Name and Password", "Binary", "0"},
    };
    for (const Case& stored : cases) {
        SCOPED_TRACE(Text(WideString(stored.storedMechanism)));
        SOConnectionSettings settings(nullptr);
        settings.SetServerType(WideString(u"2"));
        settings.SetAuthMech(WideString(stored.storedMechanism));
        settings.SetThriftTransport(WideString(u"0"));
        settings.SetSSL(WideString(stored.storedSSL));
        SODriverConfigurationDialog dialog(settings, WideString(u"Configuration"));
        const DialogRun run = RunDialog(dialog,
            "expect 1040 selected " + stored.shownMechanism
                + "\n"
                  "expect 1093 selected "
                + stored.shownTransport
                + "\n"
                  "click 2\n");
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(Text(settings.GetSSL()), stored.ssl);
        // Cancel stores nothing else.
        EXPECT_EQ(Text(settings.GetAuthMech()), Text(WideString(stored.storedMechanism)));
    }
}

TEST_F(DriverDialogTest, AnUnusableTransportOpensAsSASLOrTheMechanismsDefault)
{
    struct Case {
        const char16_t* mechanism;
        const char16_t* transport;
        std::string shown;
    };
    const Case cases[] = {
        {u"3", u"7", "SASL"},
        {u"3", u"abc", "SASL"},
        {u"3", u"-1", "SASL"},
        {u"3", u"", "SASL"},
        {u"0", u"7", "Binary"},
        {u"5", u"x", "HTTP"},
        {u"2", u"2", "SASL"},
    };
    for (const Case& stored : cases) {
        SCOPED_TRACE(Text(WideString(stored.transport)));
        SOConnectionSettings settings(nullptr);
        settings.SetServerType(WideString(u"3"));
        settings.SetAuthMech(WideString(stored.mechanism));
        settings.SetThriftTransport(WideString(stored.transport));
        SODriverConfigurationDialog dialog(settings, WideString(u"Configuration"));
        RunDialog(dialog, "expect 1093 selected " + stored.shown + "\nclick 1\n");
        EXPECT_EQ(Text(settings.GetThriftTransport()),
            stored.shown == "Binary"     ? "0"
                : stored.shown == "SASL" ? "1"
                                         : "2");
    }
}

TEST_F(DriverDialogTest, AMechanismWithoutALabelOpensAsTheProductDefault)
{
    // Only a hand-edited value is above 10; it reads like one that is no
    // number at all: the product's default mechanism, "User Name".
    for (const char16_t* stored : {u"11", u"42", u"65535", u"65536", u"abc", u""}) {
        SCOPED_TRACE(Text(WideString(stored)));
        SOConnectionSettings settings(nullptr);
        settings.SetServerType(WideString(u"3"));
        settings.SetAuthMech(WideString(stored));
        settings.SetThriftTransport(WideString(u"0"));
        SODriverConfigurationDialog dialog(settings, WideString(u"Configuration"));
        const DialogRun run = RunDialog(dialog,
            "expect 1040 selected User Name\n"
            "expect 1093 items SASL\n"
            "click 1\n");
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(Text(settings.GetAuthMech()), "2");
        EXPECT_EQ(Text(settings.GetThriftTransport()), "1");
    }
}

TEST_F(DriverDialogTest, PasswordIsShownForPasswordMechanismsAndSavedOnlyWhenTicked)
{
    Store(u"3", u"3", u"1");
    m_settings.SetPassword(WideString(u"old secret"));
    m_settings.SetSavePassword(true);
    DialogRun run = Run("expect 1054 text old secret\n"
                        "expect 1099 unchecked\n"
                        "type 1054 new secret\n"
                        "click 1\n");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(Text(m_settings.GetPassword()), "new secret");
    EXPECT_FALSE(m_settings.GetSavePassword());

    run = Run("click 1099\nclick 1\n");
    EXPECT_TRUE(m_settings.GetSavePassword());

    // Kerberos has no password: the box stays empty and the stored one is kept.
    Store(u"3", u"1", u"1");
    m_settings.SetKrbHostFQDN(WideString(u"h"));
    m_settings.SetKrbServiceName(WideString(u"s"));
    run = Run("expect 1054 text \nclick 1\n");
    EXPECT_EQ(Text(m_settings.GetPassword()), "new secret");
}

TEST_F(DriverDialogTest, DelegationUIDIsOfferedOnlyWhereItIsKept)
{
    // The driver-wide save drops it: typing there would be lost without a word.
    Store(u"3", u"3", u"1");
    DialogRun run = Run("expect 1072 disabled\nclick 2\n");
    EXPECT_EQ(run.result, 0);
    // A connection prompt uses it, trimmed.
    SODriverConfigurationDialog prompt(m_settings, WideString(u"Connection Dialog"));
    run = RunDialog(prompt, "expect 1072 enabled\ntype 1072   alice  \nclick 1\n");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(Text(m_settings.GetDelegationUID()), "alice");
}

TEST_F(DriverDialogTest, ConnectionDialogModeNeverOffersToSaveThePassword)
{
    Store(u"3", u"3", u"1");
    m_settings.SetSavePassword(true);
    SODriverConfigurationDialog dialog(m_settings, WideString(u"Connection Dialog"));
    const DialogRun run = RunDialog(dialog,
        "expect title Dravo Spark ODBC Driver Connection Dialog\n"
        "expect 1099 disabled\n"
        "type 1054 pw\n"
        "click 1\n");
    EXPECT_EQ(run.result, 1);
    EXPECT_TRUE(m_settings.GetSavePassword());
    EXPECT_EQ(Text(m_settings.GetPassword()), "pw");
}

TEST_F(DriverDialogTest, EditBoxesTakeTheirLimitAndOKReadsEveryCharacterTheyHold)
{
    Store(u"3", u"1", u"1");
    m_settings.SetKrbServiceName(WideString(u"s"));
    const std::string typed(300, 'r');
    const DialogRun run = Run("type 1041 " + typed
        + "\n"
          "expect 1041 text "
        + std::string(260, 'r')
        + "\n"
          "type 1042 h\n"
          "click 1\n");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(Text(m_settings.GetKrbRealm()), std::string(260, 'r'));
}

TEST_F(DriverDialogTest, SubDialogButtonsOpenTheirDialogsOverTheSameModel)
{
    Store(u"3", u"3", u"2");
    const DialogRun run = Run("click 1029\n"
                              "expect dialog 129\n"
                              "click 2\n"
                              "click 1098\n"
                              "expect dialog 9110\n"
                              "type 1002 /cliservice\n"
                              "click 1\n"
                              "click 1118\n"
                              "expect dialog 9109\n"
                              "click 2\n"
                              "click 1095\n"
                              "expect dialog 1091\n"
                              "click 1107\n"
                              "click 1\n"
                              "expect dialog 1092\n"
                              "click 2\n");
    EXPECT_EQ(run.result, 0);
    // What the sub-dialogs confirmed is in the model, even after Cancel here:
    // only the tool's save decides what reaches storage.
    EXPECT_EQ(Text(m_settings.GetHttpProperties().GetHTTPPath()), "/cliservice");
    EXPECT_EQ(Text(m_settings.GetSSL()), "1");
}

// --- The data-source layout's own checks ------------------------------------

class DataSourceDialogTest : public ::testing::Test {
protected:
    DataSourceDialogTest()
    {
        m_settings.SetDataSourceName(WideString(u"Sample"));
        m_settings.SetHost(WideString(u"spark.example.com"));
        m_settings.SetServerType(WideString(u"3"));
        m_settings.SetAuthMech(WideString(u"3"));
        m_settings.SetThriftTransport(WideString(u"1"));
    }

    DialogRun Run(const std::string& script)
    {
        SOConfigurationDialog dialog(m_settings, WideString(u"Configuration"));
        return RunDialog(dialog, script);
    }

    SOConnectionSettings m_settings{nullptr};
};

TEST_F(DataSourceDialogTest, AnInvalidPortIsReplacedByTheMechanismsDefault)
{
    struct Case {
        std::string mechanism;
        std::string port;
        std::string replacement;
    };
    const Case cases[] = {
        {"User Name and Password", "70000", "10000"},
        {"User Name and Password", "10a", "10000"},
        {"Windows Azure HDInsight Service", "70000", "443"},
        {"Windows Azure HDInsight Emulator", "-1", "10001"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.mechanism + " " + entry.port);
        const DialogRun run = Run("select 1040 " + entry.mechanism
            + "\n"
              "type 1030 "
            + entry.port
            + "\n"
              "click 1\n"
              "expect 1030 text "
            + entry.replacement
            + "\n"
              "click 1\n");
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(run.transcript,
            "message-box [Invalid Port Number] Port number is not valid! Setting it to default port. -> OK\n");
        EXPECT_EQ(Text(m_settings.GetPort()), entry.replacement);
    }
}

TEST_F(DataSourceDialogTest, HostAndDataSourceNameAreCheckedOnOK)
{
    const DialogRun run = Run("expect 1022 enabled\n"
                              "type 1024 \n"
                              "expect 1 disabled\n"
                              "expect 1022 disabled\n"
                              "type 1024 spark\n"
                              "type 1002 Bad;Name\n"
                              "click 1\n"
                              "type 1002 Good Name\n"
                              "type 1003 my description\n"
                              "click 1\n");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.transcript,
        "message-box [Invalid Data Source Name] Data Source Name value cannot contain any of the following "
        "characters: []{}(),;?*=!@\\ -> OK\n");
    EXPECT_EQ(Text(m_settings.GetDataSourceName()), "Good Name");
    EXPECT_EQ(Text(m_settings.GetHost()), "spark");
    EXPECT_EQ(Text(m_settings.GetDescription()), "my description");
    EXPECT_EQ(Text(m_settings.GetPort()), "10000");
}

} // namespace
} // namespace Dravo::VezurAVUZ
