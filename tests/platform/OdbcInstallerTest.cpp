// The installer loader with unixODBC's real library, its data-source files in
// a temporary directory, and a library that is not there.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/ModulePath.h"
#include "platform/OdbcDriverManager.h"
#include "platform/OdbcInstaller.h"
#include "platform/SharedLibrary.h"
#include "tests/common/ProgramRun.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

using OS::OdbcInstaller;

struct Shown {
    std::u16string caption;
    std::u16string text;
};

class OdbcInstallerTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(m_dir / "odbcinst.ini").put('\n');
        std::ofstream(m_dir / "odbc.ini").put('\n');
        OdbcInstaller::SetMessageBox([this](const std::u16string& caption, const std::u16string& text) {
            m_shown.push_back({caption, text});
        });
    }
    void TearDown() override { OdbcInstaller::SetMessageBox({}); }

    TempDir m_dir;
    ScopedEnv m_sysIni{"ODBCSYSINI", m_dir.Path().string()};
    ScopedEnv m_userIni{"ODBCINI", (m_dir / "odbc.ini").string()};
    ScopedEnv m_home{"HOME", m_dir.Path().string()};
    std::vector<Shown> m_shown;
};

TEST_F(OdbcInstallerTest, TheRealInstallerValidatesNamesAndKeepsDataSourceEntries)
{
    EXPECT_EQ(OdbcInstaller::GetLibraryPath().rfind('/', 0), 0U);
    ASSERT_TRUE(OdbcInstaller::IsAvailable());
    EXPECT_TRUE(OdbcInstaller::ValidDSN(u"Spark Production"));
    EXPECT_FALSE(OdbcInstaller::ValidDSN(u"bad[name]"));

    ASSERT_TRUE(OdbcInstaller::WriteDSNToIni(u"SparkDSN", u"Dravo Spark ODBC Driver"));
    ASSERT_TRUE(OdbcInstaller::WritePrivateProfileString(u"SparkDSN", u"Host", u"spark.example.com", u"ODBC.INI"));
    std::u16string host;
    EXPECT_EQ(OdbcInstaller::GetPrivateProfileString(u"SparkDSN", u"Host", u"", host, u"ODBC.INI"), 17);
    EXPECT_EQ(host, u"spark.example.com");

    ASSERT_TRUE(OdbcInstaller::WritePrivateProfileStringNarrow("SparkDSN", "Host", std::nullopt, "ODBC.INI"));
    std::u16string removed;
    OdbcInstaller::GetPrivateProfileString(u"SparkDSN", u"Host", u"gone", removed, u"ODBC.INI");
    EXPECT_EQ(removed, u"gone");
    EXPECT_TRUE(m_shown.empty());
}

TEST(OdbcLibraryPathTest, TheEnvironmentNamesNoLibrary)
{
    // The program runs as root: a library named by whoever set the
    // environment would run with those rights.
    const std::string installer = OdbcInstaller::GetLibraryPath();
    const std::string driverManager = OS::OdbcDriverManager::GetLibraryPath();
    EXPECT_EQ(installer, OS::GetSystemLibraryPath("libodbcinst.so.2"));
    EXPECT_EQ(driverManager, OS::GetSystemLibraryPath("libodbc.so.2"));
    for (const char* variable : {"DRAVO_ODBCINST_LIBRARY", "DRAVO_ODBC_LIBRARY", "ODBCINST_LIBRARY"}) {
        ScopedEnv planted(variable, "/tmp/planted/libodbcinst.so.2");
        EXPECT_EQ(OdbcInstaller::GetLibraryPath(), installer) << variable;
        EXPECT_EQ(OS::OdbcDriverManager::GetLibraryPath(), driverManager) << variable;
    }
}

TEST_F(OdbcInstallerTest, AMissingFunctionIsReportedWithProgramFunctionAndLibrary)
{
    EXPECT_TRUE(OdbcInstaller::ValidDSN(u"Spark"));
    EXPECT_TRUE(OdbcInstaller::LastCallReachedInstaller());
    EXPECT_EQ(OdbcInstaller::GetFunction("SQLNoSuchFunctionW"), nullptr);
    EXPECT_FALSE(OdbcInstaller::LastCallReachedInstaller());
    ASSERT_EQ(m_shown.size(), 1U);
    EXPECT_EQ(m_shown[0].caption, u"ODBC Installer Error");
    const std::string libraryPath = OdbcInstaller::GetLibraryPath();
    const std::u16string library(libraryPath.begin(), libraryPath.end());
    EXPECT_EQ(m_shown[0].text,
        u"The program " + OS::GetModuleFilePath()
            + u", or one of its DLLs attempted to call the function SQLNoSuchFunctionW which is not supported in "
              u"the loaded ODBC installer DLL ("
            + library + u"). Press OK to proceed.");

    const std::string longName(1000, 'F');
    EXPECT_EQ(OdbcInstaller::GetFunction(longName.c_str()), nullptr);
    ASSERT_EQ(m_shown.size(), 2U);
    EXPECT_EQ(m_shown[1].text.size(), OS::INSTALLER_MESSAGE_LIMIT);
}

constexpr const char* PROBE_VARIABLE = "DRAVO_INSTALLER_PROBE";

TEST(OdbcInstallerMissingTest, AMissingLibraryIsReportedAndEveryCallYieldsZero)
{
    // A loaded library stays loaded, so the check runs in a fresh process.
    ScopedEnv probe(PROBE_VARIABLE, "1");
    const ProgramRun run =
        RunProgram("/proc/self/exe", {"--gtest_filter=OdbcInstallerProbe.*", "--gtest_also_run_disabled_tests"});
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
}

TEST(OdbcInstallerProbe, DISABLED_MissingLibraryInAFreshProcess)
{
    if (!std::getenv(PROBE_VARIABLE)) {
        GTEST_SKIP() << "run by AMissingLibraryIsReportedAndEveryCallYieldsZero";
    }
    TempDir dir;
    OdbcInstaller::SetLibraryPath((dir / "libodbcinst-missing.so").string());
    std::vector<Shown> shown;
    OdbcInstaller::SetMessageBox([&shown](const std::u16string& caption, const std::u16string& text) {
        shown.push_back({caption, text});
    });
    std::u16string result = u"untouched";
    EXPECT_FALSE(OdbcInstaller::ValidDSN(u"x"));
    EXPECT_FALSE(OdbcInstaller::WriteDSNToIni(u"x", u"y"));
    EXPECT_EQ(OdbcInstaller::GetPrivateProfileString(u"s", u"e", u"d", result, u"ODBC.INI"), 0);
    EXPECT_TRUE(result.empty());
    EXPECT_FALSE(OdbcInstaller::WritePrivateProfileString(u"s", u"e", u"v", u"ODBC.INI"));
    EXPECT_FALSE(OdbcInstaller::WritePrivateProfileStringNarrow("s", "e", std::nullopt, "ODBC.INI"));
    EXPECT_FALSE(OdbcInstaller::LastCallReachedInstaller());
    ASSERT_EQ(shown.size(), 5U);
    for (const Shown& box : shown) {
        EXPECT_EQ(box.caption, u"ODBC Installer Error");
        EXPECT_EQ(box.text, u"The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.");
    }
    // The next call tries again, and finds the library once it is there.
    OdbcInstaller::SetLibraryPath({});
    EXPECT_TRUE(OdbcInstaller::IsAvailable());
    EXPECT_EQ(shown.size(), 5U);
    OdbcInstaller::SetMessageBox({});
}

} // namespace
} // namespace Dravo::Test
