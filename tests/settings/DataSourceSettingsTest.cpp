// The data-source variants of the settings model and the property sets over
// unixODBC's real installer library, with its ini files in a temporary
// directory.
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driversupport/DSKeys.h"
#include "platform/OdbcInstaller.h"
#include "settings/DataSourceSection.h"
#include "settings/SOConnectionSettings.h"
#include "support/ErrorException.h"
#include "tests/common/DriverKeyHive.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

using Support::WideString;
using VezurAVUZ::DataSourceSection;
using VezurAVUZ::SOConnectionSettings;

std::string Utf8(const WideString& text)
{
    return text.GetAsUTF8();
}

class DataSourceSettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(m_dir / "odbcinst.ini").put('\n');
        std::ofstream(m_dir / "odbc.ini").put('\n');
        ASSERT_TRUE(OS::OdbcInstaller::IsAvailable());
    }

    [[nodiscard]] std::string IniText() const { return DriverKeyHive::ReadFile((m_dir / "odbc.ini").string()); }

    static std::vector<std::string> EntryNames(const WideString& dataSource)
    {
        std::vector<std::string> names;
        for (const WideString& name : DataSourceSection(dataSource).ReadEntryNames()) {
            names.push_back(Utf8(name));
        }
        return names;
    }

    DriverKeyHive m_hive;
    TempDir m_dir;
    ScopedEnv m_sysIni{"ODBCSYSINI", m_dir.Path().string()};
    ScopedEnv m_userIni{"ODBCINI", (m_dir / "odbc.ini").string()};
    ScopedEnv m_home{"HOME", m_dir.Path().string()};
};

TEST_F(DataSourceSettingsTest, ASaveCreatesTheDataSourceAndWritesItsSection)
{
    SOConnectionSettings settings(nullptr);
    settings.SetDataSourceName(u"Spark DSN");
    settings.SetDriverName(u"Dravo Spark ODBC Driver");
    settings.SetDescription(u"test source");
    settings.SetHost(u"spark.example.com");
    settings.SetPort(u"10001");
    settings.SetSchema(u"default");
    settings.SetServerType(u"3");
    settings.SetAuthMech(u"3");
    settings.SetUID(u"user");
    settings.SetPassword(u"secret");
    settings.SetSavePassword(true);
    settings.SetThriftTransport(u"2");
    settings.GetServerSideProperties().GetProperties()[WideString(u"Timeout")] = WideString(u"30");
    settings.GetHttpProperties().GetProperties()[WideString(u"X-Trace")] = WideString(u"on");
    settings.GetHttpProperties().SetHTTPPath(u"/cli");
    settings.Save();

    const std::vector<std::string> names = EntryNames(WideString(u"Spark DSN"));
    ASSERT_FALSE(names.empty()) << IniText();
    EXPECT_EQ(names[0], "Driver");
    for (const char* key : {"DESCRIPTION", "Host", "Schema", "Port", "AuthMech", "UID", "EncryptedPWD",
             "ThriftTransport", "HTTPPath", "http.header.X-Trace", "SSP_Timeout", "LCaseSspKeyName"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), key), names.end()) << key << "\n" << IniText();
    }
    EXPECT_NE(IniText().find("Host=spark.example.com"), std::string::npos) << IniText();
    EXPECT_NE(IniText().find("Driver=Dravo Spark ODBC Driver"), std::string::npos) << IniText();
    // The logging options still go to the driver key.
    EXPECT_NE(DriverKeyHive::Text(u"LogLevel"), u"<missing>");

    SOConnectionSettings reread(nullptr);
    reread.SetDataSourceName(u"Spark DSN");
    reread.Load();
    EXPECT_EQ(Utf8(reread.GetDriverName()), "Dravo Spark ODBC Driver");
    EXPECT_EQ(Utf8(reread.GetHost()), "spark.example.com");
    EXPECT_EQ(Utf8(reread.GetPort()), "10001");
    EXPECT_EQ(Utf8(reread.GetDescription()), "test source");
    EXPECT_EQ(Utf8(reread.GetPassword()), "secret");
    EXPECT_EQ(Utf8(reread.GetRowsFetchedPerBlock()), "10000");
    EXPECT_EQ(Utf8(reread.GetServerSideProperties().GetProperties().at(WideString(u"Timeout"))), "30");
    // Written as the never-loaded set held it.
    EXPECT_EQ(Utf8(reread.GetServerSideProperties().GetApplySSPWithQueries()), "");
    EXPECT_EQ(Utf8(reread.GetHttpProperties().GetProperties().at(WideString(u"X-Trace"))), "on");
    EXPECT_EQ(Utf8(reread.GetHttpProperties().GetHTTPPath()), "/cli");
}

