// The registry file format: what is written reads back to the same bytes, and
// what Windows writes (or a person types) reads as Windows reads it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/RegistryFileParser.h"
#include "platform/RegistryFileWriter.h"
#include "platform/RegistryImage.h"

namespace Dravo::OS {
namespace {

RegistryValue Value(std::u16string name, RegistryValueType type, std::vector<uint8_t> data)
{
    return RegistryValue{std::move(name), type, std::move(data)};
}

/// Parses a file into an image; fails the test on a parse error.
void Load(const std::string& text, RegistryImage& image, std::optional<RegistryHive> hive = RegistryHive::LocalMachine)
{
    RegistryFileParser parser(hive);
    ASSERT_TRUE(parser.Parse(text)) << "line " << parser.GetError().line << ": " << parser.GetError().message;
    for (const RegistryChange& change : parser.TakeChanges()) {
        image.Apply(change);
    }
}

std::string Save(const RegistryImage& image)
{
    std::string text;
    RegistryFileWriter writer(text);
    writer.WriteHeader();
    writer.WriteTree(image.GetRoot(), RegistryHive::LocalMachine, u"");
    return text;
}

std::vector<RegistryValue> ValuesOf(const RegistryImageKey& key)
{
    std::vector<RegistryValue> values;
    for (size_t i = 0; i < key.GetValueCount(); ++i) {
        values.push_back(key.GetValue(i));
    }
    return values;
}

RegistryParseError ParseFailure(const std::string& text, std::optional<RegistryHive> hive = RegistryHive::LocalMachine)
{
    RegistryFileParser parser(hive);
    EXPECT_FALSE(parser.Parse(text)) << text;
    return parser.GetError();
}

std::string Utf16LeWithBom(const std::u16string& text)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

TEST(RegistryFileTest, EveryValueTypeReadsBackToTheSameBytes)
{
    std::vector<uint8_t> longBinary(300);
    for (size_t i = 0; i < longBinary.size(); ++i) {
        longBinary[i] = static_cast<uint8_t>(i * 7);
    }
    const std::vector<RegistryValue> values = {
        Value(u"", REG_SZ_TYPE, MakeRegistryStringData(u"default")),
        Value(u"Plain", REG_SZ_TYPE, MakeRegistryStringData(u"C:\\Program Files\\\"quoted\"")),
        Value(u"Empty", REG_SZ_TYPE, MakeRegistryStringData(u"")),
        Value(u"Lines", REG_SZ_TYPE, MakeRegistryStringData(u"one\r\ntwo")),
        Value(u"NoTerminator", REG_SZ_TYPE, {'a', 0, 'b', 0}),
        Value(u"OddLength", REG_SZ_TYPE, {'a', 0, 0}),
        Value(u"NoData", REG_SZ_TYPE, {}),
        Value(u"LoneSurrogate", REG_SZ_TYPE, {0x00, 0xD8, 0, 0}),
        Value(u"Unicode \u00e9\u4e2d\U0001F600", REG_SZ_TYPE, MakeRegistryStringData(u"\u00e9\u4e2d\U0001F600")),
        Value(u"Expand", REG_EXPAND_SZ_TYPE, MakeRegistryStringData(u"%SystemRoot%\\x")),
        Value(u"Binary", REG_BINARY_TYPE, longBinary),
        Value(u"EmptyBinary", REG_BINARY_TYPE, {}),
        Value(u"Dword", REG_DWORD_TYPE, MakeRegistryDwordData(0xDEADBEEF)),
        Value(u"ShortDword", REG_DWORD_TYPE, {1, 2}),
        Value(u"Multi", REG_MULTI_SZ_TYPE, MakeRegistryMultiStringData({u"a", u"bc", u""})),
        Value(u"Qword", REG_QWORD_TYPE, MakeRegistryQwordData(0x0123456789ABCDEFULL)),
        Value(u"None", REG_NONE_TYPE, {}),
        Value(u"Odd \\ \"name\"", 0x12345678, {9, 8, 7}),
    };
    RegistryImage image;
    RegistryImageKey& key = image.GetRoot().CreateSubKey(u"SOFTWARE").CreateSubKey(u"Types");
    for (const RegistryValue& value : values) {
        key.SetValue(value);
    }
    const std::string text = Save(image);

    RegistryImage reread;
    Load(text, reread);
    const RegistryImageKey* loaded = reread.FindKey(u"SOFTWARE\\Types");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(ValuesOf(*loaded), values);
    EXPECT_EQ(Save(reread), text);
}

TEST(RegistryFileTest, WritesTheShapesOfTheWindowsExporter)
{
    RegistryImage image;
    RegistryImageKey& key = image.GetRoot().CreateSubKey(u"SOFTWARE").CreateSubKey(u"Dravo");
    key.SetValue(Value(u"SparkServerType", REG_SZ_TYPE, MakeRegistryStringData(u"3")));
    key.SetValue(Value(u"LogFileCount", REG_DWORD_TYPE, MakeRegistryDwordData(50)));
    key.SetValue(Value(u"", REG_SZ_TYPE, MakeRegistryStringData(u"x")));
    key.SetValue(Value(u"Q", REG_QWORD_TYPE, MakeRegistryQwordData(1)));
    key.SetValue(Value(u"Lines", REG_SZ_TYPE, MakeRegistryStringData(u"a\nb")));
    key.SetValue(Value(u"Gone", REG_NONE_TYPE, {}));

    EXPECT_EQ(Save(image),
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo]\r\n"
        "\"SparkServerType\"=\"3\"\r\n"
        "\"LogFileCount\"=dword:00000032\r\n"
        "@=\"x\"\r\n"
        "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "\"Lines\"=hex(1):61,00,0a,00,62,00,00,00\r\n"
        "\"Gone\"=hex(0):\r\n"
        "\r\n");
}

TEST(RegistryFileTest, LongHexDataWrapsWithinEightyColumnsAndReadsBack)
{
    RegistryImage image;
    image.GetRoot().CreateSubKey(u"K").SetValue(Value(u"Blob", REG_BINARY_TYPE, std::vector<uint8_t>(100, 0xAB)));
    const std::string text = Save(image);
    size_t start = 0;
    int lines = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        EXPECT_LE(end - start, 80U) << text.substr(start, end - start);
        start = end + 2;
        ++lines;
    }
    EXPECT_GT(lines, 6);
    RegistryImage reread;
    Load(text, reread);
    EXPECT_EQ(reread.FindKey(u"K")->FindValue(u"Blob")->data, std::vector<uint8_t>(100, 0xAB));
}

