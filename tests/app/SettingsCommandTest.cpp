// dravo-spark-config's settings commands run as a child on a configuration
// file of its own (SPARKINI): a request that asks for what is stored leaves
// the file untouched, a refused value writes nothing, --check and --diff
// write nothing and show no password, apply --exact, check with file and
// line, the rights a save needs, and the table of settings the documentation
// holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/app/ToolRun.h"
#include "tests/common/DriverConfigurationFile.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

/// What a save may change of a file: its bytes, the file itself and its time.
struct FileState {
    std::string bytes;
    ino_t inode = 0;
    int64_t modified = 0;

    friend bool operator==(const FileState&, const FileState&) = default;
};

FileState StateOf(const std::filesystem::path& path)
{
    struct stat status {};
    FileState state;
    state.bytes = ReadFileBytes(path);
    if (::stat(path.c_str(), &status) == 0) {
        state.inode = status.st_ino;
        state.modified = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    }
    return state;
}

class SettingsCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_environment["DRAVO_REGISTRY_ROOT"] = (m_directory.Path() / "registry").string();
        m_environment["HOME"] = m_directory.Path().string();
        m_environment["XDG_CONFIG_HOME"] = std::nullopt;
        m_environment["SPARKINI"] = File().string();
        std::filesystem::create_directory(m_directory.Path() / "registry");
    }

    [[nodiscard]] std::filesystem::path File() const { return m_directory.Path() / "vezuravuz.ini"; }

    ProgramRun Run(std::vector<std::string> arguments, const std::string& input = "")
    {
        ToolRunOptions options;
        options.arguments = std::move(arguments);
        options.input = input;
        options.environment = m_environment;
        options.wrapper = m_wrapper;
        return RunTool(BuiltProgram("bin/dravo-spark-config"), options);
    }

    TempDir m_directory;
    std::map<std::string, std::optional<std::string>> m_environment;
    std::vector<std::string> m_wrapper;
};

TEST_F(SettingsCommandTest, ARequestForWhatIsStoredLeavesTheFileUntouched)
{
    WriteFileBytes(File(), "; kept\n[Driver]\nSparkServerType=3\nAuthMech=3\nUID=alice\n");
    const ProgramRun first = Run({"set", "authmech=User Name and Password", "UID=bob", "UseNativeQuery=1"});
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    EXPECT_NE(first.output.find("Changed"), std::string::npos) << first.output;
    EXPECT_EQ(ReadFileBytes(File()).rfind("; kept\n[Driver]\nSparkServerType=3\nAuthMech=3\nUID=bob\n", 0), 0U)
        << ReadFileBytes(File());
    EXPECT_EQ(DriverSectionValue(File(), "UseNativeQuery"), "1");

    const FileState saved = StateOf(File());
    ::usleep(20000);
    for (const std::vector<std::string>& again : {std::vector<std::string>{"set", "UseNativeQuery=1", "UID=bob"},
             std::vector<std::string>{"set", "AuthMech=3", "--json"}, std::vector<std::string>{"unset", "KrbRealm"}}) {
        const ProgramRun run = Run(again);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_TRUE(run.output.find("Nothing to change") != std::string::npos
            || run.output.find("\"changed\":false") != std::string::npos)
            << run.output;
        EXPECT_EQ(StateOf(File()), saved) << again.front();
    }
}