TEST_F(DataSourceSettingsTest, KeysAreRemovedFromTheSectionAndAnExistingSourceIsNotCreatedAgain)
{
    ASSERT_TRUE(OS::OdbcInstaller::WriteDSNToIni(u"Existing", u"Other Driver"));
    const DataSourceSection section(WideString(u"Existing"));
    section.Write(WideString(u"EncryptedPWD"), WideString(u"old"));
    section.Write(WideString(u"SSP_Old"), WideString(u"1"));

    SOConnectionSettings settings(nullptr);
    settings.SetDataSourceName(u"Existing");
    settings.Load();
    // Absent from the section: the data-source defaults.
    EXPECT_EQ(Utf8(settings.GetServerSideProperties().GetApplySSPWithQueries()), "1");
    EXPECT_EQ(Utf8(settings.GetServerSideProperties().GetLCaseSspKeyName()), "1");
    EXPECT_EQ(Utf8(settings.GetDriverName()), "Other Driver");
    settings.SetDriverName(u"Never Used");
    settings.SetServerType(u"2");
    settings.SetAuthMech(u"3");
    settings.GetServerSideProperties().GetProperties().clear();
    settings.Save();

    EXPECT_EQ(Utf8(section.Read(WideString(DriverSupport::KEY_DRIVER))), "Other Driver");
    EXPECT_EQ(Utf8(section.Read(WideString(u"EncryptedPWD"), WideString(u"<gone>"))), "<gone>");
    EXPECT_EQ(Utf8(section.Read(WideString(u"SSP_Old"), WideString(u"<gone>"))), "<gone>");
    EXPECT_EQ(Utf8(section.Read(WideString(u"AuthMech"))), "3");
}

TEST_F(DataSourceSettingsTest, ManyEntriesAreListedWhole)
{
    // About 9,000 units of names: more than the first buffer holds.
    std::string ini = "[Large]\nDriver=Driver\n";
    for (int i = 0; i < 600; ++i) {
        ini += "SSP_Property" + std::to_string(1000 + i) + "=v\n";
    }
    DriverKeyHive::WriteFile((m_dir / "odbc.ini").string(), ini);
    const auto names = DataSourceSection(WideString(u"Large")).ReadEntryNames();
    ASSERT_EQ(names.size(), 601U);
    EXPECT_EQ(Utf8(names.back()), "SSP_Property1599");
}

TEST_F(DataSourceSettingsTest, ANameTheInstallerRejectsIsRefused)
{
    SOConnectionSettings settings(nullptr);
    try {
        settings.SetDataSourceName(u"bad[name]");
        FAIL() << "the name must be refused";
    } catch (const Varlo::VarloSetupException& error) {
        EXPECT_EQ(error.GetCode(), DriverSupport::DS_ERROR_INVALID_DSN);
    }
    EXPECT_TRUE(settings.GetDataSourceName().IsEmpty());

    VezurAVUZ::SOServerSideProperties properties(true);
    properties.SetDataSourceName(u"bad[name]");
    try {
        properties.Load();
        FAIL() << "the name must be refused";
    } catch (const DriverSupport::DSSetupException& error) {
        EXPECT_EQ(error.GetErrorType(), DriverSupport::DS_ERROR_INVALID_KEYWORD_VALUE);
    }
}

} // namespace
} // namespace Dravo::Test
