// Hand-written input: a driver configuration file with comments everywhere,
// CR LF line ends, a byte-order mark, names given twice, sections named in
// another case, very long lines; values out of range, no numbers, empty or a
// mebibyte long; product description files cut short, wrongly padded or not
// XML; configuration files to import holding binary data. The tool opens,
// shows what the reading rules make of them, saves without error, and keeps
// every byte of the file its save does not change.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "driversupport/DSLoggingDialog.h"
#include "identity/ProductDescriptionFile.h"
#include "platform/Registry.h"
#include "settings/LoggingOptionsModel.h"
#include "support/DSIFileLogger.h"
#include "tests/common/HeadlessRun.h"
#include "tests/reliability/ToolFaultFixture.h"

namespace Dravo::Test {
namespace {

namespace fs = std::filesystem;

const std::string MEBIBYTE_OF_DIGITS(1 << 20, '7');

/// "Name=Text" lines with CR LF ends, as written by hand on Windows.
std::string Lines(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::string text;
    for (const auto& [name, data] : values) {
        text += name + "=" + data + "\r\n";
    }
    return text;
}

std::string DriverSection(const std::string& lines)
{
    return "; by hand\r\n[Driver]\r\n" + lines;
}

struct FileCase {
    std::string what;
    std::string lines;
    /// Expectations and actions, ending with the main dialog's OK.
    std::string script;
    /// Value name -> text after the save ("<absent>").
    std::map<std::u16string, std::string> saved;
};

class BadInputTest : public ToolFaultFixture {
protected:
    void RunCases(const std::vector<FileCase>& cases)
    {
        for (const FileCase& c : cases) {
            SCOPED_TRACE(c.what);
            WriteConfiguration(DriverSection(c.lines));
            const ProgramRun run = RunScript(c.script);
            EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors.substr(0, 2000);
            const ConfigurationContents after = Contents();
            ASSERT_TRUE(after.Parsed()) << after.Error();
            for (const auto& [name, text] : c.saved) {
                EXPECT_EQ(after.Text(name), text) << Support::WideString(name).GetAsUTF8();
            }
        }
    }
};

TEST_F(BadInputTest, AHandWrittenFileKeepsEveryByteTheSaveDoesNotChange)
{
    const std::string longComment = "; " + std::string(1 << 20, 'c');
    const std::string before = "\xEF\xBB\xBF; written by hand on Windows\r\n"
                               "[ODBC]\r\n"
                               "Trace = No ; a reader takes all of it\r\n"
                               "\r\n"
                               "  [ driver ]   ; the driver's own section\r\n"
                               "# the server\r\n"
                               "SparkServerType = 3\r\n"
                               "AuthMech=3\r\n"
                               "   UID   =   operator   \r\n"
                               "a line no reader understands\r\n"
        + longComment
        + "\r\n"
          "authmech=8\r\n"
          "VendorExtra=kept\r\n"
          "\r\n"
          "[Other]\r\n"
          "UID=not the driver's\r\n"
          "[DRIVER]\r\n"
          "SPARKSERVERTYPE=2\r\n"
          "SSL=0\r\n"
          "ThriftTransport=1\r\n"
          "; the end, without a line end";
    WriteConfiguration(before);
    // The first of two lines counts; sections of any case are the driver's.
    const ProgramRun run = RunScript("expect 1038 selected SparkThriftServer (Spark 1.1 and later)\n"
                                     "expect 1040 selected User Name and Password\n"
                                     "expect 1044 text operator\n"
                                     "expect 1093 selected SASL\n"
                                     "select 1040 Kerberos\n"
                                     "type 1041 EXAMPLE.COM\n"
                                     "type 1042 spark.example.com\n"
                                     "type 1043 spark\n"
                                     "click 1\n");
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors.substr(0, 2000);
    const ConfigurationContents after = Contents();
    ASSERT_TRUE(after.Parsed()) << after.Error();

    // The changed mechanism keeps its line, and the later line of the same
    // name goes; every other line stays, the new values follow the section's
    // last value with the file's own line ends.
    const std::string kept = "\xEF\xBB\xBF; written by hand on Windows\r\n"
                             "[ODBC]\r\n"
                             "Trace = No ; a reader takes all of it\r\n"
                             "\r\n"
                             "  [ driver ]   ; the driver's own section\r\n"
                             "# the server\r\n"
                             "SparkServerType = 3\r\n"
                             "AuthMech=1\r\n"
                             "   UID   =   operator   \r\n"
                             "a line no reader understands\r\n"
        + longComment
        + "\r\n"
          "VendorExtra=kept\r\n";
    const std::string tail = "\r\n"
                             "[Other]\r\n"
                             "UID=not the driver's\r\n"
                             "[DRIVER]\r\n"
                             "SPARKSERVERTYPE=2\r\n"
                             "SSL=0\r\n"
                             "ThriftTransport=1\r\n"
                             "; the end, without a line end";
    const std::string& bytes = after.Bytes();
    ASSERT_EQ(bytes.compare(0, kept.size(), kept), 0) << bytes.substr(0, 400);
    ASSERT_TRUE(bytes.ends_with(tail)) << bytes.substr(bytes.size() - std::min<size_t>(bytes.size(), 400));
    const std::string added = bytes.substr(kept.size(), bytes.size() - kept.size() - tail.size());
    EXPECT_NE(added.find("KrbRealm=EXAMPLE.COM\r\n"), std::string::npos) << added;
    EXPECT_EQ(added.find('\n'), added.find("\r\n") + 1) << "CR LF, as the file has them";
    for (size_t start = 0; start < added.size();) {
        const size_t end = added.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << added;
        EXPECT_NE(added.find('=', start), std::string::npos) << added.substr(start, end - start);
        EXPECT_EQ(added.substr(start, end - start).find('\n'), std::string::npos);
        start = end + 2;
    }
    EXPECT_EQ(after.Text(u"AuthMech"), "1");
    EXPECT_EQ(after.Text(u"SparkServerType"), "3");
    EXPECT_EQ(after.Text(u"UID"), "operator");
    EXPECT_EQ(after.Text(u"KrbServiceName"), "spark");
}

TEST_F(BadInputTest, ServerTypesThatAreNotExactlyTwoOrThreeReadAsSharkServer)
{
    const std::string shark = "expect 1038 selected SharkServer (Shark 0.8.1 and earlier)\nclick 1\n";
    const auto sharkCase = [&](const std::string& what, const std::string& data) {
        return FileCase{what, Lines({{"SparkServerType", data}}), shark, {{u"SparkServerType", "1"}}};
    };
    RunCases({
        sharkCase("a leading zero", "03"),
        sharkCase("a sign", "+3"),
        sharkCase("a fraction", "3.0"),
        sharkCase("in quotes, which are part of the text", "\"3\""),
        sharkCase("followed by what looks like a comment", "3 ; thrift"),
        sharkCase("out of range", "4"),
        sharkCase("empty", ""),
        sharkCase("not a number", "three"),
        sharkCase("a mebibyte long", MEBIBYTE_OF_DIGITS),
        {"blanks around it, which a reader drops", "SparkServerType =\t 3 \t\r\n",
            "expect 1038 selected SparkThriftServer (Spark 1.1 and later)\nclick 1\n", {{u"SparkServerType", "3"}}},
        {"the name in lower case", Lines({{"sparkservertype", "2"}}),
            "expect 1038 selected SharkServer2 (Shark 0.9.*)\nclick 1\n", {{u"SparkServerType", "2"}}},
    });
    // The value keeps the spelling it was written with.
    EXPECT_NE(ReadFileBytes(ConfigurationPath()).find("\r\nsparkservertype=2\r\n"), std::string::npos);
}

TEST_F(BadInputTest, MechanismsThatDoNotReadFallBackToTheProductDefault)
{
    const auto mechanismCase = [](const std::string& what, const std::string& data, const std::string& label,
                                   const std::string& stored) {
        return FileCase{what, Lines({{"SparkServerType", "3"}, {"AuthMech", data}}),
            "expect 1040 selected " + label + "\nclick 1\n", {{u"AuthMech", stored}}};
    };
    RunCases({
        mechanismCase("not a number", "abc", "User Name", "2"),
        mechanismCase("empty", "", "User Name", "2"),
        mechanismCase("beyond 16 bits", "65536", "User Name", "2"),
        mechanismCase("negative", "-1", "User Name", "2"),
        mechanismCase("above the last mechanism", "11", "User Name", "2"),
        mechanismCase("a mebibyte long", MEBIBYTE_OF_DIGITS, "User Name", "2"),
        {"the name in upper case", Lines({{"SparkServerType", "3"}, {"AUTHMECH", "3"}}),
            "expect 1040 selected User Name and Password\nclick 1\n", {{u"AuthMech", "3"}}},
        {"the name twice: the first line counts",
            Lines({{"SparkServerType", "3"}, {"AuthMech", "0"}, {"AuthMech", "3"}}),
            "expect 1040 selected No Authentication\nclick 1\n", {{u"AuthMech", "0"}}},
        // An older form: user name and password over HTTP with SSL.
        {"an older form", Lines({{"SparkServerType", "3"}, {"AuthMech", "8"}}),
            "expect 1040 selected User Name and Password\nexpect 1093 selected HTTP\nclick 1\n",
            {{u"AuthMech", "3"}, {u"ThriftTransport", "2"}, {u"SSL", "1"}}},
    });
}

TEST_F(BadInputTest, TransportsThatDoNotReadAreSasl)
{
    const auto transportCase = [](const std::string& what, const std::string& data, const std::string& label,
                                   const std::string& stored) {
        return FileCase{what, Lines({{"SparkServerType", "3"}, {"AuthMech", "3"}, {"ThriftTransport", data}}),
            "expect 1093 selected " + label + "\nclick 1\n", {{u"ThriftTransport", stored}}};
    };
    RunCases({
        transportCase("out of range", "5", "SASL", "1"),
        transportCase("negative", "-1", "SASL", "1"),
        transportCase("not a number", "http", "SASL", "1"),
        transportCase("empty", "", "SASL", "1"),
        transportCase("a mebibyte long", MEBIBYTE_OF_DIGITS, "SASL", "1"),
        {"the name in another case", Lines({{"SparkServerType", "3"}, {"AuthMech", "3"}, {"THRIFTtransport", "0"}}),
            "expect 1093 selected Binary\nclick 1\n", {{u"ThriftTransport", "0"}}},
    });
}

/// Every number of the advanced options with one kind of bad value at a time:
/// each shows its fallback, and OK stores what is shown.
TEST_F(BadInputTest, AdvancedNumbersThatDoNotReadShowTheirFallbacks)
{
    const std::vector<std::string> names = {"DefaultStringColumnLength", "BinaryColumnLength", "DecimalColumnScale",
        "RowsFetchedPerBlock", "AsyncExecPollInterval", "SocketTimeout"};
    const std::string fallbacks = "click 1029\n"
                                  "expect 1026 text 255\n"
                                  "expect 1070 text 32767\n"
                                  "expect 1046 text 10\n"
                                  "expect 1033 text 10000\n"
                                  "expect 1063 text 100\n"
                                  "expect 1122 text 30\n"
                                  "click 1\n"
                                  "click 1\n";
    const std::map<std::u16string, std::string> stored = {{u"DefaultStringColumnLength", "255"},
        {u"BinaryColumnLength", "32767"}, {u"DecimalColumnScale", "10"}, {u"RowsFetchedPerBlock", "10000"},
        {u"AsyncExecPollInterval", "100"}, {u"SocketTimeout", "30"}};
    const auto allSetTo = [&](const std::string& data) {
        std::string lines = Lines({{"SparkServerType", "3"}});
        for (const std::string& name : names) {
            lines += Lines({{name, data}});
        }
        return lines;
    };
    std::string outOfRange = Lines({{"SparkServerType", "3"}, {"DefaultStringColumnLength", "0"},
        {"BinaryColumnLength", "4294967296"}, {"DecimalColumnScale", "40000"}, {"RowsFetchedPerBlock", "4294967296"},
        {"AsyncExecPollInterval", "2147483648"}, {"SocketTimeout", "-1"}});
    RunCases({
        {"out of range", outOfRange, fallbacks, stored},
        {"not numbers", allSetTo("12abc"), fallbacks, stored},
        {"empty", allSetTo(""), fallbacks, stored},
        {"a mebibyte long", allSetTo(MEBIBYTE_OF_DIGITS), fallbacks, stored},
        {"in quotes", allSetTo("\"512\""), fallbacks, stored},
        {"hexadecimal", allSetTo("0x200"), fallbacks, stored},
        {"numbers with blanks around them", allSetTo(" \t512 "),
            "click 1029\nexpect 1026 text 512\nexpect 1046 text 512\nexpect 1122 text 512\nclick 1\nclick 1\n",
            {{u"DefaultStringColumnLength", "512"}, {u"DecimalColumnScale", "38"}, {u"SocketTimeout", "512"}}},
    });
}

TEST_F(BadInputTest, SwitchesAreOnOnlyForExactlyOne)
{
    RunCases({{"texts that look like on",
        Lines({{"SparkServerType", "3"}, {"UseNativeQuery", "true"}, {"FastSQLPrepare", "01"},
            {"ShowSystemTable", "1 ; on"}, {"UseUnicodeSqlCharacterTypes", "  1  "},
            {"DriverConfigTakePrecedence", std::string(1 << 20, '1')}, {"InvalidSessionAutoRecover", ""},
            {"GetTablesWithQuery", "\"1\""}, {"UseOnlySSPI", "on"}, {"EnableAsyncExec", "yes"}, {"SSL", "TRUE"}}),
        "click 1029\n"
        "expect 1019 unchecked\n"
        "expect 1020 unchecked\n"
        "expect 1081 unchecked\n"
        "expect 1079 checked\n"
        "expect 1074 unchecked\n"
        "expect 1021 unchecked\n"
        "expect 1077 unchecked\n"
        "expect 1123 unchecked\n"
        "expect 1075 unchecked\n"
        "click 1\n"
        "click 1095\n"
        "expect 1107 unchecked\n"
        "click 2\n"
        "click 1\n",
        {{u"UseNativeQuery", "0"}, {u"FastSQLPrepare", "0"}, {u"ShowSystemTable", "0"},
            {u"UseUnicodeSqlCharacterTypes", "1"}, {u"DriverConfigTakePrecedence", "0"},
            {u"InvalidSessionAutoRecover", "0"}, {u"GetTablesWithQuery", "0"}, {u"UseOnlySSPI", "0"},
            {u"EnableAsyncExec", "0"}, {u"SSL", "0"}}}});
}

TEST_F(BadInputTest, LoggingValuesThatDoNotReadShowTheirDefaults)
{
    RunCases({
        {"a level with a prefix and digits, a count that is no number, a size with a unit",
            Lines({{"LogLevel", "LOG_5"}, {"LogFileCount", "abc"}, {"LogFileSize", "10M"}}),
            "click 1118\nexpect 8014 selected LOG_OFF\nexpect 8012 text abc\nexpect 8011 text 20\nclick 2\nclick 1\n",
            // Not opened with OK: the count stays as it was read.
            {{u"LogLevel", "0"}, {u"LogFileCount", "abc"}, {u"LogFileSize", "20971520"}}},
        {"a level above the last, numbers with blanks around them, an empty directory",
            Lines({{"LogLevel", "9"}, {"LogFileCount", " 7 "}, {"LogFileSize", "\t1048576"}, {"LogPath", ""}}),
            "click 1118\nexpect 8014 selected LOG_TRACE\nexpect 8012 text 7\nexpect 8011 text 1\nexpect 8013 text \n"
            "expect 1 disabled\nclick 2\nclick 1\n",
            {{u"LogLevel", "6"}, {u"LogFileCount", "7"}, {u"LogFileSize", "1048576"}, {u"LogPath", ""}}},
        {"a mebibyte long level and count, a directory of blanks only",
            Lines({{"LogLevel", MEBIBYTE_OF_DIGITS}, {"LogFileCount", MEBIBYTE_OF_DIGITS}, {"LogFileSize", "-5"},
                {"LogPath", "   "}}),
            // OK refuses the count with a message; the dialog stays open.
            "click 1118\nexpect 8014 selected LOG_OFF\nexpect 8011 text 20\nselect 8014 LOG_ERROR\ntype 8013 /tmp\n"
            "answer OK\nclick 1\nexpect dialog 9109\ntype 8012 50\nclick 1\nclick 1\n",
            {{u"LogLevel", "2"}, {u"LogFileCount", "50"}, {u"LogFileSize", "20971520"}, {u"LogPath", "/tmp"}}},
    });
}

TEST_F(BadInputTest, StoredPasswordsThatCannotBeDecipheredReadAsEmpty)
{
    const auto passwordCase = [](const std::string& what, const std::string& data, const std::string& shown,
                                  const std::string& stored) {
        return FileCase{what, Lines({{"SparkServerType", "3"}, {"AuthMech", "3"}, {"EncryptedPWD", data}}),
            "expect 1054 text " + shown + "\nclick 1\n", {{u"EncryptedPWD", stored}}};
    };
    RunCases({
        // Read as empty, and a save without "Save Password" removes them.
        passwordCase("the mark alone", "_", "", "<absent>"),
        passwordCase("odd-length hexadecimal", "ABC", "", "<absent>"),
        passwordCase("not hexadecimal", "_XYZ1", "", "<absent>"),
        passwordCase("a mebibyte that does not decipher", "_" + std::string(1 << 20, 'A'), "", "<absent>"),
        passwordCase("in quotes", "\"_ABCDEF\"", "", "<absent>"),
        // Readable as plain hexadecimal: kept as stored while not saved anew.
        passwordCase("plain hexadecimal", "616263", "abc", "616263"),
    });
}

TEST_F(BadInputTest, PropertiesOfOddNamesAreKeptAsTheyWere)
{
    const std::string mebibyte(1 << 20, 'v');
    WriteConfiguration(DriverSection(
        Lines({{"SparkServerType", "3"}, {"AuthMech", "3"}, {"ThriftTransport", "2"}, {"SSP_", "empty name"},
            {"ssp_lower", "not a property"}, {"SSP_Number", "7"}, {"SSP_Twice", "first"}, {"SSP_Huge", mebibyte},
            {"http.header.X-Huge", mebibyte}, {"SSP_Twice", "second"}, {"http.header.X-Spaced", "  padded  "}})));
    const ProgramRun run = RunScript("click 1029\n"
                                     "click 1078\n"
                                     "select 1084 Number=7\n"
                                     "select 1084 =empty name\n"
                                     "select 1084 Twice=first\n"
                                     "click 2\n"
                                     "click 2\n"
                                     "click 1\n");
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors.substr(0, 2000);
    const ConfigurationContents after = Contents();
    ASSERT_TRUE(after.Parsed()) << after.Error();
    EXPECT_EQ(after.Text(u"SSP_"), "empty name");
    EXPECT_EQ(after.Text(u"ssp_lower"), "not a property");
    EXPECT_EQ(after.Text(u"SSP_Number"), "7");
    EXPECT_EQ(after.Text(u"SSP_Huge"), mebibyte);
    EXPECT_EQ(after.Text(u"http.header.X-Huge"), mebibyte);
    EXPECT_EQ(after.Text(u"http.header.X-Spaced"), "padded");
    // Saved as it was read, so both lines of the name stay, the first first.
    EXPECT_EQ(after.Text(u"SSP_Twice"), "first");
    EXPECT_NE(after.Bytes().find("\r\nSSP_Twice=second\r\n"), std::string::npos);
    EXPECT_NE(after.Bytes().find("\r\nhttp.header.X-Spaced=  padded  \r\n"), std::string::npos);
}

TEST_F(BadInputTest, TextsAreShownAndKeptUpToTheDialogsLength)
{
    // A box holds 260 characters and the dialogs read all of them back, so a
    // longer text that passes through one is stored cut to that length; a
    // text no box holds is kept whole.
    const std::string mebibyte(1 << 20, 'k');
    WriteConfiguration(DriverSection(Lines({{"SparkServerType", "3"}, {"AuthMech", "2"}, {"UID", mebibyte},
        {"KrbRealm", mebibyte}, {"DelegationUID", "  delegate\t"}, {"ZKNamespace", mebibyte}})));
    const ProgramRun run = RunScript("expect 1044 contains kkkkkkkk\nclick 1\n");
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors.substr(0, 2000);
    const ConfigurationContents after = Contents();
    EXPECT_EQ(after.Text(u"UID"), std::string(260, 'k'));
    EXPECT_EQ(after.Text(u"KrbRealm"), mebibyte) << "not written for a user name";
    EXPECT_EQ(after.Text(u"ZKNamespace"), mebibyte);
    EXPECT_NE(after.Bytes().find("\r\nDelegationUID=  delegate\t\r\n"), std::string::npos)
        << "not written driver-wide: the line stays as it was";
}

/// Product description files beside a copy of the program: the names and
/// switches the readable part gives are used; nothing else stops the tool.
TEST_F(BadInputTest, ProductDescriptionFilesCutShortWronglyPaddedOrNotXmlStillLetTheToolRun)
{
    // 96 bytes: both names within the first five blocks of 16.
    const std::string xml = "<p><driver-name>Acme Spark Driver</driver-name><vendor-name>Acme</vendor-name>"
                            "      </p>        ";
    ASSERT_EQ(xml.size(), 96U);
    const std::string enciphered = DriverSupport::ProductDescriptionFile::Encipher(xml);
    ASSERT_EQ(enciphered.size(), 112U);
    std::string entities = "<!DOCTYPE p [<!ENTITY a \"aaaaaaaaaa\">";
    for (char level = 'b'; level <= 'h'; ++level) {
        const std::string previous = std::string("&") + static_cast<char>(level - 1) + ";";
        entities += std::string("<!ENTITY ") + level + " \"";
        for (int i = 0; i < 10; ++i) {
            entities += previous;
        }
        entities += "\">";
    }
    entities += "]><p><driver-name>&h;</driver-name></p>";
    std::string junk(4096, '\0');
    for (size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>((i * 131 + 7) % 256);
    }

    const std::string renamed = "Acme Spark Driver Configuration";
    const std::string builtIn = "Dravo Spark ODBC Driver Configuration";
    // Whatever names the driver key ends up with, it is the one in the file.
    struct Case {
        const char* what;
        std::string bytes;
        std::string title;
    } cases[] = {
        {"whole", enciphered, renamed},
        {"without its padding block", enciphered.substr(0, 96), renamed},
        {"cut in the fifth block (the vendor's name lost)", enciphered.substr(0, 70), renamed},
        {"cut to three blocks", enciphered.substr(0, 48), builtIn},
        {"not XML", DriverSupport::ProductDescriptionFile::Encipher("driver-name=Acme\n"), builtIn},
        {"XML not enciphered", xml, builtIn},
        {"empty", "", builtIn},
        {"binary junk", junk, builtIn},
        {"entities that expand a thousand-million-fold", DriverSupport::ProductDescriptionFile::Encipher(entities),
            builtIn},
    };
    TempDir programDirectory;
    const fs::path program = CopyProgramInto(Program(), programDirectory.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(ConfigurationPath());
        WriteFileBytes(programDirectory / "VezurAVUZ.did", c.bytes);
        ToolRunOptions options;
        options.arguments = Arguments(m_root);
        options.input = "expect title " + c.title + "\nselect 1038 SparkThriftServer (Spark 1.1 and later)\nclick 1\n";
        options.environment = m_environment;
        const ProgramRun run = RunTool(program, options);
        EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
        EXPECT_EQ(Contents().Text(u"SparkServerType"), "3");
        EXPECT_EQ(ReadFileBytes(programDirectory / "VezurAVUZ.did"), c.bytes);
    }
}

/// Configuration files with binary data, imported through the logging
/// dialog (where a caller allows import) into a real store over a real hive.
class ImportBadInputTest : public ::testing::Test {
protected:
    ImportBadInputTest()
    {
        OS::SetRegistryRoot((m_directory / "registry").string());
        OS::DiscardRegistryCache();
        m_logger = std::make_unique<Support::DSIFileLogger>(Support::WideString(u"import.log"), Support::LogSettings{});
        m_store = std::make_unique<VezurAVUZ::LoggingOptionsModel>(Support::WideString(u""), m_logger.get(), 2, true);
    }
    ~ImportBadInputTest() override
    {
        m_store.reset();
        m_logger.reset();
        OS::SetRegistryRoot({});
        OS::DiscardRegistryCache();
    }

