// A driver key edited by hand or by other programs, as Windows stores it:
// values out of range, no numbers, empty, a mebibyte long, not valid UTF-16,
// strings without their NUL, names in another case, values of other types.
// The program opens, its dialogs show what the reading rules make of them,
// OK saves, and every value it did not write keeps its type and bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/win32/ProgramWin32Fixture.h"

namespace Dravo::Test {
namespace {

constexpr DWORD EXIT_SAVED = 1;
const std::string MEBIBYTE_OF_DIGITS(1 << 20, '7');

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

StoredValue Typed(const std::string& name, DWORD type, std::vector<BYTE> data)
{
    return {Wide(name), type, std::move(data)};
}

StoredValue Dword(const std::string& name, DWORD number)
{
    std::vector<BYTE> data(4);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<BYTE>(number >> (8 * i));
    }
    return {Wide(name), REG_DWORD, data};
}

/// "3" followed by a lone high surrogate: text that is not valid UTF-16.
StoredValue BrokenUtf16(const std::string& name)
{
    return Typed(name, REG_SZ, {0x33, 0x00, 0x00, 0xD8, 0x00, 0x00});
}

std::string Describe(const StoredValue& value)
{
    std::string text = std::string(value.name.begin(), value.name.end()) + " (type " + std::to_string(value.type) + ", "
        + std::to_string(value.data.size()) + " bytes:";
    for (size_t i = 0; i < value.data.size() && i < 16; ++i) {
        text += " " + std::to_string(value.data[i]);
    }
    return text + ")";
}

struct KeyCase {
    std::string what;
    std::vector<StoredValue> values;
    /// Expectations and actions, ending with the main dialog's OK.
    std::string script;
    /// Value name -> the text OK stores as REG_SZ, or "<absent>".
    std::map<std::string, std::string> saved;
};

class BadInputWin32Test : public ProgramWin32Fixture {
protected:
    /// Runs the program over the values and checks what it stores; returns
    /// the key as it was after the save.
    std::vector<StoredValue> RunCase(const KeyCase& c)
    {
        SCOPED_TRACE(c.what);
        ClearRegistry();
        WriteDriverValues(c.values);
        const std::vector<StoredValue> before = DriverValues();
        const ProgramRun run = Run(c.script);
        EXPECT_EQ(run.exitCode, EXIT_SAVED) << run.errors.substr(0, 2000);
        const std::vector<StoredValue> after = DriverValues();
        for (const auto& [name, text] : c.saved) {
            const std::optional<StoredValue> stored = Find(after, Wide(name));
            if (text == "<absent>") {
                EXPECT_FALSE(stored) << Describe(*stored);
                continue;
            }
            if (!stored) {
                ADD_FAILURE() << name << " was not saved";
                continue;
            }
            EXPECT_EQ(*stored, (StoredValue{stored->name, REG_SZ, Utf16(text)}))
                << name << " holds " << Describe(*stored) << ", not \"" << text.substr(0, 300) << "\"";
            // A value written again keeps the spelling it was created with.
            if (const std::optional<StoredValue> old = Find(before, Wide(name))) {
                EXPECT_EQ(stored->name, old->name);
            }
        }
        for (const StoredValue& old : before) {
            bool written = false;
            for (const auto& [name, text] : c.saved) {
                written = written || ::_wcsicmp(Wide(name).c_str(), old.name.c_str()) == 0;
            }
            const std::optional<StoredValue> now = Find(after, old.name);
            if (!written && now != old) {
                ADD_FAILURE() << Describe(old) << " was not to be written, and is now "
                              << (now ? Describe(*now) : "gone");
            }
        }
        return after;
    }

