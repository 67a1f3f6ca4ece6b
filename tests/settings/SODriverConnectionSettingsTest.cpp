// The driver-wide settings model over a real hive in a temporary directory:
// load with its defaults, save in its order with the write filter and the
// password rule, hand-edited values, and registry failures.
#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "driversupport/PasswordEncryption.h"
#include "platform/Registry.h"
#include "settings/SettingsCatalogue.h"
#include "support/SystemErrorText.h"
#include "tests/common/UnprivilegedRun.h"
#include "tests/settings/DriverSettingsFixture.h"

namespace Dravo::Test {
namespace {

using Support::ErrorException;
using Support::WideString;
using VezurAVUZ::SOConnectionSettings;
using VezurAVUZ::SODriverConnectionSettings;

// The pair the driver deciphers stored passwords with.
constexpr std::string_view PRODUCT_KEY = "Lm4&Qe7!Zr2#Wt9$Yu1%Io3^Pa6*Sd8@";
constexpr DriverSupport::PasswordEncryption::Salt PRODUCT_SALT = {0xC4, 0x19, 0x7E, 0x52, 0xA0, 0x3B, 0x6F, 0xD8};

const std::vector<std::string> ALWAYS_WRITTEN = {"DefaultStringColumnLength", "BinaryColumnLength",
    "DecimalColumnScale", "FastSQLPrepare", "RowsFetchedPerBlock", "ShowSystemTable", "UseNativeQuery",
    "UseUnicodeSqlCharacterTypes", "FixUnquotedDefaultSchemaNameInQuery", "DriverConfigTakePrecedence",
    "SocketTimeout"};
const std::vector<std::string> LOGGING_KEYS = {"LogLevel", "LogPath", "LogFileCount", "LogFileSize"};

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

/// Every setting of the model given a recognisable value.
void FillEverything(SOConnectionSettings& model)
{
    model.SetSchema(u"default");
    model.SetDescription(u"description");
    model.SetHost(u"spark.example.com");
    model.SetPort(u"10000");
    model.SetServerType(u"3");
    model.SetAuthMech(u"3");
    model.SetKrbRealm(u"EXAMPLE.COM");
    model.SetKrbHostFQDN(u"host.example.com");
    model.SetKrbServiceName(u"spark");
    model.SetUID(u"user");
    model.SetPassword(u"secret");
    model.SetDelegationUID(u"delegate");
    model.SetSocketTimeout(u"60");
    model.SetTrustedCerts(u"/etc/certs.pem");
    model.SetCAIssuedCertNamesMismatch(u"1");
    model.SetAllowSelfSignedServerCert(u"0");
    model.SetTwoWaySSL(u"1");
    model.SetClientCert(u"/etc/client.pem");
    model.SetClientPrivateKey(u"/etc/client.key");
    model.SetClientPrivateKeyPassword(u"keypass");
    model.SetAsyncExecPollInterval(u"100");
    model.SetEnableAsyncExec(u"1");
    model.SetTablesWithQuery(u"1");
    model.SetUseOnlySSPI(u"0");
    model.SetServiceDiscoveryMode(u"1");
    model.SetZKNamespace(u"zk");
    model.SetThriftTransport(u"2");
    model.SetSSL(u"1");
    model.SetInvalidSessionAutoRecover(u"0");
    model.GetServerSideProperties().GetProperties()[WideString(u"Timeout")] = WideString(u"30");
    model.GetHttpProperties().GetProperties()[WideString(u"X-Trace")] = WideString(u"on");
    model.GetHttpProperties().SetHTTPPath(u"/cliservice");
}

ErrorException SaveError(SOConnectionSettings& model)
{
    try {
        model.Save();
    } catch (const ErrorException& error) {
        return error;
    }
    ADD_FAILURE() << "the save did not fail";
    return ErrorException(0, WideString(u"none"));
}

class SODriverConnectionSettingsTest : public DriverSettingsTest {};

TEST_F(SODriverConnectionSettingsTest, AMissingDriverKeyLoadsAnEmptyModelWithItsTwoDefaults)
{
    const auto settings = Loaded();
    const SODriverConnectionSettings& model = settings->model;
    for (const WideString* value : {&model.GetServerType(), &model.GetAuthMech(), &model.GetUID(), &model.GetPassword(),
             &model.GetRowsFetchedPerBlock(), &model.GetSSL(), &model.GetThriftTransport(),
             &model.GetClientPrivateKeyPassword(), &model.GetZKNamespace(), &model.GetHost()}) {
        EXPECT_TRUE(value->IsEmpty()) << Utf8(*value);
    }
    EXPECT_EQ(Utf8(model.GetInvalidSessionAutoRecover()), "1");
    // The product switch is off without a product description file.
    EXPECT_EQ(Utf8(model.GetTablesWithQuery()), "0");
    EXPECT_TRUE(settings->serverSide.GetProperties().empty());
    EXPECT_TRUE(settings->serverSide.GetApplySSPWithQueries().IsEmpty());
    EXPECT_TRUE(settings->http.GetProperties().empty());
    auto& store = settings->model.GetConfigurationStore();
    EXPECT_EQ(Utf8(store.GetLogLevel()) + "|" + Utf8(store.GetLogPath()) + "|" + Utf8(store.GetLogFileCount()) + "|"
            + Utf8(store.GetLogFileSize()),
        "0||50|20");
    EXPECT_TRUE(NamesUtf8().empty());
}

TEST_F(SODriverConnectionSettingsTest, ServerTypeOneWritesOnlyTheAlwaysWrittenKeysAndTheServerSideProperties)
{
    DriverSettings settings;
    FillEverything(settings.model);
    settings.model.SetServerType(u"1");
    settings.model.SetSavePassword(true);
    settings.model.Save();

    EXPECT_EQ(NamesUtf8(),
        Concat({ALWAYS_WRITTEN, {"LCaseSspKeyName", "ApplySSPWithQueries", "SSP_Timeout", "SparkServerType"},
            LOGGING_KEYS}));
    EXPECT_EQ(TextUtf8(u"SparkServerType"), "1");
    EXPECT_EQ(TextUtf8(u"SSP_Timeout"), "30");
}

TEST_F(SODriverConnectionSettingsTest, AFullSaveWritesInOrderAndNeverTheKeysOfOneDataSource)
{
    DriverSettings settings;
    FillEverything(settings.model);
    settings.model.SetAuthMech(u"1");
    settings.model.SetSaveClientKeyPassword(true);
    settings.model.Save();

    EXPECT_EQ(NamesUtf8(),
        Concat({ALWAYS_WRITTEN,
            {"LCaseSspKeyName", "ApplySSPWithQueries", "SSP_Timeout", "SparkServerType", "AuthMech", "KrbHostFQDN",
                "KrbRealm", "KrbServiceName", "ThriftTransport", "HTTPPath", "http.header.X-Trace", "SSL",
                "TrustedCerts", "CAIssuedCertNamesMismatch", "AllowSelfSignedServerCert", "TwoWaySSL", "ClientCert",
                "ClientPrivateKey", "EncryptedClientPrivateKeyPWD", "EnableAsyncExec", "AsyncExecPollInterval",
                "GetTablesWithQuery", "UseOnlySSPI", "InvalidSessionAutoRecover"},
            LOGGING_KEYS}));
    EXPECT_EQ(TextUtf8(u"http.header.X-Trace"), "on");
    EXPECT_EQ(TextUtf8(u"HTTPPath"), "/cliservice");
    EXPECT_EQ(TextUtf8(u"KrbRealm"), "EXAMPLE.COM");

    // Every value is a REG_SZ with its terminating NUL.
    const auto value = DriverKeyHive::Value(u"TrustedCerts");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, OS::REG_SZ_TYPE);
    EXPECT_EQ(value->data.size(), (14U + 1U) * 2U);