    HeadlessRun Import(const std::string& bytes)
    {
        WriteFileBytes(m_directory / "import.sdc", bytes);
        return RunHeadless("click 1003\nchoose " + (m_directory / "import.sdc").string() + "\nclick 1\n",
            [&](UI::DialogSystem& system) {
                return DriverSupport::DSLoggingDialog::Show(system, *m_store, true) ? 1 : 0;
            });
    }

    std::string Value(const std::string& key) { return m_store->GetValue(Support::WideString(key)).GetAsUTF8(); }

    TempDir m_directory;
    std::unique_ptr<Support::DSIFileLogger> m_logger;
    std::unique_ptr<VezurAVUZ::LoggingOptionsModel> m_store;
};

TEST_F(ImportBadInputTest, BinaryDataImportsLineByLineAndTheStoreStillSaves)
{
    std::string every;
    for (int byte = 0; byte < 255; ++byte) {
        every += static_cast<char>(byte);
    }
    const std::string mebibyte(1 << 20, 'h');
    const std::string file = "Host=first\n" + every + "\nPort=10000\r\nHuge=" + mebibyte + "\nNul=a"
        + std::string(1, '\0') + "b\nBroken=\xC3\x28\xF8\x88\x80\x80\x80\n" + "\xFF" + "AfterTheEnd=1\n";
    const HeadlessRun run = Import(file);
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(Value("Host"), "first");
    EXPECT_EQ(Value("Port"), "10000");
    EXPECT_EQ(Value("Huge"), mebibyte);
    EXPECT_EQ(Value("AfterTheEnd"), "") << "a byte 255 ends the file";
    EXPECT_FALSE(m_store->GetValue(Support::WideString(u"Broken")).IsEmpty());
    EXPECT_NO_THROW(m_store->SaveLoggingProperties());
}

TEST_F(ImportBadInputTest, FilesWithoutASingleSettingImportNothing)
{
    for (const std::string& bytes :
        {std::string(4096, '\0'), std::string("\r\r\r\n\n"), std::string("no equals sign\n")}) {
        const HeadlessRun run = Import(bytes);
        EXPECT_EQ(run.error, "");
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(Value("Host"), "");
    }
}

} // namespace
} // namespace Dravo::Test