    void RunCases(const std::vector<KeyCase>& cases)
    {
        for (const KeyCase& c : cases) {
            RunCase(c);
        }
    }
};

TEST_F(BadInputWin32Test, ServerTypesThatAreNotExactlyTwoOrThreeReadAsSharkServer)
{
    const std::string shark = "expect 1038 selected SharkServer (Shark 0.8.1 and earlier)\nclick 1\n";
    const std::string thrift = "expect 1038 selected SparkThriftServer (Spark 1.1 and later)\nclick 1\n";
    const auto sharkCase = [&](const std::string& what, StoredValue value) {
        return KeyCase{what, {std::move(value)}, shark, {{"SparkServerType", "1"}}};
    };
    RunCases({
        sharkCase("a leading zero", Sz("SparkServerType", "03")),
        sharkCase("out of range", Sz("SparkServerType", "4")),
        sharkCase("empty", Sz("SparkServerType", "")),
        sharkCase("a mebibyte long", Sz("SparkServerType", MEBIBYTE_OF_DIGITS)),
        sharkCase("not valid UTF-16", BrokenUtf16("SparkServerType")),
        sharkCase("binary", Typed("SparkServerType", REG_BINARY, Utf16("3"))),
        sharkCase("an expandable string", Typed("SparkServerType", REG_EXPAND_SZ, Utf16("3"))),
        sharkCase("a multi-string", Typed("SparkServerType", REG_MULTI_SZ, Utf16("3", 2))),
        sharkCase("a dword two bytes long", Typed("SparkServerType", REG_DWORD, {3, 0})),
        {"a number of type dword", {Dword("SparkServerType", 3)}, thrift, {{"SparkServerType", "3"}}},
        {"a number of type qword", {Typed("SparkServerType", REG_QWORD, {2, 0, 0, 0, 0, 0, 0, 0})},
            "expect 1038 selected SharkServer2 (Shark 0.9.*)\nclick 1\n", {{"SparkServerType", "2"}}},
        // Strings other programs store carelessly: the text up to the end.
        {"a string without its NUL", {Typed("SparkServerType", REG_SZ, Utf16("3", 0))}, thrift,
            {{"SparkServerType", "3"}}},
        {"a string with an odd byte at its end", {Typed("SparkServerType", REG_SZ, {0x33, 0x00, 0x00, 0x00, 0x41})},
            thrift, {{"SparkServerType", "3"}}},
        {"the name in lower case", {Sz("sparkservertype", "2")},
            "expect 1038 selected SharkServer2 (Shark 0.9.*)\nclick 1\n", {{"SparkServerType", "2"}}},
    });
}

TEST_F(BadInputWin32Test, MechanismsAndTransportsThatDoNotReadFallBack)
{
    const auto mechanismCase = [](const std::string& what, StoredValue value, const std::string& label,
                                   const std::string& stored) {
        return KeyCase{what, {Sz("SparkServerType", "3"), std::move(value)},
            "expect 1040 selected " + label + "\nclick 1\n", {{"AuthMech", stored}}};
    };
    const auto transportCase = [](const std::string& what, StoredValue value, const std::string& label,
                                   const std::string& stored) {
        return KeyCase{what, {Sz("SparkServerType", "3"), Sz("AuthMech", "3"), std::move(value)},
            "expect 1093 selected " + label + "\nclick 1\n", {{"ThriftTransport", stored}}};
    };
    RunCases({
        mechanismCase("a mechanism that is no number", Sz("AuthMech", "abc"), "User Name", "2"),
        mechanismCase("a mechanism beyond 16 bits", Sz("AuthMech", "65536"), "User Name", "2"),
        mechanismCase("a mechanism a mebibyte long", Sz("AuthMech", MEBIBYTE_OF_DIGITS), "User Name", "2"),
        mechanismCase(
            "a mechanism as a multi-string", Typed("AuthMech", REG_MULTI_SZ, Utf16("0", 2)), "User Name", "2"),
        mechanismCase("a mechanism of type dword", Dword("AuthMech", 0), "No Authentication", "0"),
        mechanismCase("the mechanism's name in upper case", Sz("AUTHMECH", "3"), "User Name and Password", "3"),
        transportCase("a transport out of range", Sz("ThriftTransport", "5"), "SASL", "1"),
        transportCase("a transport that is not valid UTF-16", BrokenUtf16("ThriftTransport"), "SASL", "1"),
        transportCase(
            "a transport as an expandable string", Typed("ThriftTransport", REG_EXPAND_SZ, Utf16("2")), "SASL", "1"),
        transportCase("a transport of type dword", Dword("ThriftTransport", 2), "HTTP", "2"),
        transportCase("the transport's name in another case", Sz("THRIFTtransport", "0"), "Binary", "0"),
    });
    // An older form: user name and password over HTTP with SSL.
    RunCase({"an older mechanism", {Sz("SparkServerType", "3"), Sz("AuthMech", "8")},
        "expect 1040 selected User Name and Password\nexpect 1093 selected HTTP\nclick 1\n",
        {{"AuthMech", "3"}, {"ThriftTransport", "2"}, {"SSL", "1"}}});
}

/// Every number of the advanced options with one kind of bad value at a time:
/// each shows its fallback, and OK stores what is shown.
TEST_F(BadInputWin32Test, AdvancedNumbersThatDoNotReadShowTheirFallbacks)
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
    const std::map<std::string, std::string> stored = {{"DefaultStringColumnLength", "255"},
        {"BinaryColumnLength", "32767"}, {"DecimalColumnScale", "10"}, {"RowsFetchedPerBlock", "10000"},
        {"AsyncExecPollInterval", "100"}, {"SocketTimeout", "30"}};
    const auto allSetTo = [&](const std::function<StoredValue(const std::string&)>& make) {
        std::vector<StoredValue> values = {Sz("SparkServerType", "3")};
        for (const std::string& name : names) {
            values.push_back(make(name));
        }
        return values;
    };
    RunCases({
        {"out of range",
            {Sz("SparkServerType", "3"), Sz("DefaultStringColumnLength", "0"), Sz("BinaryColumnLength", "4294967296"),
                Sz("DecimalColumnScale", "40000"), Sz("RowsFetchedPerBlock", "4294967296"),
                Sz("AsyncExecPollInterval", "2147483648"), Sz("SocketTimeout", "-1")},
            fallbacks, stored},
        {"not numbers", allSetTo([](const std::string& name) { return Sz(name, "12abc"); }), fallbacks, stored},
        {"a mebibyte long", allSetTo([](const std::string& name) { return Sz(name, MEBIBYTE_OF_DIGITS); }), fallbacks,
            stored},
        {"binary, expandable and big-endian",
            {Sz("SparkServerType", "3"), Typed("DefaultStringColumnLength", REG_BINARY, Utf16("10")),
                Typed("BinaryColumnLength", REG_EXPAND_SZ, Utf16("10")),
                Typed("DecimalColumnScale", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 5}),
                Typed("RowsFetchedPerBlock", REG_MULTI_SZ, Utf16("10", 2)),
                Typed("AsyncExecPollInterval", REG_NONE, {}), Typed("SocketTimeout", REG_QWORD, {1, 2, 3})},
            fallbacks, stored},
        {"numbers of type dword", allSetTo([](const std::string& name) { return Dword(name, 512); }),
            "click 1029\nexpect 1026 text 512\nexpect 1046 text 512\nexpect 1122 text 512\nclick 1\nclick 1\n",
            {{"DefaultStringColumnLength", "512"}, {"BinaryColumnLength", "512"}, {"DecimalColumnScale", "38"},
                {"RowsFetchedPerBlock", "512"}, {"AsyncExecPollInterval", "512"}, {"SocketTimeout", "512"}}},
    });
}

