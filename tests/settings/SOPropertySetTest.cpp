// The driver-wide property sets over a real hive: prefix matching, removal of
// deleted and renamed properties, and the exchange with a store's map.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/settings/DriverSettingsFixture.h"

namespace Dravo::Test {
namespace {

using DriverSupport::DSSettingsMap;
using Support::WideString;
using VezurAVUZ::SOPropertySet;

std::vector<std::string> Properties(const SOPropertySet& set)
{
    std::vector<std::string> lines;
    for (const auto& [name, value] : set.GetProperties()) {
        lines.push_back(Utf8(name) + "=" + Utf8(value));
    }
    return lines;
}

class SOPropertySetTest : public DriverSettingsTest {};

TEST_F(SOPropertySetTest, AStoredKeyBelongsToASetWhenItBeginsWithThePrefixExactly)
{
    DriverKeyHive::WriteDriverKeyLines("\"SSP_Timeout\"=\"30\"\r\n"
                                       "\"ssp_Lower\"=\"no\"\r\n"
                                       "\"SSP_\"=\"empty\"\r\n"
                                       "\"SSP_http.header.X\"=\"ssp\"\r\n"
                                       "\"http.header.Accept\"=\"*/*\"\r\n"
                                       "\"http.header.SSP_Y\"=\"header\"\r\n"
                                       "\"Http.Header.Z\"=\"no\"\r\n"
                                       "\"SSP_Count\"=dword:00000005\r\n"
                                       "\"HTTPPath\"=\"/cli\"\r\n"
                                       "\"LCaseSspKeyName\"=\"0\"\r\n");
    const auto settings = Loaded();
    EXPECT_EQ(Properties(settings->serverSide),
        (std::vector<std::string>{"=empty", "Count=5", "Timeout=30", "http.header.X=ssp"}));
    EXPECT_EQ(Properties(settings->http), (std::vector<std::string>{"Accept=*/*", "SSP_Y=header"}));
    EXPECT_EQ(Utf8(settings->http.GetHTTPPath()), "/cli");
    EXPECT_EQ(Utf8(settings->serverSide.GetLCaseSspKeyName()), "0");
    // No default at a driver-wide load.
    EXPECT_TRUE(settings->serverSide.GetApplySSPWithQueries().IsNull());
    EXPECT_EQ(settings->serverSide.GetLoadedProperties(), settings->serverSide.GetProperties());
}

TEST_F(SOPropertySetTest, DeletedAndRenamedPropertiesAreRemovedOnEverySave)
{
    DriverKeyHive::WriteDriverKeyLines(
        "\"SSP_Keep\"=\"1\"\r\n\"SSP_Delete\"=\"2\"\r\n\"SSP_OldName\"=\"3\"\r\n\"ApplySSPWithQueries\"=\"1\"\r\n");
    auto settings = Loaded();
    auto& properties = settings->serverSide.GetProperties();
    properties.erase(WideString(u"Delete"));
    properties.erase(WideString(u"OldName"));
    properties[WideString(u"NewName")] = WideString(u"3");
    properties[WideString(u"Keep")] = WideString(u"changed");
    settings->serverSide.Save();

    EXPECT_EQ(TextUtf8(u"SSP_Delete"), "<missing>");
    EXPECT_EQ(TextUtf8(u"SSP_OldName"), "<missing>");
    EXPECT_EQ(TextUtf8(u"SSP_NewName"), "3");
    EXPECT_EQ(TextUtf8(u"SSP_Keep"), "changed");
    EXPECT_EQ(TextUtf8(u"ApplySSPWithQueries"), "1");
    EXPECT_EQ(TextUtf8(u"LCaseSspKeyName"), "");

    // The loaded state is not updated: a second save removes them again.
    DriverKeyHive::SetString(u"SSP_Delete", u"back");
    settings->serverSide.Save();
    EXPECT_EQ(TextUtf8(u"SSP_Delete"), "<missing>");

    // Without the manage-apply flag the switch is not written.
    DriverKeyHive::Clear();
    VezurAVUZ::SODriverRegistryKey key;
    VezurAVUZ::SODriverServerSideProperties unmanaged(false, key);
    unmanaged.SetApplySSPWithQueries(u"1");
    unmanaged.Save();
    EXPECT_EQ(NamesUtf8(), (std::vector<std::string>{"LCaseSspKeyName"}));
}

TEST_F(SOPropertySetTest, NamesThatDifferOnlyInCaseShareOneRegistryValueAndTheLaterWins)
{
    DriverSettings settings;
    settings.http.GetProperties()[WideString(u"X-Token")] = WideString(u"upper");
    settings.http.GetProperties()[WideString(u"x-token")] = WideString(u"lower");
    ASSERT_EQ(settings.http.GetProperties().size(), 2U);
    settings.http.Save();
    EXPECT_EQ(NamesUtf8(), (std::vector<std::string>{"HTTPPath", "http.header.X-Token"}));
    EXPECT_EQ(TextUtf8(u"http.header.X-Token"), "lower");
}

TEST_F(SOPropertySetTest, RemovingFromAMissingDriverKeyIsNoErrorAndCreatesNothing)
{
    VezurAVUZ::SODriverRegistryKey key;
    ASSERT_NO_THROW(key.RemoveValue(WideString(u"SSP_Gone")));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, DriverKeyHive::KeyPath()));
    DriverKeyHive::SetString(u"SSP_Here", u"1");
    key.RemoveValue(WideString(u"ssp_here"));
    key.RemoveValue(WideString(u"SSP_Here"));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_TRUE(NamesUtf8().empty());
}

