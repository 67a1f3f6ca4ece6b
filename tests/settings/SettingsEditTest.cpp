// Settings changed without a dialog, over the driver-wide model and a real
// hive: a value is taken exactly when the dialogs would save it, picking a
// mechanism brings what the dialog brings, and stored values the dialog shows
// differently are told with what it shows.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/SettingsEdit.h"
#include "settings/StoredValueReview.h"
#include "tests/settings/DriverSettingsFixture.h"

namespace Dravo::Test {
namespace {

using Support::WideString;
using VezurAVUZ::SettingAssignment;
using VezurAVUZ::SettingScope;
using VezurAVUZ::SettingsEdit;

class SettingsEditTest : public DriverSettingsTest {
protected:
    /// The stored values, one "name" "text" pair each.
    void Store(const std::vector<std::pair<std::u16string, std::u16string>>& values)
    {
        DriverKeyHive::Clear();
        for (const auto& [name, text] : values) {
            DriverKeyHive::SetString(name, text);
        }
    }

    /// The refusal of the assignments over the stored values, or "" when they are taken.
    static std::string Refusal(const std::vector<SettingAssignment>& assignments, DriverSettings& settings)
    {
        SettingsEdit edit(settings.model, SettingScope::Driver);
        edit.ShowAsDialogs();
        const auto refusal = edit.Apply(assignments);
        return refusal ? refusal->reason.GetAsUTF8() : "";
    }