TEST_F(SettingsCommandTest, ARefusedValueWritesNothingAndSaysWhy)
{
    const std::string text = "[Driver]\nSparkServerType=3\nAuthMech=2\nThriftTransport=1\n";
    WriteFileBytes(File(), text);
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"set", "UseNativeQuery=1", "AuthMech=banana"}, 65, "\"banana\" is not a valid value of AuthMech"},
        {{"set", "ThriftTransport=Binary"}, 65, "Binary cannot be used with the authentication mechanism User Name"},
        {{"set", "EncryptedPWD=s3cret"}, 65, "EncryptedPWD is a password"},
        {{"set", "NoSuchSetting=1"}, 65, "NoSuchSetting is not one of the driver's settings"},
        {{"set", "UseNativeQuery=1", "usenativequery=0"}, 64, "given twice"},
        {{"set", "UseNativeQuery"}, 64, "has no value"},
        {{"apply", (m_directory.Path() / "missing.ini").string()}, 64, "cannot read"},
        {{"unset", "UseNativeQuery", "--json", "--exact"}, 64, "'--exact' does not go with 'unset'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[1]);
        const ProgramRun run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.errors;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
        EXPECT_EQ(ReadFileBytes(File()), text);
    }
    // JSON tells the refusal under "error", and nothing changed.
    const ProgramRun json = Run({"set", "AuthMech=banana", "--json"});
    EXPECT_EQ(json.exitCode, 65);
    EXPECT_NE(json.output.find("\"changed\":false"), std::string::npos) << json.output;
    EXPECT_NE(json.output.find("\"error\":\"\\\"banana\\\" is not a valid value of AuthMech"), std::string::npos)
        << json.output;
}

TEST_F(SettingsCommandTest, PasswordsAreEncipheredRecognisedAndNeverShown)
{
    WriteFileBytes(File(), "[Driver]\nSparkServerType=3\nAuthMech=3\n");
    const std::filesystem::path secret = m_directory.Path() / "secret";
    WriteFileBytes(secret, "s3cret-w0rd\n");

    // --check with --diff: what would change, no password, nothing written.
    const std::string before = ReadFileBytes(File());
    const ProgramRun check = Run({"set", "UID=alice", "--password-file", secret.string(), "--check", "--diff"});
    ASSERT_EQ(check.exitCode, 0) << check.errors;
    EXPECT_NE(check.output.find("+EncryptedPWD=********\n"), std::string::npos) << check.output;
    EXPECT_NE(check.output.find("nothing was written (--check)"), std::string::npos) << check.output;
    EXPECT_EQ(check.output.find("s3cret"), std::string::npos) << check.output;
    EXPECT_EQ(ReadFileBytes(File()), before);

    const ProgramRun set = Run({"set", "UID=alice", "--password-stdin", "--json"}, "s3cret-w0rd\n");
    ASSERT_EQ(set.exitCode, 0) << set.errors;
    EXPECT_EQ(set.output.find("s3cret"), std::string::npos) << set.output;
    const std::string stored = DriverSectionValue(File(), "EncryptedPWD");
    EXPECT_EQ(stored.rfind("_", 0), 0U) << stored;
    EXPECT_EQ(stored.find("s3cret"), std::string::npos);

    // The same password is no change; another one is, and stays hidden.
    const FileState saved = StateOf(File());
    const ProgramRun same = Run({"set", "--password-file", secret.string(), "--json"});
    EXPECT_NE(same.output.find("\"changed\":false"), std::string::npos) << same.output;
    EXPECT_EQ(StateOf(File()), saved);
    const ProgramRun other = Run({"set", "EncryptedPWD", "--password-stdin", "--diff"}, "another");
    EXPECT_EQ(other.exitCode, 0) << other.errors;
    EXPECT_NE(other.output.find("-EncryptedPWD=********\n+EncryptedPWD=********\n"), std::string::npos) << other.output;
    EXPECT_EQ(other.output.find("another"), std::string::npos);
    EXPECT_NE(DriverSectionValue(File(), "EncryptedPWD"), stored);
}