TEST_F(BadInputWin32Test, SwitchesAreOnOnlyForExactlyOne)
{
    RunCase({"texts and types that look like on",
        {Sz("SparkServerType", "3"), Sz("UseNativeQuery", "true"), Sz("FastSQLPrepare", "01"),
            Typed("ShowSystemTable", REG_MULTI_SZ, Utf16("1", 2)), Dword("UseUnicodeSqlCharacterTypes", 1),
            Sz("DriverConfigTakePrecedence", std::string(1 << 20, '1')), Sz("InvalidSessionAutoRecover", ""),
            Typed("GetTablesWithQuery", REG_BINARY, Utf16("1")), BrokenUtf16("UseOnlySSPI"),
            Typed("EnableAsyncExec", REG_EXPAND_SZ, Utf16("1")), Sz("SSL", "TRUE")},
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
        {{"UseNativeQuery", "0"}, {"FastSQLPrepare", "0"}, {"ShowSystemTable", "0"},
            {"UseUnicodeSqlCharacterTypes", "1"}, {"DriverConfigTakePrecedence", "0"},
            {"InvalidSessionAutoRecover", "0"}, {"GetTablesWithQuery", "0"}, {"UseOnlySSPI", "0"},
            {"EnableAsyncExec", "0"}, {"SSL", "0"}}});
}

