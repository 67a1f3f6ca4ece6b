// Hand-edited input: a driver key whose values are out of range, no numbers,
// empty, a mebibyte long, not valid UTF-16, spelled in another case or of
// another type; product description files cut short, wrongly padded or not
// XML; configuration files to import holding binary data. The tool opens,
// shows what the reading rules make of them, and saves without error.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "driversupport/DSLoggingDialog.h"
#include "driversupport/ProductDescriptionFile.h"
#include "platform/Registry.h"
#include "settings/LoggingOptionsModel.h"
#include "support/DSIFileLogger.h"
#include "tests/common/HeadlessRun.h"
#include "tests/reliability/ToolFaultFixture.h"

namespace Dravo::Test {
namespace {

namespace fs = std::filesystem;

const std::string MEBIBYTE_OF_DIGITS(1 << 20, '7');
/// "3" followed by a lone high surrogate: text that is not valid UTF-16.
constexpr const char* BROKEN_UTF16 = "hex(1):33,00,00,d8,00,00";

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

/// "Name"=DATA lines; DATA is a quoted text or a typed form such as dword:...
std::string Lines(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::string text;
    for (const auto& [name, data] : values) {
        text += Quoted(name) + "=" + data + "\r\n";
    }
    return text;
}

std::string DriverKeyHive(const std::string& lines)
{
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
        + lines;
}

struct HiveCase {
    std::string what;
    std::string lines;
    /// Expectations and actions, ending with the main dialog's OK.
    std::string script;
    /// Value name -> text after the save ("<absent>", "<type N>").
    std::map<std::u16string, std::string> saved;
};

class BadInputTest : public ToolFaultFixture {
protected:
    void RunCases(const std::vector<HiveCase>& cases)
    {
        for (const HiveCase& c : cases) {
            SCOPED_TRACE(c.what);
            WriteHive(DriverKeyHive(c.lines));
            const ProgramRun run = RunScript(c.script);
            EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors.substr(0, 2000);
            const HiveContents after = Hive();
            ASSERT_TRUE(after.Parsed()) << after.Error();
            for (const auto& [name, text] : c.saved) {
                EXPECT_EQ(after.Text(name), text) << Support::WideString(name).GetAsUTF8();
            }
        }
    }
};

TEST_F(BadInputTest, ServerTypesThatAreNotExactlyTwoOrThreeReadAsSharkServer)
{
    const std::string shark = "expect 1038 selected SharkServer (Shark 0.8.1 and earlier)\nclick 1\n";
    const auto sharkCase = [&](const std::string& what, const std::string& data) {
        return HiveCase{what, Lines({{"SparkServerType", data}}), shark, {{u"SparkServerType", "1"}}};
    };
    RunCases({
        sharkCase("a leading zero", Quoted("03")),
        sharkCase("a leading blank", Quoted(" 3")),
        sharkCase("out of range", Quoted("4")),
        sharkCase("empty", Quoted("")),
        sharkCase("not a number", Quoted("three")),
        sharkCase("a mebibyte long", Quoted(MEBIBYTE_OF_DIGITS)),
        sharkCase("not valid UTF-16", BROKEN_UTF16),
        sharkCase("binary", "hex:33,00"),
        sharkCase("an expandable string", "hex(2):33,00,00,00"),
        sharkCase("a multi-string", "hex(7):33,00,00,00,00,00"),
        {"a number of type dword", Lines({{"SparkServerType", "dword:00000003"}}),
            "expect 1038 selected SparkThriftServer (Spark 1.1 and later)\nclick 1\n", {{u"SparkServerType", "3"}}},
        {"a number of type qword", Lines({{"SparkServerType", "hex(b):02,00,00,00,00,00,00,00"}}),
            "expect 1038 selected SharkServer2 (Shark 0.9.*)\nclick 1\n", {{u"SparkServerType", "2"}}},
        {"the name in lower case", Lines({{"sparkservertype", Quoted("2")}}),
            "expect 1038 selected SharkServer2 (Shark 0.9.*)\nclick 1\n", {{u"SparkServerType", "2"}}},
    });
    // The value keeps the spelling it was created with.
    EXPECT_NE(ReadFileBytes(HivePath()).find("\"sparkservertype\"=\"2\""), std::string::npos);
}

TEST_F(BadInputTest, MechanismsThatDoNotReadFallBackToTheProductDefault)
{
    const auto mechanismCase = [](const std::string& what, const std::string& data, const std::string& label,
                                   const std::string& stored) {
        return HiveCase{what, Lines({{"SparkServerType", Quoted("3")}, {"AuthMech", data}}),
            "expect 1040 selected " + label + "\nclick 1\n", {{u"AuthMech", stored}}};
    };
    RunCases({
        mechanismCase("not a number", Quoted("abc"), "User Name", "2"),
        mechanismCase("empty", Quoted(""), "User Name", "2"),
        mechanismCase("beyond 16 bits", Quoted("65536"), "User Name", "2"),
        mechanismCase("negative", Quoted("-1"), "User Name", "2"),
        mechanismCase("above the last mechanism", Quoted("11"), "User Name", "2"),
        mechanismCase("a mebibyte long", Quoted(MEBIBYTE_OF_DIGITS), "User Name", "2"),
        mechanismCase("not valid UTF-16", BROKEN_UTF16, "User Name", "2"),
        mechanismCase("binary", "hex:30,00", "User Name", "2"),
        mechanismCase("a number of type dword", "dword:00000000", "No Authentication", "0"),
        {"the name in upper case", Lines({{"SparkServerType", Quoted("3")}, {"AUTHMECH", Quoted("3")}}),
            "expect 1040 selected User Name and Password\nclick 1\n", {{u"AuthMech", "3"}}},
        // An older form: user name and password over HTTP with SSL.
        {"an older form", Lines({{"SparkServerType", Quoted("3")}, {"AuthMech", Quoted("8")}}),
            "expect 1040 selected User Name and Password\nexpect 1093 selected HTTP\nclick 1\n",
            {{u"AuthMech", "3"}, {u"ThriftTransport", "2"}, {u"SSL", "1"}}},
    });
}

TEST_F(BadInputTest, TransportsThatDoNotReadAreSasl)
{
    const auto transportCase = [](const std::string& what, const std::string& data, const std::string& label,
                                   const std::string& stored) {
        return HiveCase{what,
            Lines({{"SparkServerType", Quoted("3")}, {"AuthMech", Quoted("3")}, {"ThriftTransport", data}}),
            "expect 1093 selected " + label + "\nclick 1\n", {{u"ThriftTransport", stored}}};
    };
    RunCases({
        transportCase("out of range", Quoted("5"), "SASL", "1"),
        transportCase("negative", Quoted("-1"), "SASL", "1"),
        transportCase("not a number", Quoted("http"), "SASL", "1"),
        transportCase("empty", Quoted(""), "SASL", "1"),
        transportCase("a mebibyte long", Quoted(MEBIBYTE_OF_DIGITS), "SASL", "1"),
        transportCase("binary", "hex:32,00", "SASL", "1"),
        transportCase("a number of type dword", "dword:00000002", "HTTP", "2"),
        {"the name in another case", Lines({{"SparkServerType", Quoted("3")}, {"AuthMech", Quoted("3")},
                                         {"THRIFTtransport", Quoted("0")}}),
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
        std::string lines = Lines({{"SparkServerType", Quoted("3")}});
        for (const std::string& name : names) {
            lines += Lines({{name, data}});
        }
        return lines;
    };
    std::string outOfRange = Lines({{"SparkServerType", Quoted("3")}, {"DefaultStringColumnLength", Quoted("0")},
        {"BinaryColumnLength", Quoted("4294967296")}, {"DecimalColumnScale", Quoted("40000")},
        {"RowsFetchedPerBlock", Quoted("4294967296")}, {"AsyncExecPollInterval", Quoted("2147483648")},
        {"SocketTimeout", Quoted("-1")}});
    RunCases({
        {"out of range", outOfRange, fallbacks, stored},
        {"not numbers", allSetTo(Quoted("12abc")), fallbacks, stored},
        {"empty", allSetTo(Quoted("")), fallbacks, stored},
        {"a mebibyte long", allSetTo(Quoted(MEBIBYTE_OF_DIGITS)), fallbacks, stored},
        {"not valid UTF-16", allSetTo(BROKEN_UTF16), fallbacks, stored},
        {"binary", allSetTo("hex:31,00,30,00"), fallbacks, stored},
        {"numbers of type dword", allSetTo("dword:00000200"),
            "click 1029\nexpect 1026 text 512\nexpect 1046 text 512\nexpect 1122 text 512\nclick 1\nclick 1\n",
            {{u"DefaultStringColumnLength", "512"}, {u"DecimalColumnScale", "38"}, {u"SocketTimeout", "512"}}},
    });
}

TEST_F(BadInputTest, SwitchesAreOnOnlyForExactlyOne)
{
    RunCases({{"texts that look like on",
        Lines({{"SparkServerType", Quoted("3")}, {"UseNativeQuery", Quoted("true")}, {"FastSQLPrepare", Quoted("01")},
            {"ShowSystemTable", Quoted(" 1")}, {"UseUnicodeSqlCharacterTypes", "dword:00000001"},
            {"DriverConfigTakePrecedence", Quoted(std::string(1 << 20, '1'))},
            {"InvalidSessionAutoRecover", Quoted("")}, {"GetTablesWithQuery", "hex:31,00"},
            {"UseOnlySSPI", BROKEN_UTF16}, {"EnableAsyncExec", Quoted("yes")}, {"SSL", Quoted("TRUE")}}),
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
            Lines({{"LogLevel", Quoted("LOG_5")}, {"LogFileCount", Quoted("abc")}, {"LogFileSize", Quoted("10M")}}),
            "click 1118\nexpect 8014 selected LOG_OFF\nexpect 8012 text abc\nexpect 8011 text 20\nclick 2\nclick 1\n",
            // Not opened with OK: the count stays as it was read.
            {{u"LogLevel", "0"}, {u"LogFileCount", "abc"}, {u"LogFileSize", "20971520"}}},
        {"a level above the last, numbers of type dword, a binary directory",
            Lines({{"LogLevel", Quoted("9")}, {"LogFileCount", "dword:00000007"}, {"LogFileSize", "dword:00100000"},
                {"LogPath", "hex:2f,00"}}),
            "click 1118\nexpect 8014 selected LOG_TRACE\nexpect 8012 text 7\nexpect 8011 text 1\nexpect 8013 text \n"
            "expect 1 disabled\nclick 2\nclick 1\n",
            {{u"LogLevel", "6"}, {u"LogFileCount", "7"}, {u"LogFileSize", "1048576"}, {u"LogPath", ""}}},
        {"a mebibyte long level and count, a directory that is not valid UTF-16",
            Lines({{"LogLevel", Quoted(MEBIBYTE_OF_DIGITS)}, {"LogFileCount", Quoted(MEBIBYTE_OF_DIGITS)},
                {"LogFileSize", Quoted("-5")}, {"LogPath", BROKEN_UTF16}}),
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
        return HiveCase{what, Lines({{"SparkServerType", Quoted("3")}, {"AuthMech", Quoted("3")}, {"EncryptedPWD", data}}),
            "expect 1054 text " + shown + "\nclick 1\n", {{u"EncryptedPWD", stored}}};
    };
    RunCases({
        // Read as empty, and a save without "Save Password" removes them.
        passwordCase("the mark alone", Quoted("_"), "", "<absent>"),
        passwordCase("odd-length hexadecimal", Quoted("ABC"), "", "<absent>"),
        passwordCase("not hexadecimal", Quoted("_XYZ1"), "", "<absent>"),
        passwordCase("a mebibyte that does not decipher", Quoted("_" + std::string(1 << 20, 'A')), "", "<absent>"),
        passwordCase("binary", "hex:5f,00,41,00", "", "<absent>"),
        passwordCase("not valid UTF-16", "hex(1):5f,00,00,d8,00,00", "", "<absent>"),
        // Readable as plain hexadecimal: kept as stored while not saved anew.
        passwordCase("plain hexadecimal", Quoted("616263"), "abc", "616263"),
    });
}

TEST_F(BadInputTest, PropertiesOfOddNamesAndTypesAreKeptAsTheyWere)
{
    const std::string mebibyte(1 << 20, 'v');
    WriteHive(DriverKeyHive(Lines({{"SparkServerType", Quoted("3")}, {"AuthMech", Quoted("3")},
        {"ThriftTransport", Quoted("2")}, {"SSP_", Quoted("empty name")}, {"ssp_lower", Quoted("not a property")},
        {"SSP_Number", "dword:00000007"}, {"SSP_Binary", "hex:01,02,03"}, {"SSP_Broken", "hex(1):61,00,00,d8,00,00"},
        {"SSP_Huge", Quoted(mebibyte)}, {"http.header.X-Binary", "hex:00"}, {"http.header.X-Huge", Quoted(mebibyte)}})));
    const HiveContents before = Hive();
    const ProgramRun run = RunScript("click 1029\n"
                                     "click 1078\n"
                                     "select 1084 Number=7\n"
                                     "select 1084 =empty name\n"
                                     "click 2\n"
                                     "click 2\n"
                                     "click 1\n");
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors.substr(0, 2000);
    const HiveContents after = Hive();
    ASSERT_TRUE(after.Parsed()) << after.Error();
    EXPECT_EQ(after.Text(u"SSP_"), "empty name");
    EXPECT_EQ(after.Text(u"ssp_lower"), "not a property");
    EXPECT_EQ(after.Text(u"SSP_Number"), "7") << "read as its text, saved as text";
    EXPECT_EQ(after.Text(u"SSP_Huge"), mebibyte);
    EXPECT_EQ(after.Text(u"http.header.X-Huge"), mebibyte);
    // Neither read nor removed: values of types the tool does not read, and
    // text that is not valid UTF-16, byte for byte.
    for (const std::u16string name : {u"SSP_Binary", u"SSP_Broken", u"http.header.X-Binary"}) {
        EXPECT_EQ(after.Driver(name), before.Driver(name)) << Support::WideString(name).GetAsUTF8();
    }
}

TEST_F(BadInputTest, TextsAreShownAndKeptUpToTheDialogsLength)
{
    // A box holds 260 characters and the dialogs read all of them back, so a
    // longer text that passes through one is stored cut to that length; a
    // text no box holds is kept whole.
    const std::string mebibyte(1 << 20, 'k');
    WriteHive(DriverKeyHive(Lines({{"SparkServerType", Quoted("3")}, {"AuthMech", Quoted("2")}, {"UID", Quoted(mebibyte)},
        {"KrbRealm", Quoted(mebibyte)}, {"DelegationUID", BROKEN_UTF16}, {"ZKNamespace", Quoted(mebibyte)}})));
    const HiveContents before = Hive();
    const ProgramRun run = RunScript("expect 1044 contains kkkkkkkk\nclick 1\n");
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors.substr(0, 2000);
    const HiveContents after = Hive();
    EXPECT_EQ(after.Text(u"UID"), std::string(260, 'k'));
    EXPECT_EQ(after.Text(u"KrbRealm"), mebibyte) << "not written for a user name";
    EXPECT_EQ(after.Text(u"ZKNamespace"), mebibyte);
    EXPECT_EQ(after.Driver(u"DelegationUID"), before.Driver(u"DelegationUID"));
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
    struct Case {
        const char* what;
        std::string bytes;
        std::string title;
        std::u16string_view keyPath;
    } cases[] = {
        {"whole", enciphered, renamed, u"SOFTWARE\\Acme\\Acme Spark Driver\\Driver"},
        {"without its padding block", enciphered.substr(0, 96), renamed, u"SOFTWARE\\Acme\\Acme Spark Driver\\Driver"},
        {"cut in the fifth block", enciphered.substr(0, 70), renamed, u"SOFTWARE\\Dravo\\Acme Spark Driver\\Driver"},
        {"cut to three blocks", enciphered.substr(0, 48), builtIn, DRIVER_KEY},
        {"not XML", DriverSupport::ProductDescriptionFile::Encipher("driver-name=Acme\n"), builtIn, DRIVER_KEY},
        {"XML not enciphered", xml, builtIn, DRIVER_KEY},
        {"empty", "", builtIn, DRIVER_KEY},
        {"binary junk", junk, builtIn, DRIVER_KEY},
        {"entities that expand a thousand-million-fold",
            DriverSupport::ProductDescriptionFile::Encipher(entities), builtIn, DRIVER_KEY},
    };
    TempDir programDirectory;
    const fs::path program = CopyProgramInto(Program(), programDirectory.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(HivePath());
        WriteFileBytes(programDirectory / "VezurAVUZ.did", c.bytes);
        ToolRunOptions options;
        options.arguments = Arguments(m_root);
        options.input = "expect title " + c.title + "\nselect 1038 SparkThriftServer (Spark 1.1 and later)\nclick 1\n";
        options.environment = m_environment;
        const ProgramRun run = RunTool(program, options);
        EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
        EXPECT_EQ(HiveContents(HivePath()).Values().count(HiveContents::Slot(c.keyPath, u"SparkServerType")), 1U);
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
            [&](UI::DialogSystem& system) { return DriverSupport::DSLoggingDialog::Show(system, *m_store, true) ? 1 : 0; });
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
    const std::string file = "Host=first\n" + every + "\nPort=10000\r\nHuge=" + mebibyte + "\nNul=a" + std::string(1, '\0')
        + "b\nBroken=\xC3\x28\xF8\x88\x80\x80\x80\n" + "\xFF" + "AfterTheEnd=1\n";
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
    for (const std::string& bytes : {std::string(4096, '\0'), std::string("\r\r\r\n\n"), std::string("no equals sign\n")}) {
        const HeadlessRun run = Import(bytes);
        EXPECT_EQ(run.error, "");
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(Value("Host"), "");
    }
}

} // namespace
} // namespace Dravo::Test
