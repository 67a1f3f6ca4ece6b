// The reader of unixODBC's files against unixODBC's own (the real
// libodbcinst, SQLGetPrivateProfileString on the same bytes), and the edits
// it makes or refuses, read back by unixODBC.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/OdbcDataSources.h"
#include "platform/OdbcIniFile.h"
#include "platform/OdbcInstaller.h"
#include "platform/Utf8.h"
#include "tests/common/OdbcIniDirectory.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

using OS::IniEntry;
using OS::IniSectionChanges;
using OS::OdbcIniFile;

using ProfileString = int (*)(const char*, const char*, const char*, char*, int, const char*);

std::string Narrow(const std::u16string& text)
{
    return OS::Utf8OrPlaceholder(text);
}

std::string Folded(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return text;
}

/// What unixODBC reads from a file: each section (by ASCII-folded name) with
/// the values of the entries it lists, each asked for by name.
using Reading = std::map<std::string, std::map<std::string, std::string>>;

class OdbcIniFileTest : public ::testing::Test {
protected:
    /// Each text in a file of its own: unixODBC keeps what it read of a file
    /// name for a while.
    std::string Write(const std::string& bytes)
    {
        const std::string path = (m_dir.Path() / ("case" + std::to_string(m_files++) + ".ini")).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::vector<std::string> List(const char* section, const std::string& path)
    {
        static auto* get =
            reinterpret_cast<ProfileString>(OS::OdbcInstaller::GetFunction("SQLGetPrivateProfileString"));
        std::string buffer(65536, '\0');
        const int copied = get(section, nullptr, "", buffer.data(), static_cast<int>(buffer.size()), path.c_str());
        std::vector<std::string> names;
        for (size_t at = 0; copied > 0 && at < buffer.size() && buffer[at] != '\0';) {
            names.emplace_back(buffer.c_str() + at);
            at += names.back().size() + 1;
        }
        return names;
    }

    static std::string Value(const std::string& section, const std::string& entry, const std::string& path)
    {
        static auto* get =
            reinterpret_cast<ProfileString>(OS::OdbcInstaller::GetFunction("SQLGetPrivateProfileString"));
        std::string buffer(4096, '\0');
        get(section.c_str(), entry.c_str(), "<none>", buffer.data(), static_cast<int>(buffer.size()), path.c_str());
        return buffer.c_str();
    }

    Reading UnixOdbcReading(const std::string& bytes)
    {
        const std::string path = Write(bytes);
        Reading reading;
        for (const std::string& section : List(nullptr, path)) {
            if (reading.contains(Folded(section))) {
                continue;
            }
            auto& entries = reading[Folded(section)];
            for (const std::string& entry : List(section.c_str(), path)) {
                entries.try_emplace(Folded(entry), Value(section, entry, path));
            }
        }
        return reading;
    }

    static Reading OurReading(const std::string& bytes)
    {
        OdbcIniFile file;
        EXPECT_TRUE(file.Parse(bytes)) << file.GetError().reason;
        Reading reading;
        for (const std::u16string& section : file.SectionNames()) {
            auto& entries = reading[Folded(Narrow(section))];
            for (const IniEntry& entry : file.ReadSection(section)) {
                entries.try_emplace(Folded(Narrow(entry.name)), Narrow(entry.value));
            }
        }
        return reading;
    }

    static std::string Applied(
        const std::string& bytes, const std::u16string& section, const IniSectionChanges& changes)
    {
        OdbcIniFile file;
        EXPECT_TRUE(file.Parse(bytes));
        OdbcIniFile::Fault refusal;
        const std::optional<std::string> edited = file.Apply(section, changes, refusal);
        EXPECT_TRUE(edited) << "refused at line " << refusal.line << ": " << refusal.reason;
        return edited.value_or(bytes);
    }

    static OdbcIniFile::Fault Refusal(
        const std::string& bytes, const std::u16string& section, const IniSectionChanges& changes)
    {
        OdbcIniFile file;
        EXPECT_TRUE(file.Parse(bytes));
        OdbcIniFile::Fault refusal;
        EXPECT_FALSE(file.Apply(section, changes, refusal)) << "not refused";
        return refusal;
    }

    TempDir m_dir;
    int m_files = 0;
};

std::string Padded(size_t count, char c)
{
    return std::string(count, c);
}

TEST_F(OdbcIniFileTest, ReadsEveryFileAsUnixOdbcReadsIt)
{
    const std::vector<std::string> files = {
        // A header without its "]" opens a section.
        "[Sales]\nDriver=Dravo\nPort=1\n[Other\nPort=9\n",
        // Only ASCII letters fold.
        "[\xC3\x84rger]\nA=1\n[\xC3\xA4rger]\nA=2\n[ABC]\nx=1\n[abc]\nx=2\n",
        // The first section and the first entry win; a bare name is empty.
        "[Sales]\nHost\nHost=real\nhost=third\n[Sales]\nExtra=1\nHost=second\n",
        // A byte-order mark, a blank before the first "[", a line before any
        // section: unixODBC reads nothing.
        "\xEF\xBB\xBF[Sales]\nA=1\n",
        "  [Sales]\nA=1\n",
        "A=1\n[Sales]\nB=2\n",
        // Only a line feed ends a line.
        "[ODBC]\rTrace=No\r[Sales]\rA=1\r",
        "[ODBC]\r\nTrace=No\r\n[Sales]\r\nA = 1 \r\n",
        // Lines are read 999 bytes at a time.
        "[S]\nLong=" + Padded(1100, 'a') + "\nTail=1\n",
        "[S]\nDescription" + Padded(26, ' ') + "=" + Padded(26, ' ') + Padded(935, 'v') + "[Evil]\nHost=h\n",
        // Comments, leading blanks, text after "]", "=" in a value.
        "; c\n\n[A] tail\n  ; c\n  # c\n K = v=w  \n\t[B]\nx=1\n[ C D ]\ny=2\n",
    };
    for (const std::string& bytes : files) {
        EXPECT_EQ(OurReading(bytes), UnixOdbcReading(bytes)) << bytes.substr(0, 200);
    }
}

TEST_F(OdbcIniFileTest, EditsTouchOnlyTheSectionUnixOdbcTakesForIt)
{
    IniSectionChanges port;
    port.SetValue(u"Port", u"4242");
    IniSectionChanges removal;
    removal.RemoveSection();

    // A header without "]" ends the section before it.
    const std::string open = "[Sales]\nDriver=Dravo\nPort=1\n[Other\nPort=9\n";
    const std::string changed = Applied(open, u"Sales", port);
    EXPECT_EQ(changed, "[Sales]\nDriver=Dravo\nPort=4242\n[Other\nPort=9\n");
    EXPECT_EQ(UnixOdbcReading(changed)["OTHER"]["PORT"], "9");
    EXPECT_EQ(Applied(open, u"Sales", removal), "[Other\nPort=9\n");

    // Names that differ in a non-ASCII letter's case are two sections.
    const std::string umlauts = "[\xC3\x84rger]\nPort=1\n\n[\xC3\xA4rger]\nPort=2\n";
    EXPECT_EQ(Applied(umlauts, u"\u00E4rger", port), "[\xC3\x84rger]\nPort=1\n\n[\xC3\xA4rger]\nPort=4242\n");

    // The first of two sections is the one read and edited; the first line
    // of a name is the one changed, a bare one gets its "=".
    const std::string twice = "[Sales]\nPort\nPort=real\n[Sales]\nPort=second\n";
    const std::string edited = Applied(twice, u"Sales", port);
    EXPECT_EQ(edited, "[Sales]\nPort=4242\n[Sales]\nPort=second\n");
    EXPECT_EQ(UnixOdbcReading(edited)["SALES"]["PORT"], "4242");
    EXPECT_EQ(Refusal(twice, u"Sales", removal).line, 4u) << "the second would come to light";

    // An empty value is filled in before the line end, whichever it is.
    IniSectionChanges schema;
    schema.SetValue(u"Schema", u"sales");
    EXPECT_EQ(Applied("[Sales]\nSchema=\nPort=1\n", u"Sales", schema), "[Sales]\nSchema=sales\nPort=1\n");
    EXPECT_EQ(Applied("[Sales]\r\nSchema = \r\n", u"Sales", schema), "[Sales]\r\nSchema =sales \r\n");

    // A section that goes leaves the comment that heads the next one.
    EXPECT_EQ(
        Applied("[Sales]\nA=1\n\n; Other's own\n[Other]\nB=2\n", u"Sales", removal), "; Other's own\n[Other]\nB=2\n");
}

TEST_F(OdbcIniFileTest, RefusesWhatUnixOdbcWouldReadOtherwise)
{
    IniSectionChanges host;
    host.SetValue(u"Host", u"h1");

    // A rewritten line longer than unixODBC reads: the padding counts.
    const std::string padded = "[Sales]\nDescription" + Padded(26, ' ') + "=" + Padded(26, ' ') + "old\nHost=h\n";
    IniSectionChanges description;
    description.SetValue(u"Description", std::u16string(941, u'v') + u"[Evil]");
    const OdbcIniFile::Fault longLine = Refusal(padded, u"Sales", description);
    EXPECT_EQ(longLine.line, 2u);
    EXPECT_NE(longLine.reason.find("999"), std::string::npos) << longLine.reason;
    IniSectionChanges added;
    added.SetValue(u"Extra", std::u16string(1000, u'x'));
    EXPECT_EQ(Refusal(padded, u"Sales", added).line, 4u);

    // A file unixODBC reads nothing of, lines it reads as two, a carriage
    // return that ends no line for it: refused with the line.
    EXPECT_EQ(Refusal("\xEF\xBB\xBF[Sales]\nHost=a\n", u"Sales", host).line, 1u);
    EXPECT_EQ(Refusal("; mine\n  [Sales]\nHost=a\n", u"Sales", host).line, 2u);
    EXPECT_EQ(Refusal("[ODBC]\nA=1\n[Sales]\rHost=a\r", u"Sales", host).line, 3u);
    EXPECT_EQ(Refusal("[Sales]\nLong=" + Padded(1000, 'a') + "\nHost=a\n", u"Sales", host).line, 2u);
    EXPECT_EQ(Refusal("[Sales]\n=nameless\nHost=a\n", u"Sales", host).line, 2u);

    // The first section removed may not leave an indented header first,
    // which would make unixODBC read nothing of the file.
    IniSectionChanges removal;
    removal.RemoveSection();
    EXPECT_EQ(Refusal("; mine\n[Sales]\nHost=a\n  [Other]\nB=2\n", u"Sales", removal).line, 2u);
    EXPECT_EQ(Applied("[ODBC]\n[Sales]\nHost=a\n  [Other]\nB=2\n", u"Sales", removal), "[ODBC]\n  [Other]\nB=2\n");

    // The same faults elsewhere in the file stop nothing.
    const std::string elsewhere = "[Other]\nLong=" + Padded(1000, 'a') + "\n[Sales]\nHost=a\n";
    EXPECT_EQ(UnixOdbcReading(Applied(elsewhere, u"Sales", host))["SALES"]["HOST"], "h1");
}

TEST(OdbcDataSourcesCacheTest, TheSameProcessReadsASavedChangeAtOnce)
{
    // unixODBC answers a second question with a larger buffer from what it
    // read before, for 20 seconds, unless one of its writers saved since.
    const OdbcIniDirectory odbc;
    odbc.WriteFile("odbc.ini", std::string("[Sales]\nDriver=") + OdbcIniDirectory::PRODUCT_DRIVER + "\nHost=h0\n");
    ASSERT_TRUE(OS::OdbcDataSources::UseScope(OS::DataSourceScope::User));
    auto* get = reinterpret_cast<ProfileString>(OS::OdbcInstaller::GetFunction("SQLGetPrivateProfileString"));
    std::string before(64, '\0');
    get("Sales", "Host", "", before.data(), 64, "odbc.ini");
    EXPECT_STREQ(before.c_str(), "h0");

    OS::DataSourceSave save;
    save.name = u"Sales";
    save.changes = {{u"Host", u"h1"}};
    OS::DataSourceSaveFailure failure;
    ASSERT_EQ(OS::OdbcDataSources::Save(OS::DataSourceScope::User, save, failure), OS::ERROR_SUCCESS_CODE);
    std::string after(128, '\0');
    get("Sales", "Host", "", after.data(), 128, "odbc.ini");
    EXPECT_STREQ(after.c_str(), "h1");
}

} // namespace
} // namespace Dravo::Test