TEST(RegistryFileTest, ReadsAWindowsExportInUtf16WithContinuationLines)
{
    const std::u16string exported =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
        u"\"SparkServerType\"=\"3\"\r\n"
        u"\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,\\\r\n"
        u"  25,00,00,00\r\n"
        u"\"Caf\u00e9\"=\"\u00e9t\u00e9\"\r\n"
        u"\"Count\"=dword:0000000a\r\n\r\n";
    RegistryImage image;
    Load(Utf16LeWithBom(exported), image);
    const RegistryImageKey* key = image.FindKey(u"software\\dravo\\DRAVO SPARK ODBC DRIVER\\driver");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->GetName(), u"Driver");
    EXPECT_EQ(key->FindValue(u"Path")->type, REG_EXPAND_SZ_TYPE);
    EXPECT_EQ(GetRegistryStringText(key->FindValue(u"Path")->data), u"%SystemRoot%");
    EXPECT_EQ(GetRegistryStringText(key->FindValue(u"CAF\u00c9")->data), u"\u00e9t\u00e9");
    EXPECT_EQ(key->FindValue(u"Count")->data, MakeRegistryDwordData(10));
}

TEST(RegistryFileTest, AcceptsAByteOrderMarkAndEveryLineEnd)
{
    for (const std::string lineEnd : {"\r\n", "\n", "\r"}) {
        const std::string text = "\xEF\xBB\xBFWindows Registry Editor Version 5.00" + lineEnd + lineEnd
            + "[HKEY_LOCAL_MACHINE\\A]" + lineEnd + "\"x\"=hex:01,\\" + lineEnd + "  02" + lineEnd + "; a comment"
            + lineEnd + "\"y\"=\"z\"";
        RegistryImage image;
        Load(text, image);
        const RegistryImageKey* key = image.FindKey(u"A");
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->FindValue(u"x")->data, (std::vector<uint8_t>{1, 2}));
        EXPECT_EQ(GetRegistryStringText(key->FindValue(u"y")->data), u"z");
    }
}

TEST(RegistryFileTest, DeletionsRemoveKeysAndValues)
{
    RegistryImage image;
    Load("Windows Registry Editor Version 5.00\r\n"
         "[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\"v\"=\"1\"\r\n"
         "[HKEY_LOCAL_MACHINE\\A]\r\n\"keep\"=\"1\"\r\n\"drop\"=\"2\"\r\n"
         "[-HKEY_LOCAL_MACHINE\\A\\B]\r\n"
         "[HKEY_LOCAL_MACHINE\\A]\r\n\"DROP\"=-\r\n@=-\r\n",
        image);
    const RegistryImageKey* key = image.FindKey(u"A");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->GetSubKeyCount(), 0U);
    ASSERT_EQ(key->GetValueCount(), 1U);
    EXPECT_EQ(key->GetValue(0).name, u"keep");
}

