// dravo-spark-config run as a child with a private registry root, where the
// driver key is the file ROOT/vezuravuz.ini: the whole start-up, the dialog
// driven by a script, the save, and the exit codes and messages of every way
// the run can end.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "support/WideString.h"
#include "tests/app/ToolRun.h"
#include "tests/common/DriverConfigurationFile.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

std::filesystem::path ToolProgram()
{
    return BuiltProgram("bin/dravo-spark-config");
}

/// The driver key's values as the driver reads them from the file.
std::map<std::string, std::string> ReadDriverKey(const std::filesystem::path& root)
{
    return ReadDriverSection(MachineConfigurationFile(root));
}

class ConfigurationToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The log level stays off, so no log file is written anywhere.
        m_environment["DRAVO_REGISTRY_ROOT"] = std::nullopt;
        m_environment["HOME"] = m_home.Path().string();
        m_environment["XDG_CONFIG_HOME"] = std::nullopt;
        m_environment["SPARKINI"] = std::nullopt;
    }

    [[nodiscard]] std::filesystem::path ConfigurationPath() const { return MachineConfigurationFile(m_root.Path()); }

    void WriteConfiguration(const std::map<std::string, std::string>& values) const
    {
        WriteFileBytes(ConfigurationPath(), DriverSectionText(values));
    }

    ProgramRun RunScript(const std::string& script, std::vector<std::string> extra = {})
    {
        ToolRunOptions options;
        options.arguments = {"--registry-root", m_root.Path().string(), "--script", "-"};
        options.arguments.insert(options.arguments.end(), extra.begin(), extra.end());
        options.input = script;
        options.environment = m_environment;
        return RunTool(ToolProgram(), options);
    }

    TempDir m_root;
    TempDir m_home;
    std::map<std::string, std::optional<std::string>> m_environment;
};

const std::map<std::string, std::string> TYPICAL_CONFIGURATION = {
    {"SparkServerType", "3"}, {"AuthMech", "3"}, {"ThriftTransport", "1"}};

