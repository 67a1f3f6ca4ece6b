// dravo-spark-config --dsn run as a child: one data source edited in the
// data-source layout and saved through unixODBC's real installer, its
// connection tested through the real driver manager, with the ini files and
// the registry in temporary directories.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "tests/app/ToolRun.h"
#include "tests/common/DriverConfigurationFile.h"
#include "tests/common/OdbcIniDirectory.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

/// The tool as installed, and the test build that loads the ODBC libraries
/// named by DRAVO_ODBCINST_LIBRARY and DRAVO_ODBC_LIBRARY.
std::filesystem::path InstalledTool()
{
    return BuiltProgram("bin/dravo-spark-config");
}

std::filesystem::path ToolWithTestLibraries()
{
    return BuiltProgram("tests/tool_with_test_libraries");
}

class DataSourceToolTest : public ::testing::Test {
protected:
    ProgramRun RunScript(const std::string& dataSource, const std::string& script,
        const std::map<std::string, std::optional<std::string>>& extraEnvironment = {},
        const std::filesystem::path& program = InstalledTool())
    {
        ToolRunOptions options;
        options.arguments = {"--registry-root", m_registry.Path().string(), "--dsn", dataSource, "--script", "-"};
        options.input = script;
        options.environment = m_ini.Environment();
        options.environment["DRAVO_REGISTRY_ROOT"] = std::nullopt;
        // What unixODBC itself leaks is no finding of a sanitizer build.
        const char* source = std::getenv("DRAVO_SOURCE_DIR");
        options.environment["LSAN_OPTIONS"]
            = "suppressions=" + std::string(source ? source : ".") + "/tests/lsan.supp";
        for (const auto& [name, value] : extraEnvironment) {
            options.environment[name] = value;
        }
        return RunTool(program, options);
    }

    /// The driver's own file, where the logging options are kept.
    [[nodiscard]] bool DriverConfigurationExists() const
    {
        return std::filesystem::exists(MachineConfigurationFile(m_registry.Path()));
    }

    OdbcIniDirectory m_ini;
    TempDir m_registry;
};

TEST_F(DataSourceToolTest, ANewDataSourceIsCreatedForTheProductsDriverAndReopensAsSaved)
{
    const ProgramRun created = RunScript("Sales",
        "expect dialog 1093\n"
        "expect title Dravo Spark ODBC Driver DSN Setup\n"
        "expect 1002 text Sales\n"
        "expect 1038 selected SharkServer (Shark 0.8.1 and earlier)\n"
        "expect 1030 text 10000\n"
        "expect 1 disabled\n"
        "type 1003 Sales cluster\n"
        "type 1024 spark.example.com\n"
        "type 1027 sales\n"
        "select 1038 SparkThriftServer (Spark 1.1 and later)\n"
        "select 1040 User Name and Password\n"
        "type 1030 10001\n"
        "type 1044 alice\n"
        "type 1054 s3cret\n"
        "click 1099\n"
        "type 1072 bob\n"
        "select 1093 HTTP\n"
        "click 1\n");
    ASSERT_EQ(created.exitCode, 1) << created.errors << created.output;

    const std::string ini = m_ini.OdbcIni();
    const auto section = OdbcIniDirectory::Section(ini, "Sales");
    EXPECT_EQ(section.at("Driver"), OdbcIniDirectory::PRODUCT_DRIVER);
    EXPECT_EQ(section.at("Host"), "spark.example.com");
    EXPECT_EQ(section.at("Port"), "10001");
    EXPECT_EQ(section.at("SparkServerType"), "3");
    EXPECT_EQ(section.at("AuthMech"), "3");
    EXPECT_EQ(section.at("ThriftTransport"), "2");
    EXPECT_EQ(section.at("DelegationUID"), "bob");
    EXPECT_EQ(section.at("EncryptedPWD").substr(0, 1), "_");
    EXPECT_EQ(ini.find("s3cret"), std::string::npos) << ini;
    // The logging options are the driver's, kept in the driver key, which
    // is the driver's file; the hive is not touched.
    EXPECT_TRUE(DriverConfigurationExists());
    EXPECT_EQ(DriverSectionValue(MachineConfigurationFile(m_registry.Path()), "LogLevel"), "0");
    EXPECT_FALSE(std::filesystem::exists(m_registry / "HKEY_LOCAL_MACHINE.reg"));

    const ProgramRun reopened = RunScript("Sales",
        "expect 1002 text Sales\n"
        "expect 1003 text Sales cluster\n"
        "expect 1024 text spark.example.com\n"
        "expect 1030 text 10001\n"
        "expect 1027 text sales\n"
        "expect 1038 selected SparkThriftServer (Spark 1.1 and later)\n"
        "expect 1040 selected User Name and Password\n"
        "expect 1044 text alice\n"
        "expect 1054 text s3cret\n"
        "expect 1072 text bob\n"
        "expect 1093 selected HTTP\n"
        "expect 1 enabled\n"
        "click 2\n");
    EXPECT_EQ(reopened.exitCode, 0) << reopened.errors;
    EXPECT_EQ(m_ini.OdbcIni(), ini);
}