TEST(RegistryFileTest, ReportsTheLineOfEveryFault)
{
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    EXPECT_EQ(ParseFailure("hello\r\n").line, 1U);
    EXPECT_NE(ParseFailure("REGEDIT4\r\n").message.find("REGEDIT4"), std::string::npos);
    EXPECT_EQ(ParseFailure(header + "\"v\"=\"1\"\r\n").line, 3U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A\r\n").line, 3U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_CLASSES_ROOT\\A]\r\n").line, 3U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A\\\\B]\r\n").line, 3U);
    EXPECT_EQ(ParseFailure(header + "[-HKEY_LOCAL_MACHINE]\r\n").line, 3U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=\"open\r\n").line, 4U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=dword:123456789\r\n").line, 4U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:01,zz\r\n").line, 4U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:01,\\\r\n  02,\\\r\n  0x\r\n").line, 4U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A]\r\n\"v\" \"1\"\r\n").line, 4U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=\"1\" trailing\r\n").line, 4U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=text\r\n").line, 4U);
    EXPECT_EQ(ParseFailure(header + "[HKEY_LOCAL_MACHINE\\A]\r\n\"\xC3\x28\"=\"1\"\r\n").line, 4U);
    // A hive file holds its own hive only; an import file may hold both.
    EXPECT_EQ(ParseFailure(header + "[HKEY_CURRENT_USER\\A]\r\n").line, 3U);
    RegistryFileParser importParser;
    EXPECT_TRUE(importParser.Parse(header + "[HKEY_CURRENT_USER\\A]\r\n[HKEY_LOCAL_MACHINE\\B]\r\n"));
    EXPECT_EQ(importParser.TakeChanges().size(), 2U);
}

TEST(RegistryFileTest, AnEmptyFileIsAnEmptyHive)
{
    RegistryFileParser parser(RegistryHive::CurrentUser);
    EXPECT_TRUE(parser.Parse(""));
    EXPECT_TRUE(parser.TakeChanges().empty());
    EXPECT_FALSE(parser.CanAppend());
}

class ChangeRecordTest : public testing::Test {
protected:
    static std::string Record(const std::string& body)
    {
        return "\r\n" + RegistryFileParser::MakeRecordHeader(body) + body;
    }

    const std::string m_base = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"1\"\r\n";
    const std::string m_first = Record("[HKEY_LOCAL_MACHINE\\K]\r\n\"b\"=\"2\"\r\n");
    const std::string m_second = Record("[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"3\"\r\n\"c\"=\"4\"\r\n");
};

TEST_F(ChangeRecordTest, CompleteRecordsApplyInOrder)
{
    RegistryImage image;
    Load(m_base + m_first + m_second, image);
    const RegistryImageKey* key = image.FindKey(u"K");
    ASSERT_EQ(key->GetValueCount(), 3U);
    EXPECT_EQ(GetRegistryStringText(key->FindValue(u"a")->data), u"3");
    RegistryFileParser parser(RegistryHive::LocalMachine);
    ASSERT_TRUE(parser.Parse(m_base + m_first + m_second));
    EXPECT_EQ(parser.GetCommittedLength(), (m_base + m_first + m_second).size());
    EXPECT_EQ(parser.GetRecordBytes(), m_first.size() - 2 + m_second.size() - 2);
    EXPECT_TRUE(parser.CanAppend());
}

TEST_F(ChangeRecordTest, ARecordCutShortAtTheEndCountsForNothing)
{
    const std::string whole = m_base + m_first + m_second;
    // Every prefix that ends inside the second record (after its blank line)
    // reads as base + first record.
    for (size_t cut = m_base.size() + m_first.size() + 2; cut < whole.size(); ++cut) {
        RegistryFileParser parser(RegistryHive::LocalMachine);
        ASSERT_TRUE(parser.Parse(whole.substr(0, cut))) << cut;
        RegistryImage image;
        for (const RegistryChange& change : parser.TakeChanges()) {
            image.Apply(change);
        }
        const RegistryImageKey* key = image.FindKey(u"K");
        EXPECT_EQ(key->GetValueCount(), 2U) << cut;
        EXPECT_EQ(GetRegistryStringText(key->FindValue(u"a")->data), u"1") << cut;
        EXPECT_LE(parser.GetCommittedLength(), cut);
        EXPECT_GE(parser.GetCommittedLength(), m_base.size() + m_first.size());
        EXPECT_TRUE(parser.CanAppend());
    }
}

TEST_F(ChangeRecordTest, ADamagedRecordAtTheEndIsDroppedButEditedTextElsewhereIsRead)
{
    std::string damaged = m_second;
    damaged[damaged.size() - 4] = '9';
    RegistryImage atEnd;
    Load(m_base + m_first + damaged, atEnd);
    EXPECT_EQ(GetRegistryStringText(atEnd.FindKey(u"K")->FindValue(u"a")->data), u"1");

    RegistryImage inMiddle;
    Load(m_base + damaged + m_first, inMiddle);
    EXPECT_NE(inMiddle.FindKey(u"K")->FindValue(u"c"), nullptr);
    EXPECT_EQ(GetRegistryStringText(inMiddle.FindKey(u"K")->FindValue(u"c")->data), u"9");
}