TEST_F(SOPropertySetTest, MapsExchangeTheExtraKeysAndDropDeletedProperties)
{
    DriverSettings settings;
    DSSettingsMap source = {{WideString(u"SSP_A"), WideString(u"1")}, {WideString(u"SSP_B"), WideString(u"2")},
        {WideString(u"ssp_c"), WideString(u"3")}, {WideString(u"http.header.H"), WideString(u"h")},
        {WideString(u"httppath"), WideString(u"/p")}, {WideString(u"LCASESSPKEYNAME"), WideString(u"0")}};
    settings.serverSide.GetProperties()[WideString(u"Stale")] = WideString(u"x");
    settings.serverSide.LoadFromMap(source);
    settings.http.LoadFromMap(source);
    EXPECT_EQ(Properties(settings.serverSide), (std::vector<std::string>{"A=1", "B=2"}));
    EXPECT_EQ(Utf8(settings.serverSide.GetApplySSPWithQueries()), "1");
    EXPECT_EQ(Utf8(settings.serverSide.GetLCaseSspKeyName()), "0");
    EXPECT_EQ(Properties(settings.http), (std::vector<std::string>{"H=h"}));
    EXPECT_EQ(Utf8(settings.http.GetHTTPPath()), "/p");

    settings.serverSide.GetProperties().erase(WideString(u"A"));
    settings.serverSide.GetProperties()[WideString(u"New")] = WideString(u"n");
    settings.serverSide.SetApplySSPWithQueries(u"0");
    settings.http.SetHTTPPath(u"/q");
    DSSettingsMap target = source;
    settings.serverSide.SaveToMap(target);
    settings.http.SaveToMap(target);
    EXPECT_FALSE(target.contains(WideString(u"SSP_A")));
    EXPECT_TRUE(target.contains(WideString(u"SSP_B")));
    // Adding the current properties is the caller's business.
    EXPECT_FALSE(target.contains(WideString(u"SSP_New")));
    EXPECT_EQ(Utf8(target.at(WideString(u"ApplySSPWithQueries"))), "0");
    EXPECT_EQ(Utf8(target.at(WideString(u"HTTPPath"))), "/q");
    // The stored spelling stays.
    EXPECT_EQ(Utf8(target.find(WideString(u"HTTPPath"))->first), "httppath");
}

} // namespace
} // namespace Dravo::Test