    static SettingAssignment Set(const char16_t* name, const char16_t* value, bool secret = false)
    {
        return SettingAssignment{WideString(name), WideString(value), secret};
    }
};

TEST_F(SettingsEditTest, AValueIsTakenExactlyWhenTheDialogsWouldSaveIt)
{
    using Values = std::vector<std::pair<std::u16string, std::u16string>>;
    const Values thrift = {{u"SparkServerType", u"3"}, {u"AuthMech", u"3"}, {u"ThriftTransport", u"1"}};
    struct Case {
        Values stored;
        std::vector<SettingAssignment> assignments;
        std::string refusal;
    };
    const std::vector<Case> cases = {
        {thrift, {Set(u"authmech", u"Kerberos"), Set(u"KrbHostFQDN", u"h"), Set(u"KrbServiceName", u"spark")}, ""},
        {thrift, {Set(u"AuthMech", u"9")}, "\"9\" is not a valid value of AuthMech: it may be 0 (No Authentication)"},
        {thrift, {Set(u"AuthMech", u"1")}, "Kerberos authentication needs the host FQDN"},
        {thrift, {Set(u"RowsFetchedPerBlock", u"0")}, "it must be a whole number from 1 to 4294967295"},
        {thrift, {Set(u"DecimalColumnScale", u"39")}, "from 0 to 38"},
        {thrift, {Set(u"UseNativeQuery", u"maybe")},
            "\"maybe\" is not a valid value of UseNativeQuery: it may be 0 or 1"},
        {thrift, {Set(u"UseNativeQuery", u"yes")}, ""},
        {thrift, {Set(u"SocketTimeout", u"")}, ""},
        {thrift, {Set(u"SparkServerType", u"SharkServer")}, ""},
        {thrift, {Set(u"LogFileSize", u"1000")}, "a whole number of megabytes"},
        {thrift, {Set(u"LogLevel", u"LOG_DEBUG")}, "needs the log path (LogPath)"},
        {thrift, {Set(u"LogLevel", u"LOG_DEBUG"), Set(u"LogPath", u"/var/log")}, ""},
        {thrift, {Set(u"SSP_a=b", u"1")}, "cannot be the name of a property: it holds \"=\""},
        {thrift, {Set(u"SSP_ padded", u"1")}, "begins or ends with a blank"},
        {thrift, {Set(u"KrbRealm", u"EXAMPLE")}, "KrbRealm is used only with the mechanism Kerberos (1)"},
        {thrift, {Set(u"http.header.X-A", u"1")}, "used only with the HTTP transport"},
        {thrift, {Set(u"ThriftTransport", u"HTTP"), Set(u"http.header.X-A", u"1")}, ""},
        {thrift, {Set(u"AuthMech", u"2"), Set(u"SSL", u"1")}, "SSL cannot be changed with the mechanism User Name (2)"},
        {thrift, {Set(u"AuthMech", u"2"), Set(u"ThriftTransport", u"0")}, "Binary cannot be used with"},
        {thrift, {Set(u"SSL", u"1"), Set(u"TwoWaySSL", u"1")}, "Two-way SSL needs the client certificate file"},
        {thrift, {Set(u"EncryptedPWD", u"s3cret")}, "is a password"},
        {thrift, {Set(u"EncryptedPWD", u"s3cret", true)}, ""},
        {thrift, {Set(u"ConnectionTestTimeout", u"5")}, "is not one of the driver's settings"},
        {thrift, {Set(u"DelegationUID", u"bob")}, "belongs to a data source"},
        {thrift, {Set(u"KrbRealm", u"line\nbreak")}, "cannot be kept: the text holds a line break"},
        {{{u"SparkServerType", u"1"}}, {Set(u"AuthMech", u"0")}, "used only with the server types SharkServer2"},
        {{{u"SparkServerType", u"1"}}, {Set(u"UseNativeQuery", u"1")}, ""},
        // The dialog shows an older mechanism in its current form, so its
        // settings can be edited as the form's.
        {{{u"SparkServerType", u"3"}, {u"AuthMech", u"9"}, {u"KrbHostFQDN", u"h"}, {u"KrbServiceName", u"s"}},
            {Set(u"KrbRealm", u"EXAMPLE")}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.assignments.front().name) + "=" + Utf8(*c.assignments.front().value));
        Store(c.stored);
        const auto settings = Loaded();
        const std::string refusal = Refusal(c.assignments, *settings);
        if (c.refusal.empty()) {
            EXPECT_EQ(refusal, "");
        } else {
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
        }
    }
}

TEST_F(SettingsEditTest, PickingAMechanismBringsItsTransportAndSSLAsTheDialogDoes)
{
    Store({{u"SparkServerType", u"3"}, {u"AuthMech", u"0"}, {u"ThriftTransport", u"0"}, {u"SSL", u"1"}});
    const auto settings = Loaded();
    EXPECT_EQ(Refusal({Set(u"AuthMech", u"User Name")}, *settings), "");
    EXPECT_EQ(Utf8(settings->model.GetAuthMech()), "2");
    EXPECT_EQ(Utf8(settings->model.GetThriftTransport()), "1");
    EXPECT_EQ(Utf8(settings->model.GetSSL()), "0");

    // An older mechanism is shown, and so saved, in its current form.
    Store({{u"SparkServerType", u"3"}, {u"AuthMech", u"10"}});
    const auto older = Loaded();
    SettingsEdit edit(older->model, SettingScope::Driver);
    edit.ShowAsDialogs();
    EXPECT_EQ(Utf8(older->model.GetAuthMech()), "1");
    EXPECT_EQ(Utf8(older->model.GetThriftTransport()), "2");
    EXPECT_EQ(Utf8(older->model.GetSSL()), "1");
}

TEST_F(SettingsEditTest, StoredValuesTheDialogShowsDifferentlyAreToldWithWhatItShows)
{
    const std::vector<std::pair<WideString, WideString>> stored = {
        {WideString(u"SparkServerType"), WideString(u"03")},
        {WideString(u"AuthMech"), WideString(u"banana")},
        {WideString(u"ThriftTransport"), WideString(u"0")},
        {WideString(u"UseNativeQuery"), WideString(u"yes")},
        {WideString(u"LCaseSspKeyName"), WideString(u"yes")},
        {WideString(u"RowsFetchedPerBlock"), WideString(u"0")},
        {WideString(u"LogLevel"), WideString(u"LOG_DEBUG")},
        {WideString(u"LogFileSize"), WideString(u"1048577")},
        {WideString(u"EncryptedPWD"), WideString(u"abc")},
        {WideString(u"SocketTimeout"), WideString(u"60")},
        {WideString(u"KrbRealm"), WideString(u" EXAMPLE.COM ")},
    };
    std::vector<std::string> found;
    for (const VezurAVUZ::StoredValueFinding& finding : VezurAVUZ::ReviewStoredValues(stored, SettingScope::Driver)) {
        found.push_back(Utf8(finding.name) + "=" + Utf8(finding.stored) + " -> " + Utf8(finding.shown));
    }
    // Server type 1 (from "03") shows no mechanism; the model keeps them all,
    // as read: the banana mechanism reads as the default, 2, which allows
    // SASL only.
    EXPECT_EQ(found,
        (std::vector<std::string>{"SparkServerType=03 -> 1", "AuthMech=banana -> 2", "ThriftTransport=0 -> 1",
            "UseNativeQuery=yes -> 0", "LCaseSspKeyName=yes -> 1", "RowsFetchedPerBlock=0 -> 10000",
            "LogLevel=LOG_DEBUG -> 5", "LogFileSize=1048577 -> 1048576", "EncryptedPWD=abc -> ",
            "KrbRealm= EXAMPLE.COM  -> EXAMPLE.COM"}));
}

} // namespace
} // namespace Dravo::Test