TEST_F(ConfigurationToolTest, TypicalRunSwitchesToKerberosAndSavesOnOK)
{
    WriteConfiguration(TYPICAL_CONFIGURATION);
    const ProgramRun run = RunScript("expect dialog 1092\n"
                                     "expect title Dravo Spark ODBC Driver Configuration\n"
                                     "expect 1038 selected SparkThriftServer (Spark 1.1 and later)\n"
                                     "expect 1040 selected User Name and Password\n"
                                     "expect 1093 selected SASL\n"
                                     "expect 1093 items Binary|HTTP|SASL\n"
                                     "select 1040 Kerberos\n"
                                     "expect 1093 items HTTP|SASL\n"
                                     "expect 1093 selected SASL\n"
                                     "type 1041 EXAMPLE.COM\n"
                                     "type 1042 spark.example.com\n"
                                     "expect 1 disabled\n"
                                     "type 1043 spark\n"
                                     "expect 1 enabled\n"
                                     "click 1095\n"
                                     "expect dialog 1091\n"
                                     "click 1107\n"
                                     "click 1058\n"
                                     "choose /etc/ssl/certs/ca-certificates.crt\n"
                                     "click 1\n"
                                     "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(run.errors, "");

    const auto values = ReadDriverKey(m_root.Path());
    const std::map<std::string, std::string> expected = {
        {"SparkServerType", "3"},
        {"AuthMech", "1"},
        {"KrbRealm", "EXAMPLE.COM"},
        {"KrbHostFQDN", "spark.example.com"},
        {"KrbServiceName", "spark"},
        {"ThriftTransport", "1"},
        {"SSL", "1"},
        {"TrustedCerts", "/etc/ssl/certs/ca-certificates.crt"},
        {"TwoWaySSL", "0"},
        {"RowsFetchedPerBlock", "10000"},
        {"DefaultStringColumnLength", "255"},
        {"InvalidSessionAutoRecover", "1"},
        {"GetTablesWithQuery", "0"},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(values.count(name) ? values.at(name) : "<absent>", value) << name;
    }
    // Data-source keys are never written driver-wide, and a user name is not
    // written for Kerberos.
    for (const char* name : {"Host", "Port", "Schema", "DESCRIPTION", "DelegationUID", "UID"}) {
        EXPECT_EQ(values.count(name), 0U) << name;
    }
}

TEST_F(ConfigurationToolTest, CancelLeavesTheFileByteForByte)
{
    WriteConfiguration(TYPICAL_CONFIGURATION);
    const std::string before = ReadFileBytes(ConfigurationPath());
    const ProgramRun run = RunScript("select 1040 Kerberos\n"
                                     "type 1042 host\n"
                                     "type 1043 service\n"
                                     "click 2\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(ReadFileBytes(ConfigurationPath()), before);
}

TEST_F(ConfigurationToolTest, OKOnAFreshMachineCreatesTheFileReadableByEveryone)
{
    const ProgramRun run = RunScript("expect 1038 selected SharkServer (Shark 0.8.1 and earlier)\n"
                                     "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    const auto values = ReadDriverKey(m_root.Path());
    EXPECT_EQ(values.at("SparkServerType"), "1");
    // With SharkServer the mechanism and everything after it stay unwritten.
    EXPECT_EQ(values.count("AuthMech"), 0U);
    EXPECT_EQ(values.count("ThriftTransport"), 0U);
    EXPECT_EQ(values.at("FixUnquotedDefaultSchemaNameInQuery"), "1");
    EXPECT_EQ(std::filesystem::status(ConfigurationPath()).permissions(), std::filesystem::perms(0644));
    EXPECT_FALSE(std::filesystem::exists(m_root / "HKEY_LOCAL_MACHINE.reg")) << "the tool keeps nothing in the hive";
}

TEST_F(ConfigurationToolTest, AFailedScriptSavesNothingAndNamesTheLine)
{
    WriteConfiguration(TYPICAL_CONFIGURATION);
    const std::string before = ReadFileBytes(ConfigurationPath());
    for (const char* script : {
             "select 1040 Kerberos\nexpect 1040 selected User Name\nclick 1\n",
             "select 1040 Kerberos\n",
             "click 1\nclick 1\n",
             "frobnicate 1040\n",
         }) {
        const ProgramRun run = RunScript(script);
        EXPECT_EQ(run.exitCode, 2) << script;
        EXPECT_NE(run.errors.find("-:"), std::string::npos) << run.errors;
        EXPECT_EQ(ReadFileBytes(ConfigurationPath()), before) << script;
    }
}

TEST_F(ConfigurationToolTest, AScriptFileIsReadFromItsPath)
{
    WriteConfiguration(TYPICAL_CONFIGURATION);
    WriteFileBytes(m_home / "cancel.txt", "# only cancel\r\nclick 2\r\n");
    ToolRunOptions options;
    options.arguments = {"--registry-root", m_root.Path().string(), "--script", (m_home / "cancel.txt").string()};
    options.environment = m_environment;
    EXPECT_EQ(RunTool(ToolProgram(), options).exitCode, 0);

    const std::string missing = (m_home / "missing.txt").string();
    options.arguments.back() = missing;
    const ProgramRun refused = RunTool(ToolProgram(), options);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.errors.find(missing + ": "), std::string::npos) << refused.errors;
}

TEST_F(ConfigurationToolTest, TheRegistryRootComesFromTheEnvironmentToo)
{
    WriteConfiguration(TYPICAL_CONFIGURATION);
    ToolRunOptions options;
    options.arguments = {"--script", "-"};
    options.input = "expect 1040 selected User Name and Password\nselect 1040 User Name\nclick 1\n";
    options.environment = m_environment;
    options.environment["DRAVO_REGISTRY_ROOT"] = m_root.Path().string();
    const ProgramRun run = RunTool(ToolProgram(), options);
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(ReadDriverKey(m_root.Path()).at("AuthMech"), "2");
}

TEST_F(ConfigurationToolTest, AProductDescriptionFileRenamesTheDriverAndHidesHDInsight)
{
    // A copy of the program beside its product description file.
    TempDir programDirectory;
    const std::filesystem::path program = CopyProgramInto(ToolProgram(), programDirectory.Path());
    WriteFileBytes(m_home / "product.xml",
        "<product><driver-name>Acme Spark Driver</driver-name><supress-hdinsight>1</supress-hdinsight></product>");
    const ProgramRun encrypted = RunProgram(BuiltProgram("bin/dravo-did"),
        {"encrypt", (m_home / "product.xml").string(), (programDirectory / "VezurAVUZ.did").string()});
    ASSERT_EQ(encrypted.exitCode, 0) << encrypted.errors;

    // The file's name comes from the identity, which the description file
    // does not rename.
    WriteConfiguration({{"SparkServerType", "2"}, {"AuthMech", "6"}, {"ThriftTransport", "0"}});
    ToolRunOptions options;
    options.arguments = {"--registry-root", m_root.Path().string(), "--script", "-"};
    options.input = "expect title Acme Spark Driver Configuration\n"
                    "expect 1040 items No Authentication|Kerberos|User Name|User Name and Password\n"
                    "expect 1040 selected User Name and Password\n"
                    "expect 1093 selected HTTP\n"
                    "click 1\n";
    options.environment = m_environment;
    const ProgramRun run = RunTool(program, options);
    ASSERT_EQ(run.exitCode, 1) << run.errors;

    // Mechanism 6 reads as 3 over HTTP with SSL on: normalised first, then
    // hidden.
    const auto values = ReadDriverKey(m_root.Path());
    EXPECT_EQ(values.at("AuthMech"), "3");
    EXPECT_EQ(values.at("ThriftTransport"), "2");
    EXPECT_EQ(values.at("SSL"), "1");
}

TEST_F(ConfigurationToolTest, AConfigurationFileThatIsNoTextIsNamedWithItsLineAndKept)
{
    const std::filesystem::path file = ConfigurationPath();
    const std::string broken = std::string("; by hand\n[Driver]\nAuthMech=3\nUID=a\0b\n", 38);
    WriteFileBytes(file, broken);
    const ProgramRun run = RunScript("click 1\n");
    EXPECT_EQ(run.exitCode, 3) << file;
    EXPECT_NE(run.errors.find("the driver configuration cannot be read: " + file.string()
                  + ", line 4: the line holds a NUL byte: the file is not text"),
        std::string::npos)
        << run.errors;
    EXPECT_EQ(run.output, "") << "no dialog may open";
    EXPECT_EQ(ReadFileBytes(file), broken);
}

/// The user's file, read only for the tool's own log, is told about once and
/// keeps nobody from editing the machine's file; the log keeps its defaults
/// rather than take the machine's settings the user's file would override.
TEST_F(ConfigurationToolTest, AUserFileThatCannotBeReadIsToldOnceAndTheMachinesFileIsEdited)
{
    TempDir logs;
    auto values = TYPICAL_CONFIGURATION;
    values["LogLevel"] = "6";
    values["LogPath"] = logs.Path().string();
    const std::filesystem::path user = UserConfigurationFile(m_root.Path());
    for (const bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "a FIFO" : "not UTF-8");
        WriteConfiguration(values);
        std::filesystem::remove(user);
        if (fifo) {
            ASSERT_EQ(::mkfifo(user.c_str(), 0644), 0);
        } else {
            WriteFileBytes(user, "[Driver]\nLogLevel=\xC3\x28\n");
        }
        const ProgramRun run = RunScript("expect 1040 selected User Name and Password\ntype 1044 alice\nclick 1\n");
        EXPECT_EQ(run.exitCode, 1) << run.errors;
        const std::string warning = "warning: the user's driver configuration cannot be read: " + user.string();
        const size_t first = run.errors.find(warning);
        EXPECT_NE(first, std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find(warning, first + 1), std::string::npos) << "once: " << run.errors;
        EXPECT_EQ(ReadDriverKey(m_root.Path()).at("UID"), "alice");
        EXPECT_TRUE(std::filesystem::is_empty(logs.Path())) << "the log stays off, as by default";
    }
    EXPECT_TRUE(std::filesystem::is_fifo(user));
}

/// Ticking "Enable SSL" and OK saves a certificate file the driver can use:
/// "cacerts.pem" beside the driver library unixODBC has registered for the
/// driver, when there is one, else the system's bundle; never one in the
/// program's own folder, where nobody installs it.
TEST_F(ConfigurationToolTest, TheDefaultCertificatesAreBesideTheRegisteredDriverElseTheSystemBundle)
{
    TempDir odbc;
    const std::filesystem::path driverFolder = odbc / "driver";
    std::filesystem::create_directory(driverFolder);
    m_environment["ODBCSYSINI"] = odbc.Path().string();
    m_environment["ODBCINSTINI"] = std::nullopt;
    const std::string bundle = "/etc/ssl/certs/ca-certificates.crt";
    struct Case {
        const char* what;
        bool registered;
        bool certificatesBeside;
        std::string expected;
    } cases[] = {
        {"registered, with its certificates", true, true, (driverFolder / "cacerts.pem").string()},
        {"registered, without certificates", true, false, bundle},
        {"not registered", false, true, bundle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteConfiguration(TYPICAL_CONFIGURATION);
        WriteFileBytes(odbc / "odbcinst.ini",
            std::string("[SQLite3]\nDriver=libsqlite3odbc.so\n")
                + (c.registered
                        ? "[Dravo Spark ODBC Driver]\nDriver=" + (driverFolder / "libdravospark.so").string() + "\n"
                        : ""));
        std::filesystem::remove(driverFolder / "cacerts.pem");
        if (c.certificatesBeside) {
            WriteFileBytes(driverFolder / "cacerts.pem", "-----BEGIN CERTIFICATE-----\n");
        }
        const ProgramRun run =
            RunScript("click 1095\nclick 1107\nexpect 1057 text " + c.expected + "\nclick 1\nclick 1\n");
        ASSERT_EQ(run.exitCode, 1) << run.errors << run.output;
        EXPECT_EQ(ReadDriverKey(m_root.Path()).at("TrustedCerts"), c.expected);
    }
}

/// SPARKINI names the one file both keys live in: a user may keep one of
/// their own and save it without root, while the machine's file stays as it is.
TEST_F(ConfigurationToolTest, TheFileSparkiniNamesIsTheOneTheToolEditsEvenWithoutRoot)
{
    WriteConfiguration(TYPICAL_CONFIGURATION);
    const std::string machine = ReadFileBytes(ConfigurationPath());
    TempDir own;
    const std::filesystem::path named = own / "spark.ini";
    WriteFileBytes(named, "# mine\n[driver]\nSparkServerType=3\nAuthMech=2\nUID=bob\n[ODBC]\nTrace=No\n");
    ToolRunOptions options;
    options.arguments = {"--registry-root", m_root.Path().string(), "--script", "-"};
    options.input = "expect 1040 selected User Name\nexpect 1044 text bob\ntype 1044 carol\nclick 1\n";
    options.environment = m_environment;
    options.environment["SPARKINI"] = named.string();
    if (::geteuid() == 0 && std::filesystem::exists("/usr/bin/setpriv")) {
        // The user's own directory and file; the registry root is root's.
        ASSERT_EQ(::chown(own.Path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(named.c_str(), 65534, 65534), 0);
        std::filesystem::permissions(m_home.Path(), std::filesystem::perms(0777));
        options.wrapper = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    const ProgramRun run = RunTool(ToolProgram(), options);
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    // Its lines stay where they were, the settings it lacked follow them.
    const std::string saved = ReadFileBytes(named);
    EXPECT_EQ(saved.rfind("# mine\n[driver]\nSparkServerType=3\nAuthMech=2\nUID=carol\n", 0), 0U) << saved;
    EXPECT_TRUE(saved.ends_with("\n[ODBC]\nTrace=No\n")) << saved;
    EXPECT_EQ(DriverSectionValue(named, "RowsFetchedPerBlock"), "10000");
    EXPECT_EQ(ReadFileBytes(ConfigurationPath()), machine);
}

TEST_F(ConfigurationToolTest, WithoutATerminalNothingCountsAsOK)
{
    WriteConfiguration(TYPICAL_CONFIGURATION);
    const std::string before = ReadFileBytes(ConfigurationPath());
    // The child runs in a session of its own, so it has no terminal at all;
    // without TERM it does not even get that far.
    for (const std::optional<std::string>& term : {std::optional<std::string>(), std::optional<std::string>("xterm")}) {
        ToolRunOptions options;
        options.arguments = {"--registry-root", m_root.Path().string()};
        options.environment = m_environment;
        options.environment["TERM"] = term;
        const ProgramRun run = RunTool(ToolProgram(), options);
        EXPECT_EQ(run.exitCode, 4) << run.errors;
        EXPECT_NE(run.errors.find("cannot be shown"), std::string::npos) << run.errors;
        EXPECT_NE(run.errors.find(term ? "/dev/tty" : "TERM"), std::string::npos) << run.errors;
        EXPECT_EQ(ReadFileBytes(ConfigurationPath()), before);
    }
}

TEST_F(ConfigurationToolTest, AFailedSaveIsReportedAndStopsTheWrites)
{
    // No file may grow beyond 512 bytes, and the configuration is larger
    // already: the new file the save writes beside it cannot be completed,
    // while the short message still fits into the file that collects
    // standard error. The shell ignores the
    // signal that would otherwise end the program instead.
    // Errors only, so that the log line fits in the same limit.
    TempDir logs;
    auto values = TYPICAL_CONFIGURATION;
    values["Padding"] = std::string(600, 'p');
    values["LogLevel"] = "2";
    values["LogPath"] = logs.Path().string();
    WriteConfiguration(values);
    const std::string before = ReadFileBytes(ConfigurationPath());
    ToolRunOptions options;
    options.wrapper = {"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\""};
    options.arguments = {"--registry-root", m_root.Path().string(), "--script", "-"};
    options.input = "select 1040 User Name\nclick 1\n";
    options.environment = m_environment;
    const ProgramRun run = RunTool(ToolProgram(), options);
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    EXPECT_NE(run.errors.find("could not be saved"), std::string::npos) << run.errors;
    EXPECT_EQ(ReadFileBytes(ConfigurationPath()), before);
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(m_root.Path()), std::filesystem::directory_iterator()), 1)
        << "the half-written new file is gone";
    const std::string log = ReadFileBytes(logs / "DravoSparkODBCDriver_DriverConfig.log");
    EXPECT_NE(log.find("ConfigurationToolApplication::Save"), std::string::npos) << log;
}

TEST_F(ConfigurationToolTest, ValuesTheDialogShowsDifferentlyAreLoggedAndSavedAsShown)
{
    TempDir logs;
    WriteConfiguration({{"SparkServerType", "3"}, {"AuthMech", "9"}, {"KrbHostFQDN", "spark.example.com"},
        {"KrbServiceName", "spark"}, {"LogLevel", "3"}, {"LogPath", logs.Path().string()}});
    const ProgramRun run = RunScript("expect 1040 selected Kerberos\nexpect 1093 selected HTTP\nclick 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    const std::string log = ReadFileBytes(logs.Path() / "DravoSparkODBCDriver_DriverConfig.log");
    EXPECT_NE(log.find(ConfigurationPath().string() + ":"), std::string::npos) << log;
    EXPECT_NE(log.find("AuthMech=9 is an older mechanism; the dialog shows Kerberos (1) over HTTP (2) with SSL off"),
        std::string::npos)
        << log;
    const auto saved = ReadDriverKey(m_root.Path());
    EXPECT_EQ(saved.at("AuthMech"), "1");
    EXPECT_EQ(saved.at("ThriftTransport"), "2");
    EXPECT_EQ(saved.at("SSL"), "0");
}

TEST_F(ConfigurationToolTest, NoStoredLoggingSettingKeepsTheToolFromStarting)
{
    // The largest count the logging dialog accepts and saves, with tracing on.
    TempDir logs;
    auto values = TYPICAL_CONFIGURATION;
    values["LogLevel"] = "6";
    values["LogPath"] = logs.Path().string();
    values["LogFileCount"] = "4294967295";
    values["LogFileSize"] = "10";
    WriteConfiguration(values);
    const ProgramRun run = RunScript("expect 1040 selected User Name and Password\nclick 2\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    // Small files: the log has rotated, and the generations moved up.
    EXPECT_TRUE(std::filesystem::exists(logs / "DravoSparkODBCDriver_DriverConfig.1.log"));
    EXPECT_TRUE(std::filesystem::exists(logs / "DravoSparkODBCDriver_DriverConfig.2.log"));
}

TEST_F(ConfigurationToolTest, AUserWhoCannotWriteTheMachineFileIsToldBeforeTheDialog)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the tool as another user against a root-owned registry";
    }
    if (!std::filesystem::exists("/usr/bin/setpriv")) {
        GTEST_SKIP() << "setpriv (util-linux) is not installed";
    }
    WriteConfiguration(TYPICAL_CONFIGURATION);
    const std::string before = ReadFileBytes(ConfigurationPath());
    // Readable by everyone, writable by root only, as /etc is.
    std::filesystem::permissions(m_root.Path(), std::filesystem::perms(0755));
    std::filesystem::permissions(m_home.Path(), std::filesystem::perms(0777));

    ToolRunOptions options;
    options.wrapper = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    options.arguments = {"--registry-root", m_root.Path().string(), "--script", "-"};
    options.input = "click 1\n";
    options.environment = m_environment;
    const ProgramRun refused = RunTool(ToolProgram(), options);
    ASSERT_NE(refused.exitCode, 127) << "the program could not be started as nobody: " << refused.errors;
    EXPECT_EQ(refused.exitCode, 5) << refused.errors;
    for (const std::string& text : {std::string("administrator rights"), std::string("sudo"),
             std::string("SPARKINI=FILE"), std::string("--registry-root"), ConfigurationPath().string()}) {
        EXPECT_NE(refused.errors.find(text), std::string::npos) << text << " in: " << refused.errors;
    }
    EXPECT_EQ(refused.output, "") << "no dialog may open";
    EXPECT_EQ(ReadFileBytes(ConfigurationPath()), before);

    // Root may write it.
    options.wrapper.clear();
    EXPECT_EQ(RunTool(ToolProgram(), options).exitCode, 1);
}

/// A server-side property or HTTP header name the file cannot hold ("=" would
/// split its line) is refused where it is typed, under the driver-wide
/// dialog's caption, and the edit dialog stays open with what was typed; the
/// rest of the work is saved.
TEST_F(ConfigurationToolTest, ANameTheFileCannotHoldIsRefusedInTheEditDialog)
{
    WriteConfiguration(TYPICAL_CONFIGURATION);
    const ProgramRun run = RunScript("type 1044 operator\n"
                                     "click 1029\n"
                                     "click 1078\n"
                                     "click 1080\n"
                                     "type 1050 spark.a=b\n"
                                     "type 1052 8\n"
                                     "click 1\n"
                                     "expect dialog 131\n"
                                     "expect 1050 text spark.a=b\n"
                                     "type 1050 spark.a\n"
                                     "click 1\n"
                                     "expect 1084 items spark.a=8\n"
                                     "click 1\n"
                                     "click 1\n"
                                     "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(run.output,
        "message-box [Driver Configuration Error] The name \"spark.a=b\" cannot be stored in the driver's "
        "configuration: the name holds \"=\", where the line would be split. Choose another name. -> OK\n");
    const auto values = ReadDriverKey(m_root.Path());
    EXPECT_EQ(values.at("SSP_spark.a"), "8");
    EXPECT_EQ(values.at("UID"), "operator");
}

/// A registry root that does not exist is refused, the same way by the tool
/// and by dravo-reg, and never made.
TEST_F(ConfigurationToolTest, AMissingRegistryRootIsRefusedAndNotMade)
{
    const std::filesystem::path missing = m_root / "missing";
    ToolRunOptions options;
    options.environment = m_environment;
    options.arguments = {"--registry-root", missing.string(), "--script", "-"};
    options.input = "click 1\n";
    const ProgramRun tool = RunTool(ToolProgram(), options);
    EXPECT_EQ(tool.exitCode, 3);
    const std::string message =
        ": --registry-root: the directory " + missing.string() + " does not exist; nothing was changed.\n";
    EXPECT_EQ(tool.errors, "dravo-spark-config" + message);

    options.arguments = {
        "--registry-root", missing.string(), "ADD", "HKLM\\SOFTWARE\\Other", "/v", "v", "/d", "1", "/f"};
    options.input.clear();
    const ProgramRun reg = RunTool(BuiltProgram("bin/dravo-reg"), options);
    EXPECT_EQ(reg.exitCode, 1);
    EXPECT_EQ(reg.errors, "dravo-reg" + message);
    EXPECT_FALSE(std::filesystem::exists(missing));

    WriteFileBytes(missing, "a file");
    options.arguments = {"--registry-root", missing.string(), "QUERY", "HKLM\\SOFTWARE"};
    EXPECT_EQ(RunTool(BuiltProgram("bin/dravo-reg"), options).errors,
        "dravo-reg: --registry-root: " + missing.string() + " is not a directory; nothing was changed.\n");
}

TEST_F(ConfigurationToolTest, HelpVersionAndBadCommandLines)
{
    ToolRunOptions options;
    options.environment = m_environment;

    options.arguments = {"--help"};
    ProgramRun run = RunTool(ToolProgram(), options);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("Usage: dravo-spark-config"), std::string::npos) << run.output;

    options.arguments = {"--version"};
    run = RunTool(ToolProgram(), options);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.rfind("dravo-spark-config 1.1.1.1001 (", 0), 0U) << run.output;

    options.arguments = {"--registry-root"};
    run = RunTool(ToolProgram(), options);
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_NE(run.errors.find("needs a value"), std::string::npos) << run.errors;

    // A data source is edited in the terminal too, which this run lacks.
    options.arguments = {"--registry-root", m_root.Path().string(), "--dsn", "Sample"};
    run = RunTool(ToolProgram(), options);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.errors.find("cannot be shown"), std::string::npos) << run.errors;
    EXPECT_FALSE(std::filesystem::exists(ConfigurationPath()));
}

} // namespace
} // namespace Dravo::Test