    // The filter drops the data-source keys in any spelling.
    for (const char16_t* key : {u"DRIVER", u"Driver", u"DSN", u"servicediscoverymode", u"DelegationUID", u"DESCRIPTION",
             u"host", u"PORT", u"Schema"}) {
        EXPECT_TRUE(SODriverConnectionSettings::IsFilteredKey(WideString(key))) << WideString(key).GetAsUTF8();
    }
    for (const char16_t* key : {u"ZKNamespace", u"Hostname", u"SSP_Host", u"SparkServerType"}) {
        EXPECT_FALSE(SODriverConnectionSettings::IsFilteredKey(WideString(key))) << WideString(key).GetAsUTF8();
    }
}

TEST_F(SODriverConnectionSettingsTest, SSLAndTwoWayKeysAreWrittenOnlyWhileTheirSwitchesAreOn)
{
    struct Case {
        const char16_t* ssl;
        const char16_t* twoWay;
        std::vector<std::string> sslKeys;
    };
    const std::vector<Case> cases = {
        {u"0", u"1", {}},
        {u"true", u"1", {}},
        {u"1", u"0", {"TrustedCerts", "CAIssuedCertNamesMismatch", "AllowSelfSignedServerCert", "TwoWaySSL"}},
        {u"1", u"01", {"TrustedCerts", "CAIssuedCertNamesMismatch", "AllowSelfSignedServerCert", "TwoWaySSL"}},
        {u"1", u"1",
            {"TrustedCerts", "CAIssuedCertNamesMismatch", "AllowSelfSignedServerCert", "TwoWaySSL", "ClientCert",
                "ClientPrivateKey"}},
    };
    for (const Case& c : cases) {
        DriverKeyHive::Clear();
        DriverSettings settings;
        FillEverything(settings.model);
        settings.model.SetAuthMech(u"0");
        settings.model.SetThriftTransport(u"0");
        settings.model.SetSSL(c.ssl);
        settings.model.SetTwoWaySSL(c.twoWay);
        settings.model.Save();
        EXPECT_EQ(NamesUtf8(),
            Concat({ALWAYS_WRITTEN,
                {"LCaseSspKeyName", "ApplySSPWithQueries", "SSP_Timeout", "SparkServerType", "AuthMech",
                    "ThriftTransport", "SSL"},
                c.sslKeys,
                {"EnableAsyncExec", "AsyncExecPollInterval", "GetTablesWithQuery", "UseOnlySSPI",
                    "InvalidSessionAutoRecover"},
                LOGGING_KEYS}))
            << WideString(c.ssl).GetAsUTF8() << " " << WideString(c.twoWay).GetAsUTF8();
    }
}

TEST_F(SODriverConnectionSettingsTest, PasswordsFollowTheSavePasswordRule)
{
    const std::regex storedForm("_[0-9A-F]{32}");
    for (const char16_t* mechanism : {u"3", u"5", u"6"}) {
        DriverKeyHive::Clear();
        DriverKeyHive::SetString(u"EncryptedPWD", u"previous");
        DriverSettings settings;
        settings.model.SetServerType(u"2");
        settings.model.SetAuthMech(mechanism);
        settings.model.SetUID(u"user");

        // On, with a three-character password: one cipher block.
        settings.model.SetSavePassword(true);
        settings.model.SetPassword(u"abc");
        settings.model.Save();
        const std::string stored = TextUtf8(u"EncryptedPWD");
        EXPECT_TRUE(std::regex_match(stored, storedForm)) << stored;
        EXPECT_EQ(Utf8(settings.model.GetPassword()), stored);
        EXPECT_EQ(DriverSupport::PasswordEncryption::DecryptFromHex(stored.substr(1), PRODUCT_KEY, &PRODUCT_SALT).bytes,
            "abc");
        EXPECT_EQ(TextUtf8(u"UID"), "user");
        EXPECT_EQ(Utf8(Loaded()->model.GetPassword()), "abc");

        // Off, with a password: the stored one stays.
        DriverSettings keep;
        keep.model.SetServerType(u"2");
        keep.model.SetAuthMech(mechanism);
        keep.model.SetPassword(u"typed but not saved");
        keep.model.Save();
        EXPECT_EQ(TextUtf8(u"EncryptedPWD"), stored);

        // On, with no password: written empty.
        DriverSettings blank;
        blank.model.SetServerType(u"2");
        blank.model.SetAuthMech(mechanism);
        blank.model.SetSavePassword(true);
        blank.model.Save();
        EXPECT_EQ(TextUtf8(u"EncryptedPWD"), "");

        // Off, with no password: removed.
        DriverSettings removed;
        removed.model.SetServerType(u"2");
        removed.model.SetAuthMech(mechanism);
        removed.model.Save();
        EXPECT_EQ(TextUtf8(u"EncryptedPWD"), "<missing>");
    }

    // Mechanisms without a password leave the stored one alone, whatever the flag.
    for (const char16_t* mechanism : {u"0", u"1", u"2"}) {
        DriverKeyHive::Clear();
        DriverKeyHive::SetString(u"EncryptedPWD", u"previous");
        DriverSettings settings;
        settings.model.SetServerType(u"3");
        settings.model.SetAuthMech(mechanism);
        settings.model.SetSavePassword(true);
        settings.model.Save();
        EXPECT_EQ(TextUtf8(u"EncryptedPWD"), "previous");
        EXPECT_EQ(TextUtf8(u"UID") == "<missing>", WideString(mechanism) != WideString(u"2"));
    }

    // The client key password, under two-way SSL, by the same rule.
    DriverSettings client;
    client.model.SetServerType(u"3");
    client.model.SetAuthMech(u"0");
    client.model.SetSSL(u"1");
    client.model.SetTwoWaySSL(u"1");
    client.model.SetClientPrivateKeyPassword(u"key password");
    client.model.SetSaveClientKeyPassword(true);
    client.model.Save();
    EXPECT_TRUE(std::regex_match(TextUtf8(u"EncryptedClientPrivateKeyPWD"), std::regex("_[0-9A-F]{32}")));
    EXPECT_EQ(Utf8(Loaded()->model.GetClientPrivateKeyPassword()), "key password");
    DriverSettings clientRemoved;
    clientRemoved.model.SetServerType(u"3");
    clientRemoved.model.SetSSL(u"1");
    clientRemoved.model.SetTwoWaySSL(u"1");
    clientRemoved.model.Save();
    EXPECT_EQ(TextUtf8(u"EncryptedClientPrivateKeyPWD"), "<missing>");
}

TEST_F(SODriverConnectionSettingsTest, StoredPasswordsThatCannotBeDecipheredLoadEmptyAndStayStored)
{
    const std::string valid =
        "_" + DriverSupport::PasswordEncryption::EncryptToHex("p\xC3\xA4ss", PRODUCT_KEY, &PRODUCT_SALT);
    const std::string otherKey = "_" + DriverSupport::PasswordEncryption::EncryptToHex("password");
    std::string damaged = valid;
    damaged.back() = damaged.back() == '0' ? '1' : '0';
    // Preconditions: neither deciphers completely with the product's pair.
    ASSERT_FALSE(
        DriverSupport::PasswordEncryption::DecryptFromHex(otherKey.substr(1), PRODUCT_KEY, &PRODUCT_SALT).isComplete);
    ASSERT_FALSE(
        DriverSupport::PasswordEncryption::DecryptFromHex(damaged.substr(1), PRODUCT_KEY, &PRODUCT_SALT).isComplete);

    const std::vector<std::pair<std::string, std::string>> cases = {
        {valid, "p\xC3\xA4ss"},
        {"616263", "abc"}, // the older form: the password's bytes in hexadecimal
        {"61626", ""}, // odd length
        {"_", ""}, // the mark alone
        {"zzzz", ""}, // even length, not hexadecimal
        {"_ABC", ""}, // odd cipher text
        {"_GGGGGGGG", ""}, // cipher text that is not hexadecimal
        {otherKey, ""}, // another key's cipher text
        {damaged, ""}, // padding that does not check out
        {"", ""},
    };
    for (const auto& [stored, expected] : cases) {
        DriverKeyHive::Clear();
        DriverKeyHive::SetString(u"EncryptedPWD", WideString(stored).GetAsU16String());
        DriverKeyHive::SetString(u"EncryptedClientPrivateKeyPWD", WideString(stored).GetAsU16String());
        std::unique_ptr<DriverSettings> settings;
        ASSERT_NO_THROW(settings = Loaded()) << stored;
        EXPECT_EQ(Utf8(settings->model.GetPassword()), expected) << stored;
        EXPECT_EQ(Utf8(settings->model.GetClientPrivateKeyPassword()), expected) << stored;
        EXPECT_EQ(TextUtf8(u"EncryptedPWD"), stored);
    }

    WideString inPlace(u"zzzz");
    EXPECT_FALSE(SOConnectionSettings::DecryptSetting(inPlace));
    EXPECT_EQ(Utf8(inPlace), "zzzz");
    WideString empty(u"");
    SOConnectionSettings::EncryptSetting(empty);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST_F(SODriverConnectionSettingsTest, EmptyAdvancedOptionsAreSavedWithTheirDefaults)
{
    DriverSettings settings;
    settings.model.SetServerType(u"1");
    settings.model.SetDecimalColumnScale(u"0");
    settings.model.Save();
    EXPECT_EQ(TextUtf8(u"RowsFetchedPerBlock"), "10000");
    EXPECT_EQ(TextUtf8(u"DefaultStringColumnLength"), "255");
    EXPECT_EQ(TextUtf8(u"BinaryColumnLength"), "32767");
    EXPECT_EQ(TextUtf8(u"DecimalColumnScale"), "0");
    EXPECT_EQ(TextUtf8(u"FastSQLPrepare"), "0");
    EXPECT_EQ(TextUtf8(u"ShowSystemTable"), "0");
    EXPECT_EQ(TextUtf8(u"UseNativeQuery"), "0");
    EXPECT_EQ(TextUtf8(u"UseUnicodeSqlCharacterTypes"), "0");
    EXPECT_EQ(TextUtf8(u"FixUnquotedDefaultSchemaNameInQuery"), "1");
    // Options without a default are written as they are.
    EXPECT_EQ(TextUtf8(u"DriverConfigTakePrecedence"), "");
    EXPECT_EQ(TextUtf8(u"SocketTimeout"), "");
    EXPECT_EQ(Utf8(settings.model.GetRowsFetchedPerBlock()), "10000");

    settings.model.SetRowsFetchedPerBlock(u"0");
    settings.model.Save();
    EXPECT_EQ(TextUtf8(u"RowsFetchedPerBlock"), "0");
}

TEST_F(SODriverConnectionSettingsTest, SettingsRoundTripThroughTheDriverKey)
{
    DriverSettings saved;
    FillEverything(saved.model);
    saved.model.SetSavePassword(true);
    saved.model.SetSaveClientKeyPassword(true);
    saved.model.GetConfigurationStore().SetLogLevel(u"4");
    saved.model.GetConfigurationStore().SetLogPath(u"/var/log/dravo");
    saved.model.GetConfigurationStore().SetLogFileCount(u"3");
    saved.model.GetConfigurationStore().SetLogFileSize(u"4096");
    saved.model.Save();

    const auto loaded = Loaded();
    const SODriverConnectionSettings& model = loaded->model;
    EXPECT_EQ(Utf8(model.GetServerType()), "3");
    EXPECT_EQ(Utf8(model.GetAuthMech()), "3");
    EXPECT_EQ(Utf8(model.GetUID()), "user");
    EXPECT_EQ(Utf8(model.GetPassword()), "secret");
    EXPECT_EQ(Utf8(model.GetClientPrivateKeyPassword()), "keypass");
    EXPECT_EQ(Utf8(model.GetThriftTransport()), "2");
    EXPECT_EQ(Utf8(model.GetTrustedCerts()), "/etc/certs.pem");
    EXPECT_EQ(Utf8(model.GetTablesWithQuery()), "1");
    EXPECT_EQ(Utf8(model.GetInvalidSessionAutoRecover()), "0");
    EXPECT_EQ(Utf8(model.GetSocketTimeout()), "60");
    // Never written driver-wide, so never read back.
    EXPECT_TRUE(model.GetHost().IsEmpty());
    EXPECT_TRUE(model.GetDelegationUID().IsEmpty());
    EXPECT_EQ(Utf8(loaded->serverSide.GetProperties().at(WideString(u"Timeout"))), "30");
    EXPECT_EQ(Utf8(loaded->http.GetProperties().at(WideString(u"X-Trace"))), "on");
    EXPECT_EQ(Utf8(loaded->http.GetHTTPPath()), "/cliservice");
    auto& store = loaded->model.GetConfigurationStore();
    EXPECT_EQ(Utf8(store.GetLogLevel()) + "|" + Utf8(store.GetLogPath()) + "|" + Utf8(store.GetLogFileCount()) + "|"
            + Utf8(store.GetLogFileSize()),
        "4|/var/log/dravo|3|4096");
}

TEST_F(SODriverConnectionSettingsTest, AHandEditedHiveLoadsAsTheReadingRulesSay)
{
    DriverKeyHive::WriteDriverKeyLines("\"sparkservertype\"=\"03\"\r\n"
                                       "\"AUTHMECH\"=dword:00000063\r\n"
                                       "\"ThriftTransport\"=\"-1\"\r\n"
                                       "\"SSL\"=\"true\"\r\n"
                                       "\"TwoWaySSL\"=\"01\"\r\n"
                                       "\"RowsFetchedPerBlock\"=hex(b):10,27,00,00,00,00,00,00\r\n"
                                       "\"UID\"=hex:75,00,73,00\r\n"
                                       "\"KrbRealm\"=hex(2):52,00,00,00\r\n"
                                       "\"KrbHostFQDN\"=hex(7):61,00,00,00,00,00\r\n"
                                       "\"InvalidSessionAutoRecover\"=\"\"\r\n"
                                       "\"GetTablesWithQuery\"=\"yes\"\r\n"
                                       "\"DecimalColumnScale\"=\"-5\"\r\n"
                                       "\"ssp_lower\"=\"not a property\"\r\n"
                                       "\"SSP_\"=\"empty name\"\r\n"
                                       "\"SSP_SSP_Nested\"=\"n\"\r\n"
                                       "\"http.header.\"=\"h\"\r\n"
                                       "\"HTTP.HEADER.Upper\"=\"not a header\"\r\n"
                                       "\"DRIVER\"=\"left out\"\r\n"
                                       "\"LogLevel\"=\"loud\"\r\n");
    std::unique_ptr<DriverSettings> settings;
    ASSERT_NO_THROW(settings = Loaded());
    const SODriverConnectionSettings& model = settings->model;
    EXPECT_EQ(Utf8(model.GetServerType()), "03");
    EXPECT_EQ(VezurAVUZ::ReadServerType(model.GetServerType()), 1U);
    EXPECT_EQ(Utf8(model.GetAuthMech()), "99");
    EXPECT_EQ(VezurAVUZ::ReadThriftTransport(model.GetThriftTransport()), 1U);
    EXPECT_FALSE(VezurAVUZ::IsSwitchOn(model.GetSSL()));
    EXPECT_FALSE(VezurAVUZ::IsSwitchOn(model.GetTwoWaySSL()));
    EXPECT_EQ(Utf8(model.GetRowsFetchedPerBlock()), "10000");
    // Binary, expandable and multi-string values are no settings.
    EXPECT_TRUE(model.GetUID().IsEmpty());
    EXPECT_TRUE(model.GetKrbRealm().IsEmpty());
    EXPECT_TRUE(model.GetKrbHostFQDN().IsEmpty());
    // Present but empty is not absent: no default.
    EXPECT_TRUE(model.GetInvalidSessionAutoRecover().IsEmpty());
    EXPECT_EQ(Utf8(model.GetTablesWithQuery()), "yes");
    EXPECT_EQ(Utf8(model.GetDecimalColumnScale()), "-5");
    EXPECT_EQ(Utf8(settings->model.GetConfigurationStore().GetLogLevel()), "0");

    std::vector<std::string> properties;
    for (const auto& [name, value] : settings->serverSide.GetProperties()) {
        properties.push_back(Utf8(name) + "=" + Utf8(value));
    }
    EXPECT_EQ(properties, (std::vector<std::string>{"=empty name", "SSP_Nested=n"}));
    ASSERT_EQ(settings->http.GetProperties().size(), 1U);
    EXPECT_EQ(Utf8(settings->http.GetProperties().begin()->second), "h");

    // A model read from such values saves without an error: "03" is server type 1.
    ASSERT_NO_THROW(settings->model.Save());
    EXPECT_EQ(TextUtf8(u"AuthMech"), "<type 4>");
    EXPECT_EQ(TextUtf8(u"sparkservertype"), "03");
}

TEST_F(SODriverConnectionSettingsTest, TheSnapshotIsReadOncePerProcessAndLookupsIgnoreCase)
{
    DriverKeyHive::SetString(u"SparkServerType", u"2");
    const auto first = Loaded();
    DriverKeyHive::SetString(u"SparkServerType", u"3");

    DriverSettings second;
    second.model.Load();
    EXPECT_EQ(Utf8(second.model.GetServerType()), "2");

    WideString target(u"untouched");
    EXPECT_TRUE(SODriverConnectionSettings::LookupDriverValue(WideString(u"SPARKSERVERTYPE"), target));
    EXPECT_EQ(Utf8(target), "2");
    EXPECT_FALSE(SODriverConnectionSettings::LookupDriverValue(WideString(u"AuthMech"), target));
    EXPECT_EQ(Utf8(target), "2");

    EXPECT_EQ(Utf8(Loaded()->model.GetServerType()), "3");
}

TEST_F(SODriverConnectionSettingsTest, AWriteThatFailsHalfWayLeavesTheEarlierValuesWritten)
{
    DriverKeyHive::SetString(u"SparkServerType", u"3");
    DriverKeyHive::SetString(u"RowsFetchedPerBlock", u"5");
    DriverSettings settings;
    settings.model.SetServerType(u"2");
    settings.model.SetRowsFetchedPerBlock(u"777");
    settings.serverSide.GetProperties()[WideString(u"a")] = WideString(u"first");
    // A value name longer than the registry allows.
    settings.serverSide.GetProperties()[WideString(std::u16string(16384, u'x'))] = WideString(u"too long");

    const ErrorException error = SaveError(settings.model);
    EXPECT_TRUE(error.IsFormatted());
    EXPECT_EQ(error.GetDiagState(), 63);
    EXPECT_EQ(error.GetNativeErrorCode(), 1010);
    EXPECT_EQ(error.GetRowNumber(), -1);
    EXPECT_EQ(error.GetColumnNumber(), -1);
    EXPECT_EQ(error.GetUnformattedText(), Support::FormatSystemError(OS::ERROR_INVALID_PARAMETER_CODE));

    EXPECT_EQ(TextUtf8(u"RowsFetchedPerBlock"), "777");
    EXPECT_EQ(TextUtf8(u"SSP_a"), "first");
    EXPECT_EQ(TextUtf8(u"SparkServerType"), "3");
    EXPECT_EQ(TextUtf8(u"LogLevel"), "<missing>");
}

TEST_F(SODriverConnectionSettingsTest, AHiveTheUserMayNotWriteFailsTheFirstWriteAndStaysAsItWas)
{
    DriverKeyHive::SetString(u"SparkServerType", u"3");
    const std::string before = DriverKeyHive::ReadFile(DriverKeyHive::HivePath());
    ::chmod(DriverKeyHive::HivePath().c_str(), 0644);
    if (::geteuid() != 0) {
        ::chmod(m_hive.Root().Path().c_str(), 0555);
    }
    const std::string report = RunUnprivileged([] {
        OS::DiscardRegistryCache();
        VezurAVUZ::DriverKeySnapshot::ResetForTesting();
        DriverSettings settings;
        settings.model.Load();
        std::string lines = Utf8(settings.model.GetServerType()) + "\n";
        settings.model.SetServerType(u"1");
        try {
            settings.model.Save();
            lines += "saved\n";
        } catch (const ErrorException& error) {
            lines += std::to_string(error.GetNativeErrorCode()) + "\n" + Utf8(error.GetUnformattedText());
        }
        return lines;
    });
    ::chmod(m_hive.Root().Path().c_str(), 0755);
    EXPECT_EQ(report.rfind("3\n1010\nPermission denied\r\n", 0), 0U) << report;
    EXPECT_NE(report.find(m_hive.Root().Path().string()), std::string::npos) << report;
    EXPECT_EQ(DriverKeyHive::ReadFile(DriverKeyHive::HivePath()), before);
}

TEST_F(SODriverConnectionSettingsTest, AHiveThatDoesNotParseIsReportedWithItsNameAndNeverOverwritten)
{
    DriverKeyHive::WriteFile(DriverKeyHive::HivePath(),
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\"broken\r\n");
    OS::DiscardRegistryCache();
    const std::string before = DriverKeyHive::ReadFile(DriverKeyHive::HivePath());

    DriverSettings settings;
    try {
        settings.model.Load();
        FAIL() << "the load must report the hive";
    } catch (const ErrorException& error) {
        EXPECT_EQ(error.GetNativeErrorCode(), 1010);
        EXPECT_NE(Utf8(error.GetUnformattedText()).find(DriverKeyHive::HivePath()), std::string::npos)
            << Utf8(error.GetUnformattedText());
    }
    settings.model.SetServerType(u"1");
    const ErrorException error = SaveError(settings.model);
    EXPECT_NE(Utf8(error.GetUnformattedText()).find(DriverKeyHive::HivePath()), std::string::npos);
    EXPECT_EQ(DriverKeyHive::ReadFile(DriverKeyHive::HivePath()), before);
}

} // namespace
} // namespace Dravo::Test
