// The setup library as unixODBC's installer calls it for applications and
// scripts (SQLConfigDataSource, SQLConfigDataSourceW, SQLConfigDriver,
// ODBCINSTConstructProperties), with its ini files in a temporary directory.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "tests/setup/SetupFixture.h"

namespace Dravo::Test {
namespace {

constexpr int INVALID_REQUEST_TYPE = 5;
constexpr int INVALID_WINDOW = 3;
constexpr int INVALID_NAME = 7;
constexpr int INVALID_KEYWORD_VALUE = 8;
constexpr int REQUEST_FAILED = 11;

/// A user data source that the refused requests must leave alone.
constexpr const char* EXISTING = "[Existing]\nDriver=Dravo Spark ODBC Driver\nHost=old.example.com\nPort=10000\n"
                                 "SparkServerType=3\nAuthMech=2\nThriftTransport=1\nUID=bob\n";

class SetupLibraryTest : public SetupFixture {
protected:
    /// The dialog of the program reads the data source as the library wrote it.
    ProgramRun ShowInProgram(const std::string& name, const std::string& script) const
    {
        ToolRunOptions options;
        options.arguments = {"--dsn", name, "--script", "-"};
        options.input = script;
        options.environment = Environment();
        return RunTool(BuiltProgram("bin/dravo-spark-config"), options);
    }
};

TEST_F(SetupLibraryTest, DataSourcesAreAddedChangedAndRemovedSilentlyThroughBothInstallerCalls)
{
    m_ini.WriteFile("user/odbc.ini", EXISTING);
    const ProbeResult added = Configure({}, "add",
        {"DSN=Sales", "DESCRIPTION=Sales cluster \u00e0 Z\u00fcrich", "Host=spark.example.com", "Port=10001",
            "SparkServerType=3", "AuthMech=3", "UID=alice", "PWD=s3cret", "ThriftTransport=2", "HTTPPath=/cliservice",
            "CustomSetting=kept"});
    ASSERT_TRUE(added.succeeded) << testing::PrintToString(added);
    EXPECT_TRUE(added.errors.empty());

    auto sales = UserSection("Sales");
    EXPECT_EQ(sales["Driver"], DRIVER);
    // Narrow text is UTF-8, and stays so.
    EXPECT_EQ(sales["DESCRIPTION"], "Sales cluster \u00e0 Z\u00fcrich");
    EXPECT_EQ(sales["Host"], "spark.example.com");
    EXPECT_EQ(sales["Port"], "10001");
    EXPECT_EQ(sales["SparkServerType"], "3");
    EXPECT_EQ(sales["AuthMech"], "3");
    EXPECT_EQ(sales["UID"], "alice");
    EXPECT_EQ(sales["ThriftTransport"], "2");
    EXPECT_EQ(sales["HTTPPath"], "/cliservice");
    EXPECT_EQ(sales["CustomSetting"], "kept");
    // The defaults of a new data source, as the dialog's save writes them.
    EXPECT_EQ(sales["RowsFetchedPerBlock"], "10000");
    EXPECT_EQ(sales["BinaryColumnLength"], "32767");
    EXPECT_EQ(sales["InvalidSessionAutoRecover"], "1");
    // The password is kept enciphered, never as given.
    EXPECT_EQ(sales["EncryptedPWD"].substr(0, 1), "_");
    EXPECT_EQ(sales.count("PWD"), 0U);
    EXPECT_EQ(UserIni().find("s3cret"), std::string::npos);
    EXPECT_EQ(UserSection("Existing"), OdbcIniDirectory::Section(EXISTING, "Existing"));
    EXPECT_EQ(SystemIni(), "");

    // The program shows what the library wrote, the password deciphered.
    const ProgramRun shown = ShowInProgram("Sales",
        "expect 1024 text spark.example.com\n"
        "expect 1040 selected User Name and Password\n"
        "expect 1054 text s3cret\n"
        "expect 1093 selected HTTP\n"
        "click 2\n");
    EXPECT_EQ(shown.exitCode, 0) << shown.errors << shown.output;

    const ProbeResult changed = Configure({"--wide"}, "config", {"DSN=Sales", "Port=443", "Schema=sales"});
    ASSERT_TRUE(changed.succeeded) << testing::PrintToString(changed);
    auto expected = sales;
    expected["Port"] = "443";
    expected["Schema"] = "sales";
    EXPECT_EQ(UserSection("Sales"), expected);

    const ProbeResult removed = Configure({}, "remove", {"DSN=Sales"});
    ASSERT_TRUE(removed.succeeded) << testing::PrintToString(removed);
    EXPECT_TRUE(UserSection("Sales").empty());
    EXPECT_EQ(UserSection("Existing"), OdbcIniDirectory::Section(EXISTING, "Existing"));
}

TEST_F(SetupLibraryTest, AFirstPasswordMakesTheUsersFilePrivateAndTheHostsStreamsStayItsOwn)
{
    // As unixODBC leaves it after a test connection: empty, 0666 less the umask.
    ::chmod((m_ini.Path() / "user" / "odbc.ini").c_str(), 0644);
    // A log that cannot be written: its lines must not reach the host's
    // standard error.
    std::ofstream(m_registry.Path() / "vezuravuz.ini")
        << "[Driver]\nLogLevel=6\nLogPath=" << (m_registry.Path() / "missing").string() << "\n";
    const ProbeResult added = Configure({}, "add", {"DSN=Sales", "UID=alice", "PWD=s3cret"});
    ASSERT_TRUE(added.succeeded) << testing::PrintToString(added);
    EXPECT_FALSE(UserSection("Sales")["EncryptedPWD"].empty());
    struct stat status {};
    ASSERT_EQ(::stat((m_ini.Path() / "user" / "odbc.ini").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600U);
    EXPECT_EQ(added.run.errors, "");
}

TEST_F(SetupLibraryTest, TheInstallersModeDecidesBetweenSystemAndUserDataSources)
{
    const ProbeResult system = Configure({"--system", "--wide"}, "add", {"DSN=Shared", "Host=shared.example.com"});
    ASSERT_TRUE(system.succeeded) << testing::PrintToString(system);
    EXPECT_EQ(OdbcIniDirectory::Section(SystemIni(), "Shared")["Host"], "shared.example.com");
    EXPECT_EQ(UserIni(), "");

    const ProbeResult user = Configure({}, "add", {"DSN=Mine", "Host=mine.example.com"});
    ASSERT_TRUE(user.succeeded) << testing::PrintToString(user);
    EXPECT_EQ(UserSection("Mine")["Host"], "mine.example.com");
    EXPECT_TRUE(OdbcIniDirectory::Section(SystemIni(), "Mine").empty());

    ASSERT_TRUE(Configure({"--system"}, "remove", {"DSN=Shared"}).succeeded);
    EXPECT_TRUE(OdbcIniDirectory::Section(SystemIni(), "Shared").empty());
    EXPECT_FALSE(UserSection("Mine").empty());
}

TEST_F(SetupLibraryTest, RefusedRequestsSayWhyAndLeaveOdbcIniByteForByte)
{
    m_ini.WriteFile("user/odbc.ini", EXISTING);
    struct Case {
        std::vector<std::string> flags;
        std::string action;
        std::vector<std::string> attributes;
        int code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, "add", {"Host=spark.example.com"}, INVALID_NAME, "No data source name was given"},
        {{"--wide"}, "add", {"DSN=Bad;Name"}, INVALID_NAME, "cannot contain any of the following characters"},
        {{}, "add", {"DSN=ThisNameIsLongerThanThirtyTwoCharacters"}, INVALID_NAME, "names have 1 to 32 characters"},
        {{}, "add", {"DSN=New", "Port=70000"}, INVALID_KEYWORD_VALUE,
            "\"70000\" is not a valid value of Port: it must be a whole number from 0 to 65535"},
        {{"--wide"}, "add", {"DSN=New", "Port=12a"}, INVALID_KEYWORD_VALUE, "is not a valid value of Port"},
        {{}, "add", {"DSN=New", "SparkServerType=4"}, INVALID_KEYWORD_VALUE,
            "it may be 1 (SharkServer (Shark 0.8.1 and earlier)), 2 (SharkServer2 (Shark 0.9.*)) or 3"},
        {{}, "add", {"DSN=New", "SparkServerType=3", "AuthMech=11"}, INVALID_KEYWORD_VALUE,
            "\"11\" is not a valid value of AuthMech"},
        {{}, "add", {"DSN=New", "DecimalColumnScale=39"}, INVALID_KEYWORD_VALUE, "from 0 to 38"},
        {{}, "add", {"DSN=New", "SparkServerType=3", "AuthMech=2", "ThriftTransport=0"}, INVALID_KEYWORD_VALUE,
            "The Thrift transport Binary cannot be used with the authentication mechanism User Name, which allows "
            "SASL"},
        {{}, "add", {"DSN=New", "SparkServerType=3", "AuthMech=1", "KrbServiceName=spark"}, INVALID_KEYWORD_VALUE,
            "Kerberos authentication needs the host FQDN"},
        {{}, "add", {"DSN=New", "SSL=yes"}, INVALID_KEYWORD_VALUE,
            "\"yes\" is not a valid value of SSL: it may be 0 or 1"},
        {{}, "add", {"DSN=New", "Host="}, INVALID_KEYWORD_VALUE, "Host cannot be empty"},
        {{}, "add", {"DSN=New", "Host=a\\n[Injected]"}, INVALID_KEYWORD_VALUE, "holds a line break"},
        {{}, "add", {"DSN=New", "NoValue"}, INVALID_KEYWORD_VALUE, "The attribute \"NoValue\" has no value"},
        {{}, "add", {"DSN=New", "DESCRIPTION=\xff\xfe"}, INVALID_KEYWORD_VALUE, "The attributes are not valid text."},
        {{}, "add", {"DSN=New", "Host=a", "host=b"}, INVALID_KEYWORD_VALUE, "\"host\" is given more than once"},
        {{}, "add", {"DSN=New", "Host=" + std::string(1000, 'h')}, INVALID_KEYWORD_VALUE,
            "the ODBC installer keeps at most 998 bytes"},
        {{}, "add", {"DSN=New", "EncryptedPWD=_00"}, INVALID_KEYWORD_VALUE, "is not a password enciphered"},
        {{}, "add", {"DSN=New", "EncryptedPWD=AAAA"}, INVALID_KEYWORD_VALUE, "is not a password enciphered"},
        {{}, "add", {"DSN=New", "EncryptedPWD=0123456789abcdef"}, INVALID_KEYWORD_VALUE,
            "is not a password enciphered"},
        // Names and keys the installer would keep changed, or lose.
        {{}, "add", {"DSN= Sales", "Host=h"}, INVALID_NAME, "begins or ends with a blank"},
        {{"--wide"}, "add", {"DSN=trail ", "Host=h"}, INVALID_NAME, "begins or ends with a blank"},
        {{}, "add", {"DSN=ODBC", "Host=h"}, INVALID_NAME, "a section the ODBC installer keeps for itself"},
        {{}, "add", {"DSN=New", "Host=h", "#Note=x"}, INVALID_KEYWORD_VALUE, "cannot be kept in a data source"},
        {{}, "config", {"DSN=Existing", ";Note=x"}, INVALID_KEYWORD_VALUE, "cannot be used"},
        // A change is judged with what the data source holds: its mechanism
        // (User Name) does not take the binary transport.
        {{}, "config", {"DSN=Existing", "ThriftTransport=0"}, INVALID_KEYWORD_VALUE, "cannot be used with"},
        {{}, "config", {"DSN=Missing", "Port=1"}, INVALID_NAME, "There is no data source named \"Missing\""},
        {{}, "remove", {"DSN=Missing"}, INVALID_NAME, "There is no data source named \"Missing\""},
        // A window where no terminal can show the dialog.
        {{"--window"}, "add", {"DSN=New"}, REQUEST_FAILED, "standard input and output are not one terminal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action + " " + testing::PrintToString(c.attributes));
        const ProbeResult result = Configure(c.flags, c.action, c.attributes);
        EXPECT_FALSE(result.succeeded) << testing::PrintToString(result);
        ASSERT_FALSE(result.errors.empty()) << testing::PrintToString(result);
        EXPECT_EQ(result.errors.front().first, c.code) << testing::PrintToString(result);
        EXPECT_NE(result.errors.front().second.find(c.message), std::string::npos) << testing::PrintToString(result);
        EXPECT_EQ(UserIni(), EXISTING);
        EXPECT_EQ(SystemIni(), "");
    }
}

TEST_F(SetupLibraryTest, AnotherDriversDataSourceAndALineUnixOdbcWouldCutAreRefusedAndChangeNothing)
{
    const std::string file = std::string(EXISTING) + "\n[Other]\nDriver=SQLite3\nDatabase=/tmp/other.db\n\n[Padded]\n"
        + "Driver=Dravo Spark ODBC Driver\nHost" + std::string(26, ' ') + "=" + std::string(26, ' ') + "old\n";
    m_ini.WriteFile("user/odbc.ini", file);
    struct Request {
        std::vector<std::string> flags;
        std::string action;
        std::vector<std::string> attributes;
    };
    const std::vector<Request> requests = {
        {{}, "config", {"DSN=Other", "Host=x"}},
        {{}, "add", {"DSN=Other", "Host=x"}},
        // Refused before any dialog is asked for.
        {{"--window"}, "config", {"DSN=Other"}},
        {{"--window"}, "add", {"DSN=Other"}},
        {{}, "config", {"DSN=Padded", "Host=" + std::string(941, 'v') + "[Evil]"}},
    };
    for (const auto& [flags, action, attributes] : requests) {
        SCOPED_TRACE(testing::PrintToString(flags) + action + " " + attributes.front());
        const ProbeResult result = Configure(flags, action, attributes);
        EXPECT_FALSE(result.succeeded) << testing::PrintToString(result);
        ASSERT_FALSE(result.errors.empty()) << testing::PrintToString(result);
        EXPECT_EQ(result.errors.front().first, REQUEST_FAILED) << testing::PrintToString(result);
        const std::string expected =
            attributes.front() == "DSN=Other" ? "belongs to the driver SQLite3" : ", line 16: ";
        EXPECT_NE(result.errors.front().second.find(expected), std::string::npos) << testing::PrintToString(result);
        EXPECT_EQ(UserIni(), file);
    }
}

TEST_F(SetupLibraryTest, ASilentAddWritesTheServerTypeAndPortTheDialogWrites)
{
    const ProbeResult added = Configure({}, "add", {"DSN=Plain", "Host=h"});
    ASSERT_TRUE(added.succeeded) << testing::PrintToString(added);
    std::map<std::string, std::string> plain = UserSection("Plain");
    EXPECT_EQ(plain["Port"], "10000");
    EXPECT_EQ(plain["SparkServerType"], "1");
}

TEST_F(SetupLibraryTest, ADataSourcesOwnEntriesFedBackAreTakenAndItsHostSeesTheSaveAtOnce)
{
    const ProbeResult added = Configure({"--read-back=Host"}, "add",
        {"DSN=Copy", "Host=copy.example.com", "SparkServerType=3", "AuthMech=3", "UID=alice", "PWD=s3cret"});
    ASSERT_TRUE(added.succeeded) << testing::PrintToString(added);
    EXPECT_NE(added.run.output.find("read copy.example.com\n"), std::string::npos) << added.run.output;

    // Every entry as stored (empty ones among them) into another data source.
    std::vector<std::string> entries = {"DSN=Copied"};
    for (const auto& [key, value] : UserSection("Copy")) {
        if (key != "Driver") {
            entries.push_back(key + "=" + value);
        }
    }
    const ProbeResult copied = Configure({}, "add", entries);
    ASSERT_TRUE(copied.succeeded) << testing::PrintToString(copied);
    EXPECT_EQ(UserSection("Copied"), UserSection("Copy"));

    // A password set where a plain one was: the plain one goes.
    m_ini.WriteFile("user/odbc.ini", UserIni() + "[Plain]\nDriver=" + DRIVER + "\nHost=h\nPWD=old\n\n");
    const ProbeResult changed = Configure({}, "config", {"DSN=Plain", "PWD=new"});
    ASSERT_TRUE(changed.succeeded) << testing::PrintToString(changed);
    EXPECT_EQ(UserSection("Plain").count("PWD"), 0U);
    EXPECT_EQ(UserSection("Plain")["EncryptedPWD"].substr(0, 1), "_");

    // unixODBC's own listing sees what the library wrote.
    ToolRunOptions list;
    list.arguments = {"-q", "-s"};
    list.environment = Environment();
    const ProgramRun listed = RunTool("/usr/bin/odbcinst", list);
    EXPECT_EQ(listed.output, "[Copy]\n[Copied]\n[Plain]\n");
}

TEST_F(SetupLibraryTest, ConfigDriverInstallsAndRemovesNothingAndNeedsAWindowForItsDialog)
{
    struct Case {
        std::string request;
        bool succeeds;
        int code;
    };
    for (const Case& c : {Case{"1", true, 0}, Case{"2", true, 0}, Case{"3", false, INVALID_WINDOW},
             Case{"50", false, INVALID_REQUEST_TYPE}}) {
        SCOPED_TRACE("request " + c.request);
        const ProbeResult result = Parse(RunProbe({"driver", c.request, DRIVER, Library().string()}));
        EXPECT_EQ(result.succeeded, c.succeeds) << testing::PrintToString(result);
        if (c.succeeds) {
            EXPECT_NE(result.run.output.find("message \nlength 0\n"), std::string::npos)
                << testing::PrintToString(result);
            continue;
        }
        ASSERT_FALSE(result.errors.empty()) << testing::PrintToString(result);
        EXPECT_EQ(result.errors.front().first, c.code);
        // The message buffer holds the same text, cut to its 64 bytes; the
        // length is the whole message's.
        const std::string& message = result.errors.front().second;
        EXPECT_NE(result.run.output.find(
                      "message " + message.substr(0, 63) + "\nlength " + std::to_string(message.size()) + "\n"),
            std::string::npos)
            << testing::PrintToString(result);
    }
    EXPECT_EQ(UserIni(), "");
}

TEST_F(SetupLibraryTest, TheInstallerListsTheDataSourcePropertiesWithTheirValueLists)
{
    const ProgramRun run = RunProbe({"properties", DRIVER});
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    const auto has = [&](const std::string& line) {
        EXPECT_NE(run.output.find(line + "\n"), std::string::npos) << line << "\n" << run.output;
    };
    // unixODBC's own three come first.
    EXPECT_EQ(run.output.rfind("Name=", 0), 0U) << run.output;
    has("Host=|1||Host(s)");
    has("Port=|1||Port");
    // Each key once: unixODBC lists the description itself.
    EXPECT_EQ(run.output.find("DESCRIPTION="), std::string::npos) << run.output;
    // A list offers its value among its choices, or an empty choice for "not
    // set", and the mechanisms a silent add takes.
    has("SparkServerType=|2|,1,2,3|Spark Server Type: 1 = SharkServer (Shark 0.8.1 and earlier), "
        "2 = SharkServer2 (Shark 0.9.*), 3 = SparkThriftServer (Spark 1.1 and later) (empty: not set)");
    has("AuthMech=|2|,0,1,2,3,4,5,6,7,8,9,10|Mechanism: 0 = No Authentication, 1 = Kerberos, 2 = User Name, "
        "3 = User Name and Password, 4 = User Name and Password (SSL), 5 = Windows Azure HDInsight Emulator, "
        "6 = Windows Azure HDInsight Service, 7 = HTTP, 8 = HTTPS, 9 = Kerberos over HTTP, "
        "10 = Kerberos over HTTPS (empty: not set)");
    has("ThriftTransport=|2|,0,1,2|Thrift Transport: 0 = Binary, 1 = SASL, 2 = HTTP (empty: not set)");
    has("SSL=|2|,0,1|Enable SSL: 1 = on, 0 = off (empty: not set)");
    has("TrustedCerts=|4||Trusted Certificates");
    has("RowsFetchedPerBlock=10000|1||Rows fetched per block");
    has("InvalidSessionAutoRecover=1|2|0,1|Invalid Session Auto Recover: 1 = on, 0 = off");
    has("LCaseSspKeyName=1|2|0,1|Convert Key Name to Lower Case: 1 = on, 0 = off");
    EXPECT_EQ(run.output.find("PWD"), std::string::npos) << run.output;
}

TEST_F(SetupLibraryTest, LoadingAndUnloadingTheLibraryManyTimesLeavesNothingBehind)
{
    // Under the sanitizers the probe's leak check fails the run for what an
    // unloaded library left behind.
    const ProgramRun run = RunProbe({"cycles", "25", DRIVER, Library().string()});
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_NE(run.output.find("failures 0\n"), std::string::npos) << run.output << run.errors;
    EXPECT_NE(run.output.find("still loaded 0\n"), std::string::npos) << run.output << run.errors;
    EXPECT_EQ(UserIni(), "");
}

TEST_F(SetupLibraryTest, EveryPieceOfProcessStateIsResetAtTheEndOfEachCall)
{
    // A test copy of the library that also lists what it keeps.
    const ProgramRun run = RunProbe({"state", DRIVER, BuiltProgram("tests/libprocess_state_setup.so").string()});
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    // Nothing is made by loading the library.
    EXPECT_NE(run.output.find("call none\ncall add\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find(" held\n"), std::string::npos) << run.output;
    // The pieces each kind of state registers, reached by the calls.
    for (const char* piece :
        {"product identity", "module instance", "module directory", "driver name", "support settings",
            "driver configuration files", "driver configuration mount", "ODBC installer library"}) {
        EXPECT_NE(run.output.find("piece " + std::string(piece) + " reset\n"), std::string::npos) << piece << "\n"
                                                                                                  << run.output;
    }
    EXPECT_NE(run.output.find("still loaded 0\n"), std::string::npos) << run.output << run.errors;
    EXPECT_EQ(UserIni(), "");
}

} // namespace
} // namespace Dravo::Test