TEST_F(ChangeRecordTest, AppendedRecordsParseAloneAsTheyDoInTheWholeFile)
{
    RegistryFileParser parser(RegistryHive::LocalMachine);
    ASSERT_TRUE(parser.Parse(m_base + m_first));
    RegistryImage incremental;
    for (const RegistryChange& change : parser.TakeChanges()) {
        incremental.Apply(change);
    }
    ASSERT_TRUE(parser.ParseAppended(m_second));
    for (const RegistryChange& change : parser.TakeChanges()) {
        incremental.Apply(change);
    }
    RegistryImage whole;
    Load(m_base + m_first + m_second, whole);
    EXPECT_EQ(Save(incremental), Save(whole));
    EXPECT_EQ(parser.GetCommittedLength(), (m_base + m_first + m_second).size());
}

TEST(RegistryNameTest, PathsSplitAndNamesThatCannotBeStoredAreRefused)
{
    EXPECT_EQ(*SplitRegistryPath(u"SOFTWARE\\Dravo\\"), (std::vector<std::u16string>{u"SOFTWARE", u"Dravo"}));
    EXPECT_TRUE(SplitRegistryPath(u"")->empty());
    EXPECT_EQ(SplitRegistryPath(u"\\SOFTWARE").GetError(), ERROR_BAD_PATHNAME_CODE);
    EXPECT_EQ(SplitRegistryPath(u"A\\\\B").GetError(), ERROR_BAD_PATHNAME_CODE);
    EXPECT_EQ(SplitRegistryPath(std::u16string(256, u'x')).GetError(), ERROR_INVALID_PARAMETER_CODE);
    EXPECT_EQ(SplitRegistryPath(u"A\nB").GetError(), ERROR_INVALID_PARAMETER_CODE);
    std::u16string deep;
    for (int i = 0; i < 513; ++i) {
        deep += u"k\\";
    }
    EXPECT_EQ(SplitRegistryPath(deep).GetError(), ERROR_INVALID_PARAMETER_CODE);
    EXPECT_EQ(CheckRegistryValueName(u"a\rb"), ERROR_INVALID_PARAMETER_CODE);
    EXPECT_EQ(CheckRegistryValueName(std::u16string(1, u'\xD800')), ERROR_INVALID_PARAMETER_CODE);
    EXPECT_EQ(CheckRegistryValueName(u"ok \"quoted\" \\"), ERROR_SUCCESS_CODE);
    // Windows' simple upper-casing: no sharp s for "SS", no Kelvin sign for "K".
    EXPECT_NE(FoldRegistryName(u"StRa\u00dfE"), FoldRegistryName(u"STRASSE"));
    EXPECT_NE(FoldRegistryName(u"\u212A"), FoldRegistryName(u"k"));
    EXPECT_EQ(FoldRegistryName(u"\u00e9t\u00e9"), FoldRegistryName(u"\u00c9T\u00c9"));
}

TEST(RegistryImageTest, NamesKeepTheirFirstSpellingAndValuesTheirPlace)
{
    RegistryImage image;
    RegistryImageKey& key = image.GetRoot().CreateSubKey(u"Key");
    key.SetValue(Value(u"LogLevel", REG_SZ_TYPE, MakeRegistryStringData(u"1")));
    key.SetValue(Value(u"Other", REG_SZ_TYPE, MakeRegistryStringData(u"2")));
    key.SetValue(Value(u"LOGLEVEL", REG_DWORD_TYPE, MakeRegistryDwordData(3)));
    ASSERT_EQ(key.GetValueCount(), 2U);
    EXPECT_EQ(key.GetValue(0).name, u"LogLevel");
    EXPECT_EQ(key.GetValue(0).type, REG_DWORD_TYPE);
    EXPECT_TRUE(key.DeleteValue(u"loglevel"));
    EXPECT_EQ(key.GetValue(0).name, u"Other");
    EXPECT_NE(key.FindValue(u"OTHER"), nullptr);

    EXPECT_EQ(&image.GetRoot().CreateSubKey(u"KEY"), &key);
    image.GetRoot().CreateSubKey(u"apple");
    image.GetRoot().CreateSubKey(u"Banana");
    EXPECT_EQ(image.GetRoot().GetSubKey(0).GetName(), u"apple");
    EXPECT_EQ(image.GetRoot().GetSubKey(1).GetName(), u"Banana");
    EXPECT_EQ(image.GetRoot().GetSubKey(2).GetName(), u"Key");
}

} // namespace
} // namespace Dravo::OS