TEST_F(DataSourceToolTest, ARenamedDataSourceIsSavedUnderTheNewNameForTheSameDriver)
{
    const std::string ini = "[Old]\nDriver=" + std::string(OdbcIniDirectory::MISSING_LIBRARY_DRIVER)
        + "\nHost=old.example.com\nPort=10000\nSparkServerType=2\nAuthMech=0\n";
    m_ini.WriteFile("odbc.ini", ini);
    const ProgramRun run = RunScript("Old",
        "expect 1024 text old.example.com\n"
        "type 1002 New\n"
        "type 1024 new.example.com\n"
        "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(OdbcIniDirectory::Section(m_ini.OdbcIni(), "Old"), OdbcIniDirectory::Section(ini, "Old"));
    const auto renamed = OdbcIniDirectory::Section(m_ini.OdbcIni(), "New");
    EXPECT_EQ(renamed.at("Driver"), OdbcIniDirectory::MISSING_LIBRARY_DRIVER);
    EXPECT_EQ(renamed.at("Host"), "new.example.com");
    EXPECT_EQ(renamed.at("SparkServerType"), "2");
}

TEST_F(DataSourceToolTest, CancelWritesNothing)
{
    const ProgramRun run = RunScript("Unsaved",
        "type 1024 spark.example.com\n"
        "select 1038 SharkServer2 (Shark 0.9.*)\n"
        "click 2\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(m_ini.OdbcIni(), "");
    EXPECT_FALSE(DriverConfigurationExists());
}

TEST_F(DataSourceToolTest, NameHostAndPortAreCheckedAndAnInvalidPortBecomesTheMechanismsDefault)
{
    const ProgramRun run = RunScript("Checked",
        // No host: neither OK nor Test.
        "expect 1 disabled\n"
        "expect 1022 disabled\n"
        "type 1024 spark.example.com\n"
        "expect 1 enabled\n"
        "expect 1022 enabled\n"
        // No name: OK only; the test does not need the name.
        "type 1002 \n"
        "expect 1 disabled\n"
        "expect 1022 enabled\n"
        "type 1002 Bad;Name\n"
        "click 1\n"
        "expect dialog 1093\n"
        "type 1002 Checked\n"
        "select 1038 SparkThriftServer (Spark 1.1 and later)\n"
        "select 1040 User Name and Password\n"
        "type 1030 70000\n"
        "click 1\n"
        "expect 1030 text 10000\n"
        "type 1030 12a\n"
        "click 1\n"
        "expect 1030 text 10000\n"
        "select 1040 Windows Azure HDInsight Emulator\n"
        "type 1030 70000\n"
        "click 1\n"
        "expect 1030 text 10001\n"
        "type 1030 12a\n"
        "click 1\n"
        "expect 1030 text 10001\n"
        "select 1040 Windows Azure HDInsight Service\n"
        "type 1030 70000\n"
        "click 1\n"
        "expect 1030 text 443\n"
        "type 1030 12a\n"
        "click 1\n"
        "expect 1030 text 443\n"
        "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors << run.output;
    const std::string invalidPort
        = "message-box [Invalid Port Number] Port number is not valid! Setting it to default port. -> OK\n";
    std::string expected = "message-box [Invalid Data Source Name] Data Source Name value cannot contain any of the "
                           "following characters: []{}(),;?*=!@\\ -> OK\n";
    for (int i = 0; i < 6; ++i) {
        expected += invalidPort;
    }
    EXPECT_EQ(run.output, expected);
    const auto section = OdbcIniDirectory::Section(m_ini.OdbcIni(), "Checked");
    EXPECT_EQ(section.at("Port"), "443");
    EXPECT_EQ(section.at("AuthMech"), "6");
    EXPECT_EQ(OdbcIniDirectory::Section(m_ini.OdbcIni(), "Bad;Name").size(), 0U);
}

TEST_F(DataSourceToolTest, SharkServerStoresOnlyTheNameDescriptionDatabaseHostServerTypeAndPort)
{
    const ProgramRun run = RunScript("Shark",
        "type 1003 old cluster\n"
        "type 1024 shark.example.com\n"
        "type 1027 warehouse\n"
        "type 1030 10002\n"
        "select 1038 SharkServer2 (Shark 0.9.*)\n"
        "select 1040 User Name and Password\n"
        "type 1044 alice\n"
        "type 1054 s3cret\n"
        "type 1072 bob\n"
        "select 1038 SharkServer (Shark 0.8.1 and earlier)\n"
        "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    const auto section = OdbcIniDirectory::Section(m_ini.OdbcIni(), "Shark");
    EXPECT_EQ(section.at("DESCRIPTION"), "old cluster");
    EXPECT_EQ(section.at("Host"), "shark.example.com");
    EXPECT_EQ(section.at("Schema"), "warehouse");
    EXPECT_EQ(section.at("SparkServerType"), "1");
    EXPECT_EQ(section.at("Port"), "10002");
    for (const char* unused : {"AuthMech", "UID", "EncryptedPWD", "DelegationUID", "ThriftTransport", "SSL",
             "KrbRealm", "KrbHostFQDN", "KrbServiceName", "HTTPPath"}) {
        EXPECT_EQ(section.count(unused), 0U) << unused;
    }
}

TEST_F(DataSourceToolTest, TestIsOfferedOnlyWhenTheEntriesAllowAConnection)
{
    const ProgramRun run = RunScript("Kerberos",
        "type 1024 spark.example.com\n"
        "expect 1022 enabled\n"
        "select 1038 SharkServer2 (Shark 0.9.*)\n"
        "select 1040 Kerberos\n"
        "expect 1022 disabled\n"
        "type 1042 spark.example.com\n"
        "expect 1022 disabled\n"
        "type 1043 spark\n"
        "expect 1022 enabled\n"
        "type 1030 \n"
        "expect 1022 disabled\n"
        "type 1030 10000\n"
        "expect 1022 enabled\n"
        "click 1022\n"
        "expect dialog 133\n"
        "expect title Test Results\n"
        "expect 9128 contains SUCCESS! \n"
        // Escape closes the report and the dialog goes on.
        "click 2\n"
        "expect dialog 1093\n"
        "click 2\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(m_ini.OdbcIni(), "");
}

TEST_F(DataSourceToolTest, TheTestReportsTheDriverManagersErrorForTheDataSourcesDriver)
{
    const std::string ini = "[Broken]\nDriver=" + std::string(OdbcIniDirectory::MISSING_LIBRARY_DRIVER)
        + "\nHost=h\nPort=1\n\n[Unknown]\nDriver=Nobody's Driver\nHost=h\nPort=1\n";
    m_ini.WriteFile("odbc.ini", ini);
    const ProgramRun broken = RunScript("Broken",
        "click 1022\n"
        "expect 9128 contains FAILED!\n"
        "expect 9128 contains [01000] [unixODBC][Driver Manager]Can't open lib '"
            + (m_ini.Path() / "missing" / "libnothing.so").string()
            + "'\n"
              "click 1\n"
              "click 2\n");
    EXPECT_EQ(broken.exitCode, 0) << broken.errors;
    const ProgramRun unknown = RunScript("Unknown",
        "click 1022\n"
        "expect 9128 contains Can't open lib 'Nobody's Driver' : file not found\n"
        "click 1\n"
        "click 2\n");
    EXPECT_EQ(unknown.exitCode, 0) << unknown.errors;
    const ProgramRun noManager = RunScript("Unknown",
        "click 1022\n"
        "expect 9128 contains The ODBC driver manager cannot be used: /nonexistent/libodbc.so.2\n"
        "click 1\n"
        "click 2\n",
        {{"DRAVO_ODBC_LIBRARY", "/nonexistent/libodbc.so.2"}}, ToolWithTestLibraries());
    EXPECT_EQ(noManager.exitCode, 0) << noManager.errors;
    EXPECT_EQ(m_ini.OdbcIni(), ini);
}

TEST_F(DataSourceToolTest, ANameTheInstallerRefusesOrCannotCheckStopsBeforeTheDialog)
{
    const ProgramRun refused = RunScript("Sales;Q1", "click 1\n");
    EXPECT_EQ(refused.exitCode, 64);
    EXPECT_NE(refused.errors.find("The ODBC installer does not accept \"Sales;Q1\" as a data source name: it "
                                  "refuses \";\". Choose another name. Nothing was changed."),
        std::string::npos)
        << refused.errors;

    const ProgramRun tooLong = RunScript(std::string(33, 'x'), "click 1\n");
    EXPECT_EQ(tooLong.exitCode, 64);
    EXPECT_NE(tooLong.errors.find("names have 1 to 32 characters"), std::string::npos) << tooLong.errors;

    const ProgramRun noInstaller = RunScript("Sales", "click 1\n",
        {{"DRAVO_ODBCINST_LIBRARY", "/nonexistent/libodbcinst.so.2"}}, ToolWithTestLibraries());
    EXPECT_EQ(noInstaller.exitCode, 69);
    EXPECT_EQ(noInstaller.output,
        "message-box [ODBC Installer Error] The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system. "
        "-> OK\n");
    EXPECT_NE(noInstaller.errors.find("cannot be checked because the ODBC installer is not available"),
        std::string::npos)
        << noInstaller.errors;

    // A library without the check: one message naming the function, and the
    // same end as without a library.
    const std::string lacking = BuiltProgram("tests/fake_odbcinst_without_valid_dsn.so").string();
    const ProgramRun noFunction
        = RunScript("Sales", "click 1\n", {{"DRAVO_ODBCINST_LIBRARY", lacking}}, ToolWithTestLibraries());
    EXPECT_EQ(noFunction.exitCode, 69) << noFunction.errors;
    EXPECT_EQ(noFunction.output,
        "message-box [ODBC Installer Error] The program " + ToolWithTestLibraries().string()
            + ", or one of its DLLs attempted to call the function SQLValidDSN which is not supported in the loaded "
              "ODBC installer DLL ("
            + lacking + "). Press OK to proceed. -> OK\n");
    EXPECT_NE(noFunction.errors.find("cannot be checked because the ODBC installer is not available"),
        std::string::npos)
        << noFunction.errors;
    EXPECT_EQ(noFunction.errors.find("refuse"), std::string::npos) << noFunction.errors;
    EXPECT_EQ(m_ini.OdbcIni(), "");
    EXPECT_FALSE(DriverConfigurationExists());
}

TEST_F(DataSourceToolTest, TheInstalledToolLoadsNoLibraryTheEnvironmentNames)
{
    // Run as root, it would run the named library's code with root's rights.
    const ProgramRun run = RunScript("Sales", "expect 1002 text Sales\nclick 2\n",
        {{"DRAVO_ODBCINST_LIBRARY", "/nonexistent/libodbcinst.so.2"},
            {"DRAVO_ODBC_LIBRARY", "/nonexistent/libodbc.so.2"}});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output, "");
}

TEST_F(DataSourceToolTest, AnExceptionOfNoStandardTypeIsReportedAndSavesNothing)
{
    // The installer throws when it checks "Sales" (the start-up does) or
    // "Renamed" (the dialog's OK does).
    const std::map<std::string, std::string> expected = {
        {"Sales", "the configuration tool failed: an error of unknown kind; nothing was changed.\n"},
        {"Renamed", "the configuration dialog failed: an error of unknown kind; nothing was changed.\n"}};
    for (const auto& [name, message] : expected) {
        const ProgramRun run = RunScript("Sales", "type 1024 spark.example.com\ntype 1002 Renamed\nclick 1\n",
            {{"DRAVO_ODBCINST_LIBRARY", BuiltProgram("tests/fake_odbcinst_throwing.so").string()},
                {"DRAVO_FAKE_INSTALLER_THROW_FOR_NAME", name}},
            ToolWithTestLibraries());
        EXPECT_EQ(run.exitCode, 4) << name << ": " << run.errors;
        EXPECT_EQ(run.errors, "tool_with_test_libraries: " + message);
        EXPECT_EQ(m_ini.OdbcIni(), "");
        EXPECT_FALSE(DriverConfigurationExists());
    }
}

} // namespace
} // namespace Dravo::Test
