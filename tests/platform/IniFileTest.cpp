// The ini reader and editor on hand-written files: what a reader gets from
// them, which bytes an edit changes (only those it must), and the files and
// texts it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/IniFile.h"

namespace Dravo::Test {
namespace {

using OS::IniEntry;
using OS::IniFile;
using OS::IniSectionChanges;

IniFile Parsed(const std::string& bytes)
{
    IniFile file;
    EXPECT_TRUE(file.Parse(bytes)) << file.GetError().message;
    return file;
}

std::string Edited(const std::string& bytes, const IniSectionChanges& changes)
{
    return Parsed(bytes).Apply(u"Driver", changes);
}

TEST(IniFileTest, HandWrittenFilesReadAsAnIniReaderReadsThem)
{
    const std::string text = "\xEF\xBB\xBF; written by hand\r\n"
                             "Global=before any section\r\n"
                             "[ODBC]\r\n"
                             "Trace=No\r\n"
                             "  [ driver ]  ; the driver's own\r\n"
                             "  SparkServerType  =  3  \r\n"
                             "# AuthMech=2\r\n"
                             "AUTHMECH=3\r\n"
                             "not a setting\r\n"
                             "=no name\r\n"
                             "authmech=1\r\n"
                             "[Other]\r\n"
                             "UID=not the driver's\r\n"
                             "[DRIVER]\r\n"
                             "UID=operator\r\n"
                             "Empty=";
    const IniFile file = Parsed(text);
    EXPECT_TRUE(file.HasSection(u"Driver"));
    EXPECT_FALSE(file.HasSection(u"Missing"));
    EXPECT_EQ(file.ReadSection(u"Driver"),
        (std::vector<IniEntry>{
            {u"SparkServerType", u"3"}, {u"AUTHMECH", u"3"}, {u"UID", u"operator"}, {u"Empty", u""}}));
    EXPECT_EQ(file.ReadSection(u"odbc"), (std::vector<IniEntry>{{u"Trace", u"No"}}));
    // Read and written back without a change: the same bytes.
    EXPECT_EQ(file.Apply(u"Driver", IniSectionChanges()), text);
    IniSectionChanges same;
    same.SetValue(u"SparkServerType", u"3");
    same.SetValue(u"authmech", u"3");
    EXPECT_EQ(file.Apply(u"Driver", same), text) << "values set to what they are change nothing";
}

TEST(IniFileTest, AChangedValueKeepsItsLineANewOneGoesAfterTheSectionsLastValue)
{
    const std::string text = "[Driver]\r\n"
                             "  LogLevel = 2   \r\n"
                             "; a comment kept in place\r\n"
                             "UID=operator\r\n"
                             "\r\n"
                             "; about the next section\r\n"
                             "[ODBC]\r\n"
                             "Trace=No";
    IniSectionChanges changes;
    changes.SetValue(u"loglevel", u"6");
    changes.SetValue(u"KrbRealm", u"EXAMPLE.COM");
    changes.DeleteValue(u"UID");
    changes.SetValue(u"SSL", u"1");
    EXPECT_EQ(Edited(text, changes),
        "[Driver]\r\n"
        "  LogLevel = 6   \r\n"
        "; a comment kept in place\r\n"
        "KrbRealm=EXAMPLE.COM\r\n"
        "SSL=1\r\n"
        "\r\n"
        "; about the next section\r\n"
        "[ODBC]\r\n"
        "Trace=No");
}

TEST(IniFileTest, ANameGivenTwiceSaysOneThingOnceItIsChanged)
{
    const std::string text = "[Driver]\nSSL=0\nUID=a\nssl=1\n[driver]\nSSL=1\nUID=b\n";
    IniSectionChanges unchanged;
    unchanged.SetValue(u"SSL", u"0");
    EXPECT_EQ(Edited(text, unchanged), text) << "the first line already holds it";

    IniSectionChanges changed;
    changed.SetValue(u"ssl", u"1");
    changed.SetValue(u"UID", u"c");
    const std::string edited = Edited(text, changed);
    EXPECT_EQ(edited, "[Driver]\nSSL=1\nUID=c\n[driver]\n");
    EXPECT_EQ(Parsed(edited).ReadSection(u"Driver"), (std::vector<IniEntry>{{u"SSL", u"1"}, {u"UID", u"c"}}));

    IniSectionChanges deleted;
    deleted.DeleteValue(u"UID");
    EXPECT_EQ(Edited(text, deleted), "[Driver]\nSSL=0\nssl=1\n[driver]\nSSL=1\n");
}

TEST(IniFileTest, AMissingSectionOrFileIsMadeAndARemovedSectionTakesItsLines)
{
    IniSectionChanges changes;
    changes.SetValue(u"SparkServerType", u"3");
    EXPECT_EQ(Edited("", changes), "[Driver]\nSparkServerType=3\n");
    EXPECT_EQ(Edited("\xEF\xBB\xBF", changes), "\xEF\xBB\xBF[Driver]\nSparkServerType=3\n");
    EXPECT_EQ(Edited("[ODBC]\r\nTrace=No", changes), "[ODBC]\r\nTrace=No\r\n\r\n[Driver]\r\nSparkServerType=3\r\n");
    EXPECT_EQ(Edited("[ODBC]\n\n", changes), "[ODBC]\n\n[Driver]\nSparkServerType=3\n");
    // An empty section is still a key.
    IniSectionChanges created;
    created.CreateSection();
    EXPECT_EQ(Edited("", created), "[Driver]\n");
    EXPECT_EQ(Edited("[driver]\n", created), "[driver]\n");
    // A deletion with nothing to delete writes nothing.
    IniSectionChanges nothing;
    nothing.DeleteValue(u"UID");
    EXPECT_EQ(Edited("", nothing), "");

    IniSectionChanges removed;
    removed.RemoveSection();
    EXPECT_EQ(Edited("; top\n[Driver]\nA=1\n; inside\n[ODBC]\nB=2\n[DRIVER]\nC=3\n", removed), "; top\n[ODBC]\nB=2\n");
    // Removed, then made again: only the new values.
    removed.SetValue(u"D", u"4");
    EXPECT_EQ(Edited("[Driver]\nA=1\n[ODBC]\nB=2\n", removed), "[ODBC]\nB=2\n\n[Driver]\nD=4\n");
}

TEST(IniFileTest, VeryLongLinesAndTheLastLineWithoutItsEndAreKept)
{
    const std::string longValue(1 << 20, 'v');
    const std::string text = "[Driver]\nHuge=" + longValue + "\nLast=1";
    const IniFile file = Parsed(text);
    ASSERT_EQ(file.ReadSection(u"Driver").size(), 2U);
    EXPECT_EQ(file.ReadSection(u"Driver")[0].value.size(), longValue.size());
    IniSectionChanges changes;
    changes.SetValue(u"New", u"2");
    EXPECT_EQ(file.Apply(u"Driver", changes), text + "\nNew=2\n");
}

TEST(IniFileTest, CarriageReturnsAloneEndLinesAndNewLinesEndAsTheFilesDo)
{
    const std::string text = "[ODBC]\rTrace=No\r[Driver]\rUID=a\rAuthMech=3\r";
    const IniFile file = Parsed(text);
    EXPECT_EQ(file.ReadSection(u"Driver"), (std::vector<IniEntry>{{u"UID", u"a"}, {u"AuthMech", u"3"}}));
    EXPECT_EQ(file.ReadSection(u"ODBC"), (std::vector<IniEntry>{{u"Trace", u"No"}}));
    EXPECT_EQ(file.Apply(u"Driver", IniSectionChanges()), text);
    IniSectionChanges changes;
    changes.SetValue(u"UID", u"b");
    changes.SetValue(u"New", u"1");
    EXPECT_EQ(file.Apply(u"Driver", changes), "[ODBC]\rTrace=No\r[Driver]\rUID=b\rAuthMech=3\rNew=1\r");

    IniSectionChanges made;
    made.SetValue(u"X", u"1");
    EXPECT_EQ(Edited("[ODBC]\rTrace=No\r", made), "[ODBC]\rTrace=No\r\r[Driver]\rX=1\r");
    EXPECT_EQ(Edited("[Driver]\rA=1", made), "[Driver]\rA=1\rX=1\r");
    // Mixed ends stay as they are; a carriage return before a line feed is one end.
    EXPECT_EQ(
        Parsed("[Driver]\r\nA=1\rB=2\n").ReadSection(u"Driver"), (std::vector<IniEntry>{{u"A", u"1"}, {u"B", u"2"}}));
}

TEST(IniFileTest, FilesThatAreNotTextAreRefusedWithTheirLine)
{
    struct Case {
        std::string bytes;
        uint64_t line;
        const char* message;
    } cases[] = {
        {std::string("[Driver]\nUID=a\0b\n", 16), 2, "NUL"},
        {"[Driver]\r\n\r\nUID=\xC3\x28\r\n", 3, "UTF-8"},
        {"\xFF\xFE[\0D\0", 1, "UTF-8"},
        {"A=\xED\xA0\x80\n", 1, "UTF-8"},
        {"A=\xC0\xAF\n", 1, "UTF-8"},
        {"A=1\n\xF4\x90\x80\x80", 2, "UTF-8"},
        // A second mark hides the section behind it from every reader.
        {"\xEF\xBB\xBF\xEF\xBB\xBF[Driver]\nA=1\n", 1, "byte-order mark"},
        {"[ODBC]\r\n\xEF\xBB\xBF[Driver]\r\nA=1\r\n", 2, "byte-order mark"},
        {"[Driver]\n\t\xEF\xBB\xBF"
         "A=1\n",
            2, "byte-order mark"},
    };
    for (const Case& c : cases) {
        IniFile file;
        EXPECT_FALSE(file.Parse(c.bytes));
        EXPECT_EQ(file.GetError().line, c.line) << c.bytes;
        EXPECT_NE(file.GetError().message.find(c.message), std::string::npos) << file.GetError().message;
    }
    IniFile file;
    EXPECT_TRUE(file.Parse("A=\xF0\x9F\x98\x80 \xE2\x82\xAC\n"));
    EXPECT_EQ(file.ReadSection(u""), std::vector<IniEntry>()) << "values before any section belong to none";
}

TEST(IniFileTest, NamesAndTextsThatWouldNotReadBackAreRefused)
{
    for (const std::u16string_view name :
        {std::u16string_view(u""), std::u16string_view(u" UID"), std::u16string_view(u"UID\t"),
            std::u16string_view(u"A=B"), std::u16string_view(u"[Driver]"), std::u16string_view(u";UID"),
            std::u16string_view(u"#UID"), std::u16string_view(u"A\nB"), std::u16string_view(u"A\0B", 3),
            std::u16string_view(u"\xD800"), std::u16string_view(u"UID\x00A0"), std::u16string_view(u"\xFEFFUID")}) {
        EXPECT_TRUE(OS::WhyIniCannotHoldName(name)) << std::string(name.begin(), name.end());
    }
    for (const std::u16string_view value : {std::u16string_view(u" 3"), std::u16string_view(u"3 "),
             std::u16string_view(u"a\r\nb"), std::u16string_view(u"a\0b", 3), std::u16string_view(u"\xDC00"),
             // Blanks that readers stripping Unicode white space drop.
             std::u16string_view(u"3\x00A0"),
             std::u16string_view(u"\x0085"
                                 u"3"),
             std::u16string_view(u"3\x2028"),
             std::u16string_view(u"\x001C"
                                 u"3"),
             std::u16string_view(u"3\x001F"), std::u16string_view(u"3\x3000")}) {
        EXPECT_TRUE(OS::WhyIniCannotHoldValue(value)) << std::string(value.begin(), value.end());
    }
    EXPECT_FALSE(OS::WhyIniCannotHoldName(u"http.header.X-Trace"));
    EXPECT_FALSE(OS::WhyIniCannotHoldName(u"Name]with;odd#chars"));
    EXPECT_FALSE(OS::WhyIniCannotHoldValue(u""));
    EXPECT_FALSE(OS::WhyIniCannotHoldValue(u"a = b ; not a comment # either"));
    EXPECT_FALSE(OS::WhyIniCannotHoldValue(u"\x00E9t\x00E9 \xD83D\xDE00"));
    EXPECT_FALSE(OS::WhyIniCannotHoldValue(u"no\x00A0break inside"));
}

} // namespace
} // namespace Dravo::Test
