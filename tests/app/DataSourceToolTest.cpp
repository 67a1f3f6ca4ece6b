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
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

#include "tests/app/ToolRun.h"
#include "tests/common/DriverConfigurationFile.h"
#include "tests/common/OdbcIniDirectory.h"
#include "tests/common/TempDir.h"
#include "tests/reliability/SyscallTracer.h"

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
        const std::filesystem::path& program = InstalledTool(), std::vector<std::string> wrapper = {})
    {
        ToolRunOptions options;
        options.wrapper = std::move(wrapper);
        options.arguments = {"--registry-root", m_registry.Path().string(), "--dsn", dataSource, "--script", "-"};
        options.input = script;
        options.environment = m_ini.Environment();
        options.environment["DRAVO_REGISTRY_ROOT"] = std::nullopt;
        // What unixODBC itself leaks is no finding of a sanitizer build.
        const char* source = std::getenv("DRAVO_SOURCE_DIR");
        options.environment["LSAN_OPTIONS"] = "suppressions=" + std::string(source ? source : ".") + "/tests/lsan.supp";
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
    // The logging options are the driver's: unchanged, they are not
    // written, and neither the driver's file nor the hive is touched.
    EXPECT_FALSE(DriverConfigurationExists());
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

TEST_F(DataSourceToolTest, LoggingOptionsThisUserCannotSaveLeaveTheDataSourceUnsavedToo)
{
    if (::geteuid() != 0 || !std::filesystem::exists("/usr/bin/setpriv")) {
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    }
    // The data sources are the user's to write; the driver's file is root's.
    ASSERT_EQ(::chown(m_ini.Path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown((m_ini.Path() / "odbc.ini").c_str(), 65534, 65534), 0);
    ::chmod(m_ini.Path().c_str(), 0755);
    ::chmod(m_registry.Path().c_str(), 0755);
    const ProgramRun run = RunScript("Logged",
        "type 1024 spark.example.com\n"
        "click 1118\n"
        "select 8014 LOG_ERROR\n"
        "type 8013 /tmp\n"
        "click 1\n"
        "click 1\n",
        {}, InstalledTool(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    EXPECT_NE(run.errors.find("the logging options (driver-wide)"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("nothing was changed"), std::string::npos) << run.errors;
    EXPECT_EQ(m_ini.OdbcIni(), "");
    EXPECT_FALSE(DriverConfigurationExists());
}

TEST_F(DataSourceToolTest, ANumberOkReplacesIsToldOnTheMainDialogAndStoredAsTheCommandLineWould)
{
    const ProgramRun run = RunScript("Scaled",
        "type 1024 spark.example.com\n"
        "click 1029\n"
        "type 1046 99\n"
        "click 1\n"
        "expect hint Decimal column scale is at most 38: OK keeps 38.\n"
        "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(OdbcIniDirectory::Section(m_ini.OdbcIni(), "Scaled").at("DecimalColumnScale"), "38");
    // The command line holds the value to the same limit.
    ToolRunOptions options;
    options.arguments = {
        "--registry-root", m_registry.Path().string(), "set", "--dsn", "Scaled", "DecimalColumnScale=39"};
    options.environment = m_ini.Environment();
    const ProgramRun set = RunTool(InstalledTool(), options);
    EXPECT_EQ(set.exitCode, 65) << set.errors;
    EXPECT_NE(set.errors.find("from 0 to 38"), std::string::npos) << set.errors;
}

TEST_F(DataSourceToolTest, ARenamedDataSourceIsSavedUnderTheNewNameForTheSameDriver)
{
    const std::string ini = "[Old]\nDriver=" + std::string(OdbcIniDirectory::PRODUCT_DRIVER)
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
    EXPECT_EQ(renamed.at("Driver"), OdbcIniDirectory::PRODUCT_DRIVER);
    EXPECT_EQ(renamed.at("Host"), "new.example.com");
    EXPECT_EQ(renamed.at("SparkServerType"), "2");
}

TEST_F(DataSourceToolTest, AnotherDriversDataSourceIsRefusedBeforeTheDialogOpens)
{
    const std::string ini =
        "[Other]\nDriver=" + std::string(OdbcIniDirectory::MISSING_LIBRARY_DRIVER) + "\nDatabase=/tmp/other.db\n";
    m_ini.WriteFile("odbc.ini", ini);
    const ProgramRun run = RunScript("Other", "type 1024 ours.example.com\nclick 1\n");
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    EXPECT_NE(run.errors.find(std::string("the data source Other belongs to the driver ")
                  + OdbcIniDirectory::MISSING_LIBRARY_DRIVER),
        std::string::npos)
        << run.errors;
    EXPECT_EQ(m_ini.OdbcIni(), ini);
}

TEST_F(DataSourceToolTest, ARenameOntoAnExistingNameIsRefusedAndTheDialogStaysOpen)
{
    const std::string ini = "[Old]\nDriver=" + std::string(OdbcIniDirectory::PRODUCT_DRIVER)
        + "\nHost=old.example.com\nPort=10000\nSparkServerType=2\nAuthMech=0\n\n[Taken]\nDriver=SQLite3\nDatabase=/tmp/"
          "t.db\n";
    m_ini.WriteFile("odbc.ini", ini);
    const ProgramRun run = RunScript("Old", "type 1002 Taken\nclick 1\nclick 2\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.output.find("message-box"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("A data source named \"Taken\" exists already"), std::string::npos) << run.output;
    EXPECT_EQ(m_ini.OdbcIni(), ini);
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
    const std::string invalidPort =
        "message-box [Invalid Port Number] Port number is not valid! Setting it to default port. -> OK\n";
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
    for (const char* unused : {"AuthMech", "UID", "EncryptedPWD", "DelegationUID", "ThriftTransport", "SSL", "KrbRealm",
             "KrbHostFQDN", "KrbServiceName", "HTTPPath"}) {
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
    // Our driver registered with a library that is not there, then not at all.
    const std::string missing = (m_ini.Path() / "missing" / "libnothing.so").string();
    m_ini.WriteFile(
        "odbcinst.ini", std::string("[") + OdbcIniDirectory::PRODUCT_DRIVER + "]\nDriver=" + missing + "\n");
    m_ini.WriteFile(
        "odbc.ini", std::string("[Broken]\nDriver=") + OdbcIniDirectory::PRODUCT_DRIVER + "\nHost=h\nPort=1\n");
    const ProgramRun broken = RunScript("Broken",
        "click 1022\n"
        "expect 9128 contains FAILED!\n"
        "expect 9128 contains [01000] [unixODBC][Driver Manager]Can't open lib '"
            + missing
            + "'\n"
              "click 1\n"
              "click 2\n");
    EXPECT_EQ(broken.exitCode, 0) << broken.errors;
    m_ini.WriteFile("odbcinst.ini", "");
    const std::string ini = std::string("[Unknown]\nDriver=") + OdbcIniDirectory::PRODUCT_DRIVER + "\nHost=h\nPort=1\n";
    m_ini.WriteFile("odbc.ini", ini);
    const ProgramRun unknown = RunScript("Unknown",
        "click 1022\n"
        "expect 9128 contains Can't open lib '"
            + std::string(OdbcIniDirectory::PRODUCT_DRIVER)
            + "' : file not found\n"
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
    EXPECT_NE(refused.errors.find("Data Source Name value cannot contain any of the following characters: "
                                  "[]{}(),;?*=!@\\. Nothing was changed."),
        std::string::npos)
        << refused.errors;

    const ProgramRun tooLong = RunScript(std::string(33, 'x'), "click 1\n");
    EXPECT_EQ(tooLong.exitCode, 64);
    EXPECT_NE(tooLong.errors.find("names have 1 to 32 characters"), std::string::npos) << tooLong.errors;

    const ProgramRun noInstaller = RunScript(
        "Sales", "click 1\n", {{"DRAVO_ODBCINST_LIBRARY", "/nonexistent/libodbcinst.so.2"}}, ToolWithTestLibraries());
    EXPECT_EQ(noInstaller.exitCode, 69);
    EXPECT_EQ(noInstaller.output,
        "message-box [ODBC Installer Error] The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system. "
        "-> OK\n");
    EXPECT_NE(
        noInstaller.errors.find("cannot be checked because the ODBC installer is not available"), std::string::npos)
        << noInstaller.errors;

    // A library without the check: one message naming the function, and the
    // same end as without a library.
    const std::string lacking = BuiltProgram("tests/fake_odbcinst_without_valid_dsn.so").string();
    const ProgramRun noFunction =
        RunScript("Sales", "click 1\n", {{"DRAVO_ODBCINST_LIBRARY", lacking}}, ToolWithTestLibraries());
    EXPECT_EQ(noFunction.exitCode, 69) << noFunction.errors;
    EXPECT_EQ(noFunction.output,
        "message-box [ODBC Installer Error] The program " + ToolWithTestLibraries().string()
            + ", or one of its DLLs attempted to call the function SQLValidDSN which is not supported in the loaded "
              "ODBC installer DLL ("
            + lacking + "). Press OK to proceed. -> OK\n");
    EXPECT_NE(
        noFunction.errors.find("cannot be checked because the ODBC installer is not available"), std::string::npos)
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

/// A user's odbc.ini of its own beside the system's.
class DataSourceScopeTest : public DataSourceToolTest {
protected:
    [[nodiscard]] std::map<std::string, std::optional<std::string>> UserFile() const
    {
        return {{"ODBCINI", (m_ini.Path() / "user.ini").string()}};
    }
    [[nodiscard]] std::string UserIni() const { return m_ini.ReadFile("user.ini"); }

    ProgramRun Run(const std::vector<std::string>& options, const std::string& script,
        const std::vector<std::string>& wrapper = {}, const std::filesystem::path& program = InstalledTool(),
        const std::map<std::string, std::optional<std::string>>& extra = {})
    {
        ToolRunOptions run;
        run.arguments = {"--registry-root", m_registry.Path().string(), "--script", "-"};
        run.arguments.insert(run.arguments.end(), options.begin(), options.end());
        run.input = script;
        run.environment = m_ini.Environment();
        run.environment["ODBCINI"] = (m_ini.Path() / "user.ini").string();
        run.environment["DRAVO_REGISTRY_ROOT"] = std::nullopt;
        const char* source = std::getenv("DRAVO_SOURCE_DIR");
        run.environment["LSAN_OPTIONS"] = "suppressions=" + std::string(source ? source : ".") + "/tests/lsan.supp";
        for (const auto& [name, value] : extra) {
            run.environment[name] = value;
        }
        run.wrapper = wrapper;
        return RunTool(program, run);
    }
};

TEST_F(DataSourceScopeTest, ADataSourceIsSavedInTheFileThatHoldsItAndANewOneWhereAsked)
{
    const std::string system = "[ODBC]\nTrace=No\n\n[Shared]\nDriver=" + std::string(OdbcIniDirectory::PRODUCT_DRIVER)
        + "\nHost=old.example.com\nPort=10000\n\n";
    m_ini.WriteFile("odbc.ini", system);
    m_ini.WriteFile("user.ini", "");

    // The system's data source is edited where it is.
    ProgramRun run = Run({"--dsn", "Shared"}, "expect 1024 text old.example.com\ntype 1024 new.example.com\nclick 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors << run.output;
    EXPECT_EQ(OdbcIniDirectory::Section(m_ini.OdbcIni(), "Shared").at("Host"), "new.example.com");
    EXPECT_EQ(OdbcIniDirectory::Section(m_ini.OdbcIni(), "Shared").at("Driver"), OdbcIniDirectory::PRODUCT_DRIVER);
    EXPECT_EQ(m_ini.OdbcIni().rfind("[ODBC]\nTrace=No\n\n[Shared]\n", 0), 0U) << m_ini.OdbcIni();
    EXPECT_EQ(UserIni(), "") << "no copy among the user's";

    // A new one is the user's, or the system's when asked.
    run = Run({"--dsn", "Mine"}, "type 1024 mine.example.com\nclick 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    run = Run({"--dsn", "Fleet", "--system"}, "type 1024 fleet.example.com\nclick 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(OdbcIniDirectory::Section(UserIni(), "Mine").at("Host"), "mine.example.com");
    EXPECT_EQ(OdbcIniDirectory::Section(UserIni(), "Mine").at("Driver"), OdbcIniDirectory::PRODUCT_DRIVER);
    EXPECT_EQ(OdbcIniDirectory::Section(m_ini.OdbcIni(), "Fleet").at("Host"), "fleet.example.com");
    EXPECT_EQ(OdbcIniDirectory::Section(m_ini.OdbcIni(), "Mine").size(), 0U);

    // unixODBC's own listing sees them all.
    ToolRunOptions list;
    list.arguments = {"-q", "-s"};
    list.environment = m_ini.Environment();
    list.environment["ODBCINI"] = (m_ini.Path() / "user.ini").string();
    const ProgramRun listed = RunTool("/usr/bin/odbcinst", list);
    for (const char* name : {"[Shared]", "[Mine]", "[Fleet]"}) {
        EXPECT_NE(listed.output.find(name), std::string::npos) << name << " in " << listed.output;
    }
}

TEST_F(DataSourceScopeTest, AUserMakesTheirOwnDataSourceWithoutRightsToTheDriversFile)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run as another user";
    }
    // The driver's file is root's, readable by all, and stays so; the user's
    // odbc.ini is theirs.
    std::filesystem::permissions(m_registry.Path(), std::filesystem::perms(0755));
    WriteFileBytes(MachineConfigurationFile(m_registry.Path()), "[Driver]\nLogLevel=0\n");
    std::filesystem::permissions(m_ini.Path(), std::filesystem::perms(0777));
    m_ini.WriteFile("user.ini", "");
    ASSERT_EQ(::chown((m_ini.Path() / "user.ini").c_str(), 65534, 65534), 0);
    const std::string driverFile = ReadFileBytes(MachineConfigurationFile(m_registry.Path()));

    const ProgramRun run = Run({"--dsn", "Mine"}, "type 1024 mine.example.com\nclick 1\n",
        {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    ASSERT_EQ(run.exitCode, 1) << run.errors << run.output;
    EXPECT_EQ(OdbcIniDirectory::Section(UserIni(), "Mine").at("Host"), "mine.example.com");
    EXPECT_EQ(ReadFileBytes(MachineConfigurationFile(m_registry.Path())), driverFile);

    // The system's data sources are not theirs to change: told before the dialog.
    const ProgramRun refused = Run({"--dsn", "Fleet", "--system"}, "click 1\n",
        {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    EXPECT_EQ(refused.exitCode, 5) << refused.errors;
    EXPECT_NE(refused.errors.find("administrator rights are needed to change the data sources in "
                  + (m_ini.Path() / "odbc.ini").string()),
        std::string::npos)
        << refused.errors;
    EXPECT_EQ(refused.output, "") << "no dialog opens";
}

TEST_F(DataSourceScopeTest, NamesTheInstallerWouldKeepChangedAreRefusedAndNothingIsWritten)
{
    m_ini.WriteFile("user.ini", "");
    for (const std::string name : {"trail ", " Sales", "ODBC", "odbc data sources"}) {
        SCOPED_TRACE("[" + name + "]");
        const ProgramRun run = Run({"--dsn", name}, "type 1024 h\nclick 1\n");
        EXPECT_EQ(run.exitCode, 64) << run.errors;
        EXPECT_NE(run.errors.find("cannot be used: "), std::string::npos) << run.errors;
        EXPECT_EQ(UserIni(), "");
        EXPECT_EQ(m_ini.OdbcIni(), "");
    }
}

TEST_F(DataSourceScopeTest, ASaveThatRunsOutOfSpaceAnywhereLeavesEveryDataSourceAsItWas)
{
    // Many data sources, the changed one in the middle.
    std::string ini;
    for (int i = 0; i < 300; ++i) {
        ini += "[DS" + std::to_string(i) + "]\nDriver=" + std::string(OdbcIniDirectory::PRODUCT_DRIVER) + "\nHost=host"
            + std::to_string(i) + ".example.com\nPort=10000\nPWD=plain\n\n";
    }
    m_ini.WriteFile("user.ini", ini);
    const std::string script = "type 1024 changed.example.com\nselect 1038 SparkThriftServer (Spark 1.1 and later)\n"
                               "select 1040 User Name and Password\ntype 1044 alice\ntype 1054 s3cret\n"
                               "click 1099\nclick 1\n";
    size_t failures = 0;
    for (size_t room = 0;; room += 4099) {
        SCOPED_TRACE("room for " + std::to_string(room) + " bytes");
        const ProgramRun run = Run({"--dsn", "DS150"}, script, {}, ToolWithTestLibraries(),
            {{"DRAVO_FILE_FAULTS", "write-budget=" + std::to_string(room)}});
        if (run.exitCode == 1) {
            break;
        }
        ++failures;
        ASSERT_EQ(run.exitCode, 3) << run.errors << run.output;
        EXPECT_NE(run.errors.find("The data source \"DS150\" could not be saved: "), std::string::npos) << run.errors;
        EXPECT_NE(run.errors.find((m_ini.Path() / "user.ini").string() + ": cannot write the new file: No space"),
            std::string::npos)
            << run.errors;
        EXPECT_NE(run.errors.find("Nothing was written."), std::string::npos) << run.errors;
        ASSERT_EQ(UserIni(), ini);
        ASSERT_LT(room, 64U * 1024);
    }
    EXPECT_EQ(failures, (UserIni().size() + 4098) / 4099) << "every limit short of the new file";
    const std::string saved = UserIni();
    const auto section = OdbcIniDirectory::Section(saved, "DS150");
    EXPECT_EQ(section.at("Host"), "changed.example.com");
    EXPECT_EQ(section.at("UID"), "alice");
    EXPECT_EQ(section.count("PWD"), 0U) << "a plain password goes when one is set";
    EXPECT_EQ(section.at("EncryptedPWD").substr(0, 1), "_");
    for (const int i : {0, 149, 151, 299}) {
        EXPECT_EQ(OdbcIniDirectory::Section(saved, "DS" + std::to_string(i)),
            OdbcIniDirectory::Section(ini, "DS" + std::to_string(i)));
    }
    EXPECT_EQ(saved.substr(0, ini.find("[DS150]")), ini.substr(0, ini.find("[DS150]"))) << "byte for byte before it";
}

TEST_F(DataSourceScopeTest, KilledAtEverySystemCallOfASaveLeavesTheOldFileOrTheWholeNewOne)
{
#if !defined(__x86_64__)
    GTEST_SKIP() << "the tracer reads the x86-64 registers";
#endif
    std::string ini;
    for (int i = 0; i < 100; ++i) {
        ini += "[DS" + std::to_string(i) + "]\nDriver=" + std::string(OdbcIniDirectory::PRODUCT_DRIVER) + "\nHost=host"
            + std::to_string(i) + "\nPort=10000\n\n";
    }
    m_ini.WriteFile("user.ini", ini);
    const std::vector<std::string> arguments = {
        "--registry-root", m_registry.Path().string(), "--script", "-", "--dsn", "DS50"};
    auto environment = m_ini.Environment();
    environment["ODBCINI"] = (m_ini.Path() / "user.ini").string();
    environment["DRAVO_REGISTRY_ROOT"] = std::nullopt;
    const std::string script = "type 1024 changed.example.com\nclick 1\n";

    // The save's stops, from the lock to the flush of the folder after the
    // rename, which ends it.
    int64_t saveStops = -1;
    std::string saved;
    {
        SyscallTracer tool(InstalledTool(), arguments, environment, script);
        ASSERT_TRUE(tool.RunTo(IsWriterLock)) << tool.Finish().errors;
        const int64_t start = tool.Stops();
        bool renamed = false;
        SyscallStop stop;
        while (tool.Step(&stop)) {
            renamed = renamed
                || (stop.entry
                    && (stop.number == SYS_rename || stop.number == SYS_renameat || stop.number == SYS_renameat2));
            if (renamed && saveStops < 0 && stop.entry && stop.number == SYS_fsync) {
                saveStops = tool.Stops() - start + 2;
            }
        }
        ASSERT_GT(saveStops, 10) << "no rename and flush seen in the save";
        ASSERT_EQ(tool.Finish().exitCode, 1);
        saved = UserIni();
        ASSERT_NE(saved, ini);
        m_ini.WriteFile("user.ini", ini);
    }
    int killedBeforeTheRename = 0;
    for (int64_t stops = 0; stops < saveStops; ++stops) {
        SCOPED_TRACE("killed " + std::to_string(stops) + " stops into the save");
        {
            SyscallTracer tool(InstalledTool(), arguments, environment, script);
            ASSERT_TRUE(tool.RunTo(IsWriterLock)) << tool.Finish().errors;
            for (int64_t i = 0; i < stops && tool.Step(); ++i) {}
            if (!tool.Running()) {
                break;
            }
            tool.Kill();
            (void)tool.Finish();
        }
        const std::string after = UserIni();
        ASSERT_TRUE(after == ini || after == saved) << after;
        killedBeforeTheRename += after == ini ? 1 : 0;
        // The next save clears what the killed one left and saves it all.
        const ProgramRun again = Run({"--dsn", "DS51"}, "type 1024 next.example.com\nclick 1\n");
        ASSERT_EQ(again.exitCode, 1) << again.errors;
        EXPECT_EQ(OdbcIniDirectory::Section(UserIni(), "DS51").at("Host"), "next.example.com");
        EXPECT_EQ(OdbcIniDirectory::Section(UserIni(), "DS99").at("Host"), "host99");
        for (const auto& entry : std::filesystem::directory_iterator(m_ini.Path())) {
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
        }
        m_ini.WriteFile("user.ini", ini);
    }
    EXPECT_GT(killedBeforeTheRename, 0);
}

} // namespace
} // namespace Dravo::Test