TEST_F(SettingsCommandTest, ApplyHoldsAFilesSettingsAndExactPutsTheOthersBack)
{
    WriteFileBytes(File(),
        "[Driver]\nSparkServerType=3\nAuthMech=0\nThriftTransport=0\nSocketTimeout=90\n"
        "SSP_keep=1\nSSP_drop=2\n");
    const std::filesystem::path wanted = m_directory.Path() / "wanted.ini";
    WriteFileBytes(wanted,
        "; what the fleet holds\n[Other]\nUID=x\n[driver]\nSparkServerType=3\nAuthMech=0\n"
        "ThriftTransport=HTTP\nSSP_keep=1\nLogLevel=LOG_WARNING\nLogPath=/var/log\n");
    const ProgramRun apply = Run({"apply", wanted.string()});
    ASSERT_EQ(apply.exitCode, 0) << apply.errors;
    EXPECT_EQ(DriverSectionValue(File(), "ThriftTransport"), "2");
    EXPECT_EQ(DriverSectionValue(File(), "LogLevel"), "3");
    EXPECT_EQ(DriverSectionValue(File(), "SocketTimeout"), "90");
    EXPECT_EQ(DriverSectionValue(File(), "SSP_drop"), "2");
    EXPECT_EQ(DriverSectionValue(File(), "UID"), "<absent>");

    const ProgramRun exact = Run({"apply", wanted.string(), "--exact", "--json"});
    ASSERT_EQ(exact.exitCode, 0) << exact.errors;
    EXPECT_NE(
        exact.output.find("\"SocketTimeout\":{\"before\":\"90\",\"after\":\"\",\"changed\":true}"), std::string::npos)
        << exact.output;
    EXPECT_EQ(DriverSectionValue(File(), "SSP_drop"), "<absent>");
    EXPECT_EQ(DriverSectionValue(File(), "SSP_keep"), "1");
    const ProgramRun again = Run({"apply", wanted.string(), "--exact", "--json"});
    EXPECT_NE(again.output.find("\"changed\":false"), std::string::npos) << again.output;
}

TEST_F(SettingsCommandTest, CheckNamesTheFileAndLineOfWhatTheDialogShowsDifferently)
{
    WriteFileBytes(File(), "; hand-edited\n[Driver]\nSparkServerType=3\nAuthMech=9\nUseNativeQuery=yes\n");
    const ProgramRun check = Run({"check"});
    EXPECT_EQ(check.exitCode, 65) << check.errors;
    const std::string file = File().string();
    EXPECT_NE(check.output.find(file
                  + ":4: AuthMech=9 is an older mechanism; the dialog shows Kerberos (1) over "
                    "HTTP (2) with SSL off."),
        std::string::npos)
        << check.output;
    EXPECT_NE(check.output.find(file + ":5: UseNativeQuery=yes is neither 0 nor 1"), std::string::npos) << check.output;

    WriteFileBytes(File(), "[Driver\nSparkServerType=3\n");
    const ProgramRun typo = Run({"check", "--json"});
    EXPECT_EQ(typo.exitCode, 65);
    EXPECT_NE(typo.output.find("\"place\":\"" + file + ":1\""), std::string::npos) << typo.output;

    WriteFileBytes(File(), "[Driver]\nSparkServerType=3\n");
    EXPECT_EQ(Run({"check"}).exitCode, 0);
}

TEST_F(SettingsCommandTest, AChangeTheUserMayNotSaveNeedsRightsButAskingForWhatIsStoredDoesNot)
{
    if (::geteuid() != 0 || !std::filesystem::exists("/usr/bin/setpriv")) {
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    }
    WriteFileBytes(File(), "[Driver]\nSparkServerType=3\nAuthMech=2\n");
    ::chmod(m_directory.Path().c_str(), 0755);
    ::chmod(File().c_str(), 0644);
    m_wrapper = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    const ProgramRun refused = Run({"set", "UseNativeQuery=1"});
    EXPECT_EQ(refused.exitCode, 5) << refused.errors;
    // The file SPARKINI names is the user's to open up: no talk of root.
    EXPECT_NE(refused.errors.find("(named by SPARKINI), cannot be written by this user"), std::string::npos)
        << refused.errors;
    EXPECT_EQ(refused.errors.find("administrator rights"), std::string::npos) << refused.errors;
    const ProgramRun json = Run({"set", "UseNativeQuery=1", "--json"});
    EXPECT_EQ(json.exitCode, 5);
    EXPECT_NE(
        json.output.find("\"UseNativeQuery\":{\"before\":null,\"after\":\"1\",\"changed\":false}"), std::string::npos)
        << json.output;
    const ProgramRun unchanged = Run({"set", "AuthMech=2", "--check"});
    EXPECT_EQ(unchanged.exitCode, 0) << unchanged.errors;
}