TEST_F(BadInputWin32Test, LoggingValuesThatDoNotReadShowTheirDefaults)
{
    const std::string directory = m_files.Path().string();
    RunCases({
        {"a level above the last, numbers of type dword, a binary directory",
            {Sz("LogLevel", "9"), Dword("LogFileCount", 7), Dword("LogFileSize", 0x100000),
                Typed("LogPath", REG_BINARY, Utf16("C:\\"))},
            "click 1118\nexpect 8014 selected LOG_TRACE\nexpect 8012 text 7\nexpect 8011 text 1\nexpect 8013 text \n"
            "expect 1 disabled\nclick 2\nclick 1\n",
            {{"LogLevel", "6"}, {"LogFileCount", "7"}, {"LogFileSize", "1048576"}, {"LogPath", ""}}},
        // The count is shown as stored, and Wine lays out a long run of digits
        // in an edit box in quadratic time: a few thousand digits are as far
        // beyond any count as a mebibyte.
        {"a mebibyte long level, a count of 4096 digits, a directory that is not valid UTF-16",
            {Sz("LogLevel", MEBIBYTE_OF_DIGITS), Sz("LogFileCount", std::string(4096, '7')), Sz("LogFileSize", "-5"),
                BrokenUtf16("LogPath")},
            // OK refuses the count with a message; the dialog stays open.
            "click 1118\nexpect 8014 selected LOG_OFF\nexpect 8011 text 20\nselect 8014 LOG_ERROR\ntype 8013 "
                + directory + "\nanswer OK\nclick 1\nexpect dialog 9109\ntype 8012 50\nclick 1\nclick 1\n",
            {{"LogLevel", "2"}, {"LogFileCount", "50"}, {"LogFileSize", "20971520"}, {"LogPath", directory}}},
    });
}

TEST_F(BadInputWin32Test, StoredPasswordsThatCannotBeDecipheredReadAsEmpty)
{
    const auto passwordCase = [](const std::string& what, StoredValue value, const std::string& shown,
                                  const std::string& stored) {
        return KeyCase{what, {Sz("SparkServerType", "3"), Sz("AuthMech", "3"), std::move(value)},
            "expect 1054 text " + shown + "\nclick 1\n", {{"EncryptedPWD", stored}}};
    };
    RunCases({
        // Read as empty, and a save without "Save Password" removes them.
        passwordCase("odd-length hexadecimal", Sz("EncryptedPWD", "ABC"), "", "<absent>"),
        passwordCase(
            "a mebibyte that does not decipher", Sz("EncryptedPWD", "_" + std::string(1 << 20, 'A')), "", "<absent>"),
        passwordCase("binary", Typed("EncryptedPWD", REG_BINARY, Utf16("_A", 0)), "", "<absent>"),
        // Readable as plain hexadecimal: kept as stored while not saved anew.
        passwordCase("plain hexadecimal", Sz("EncryptedPWD", "616263"), "abc", "616263"),
    });
}

TEST_F(BadInputWin32Test, PropertiesAndTextsOfOddNamesTypesAndLengthsAreKept)
{
    // Server-side properties and HTTP headers the tool lists but does not
    // read are kept byte for byte; texts longer than a box holds are stored
    // cut to what the box holds, and a text no box shows is kept whole.
    const std::string mebibyte(1 << 20, 'v');
    const std::vector<StoredValue> after = RunCase({"odd properties and long texts",
        {Sz("SparkServerType", "3"), Sz("AuthMech", "2"), Sz("SSP_", "empty name"), Sz("ssp_lower", "not a property"),
            Dword("SSP_Number", 7), Typed("SSP_Binary", REG_BINARY, {1, 2, 3}), BrokenUtf16("SSP_Broken"),
            Typed("SSP_Multi", REG_MULTI_SZ, Utf16("a", 2)), Sz("SSP_Huge", mebibyte),
            Typed("http.header.X-Binary", REG_BINARY, {0}), Sz("http.header.X-Huge", mebibyte),
            Sz("UID", std::string(1 << 20, 'k')), Sz("KrbRealm", mebibyte), BrokenUtf16("DelegationUID"),
            Sz("ZKNamespace", mebibyte), Typed("", REG_BINARY, {9}), Typed("VendorExtra", REG_LINK, Utf16("x", 0))},
        "expect 1044 contains kkkkkkkk\n"
        "click 1029\n"
        "click 1078\n"
        "select 1084 Number=7\n"
        "select 1084 =empty name\n"
        "click 2\n"
        "click 2\n"
        "click 1\n",
        {{"SSP_", "empty name"}, {"SSP_Number", "7"}, {"SSP_Huge", mebibyte}, {"http.header.X-Huge", mebibyte},
            {"UID", std::string(260, 'k')}}});
    EXPECT_TRUE(Find(after, L"ssp_lower")) << "not a property, so never removed";

    // What was saved reads back as it was shown.
    const ProgramRun reread = Run("expect 1040 selected User Name\n"
                                  "expect 1044 text "
        + std::string(260, 'k')
        + "\n"
          "click 1029\n"
          "click 1078\n"
          "select 1084 Number=7\n"
          "click 2\n"
          "click 2\n"
          "click 2\n");
    EXPECT_EQ(reread.exitCode, 0U) << reread.errors.substr(0, 2000);
}

} // namespace
} // namespace Dravo::Test
