// The connection test's driver object: the connection string it builds, and
// real connections through unixODBC's driver manager with its ini files in a
// temporary directory and the SQLite ODBC driver under the product's name.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "driversupport/DSConnectionTester.h"
#include "platform/OdbcDriverManager.h"
#include "support/ErrorException.h"
#include "tests/common/OdbcIniDirectory.h"

namespace Dravo::Test {
namespace {

using DriverSupport::DSConnectionSettingsMap;
using DriverSupport::DSConnectionTester;
using Support::WideString;

DSConnectionSettingsMap Settings(const std::vector<std::pair<std::u16string, std::u16string>>& entries)
{
    DSConnectionSettingsMap settings;
    for (const auto& [key, value] : entries) {
        settings[WideString(key)].value = WideString(value);
    }
    return settings;
}

std::string Build(const DSConnectionTester& tester, const DSConnectionSettingsMap& settings)
{
    return tester.BuildConnectionString(settings).GetAsUTF8();
}

/// Reads "key=value;" attributes as the ODBC grammar has them: a value in
/// braces runs to the brace that is not doubled.
std::vector<std::pair<std::string, std::string>> ParseConnectionString(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> attributes;
    size_t position = 0;
    while (position < text.size()) {
        const size_t equals = text.find('=', position);
        if (equals == std::string::npos) {
            ADD_FAILURE() << "no '=' after " << position << " in " << text;
            break;
        }
        std::string key = text.substr(position, equals - position);
        std::string value;
        position = equals + 1;
        if (position < text.size() && text[position] == '{') {
            for (++position; position < text.size(); ++position) {
                if (text[position] == '}') {
                    if (position + 1 < text.size() && text[position + 1] == '}') {
                        ++position;
                    } else {
                        ++position;
                        break;
                    }
                }
                value += text[position];
            }
        } else {
            const size_t end = text.find(';', position);
            value = text.substr(position, end - position);
            position = end == std::string::npos ? text.size() : end;
        }
        EXPECT_TRUE(position == text.size() || text[position] == ';') << text;
        ++position;
        attributes.emplace_back(std::move(key), std::move(value));
    }
    return attributes;
}

std::string FailureText(
    const DSConnectionTester& tester, const DSConnectionSettingsMap& settings, std::string* state = nullptr)
{
    try {
        (void)tester.Connect(settings);
    } catch (const Support::ErrorException& exception) {
        if (state) {
            *state = exception.GetCustomState();
        }
        return exception.GetUnformattedText().GetAsUTF8();
    }
    return "<connected>";
}

TEST(ConnectionStringTest, DriverAndDataSourceComeFirstThenTheSettingsInMapOrder)
{
    const DSConnectionTester tester(WideString(u"Dravo Spark ODBC Driver"), WideString(u"Sales"));
    EXPECT_EQ(Build(tester,
                  Settings({{u"Port", u"10000"}, {u"host", u"spark"}, {u"Driver", u"ignored"}, {u"dsn", u"ignored"},
                      {u"Schema", u""}})),
        "DRIVER={Dravo Spark ODBC Driver};DSN=Sales;host=spark;Port=10000;Schema=;");
    // Without a data source the driver reads nothing of a section.
    EXPECT_EQ(Build(DSConnectionTester(WideString(u"D"), WideString(u"")), Settings({{u"UID", u"me"}})),
        "DRIVER={D};UID=me;");
}

TEST(ConnectionStringTest, ValuesThatWouldEndTheAttributeArriveWhole)
{
    const std::vector<std::u16string> values = {
        u"plain", u"a;b", u"x}y", u"{start", u"}}", u" padded ", u"key=value", u"", u"ünïcödé", u"{a;b}"};
    const DSConnectionTester tester(WideString(u"Driver (x64)"), WideString(u"DSN"));
    DSConnectionSettingsMap settings;
    for (size_t index = 0; index < values.size(); ++index) {
        settings[WideString(u"K" + std::u16string(1, static_cast<char16_t>(u'a' + index)))].value =
            WideString(values[index]);
    }
    const auto attributes = ParseConnectionString(Build(tester, settings));
    ASSERT_EQ(attributes.size(), values.size() + 2);
    EXPECT_EQ(attributes[0], std::make_pair(std::string("DRIVER"), std::string("Driver (x64)")));
    for (size_t index = 0; index < values.size(); ++index) {
        EXPECT_EQ(attributes[index + 2].second, WideString(values[index]).GetAsUTF8());
    }
    // Only what needs them gets braces.
    EXPECT_EQ(
        Build(tester, Settings({{u"P", u"a;b"}, {u"Q", u"x=y"}})), "DRIVER={Driver (x64)};DSN=DSN;P={a;b};Q=x=y;");
}

TEST(ConnectionStringTest, SettingsNoConnectionStringCanCarryAreRefused)
{
    const DSConnectionTester tester(WideString(u"D"), WideString(u""));
    const std::u16string nul(1, u'\0');
    const std::vector<std::pair<std::u16string, std::u16string>> refused = {{u"a=b", u"1"}, {u"a;b", u"1"},
        {u"{a}", u"1"}, {u"FileDSN", u"/tmp/x.dsn"}, {u"SAVEFILE", u"x"}, {u"Key", u"before" + nul + u"after"}};
    for (const auto& entry : refused) {
        SCOPED_TRACE(WideString(entry.first).GetAsUTF8());
        try {
            (void)tester.BuildConnectionString(Settings({entry}));
            ADD_FAILURE() << "accepted";
        } catch (const Support::ErrorException& exception) {
            EXPECT_NE(
                exception.GetUnformattedText().GetAsUTF8().find("cannot be passed to the driver"), std::string::npos);
        }
    }
}

class DriverManagerTest : public ::testing::Test {
protected:
    OdbcIniDirectory m_ini;
};

TEST_F(DriverManagerTest, ConnectsThroughTheRegisteredDriverAndReadsItsVersions)
{
    const std::filesystem::path database = m_ini.Path() / "given.sqlite";
    const DSConnectionTester tester(WideString(OdbcIniDirectory::PRODUCT_DRIVER), WideString(u""));
    const auto versions = tester.Connect(Settings({{u"Database", WideString(database.string()).GetAsU16String()}}));
    EXPECT_EQ(versions.odbcVersion.GetAsUTF8().substr(0, 3), "03.");
    EXPECT_FALSE(versions.driverVersion.IsEmpty());
    // The driver opened the file it was given.
    EXPECT_TRUE(std::filesystem::exists(database));
}

TEST_F(DriverManagerTest, TheDataSourceSectionFillsInWhatTheSettingsLack)
{
    const std::filesystem::path database = m_ini.Path() / "from-section.sqlite";
    m_ini.WriteFile("odbc.ini",
        "[Sales]\nDriver=" + std::string(OdbcIniDirectory::PRODUCT_DRIVER) + "\nDatabase=" + database.string() + "\n");
    const DSConnectionTester tester(WideString(OdbcIniDirectory::PRODUCT_DRIVER), WideString(u"Sales"));
    (void)tester.Connect(Settings({{u"Host", u"spark.example.com"}}));
    EXPECT_TRUE(std::filesystem::exists(database));
}

TEST_F(DriverManagerTest, FailuresCarryTheDriverManagersDiagnostics)
{
    std::string state;
    const std::string unknown = FailureText(
        DSConnectionTester(WideString(u"No Such Driver"), WideString(u"")), Settings({{u"Host", u"h"}}), &state);
    EXPECT_EQ(unknown, "[01000] [unixODBC][Driver Manager]Can't open lib 'No Such Driver' : file not found");
    EXPECT_EQ(state, "01000");

    const std::string missingLibrary = FailureText(
        DSConnectionTester(WideString(OdbcIniDirectory::MISSING_LIBRARY_DRIVER), WideString(u"")), Settings({}));
    EXPECT_NE(missingLibrary.find("Can't open lib '" + (m_ini.Path() / "missing" / "libnothing.so").string()),
        std::string::npos)
        << missingLibrary;

    // The driver itself refuses: a database in a directory that does not exist.
    const std::string refused =
        FailureText(DSConnectionTester(WideString(OdbcIniDirectory::PRODUCT_DRIVER), WideString(u"")),
            Settings({{u"Database", WideString((m_ini.Path() / "no" / "such" / "dir.db").string()).GetAsU16String()}}),
            &state);
    EXPECT_EQ(refused.rfind("[HY000] [SQLite]", 0), 0U) << refused;
    EXPECT_EQ(state, "HY000");
}

TEST_F(DriverManagerTest, AMissingDriverManagerIsNamed)
{
    OS::OdbcDriverManager::SetLibraryPath((m_ini.Path() / "libodbc.so.2").string());
    const std::string text =
        FailureText(DSConnectionTester(WideString(OdbcIniDirectory::PRODUCT_DRIVER), WideString(u"")), Settings({}));
    OS::OdbcDriverManager::SetLibraryPath({});
    EXPECT_EQ(text.rfind("The ODBC driver manager cannot be used: " + (m_ini.Path() / "libodbc.so.2").string(), 0), 0U)
        << text;
}

} // namespace
} // namespace Dravo::Test