TEST_F(SettingsCommandTest, ADataSourceIsMadeChangedAndRemovedOnlyWhenThatChangesSomething)
{
    // unixODBC's files in a folder of the test's own.
    const std::filesystem::path odbc = m_directory.Path() / "odbc";
    std::filesystem::create_directory(odbc);
    WriteFileBytes(odbc / "odbcinst.ini", "[Dravo Spark ODBC Driver]\nDriver=/nonexistent/libdriver.so\n");
    WriteFileBytes(odbc / "odbc.ini", "");
    WriteFileBytes(odbc / "user.ini", "[Other]\nDriver=Dravo Spark ODBC Driver\nHost=other\n");
    m_environment["ODBCSYSINI"] = odbc.string();
    m_environment["ODBCINI"] = (odbc / "user.ini").string();

    const ProgramRun noHost = Run({"set", "--dsn", "Sales", "SparkServerType=3"});
    EXPECT_EQ(noHost.exitCode, 65) << noHost.errors;
    EXPECT_NE(noHost.errors.find("Host cannot be empty"), std::string::npos) << noHost.errors;
    const ProgramRun driverWide = Run({"set", "--dsn", "Sales", "Host=h", "LogLevel=3"});
    EXPECT_EQ(driverWide.exitCode, 65) << driverWide.errors;
    EXPECT_NE(driverWide.errors.find("LogLevel belongs to the driver-wide settings"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(odbc / "user.ini").find("[Sales]"), std::string::npos);

    const ProgramRun made = Run({"set", "--dsn", "Sales", "Host=spark.example.com", "AuthMech=3", "UID=alice",
                                    "SparkServerType=3", "--password-stdin", "--json"},
        "s3cret");
    ASSERT_EQ(made.exitCode, 0) << made.errors;
    EXPECT_NE(made.output.find("\"changed\":true"), std::string::npos) << made.output;
    const std::string file = ReadFileBytes(odbc / "user.ini");
    EXPECT_NE(file.find("[Sales]\nDriver=Dravo Spark ODBC Driver\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Port=10000\n"), std::string::npos) << file;
    EXPECT_NE(file.find("EncryptedPWD=_"), std::string::npos) << file;
    EXPECT_EQ(file.find("s3cret"), std::string::npos) << file;
    EXPECT_EQ(file.rfind("[Other]\nDriver=Dravo Spark ODBC Driver\nHost=other\n", 0), 0U) << file;

    const ProgramRun again =
        Run({"set", "--dsn", "Sales", "Host=spark.example.com", "UID=alice", "--password-stdin", "--json"}, "s3cret");
    EXPECT_NE(again.output.find("\"changed\":false"), std::string::npos) << again.output << again.errors;
    EXPECT_EQ(ReadFileBytes(odbc / "user.ini"), file);

    // A hand edit the dialog shows differently is named with its file and line.
    WriteFileBytes(odbc / "user.ini",
        ReadFileBytes(odbc / "user.ini")
            + "\n[Hand]\nDriver=Dravo Spark ODBC Driver\n"
              "Host=h\nSparkServerType=3\nAuthMech=7\n");
    const ProgramRun check = Run({"check", "--dsn", "Hand"});
    EXPECT_EQ(check.exitCode, 65) << check.errors;
    const size_t lines = static_cast<size_t>(std::count(file.begin(), file.end(), '\n'));
    EXPECT_NE(check.output.find((odbc / "user.ini").string() + ":" + std::to_string(lines + 6)
                  + ": AuthMech=7 is an older mechanism"),
        std::string::npos)
        << check.output;

    const ProgramRun removed = Run({"remove", "--dsn", "Sales", "--json"});
    EXPECT_NE(removed.output.find("\"changed\":true"), std::string::npos) << removed.output << removed.errors;
    EXPECT_EQ(ReadFileBytes(odbc / "user.ini").find("[Sales]"), std::string::npos);
    const ProgramRun absent = Run({"remove", "--dsn", "Sales", "--json"});
    EXPECT_EQ(absent.exitCode, 0) << absent.errors;
    EXPECT_NE(absent.output.find("\"changed\":false"), std::string::npos) << absent.output;
}

TEST_F(SettingsCommandTest, WhatTheToolStoresItTakesBackForTheDriverAndADataSource)
{
    // A save writes SocketTimeout, DriverConfigTakePrecedence and the
    // server-side switches empty: get's output applies unchanged.
    WriteFileBytes(File(), "");
    ASSERT_EQ(Run({"set", "SparkServerType=3", "AuthMech=0", "SSL=1"}).exitCode, 0);
    const std::filesystem::path got = m_directory.Path() / "got.ini";
    const ProgramRun get = Run({"get"});
    ASSERT_EQ(get.exitCode, 0) << get.errors;
    EXPECT_NE(get.output.find("\nApplySSPWithQueries=\n"), std::string::npos) << get.output;
    WriteFileBytes(got, get.output);
    const FileState saved = StateOf(File());
    ::usleep(20000);
    const ProgramRun apply = Run({"apply", got.string()});
    EXPECT_EQ(apply.exitCode, 0) << apply.errors;
    EXPECT_NE(apply.output.find("Nothing to change"), std::string::npos) << apply.output;
    for (const char* empty : {"SocketTimeout=", "DriverConfigTakePrecedence=", "LCaseSspKeyName=",
             "ApplySSPWithQueries=", "CAIssuedCertNamesMismatch="}) {
        const ProgramRun set = Run({"set", empty});
        EXPECT_EQ(set.exitCode, 0) << empty << ": " << set.errors;
    }
    EXPECT_EQ(StateOf(File()), saved);
    // The tool's own SSL save names the certificates file the dialog shows,
    // and check finds nothing in what the tool wrote.
    EXPECT_NE(DriverSectionValue(File(), "TrustedCerts"), "");
    EXPECT_EQ(Run({"check"}).exitCode, 0);

    const std::filesystem::path odbc = m_directory.Path() / "odbc";
    std::filesystem::create_directory(odbc);
    WriteFileBytes(odbc / "odbcinst.ini", "[Dravo Spark ODBC Driver]\nDriver=/nonexistent/libdriver.so\n");
    WriteFileBytes(odbc / "odbc.ini", "");
    WriteFileBytes(odbc / "user.ini", "");
    m_environment["ODBCSYSINI"] = odbc.string();
    m_environment["ODBCINI"] = (odbc / "user.ini").string();
    ASSERT_EQ(Run({"set", "--dsn", "Sales", "Host=h", "SparkServerType=3"}).exitCode, 0);
    const ProgramRun dataSource = Run({"get", "--dsn", "Sales"});
    ASSERT_EQ(dataSource.exitCode, 0) << dataSource.errors;
    WriteFileBytes(got, dataSource.output);
    const std::string before = ReadFileBytes(odbc / "user.ini");
    const ProgramRun applied = Run({"apply", "--dsn", "Sales", got.string()});
    EXPECT_EQ(applied.exitCode, 0) << applied.errors << dataSource.output;
    EXPECT_EQ(ReadFileBytes(odbc / "user.ini"), before);
}

TEST_F(SettingsCommandTest, CheckReportsEveryStoredStateThatALaterChangeRefuses)
{
    struct Case {
        std::string text;
        std::string reported;
    };
    const std::vector<Case> cases = {
        {"[Driver]\nSparkServerType=3\nAuthMech=1\nKrbServiceName=spark\n",
            ":3: AuthMech=1 is Kerberos without KrbHostFQDN"},
        {"[Driver]\nSparkServerType=3\nAuthMech=0\nLogLevel=3\n", ":4: LogLevel=3 is LOG_WARNING without LogPath"},
        {"[Driver]\nSparkServerType=3\nAuthMech=0\nSSL=1\nTwoWaySSL=1\nClientCert=/c.pem\n",
            ":5: TwoWaySSL=1 is on without ClientPrivateKey"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFileBytes(File(), c.text);
        const ProgramRun check = Run({"check"});
        EXPECT_EQ(check.exitCode, 65) << check.output;
        EXPECT_NE(check.output.find(File().string() + c.reported), std::string::npos) << check.output;
        // And the change check says it refuses indeed refuses, writing nothing.
        const ProgramRun set = Run({"set", "UseNativeQuery=1"});
        EXPECT_EQ(set.exitCode, 65) << set.errors;
        EXPECT_EQ(ReadFileBytes(File()), c.text);
    }

    // What the SSL dialog shows otherwise is told; a scale above the
    // largest is kept by every save but the Advanced dialog's, and said so.
    WriteFileBytes(File(), "[Driver]\nSparkServerType=3\nAuthMech=0\nSSL=1\nTrustedCerts=\nDecimalColumnScale=99\n");
    const ProgramRun check = Run({"check"});
    EXPECT_EQ(check.exitCode, 65);
    EXPECT_NE(check.output.find(":5: TrustedCerts= is empty while SSL is on; the SSL Options dialog shows"),
        std::string::npos)
        << check.output;
    EXPECT_NE(check.output.find(":6: DecimalColumnScale=99 is above 38"), std::string::npos) << check.output;
    EXPECT_EQ(check.output.find("the dialog saves 38"), std::string::npos) << check.output;
    ASSERT_EQ(Run({"set", "UseNativeQuery=1"}).exitCode, 0);
    EXPECT_EQ(DriverSectionValue(File(), "DecimalColumnScale"), "99");
}

TEST_F(SettingsCommandTest, ApplyRefusesLinesItCannotReadWithTheirFileAndLine)
{
    const std::string text = "[Driver]\nSparkServerType=3\nAuthMech=2\n";
    WriteFileBytes(File(), text);
    const std::filesystem::path wanted = m_directory.Path() / "wanted.ini";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[Driver]\nSparkServerType=3\nAuthMech: 0\n", ":3: \"AuthMech: 0\" is not a setting"},
        {"; fleet\n[Driver]\nSSL 1\n", ":3: \"SSL 1\" is not a setting"},
        {"[Driver]\nUseNativeQuery=1\n[Other]\nx\n[driver]\nUseNativeQuery=0\n", ":5: a second [driver] section"},
        {"[Driver]\nUseNativeQuery=1\r\nusenativequery = 0\r\n", ":3: usenativequery is given a second time"},
    };
    for (const auto& [lines, message] : cases) {
        SCOPED_TRACE(lines);
        WriteFileBytes(wanted, lines);
        const ProgramRun apply = Run({"apply", wanted.string()});
        EXPECT_EQ(apply.exitCode, 65) << apply.errors;
        EXPECT_NE(apply.errors.find(wanted.string() + message), std::string::npos) << apply.errors;
        EXPECT_EQ(ReadFileBytes(File()), text);
    }
}

TEST_F(SettingsCommandTest, AnEmptyPasswordIsRefusedAndTheStoredOneKept)
{
    WriteFileBytes(File(), "[Driver]\nSparkServerType=3\nAuthMech=3\n");
    ASSERT_EQ(Run({"set", "--password-stdin"}, "s3cret\n").exitCode, 0);
    const std::string text = ReadFileBytes(File());
    const std::filesystem::path empty = m_directory.Path() / "empty";
    WriteFileBytes(empty, "\n");
    for (const ProgramRun& run : {Run({"set", "--password-stdin"}, ""),
             Run({"set", "--password-stdin", "--json"}, "\n"), Run({"set", "--password-file", empty.string()})}) {
        EXPECT_EQ(run.exitCode, 65) << run.errors;
        EXPECT_NE((run.errors + run.output).find("is empty"), std::string::npos) << run.errors;
        EXPECT_EQ(run.output.find("\"after\":\"\""), std::string::npos) << run.output;
        EXPECT_EQ(ReadFileBytes(File()), text);
    }
}

TEST_F(SettingsCommandTest, AMissingRegistryRootIsRefusedHoweverItIsNamed)
{
    WriteFileBytes(File(), "[Driver]\nSparkServerType=3\n");
    const std::string missing = (m_directory.Path() / "missing").string();
    for (const std::vector<std::string>& command : {std::vector<std::string>{"get"}, std::vector<std::string>{"check"},
             std::vector<std::string>{"set", "SSL=0"}}) {
        std::vector<std::string> option = {"--registry-root", missing};
        option.insert(option.end(), command.begin(), command.end());
        const ProgramRun run = Run(option);
        EXPECT_EQ(run.exitCode, 3) << command.front() << ": " << run.output;
        EXPECT_NE(run.errors.find("the directory " + missing + " does not exist"), std::string::npos) << run.errors;
        EXPECT_EQ(run.output.find("[Driver]"), std::string::npos);
    }
    m_environment["DRAVO_REGISTRY_ROOT"] = missing;
    const ProgramRun get = Run({"get", "--json"});
    EXPECT_EQ(get.exitCode, 3);
    EXPECT_NE(get.errors.find("DRAVO_REGISTRY_ROOT: the directory " + missing), std::string::npos) << get.errors;
    EXPECT_NE(get.output.find("\"error\":\"DRAVO_REGISTRY_ROOT"), std::string::npos) << get.output;
    const ProgramRun reg = RunTool(BuiltProgram("bin/dravo-reg"),
        ToolRunOptions{{"add", "HKLM\\SOFTWARE\\X", "/v", "A", "/d", "1", "/f"}, "", m_environment, {}});
    EXPECT_EQ(reg.exitCode, 1) << reg.errors;
    EXPECT_NE(reg.errors.find("DRAVO_REGISTRY_ROOT: the directory " + missing), std::string::npos) << reg.errors;
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(SettingsCommandTest, MessagesSpeakOfFilesAndEndTheirSentences)
{
    WriteFileBytes(File(), "[Driver]\nSparkServerType=3\n");
    const ProgramRun missing = Run({"apply", (m_directory.Path() / "missing.ini").string()});
    EXPECT_NE(missing.errors.find("No such file or directory"), std::string::npos) << missing.errors;
    const ProgramRun folder = Run({"apply", m_directory.Path().string()});
    EXPECT_EQ(folder.exitCode, 64);
    EXPECT_NE(folder.errors.find("is a directory"), std::string::npos) << folder.errors;
    for (const ProgramRun& run : {missing, folder}) {
        EXPECT_EQ(run.errors.find("The system cannot"), std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find("Access is denied"), std::string::npos) << run.errors;
    }

    const std::filesystem::path odbc = m_directory.Path() / "odbc";
    std::filesystem::create_directory(odbc);
    WriteFileBytes(odbc / "odbcinst.ini", "[Dravo Spark ODBC Driver]\nDriver=/nonexistent/libdriver.so\n");
    WriteFileBytes(odbc / "odbc.ini", "");
    m_environment["ODBCSYSINI"] = odbc.string();
    m_environment["ODBCINI"] = (odbc / "user.ini").string();
    const ProgramRun noHost = Run({"set", "--dsn", "Sales", "SparkServerType=3"});
    EXPECT_NE(noHost.errors.find("Host cannot be empty. Nothing was changed."), std::string::npos) << noHost.errors;
}

TEST_F(SettingsCommandTest, JsonAnswersEveryPathWithTheRulesSpelling)
{
    WriteFileBytes(File(), "[Driver]\nsparkservertype=3\nAUTHMECH=0\n");
    for (const std::vector<std::string>& usage : {std::vector<std::string>{"set", "--json"},
             std::vector<std::string>{"get", "--json", "--bogus"}, std::vector<std::string>{"apply", "--json"}}) {
        const ProgramRun run = Run(usage);
        EXPECT_EQ(run.exitCode, 64);
        EXPECT_EQ(run.output.rfind("{\"changed\":false,", 0), 0U) << usage.back() << ": " << run.output;
        EXPECT_NE(run.output.find("\"error\":\""), std::string::npos) << run.output;
    }
    const ProgramRun all = Run({"get", "--json"});
    const ProgramRun one = Run({"get", "SPARKSERVERTYPE", "--json"});
    EXPECT_NE(all.output.find("\"SparkServerType\":\"3\""), std::string::npos) << all.output;
    EXPECT_NE(all.output.find("\"AuthMech\":\"0\""), std::string::npos) << all.output;
    EXPECT_EQ(one.output, "{\"SparkServerType\":\"3\"}\n");
}

TEST_F(SettingsCommandTest, NamesLabelsAndSwitchesAreReadAsAPersonWritesThem)
{
    WriteFileBytes(File(), "[Driver]\nSparkServerType=1\n");
    // The Kelvin sign is no K: no setting is named with it.
    const ProgramRun kelvin = Run({"set", "SparkServerType=3", "\xE2\x84\xAArbRealm=R"});
    EXPECT_EQ(kelvin.exitCode, 65) << kelvin.errors;
    EXPECT_NE(kelvin.errors.find("is not one of the driver's settings"), std::string::npos) << kelvin.errors;

    const ProgramRun labels = Run({"set", "SparkServerType=SparkThriftServer", "AuthMech=0", "UseNativeQuery=true",
        "FastSQLPrepare=Yes", "ShowSystemTable=no"});
    ASSERT_EQ(labels.exitCode, 0) << labels.errors;
    EXPECT_EQ(DriverSectionValue(File(), "SparkServerType"), "3");
    EXPECT_EQ(DriverSectionValue(File(), "UseNativeQuery"), "1");
    EXPECT_EQ(DriverSectionValue(File(), "FastSQLPrepare"), "1");
    EXPECT_EQ(DriverSectionValue(File(), "ShowSystemTable"), "0");
    // "SharkServer" is the whole short label of one type and begins another's.
    ASSERT_EQ(Run({"set", "SparkServerType=sharkserver2"}).exitCode, 0);
    EXPECT_EQ(DriverSectionValue(File(), "SparkServerType"), "2");
    EXPECT_EQ(Run({"set", "UseNativeQuery=maybe"}).exitCode, 65);
}

TEST_F(SettingsCommandTest, HelpForEachCommandAndWhatEachSettingIsFor)
{
    WriteFileBytes(File(), "[Driver]\nSparkServerType=3\nAuthMech=0\n");
    for (const std::vector<std::string>& help : {std::vector<std::string>{"set", "--help"},
             std::vector<std::string>{"help", "set"}, std::vector<std::string>{"apply", "--help", "--json"}}) {
        const ProgramRun run = Run(help);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_NE(run.output.find("Usage: dravo-spark-config"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(" " + std::string(help[0] == "help" ? help[1] : help[0]) + " "), std::string::npos)
            << run.output;
    }
    const ProgramRun general = Run({"help"});
    EXPECT_EQ(general.exitCode, 0);
    EXPECT_NE(general.output.find("Commands, for the settings"), std::string::npos);
    EXPECT_EQ(Run({"help", "frobnicate"}).exitCode, 64);

    const ProgramRun setting = Run({"settings", "authmech"});
    EXPECT_EQ(setting.exitCode, 0) << setting.errors;
    EXPECT_EQ(setting.output.rfind("AuthMech\n  How the driver authenticates itself to the server.\n", 0), 0U)
        << setting.output;
    EXPECT_EQ(setting.output.find("SparkServerType"), std::string::npos);
    EXPECT_EQ(setting.output.find("(10"), std::string::npos) << "no control ids: " << setting.output;
    EXPECT_EQ(Run({"settings", "NoSuchSetting"}).exitCode, 65);

    const ProgramRun value = Run({"get", "AuthMech", "--value"});
    EXPECT_EQ(value.exitCode, 0) << value.errors;
    EXPECT_EQ(value.output, "0\n");
    EXPECT_EQ(Run({"get", "SparkServerType", "KrbRealm", "--value"}).output, "3\n\n");
    EXPECT_EQ(Run({"get", "--value"}).exitCode, 64);
}

TEST_F(SettingsCommandTest, TheDocumentedTableIsTheProgramsTable)
{
    const ProgramRun table = Run({"settings", "--markdown"});
    ASSERT_EQ(table.exitCode, 0) << table.errors;
    const char* source = std::getenv("DRAVO_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::string document = ReadFileBytes(std::filesystem::path(source) / "docs" / "settings.md");
    ASSERT_GE(document.size(), table.output.size());
    EXPECT_EQ(document.substr(document.size() - table.output.size()), table.output)
        << "docs/settings.md no longer ends with 'dravo-spark-config settings --markdown'; regenerate it";
}

} // namespace
} // namespace Dravo::Test
