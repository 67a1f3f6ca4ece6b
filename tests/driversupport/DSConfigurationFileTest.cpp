// Import and export of configuration files: the file format on its own, the
// default file in the documents folder, and both buttons of the logging
// dialog over a real store, real files and a real hive.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "identity/ProductNames.h"
#include "driversupport/DSConfigurationFile.h"
#include "driversupport/DSLoggingDialog.h"
#include "platform/KnownFolders.h"
#include "platform/Registry.h"
#include "settings/LoggingOptionsModel.h"
#include "support/ErrorException.h"
#include "tests/common/HeadlessRun.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

using DriverSupport::DSConfigurationFile;
using DriverSupport::DSConnectionSettingsMap;
using DriverSupport::DSLoggingDialog;
using Support::WideString;
using VezurAVUZ::LoggingOptionsModel;

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string Describe(const DSConnectionSettingsMap& settings)
{
    std::string text;
    for (const auto& [key, setting] : settings) {
        text += key.GetAsUTF8() + "=" + setting.value.GetAsUTF8() + (setting.isImported ? "" : " (not imported)") + ";";
    }
    return text;
}

TEST(ConfigurationFileTest, LinesSplitAtTheFirstEqualsSignAndTheFirstOccurrenceWins)
{
    DSConnectionSettingsMap settings;
    for (const char* line : {"Host=a=b", "no separator", "=empty key", "host=second", "Port=", " Spaced = x "}) {
        DSConfigurationFile::AddLine(line, settings);
    }
    EXPECT_EQ(Describe(settings), "=empty key; Spaced = x ;Host=a=b;Port=;");
}

TEST(ConfigurationFileTest, AnyLineEndReadsTheSame)
{
    TempDir dir;
    const std::string expected = "Host=h;Port=1;";
    for (const std::string bytes :
        {"Host=h\r\nPort=1\r\n", "Host=h\nPort=1", "Ho\rst=h\r\r\nPort=1\n\n", "Host=h\nPort=1\n\xFFLater=ignored\n"}) {
        WriteBytes(dir / "in.sdc", bytes);
        EXPECT_EQ(Describe(DSConfigurationFile::Read(WideString((dir / "in.sdc").string()))), expected);
    }
}

TEST(ConfigurationFileTest, AFileThatCannotBeReadIsNamedInTheError)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.sdc");
    for (const std::string& path : {(dir / "missing.sdc").string(), (dir / "folder.sdc").string()}) {
        try {
            (void)DSConfigurationFile::Read(WideString(path));
            ADD_FAILURE() << path << " was read";
        } catch (const Support::ErrorException& error) {
            EXPECT_EQ(error.GetMessageKey(), WideString(u"CannotOpenFile"));
            EXPECT_NE(error.GetUnformattedText().GetAsUTF8().find(path), std::string::npos);
        }
    }
}

TEST(ConfigurationFileTest, AWriteThatDoesNotCompleteIsAnError)
{
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full to stand for a full disk";
    }
    DSConnectionSettingsMap settings;
    settings[WideString(u"Host")] = {WideString(u"h"), false};
    try {
        DSConfigurationFile::Write(WideString(u"/dev/full"), settings);
        FAIL() << "a full disk took the export";
    } catch (const Support::ErrorException& error) {
        EXPECT_EQ(error.GetUnformattedText(),
            WideString(u"The configuration file /dev/full could not be written completely."));
    }
}

TEST(ConfigurationFileTest, EntriesThatALineCannotHoldAreFound)
{
    const auto unsafe = [](const char16_t* key, const char16_t* value) {
        DSConnectionSettingsMap settings;
        settings[WideString(u"Fine")] = {WideString(u"a=b"), false};
        settings[WideString(key)] = {WideString(value), false};
        const auto found = DSConfigurationFile::FindUnsafeKey(settings);
        return found ? found->GetAsUTF8() : std::string("-");
    };
    EXPECT_EQ(unsafe(u"Host", u"x=y"), "-");
    EXPECT_EQ(unsafe(u"Host", u"two\nlines"), "Host");
    EXPECT_EQ(unsafe(u"Host", u"carriage\rreturn"), "Host");
    EXPECT_EQ(unsafe(u"SSP_a\nb", u"v"), "SSP_a\nb");
    EXPECT_EQ(unsafe(u"SSP_a=b", u"v"), "SSP_a=b");
}

TEST(ConfigurationFileTest, TheDefaultFileIsInTheDocumentsFolder)
{
    TempDir home;
    ScopedEnv homeVariable("HOME", home.Path().string());
    ScopedEnv configHome("XDG_CONFIG_HOME", std::nullopt);
    {
        ScopedEnv documents("XDG_DOCUMENTS_DIR", "/srv/docs");
        EXPECT_EQ(DSConfigurationFile::GetDefaultFilePath(), WideString(u"/srv/docs/backup.sdc"));
    }
    ScopedEnv documents("XDG_DOCUMENTS_DIR", std::nullopt);
    EXPECT_EQ(DSConfigurationFile::GetDefaultFilePath(), WideString(home.Path().string() + "/Documents/backup.sdc"));

    std::filesystem::create_directories(home / ".config");
    WriteBytes(home / ".config/user-dirs.dirs",
        "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Papiere\"\n");
    EXPECT_EQ(DSConfigurationFile::GetDefaultFilePath(), WideString(home.Path().string() + "/Papiere/backup.sdc"));
}

TEST(ConfigurationFileTest, UserDirsEntriesAreReadAsTheShellReadsThem)
{
    const auto entry = [](const std::string& content) {
        return OS::ParseUserDirsEntry(content, "XDG_DOCUMENTS_DIR", "/home/u").value_or("-");
    };
    EXPECT_EQ(entry("XDG_DOCUMENTS_DIR=\"$HOME/Docs\""), "/home/u/Docs");
    EXPECT_EQ(entry("  XDG_DOCUMENTS_DIR=\"/data/My \\\"Docs\\\"/\"\r\n"), "/data/My \"Docs\"");
    EXPECT_EQ(entry("XDG_DOCUMENTS_DIR=\"/a\"\nXDG_DOCUMENTS_DIR=\"/b\"\n"), "/b");
    EXPECT_EQ(entry("XDG_DOCUMENTS_DIR=\"$HOME/\""), "/home/u");
    EXPECT_EQ(entry("XDG_DOCUMENTS_DIR=\"relative\""), "-");
    EXPECT_EQ(entry("XDG_DOCUMENTS_DIR=\"$HOMEWORK\""), "-");
    EXPECT_EQ(entry("XDG_DOCUMENTS_DIR=\"/unterminated"), "-");
    EXPECT_EQ(entry("# XDG_DOCUMENTS_DIR=\"/commented\""), "-");
    EXPECT_EQ(entry("XDG_DOCUMENTS_DIRX=\"/other\""), "-");
}

class ImportExportTest : public ::testing::Test {
protected:
    ImportExportTest()
    {
        OS::SetRegistryRoot((m_dir / "registry").string());
        m_store = std::make_unique<LoggingOptionsModel>(WideString(u""), nullptr, 2, true);
    }
    ~ImportExportTest() override
    {
        m_store.reset();
        OS::SetRegistryRoot("");
    }

    HeadlessRun Show(const std::string& script, bool importExportAllowed = true)
    {
        return RunHeadless(script, [&](UI::DialogSystem& system) {
            return DSLoggingDialog::Show(system, *m_store, importExportAllowed) ? 1 : 0;
        });
    }

    void Set(const char16_t* key, const char16_t* value) { (*m_store)[WideString(key)] = WideString(value); }

    TempDir m_dir;
    std::unique_ptr<LoggingOptionsModel> m_store;
};

TEST_F(ImportExportTest, ExportWritesTheConnectionSettingsOnly)
{
    for (const auto& [key, value] : {std::pair{u"Port", u"10000"}, {u"PWD", u"secret"}, {u"DSN", u"mine"},
             {u"LogNamespace", u"x"}, {u"LogLevel", u"4"}, {u"driver", u"/lib/x.so"}, {u"Host", u"h=1"}}) {
        Set(key, value);
    }
    const std::string file = (m_dir / "out.sdc").string();
    const HeadlessRun run = Show("expect 1004 visible\n"
                                 "expect 1004 text Export Configuration...\n"
                                 "click 1004\n"
                                 "choose -\n"
                                 "click 1004\n"
                                 "choose "
        + file
        + "\n"
          "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(ReadBytes(file), "Host=h=1\r\nPort=10000\r\n");
}

TEST_F(ImportExportTest, AnEntryWithALineBreakIsRefusedAndNothingIsWritten)
{
    Set(u"Host", u"h");
    Set(u"SSP_note", u"first line\nInjected=1");
    const std::filesystem::path file = m_dir / "kept.sdc";
    WriteBytes(file, "Earlier=1\r\n");
    const HeadlessRun run = Show("click 1004\n"
                                 "choose "
        + file.string()
        + "\n"
          "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.transcript,
        "message-box [DSN Configuration Error] The configuration was not exported: the name or value of the setting "
        "\"SSP_note\" holds a line break (or its name holds \"=\"), which a configuration file cannot keep. Nothing "
        "was written. -> OK\n");
    EXPECT_EQ(ReadBytes(file), "Earlier=1\r\n");
}

TEST_F(ImportExportTest, ImportLoadsTheFileOverTheRegistryDefaults)
{
    {
        auto key =
            OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, VezurAVUZ::GetDriverKeyPath().GetAsU16String());
        ASSERT_TRUE(key);
        ASSERT_EQ(key->SetStringValue(u"LogFileCount", u"7"), OS::ERROR_SUCCESS_CODE);
    }
    const std::filesystem::path file = m_dir / "in.sdc";
    WriteBytes(file, "Host=first\nPWD=secret\r\nhost=second\nLogPath=/from/file\nFilter=a=b\n");
    const HeadlessRun run = Show("click 1003\n"
                                 "choose -\n"
                                 "click 1003\n"
                                 "choose "
        + file.string()
        + "\n"
          "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_TRUE(m_store->IsLoaded());
    EXPECT_EQ(m_store->GetValue(WideString(u"Host")), WideString(u"first"));
    EXPECT_EQ(m_store->GetValue(WideString(u"PWD")), WideString(u"secret"));
    EXPECT_EQ(m_store->GetValue(WideString(u"Filter")), WideString(u"a=b"));
    EXPECT_EQ(m_store->GetLogPath(), WideString(u"/from/file"));
    EXPECT_EQ(m_store->GetLogFileCount(), WideString(u"7"));
}

TEST_F(ImportExportTest, AnEmptyFileStillLoadsTheStore)
{
    const std::filesystem::path file = m_dir / "empty.sdc";
    WriteBytes(file, "");
    const HeadlessRun run = Show("click 1003\nchoose " + file.string() + "\nclick 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_TRUE(m_store->IsLoaded());
    EXPECT_EQ(m_store->GetLogFileCount(), WideString(u"50"));
}

TEST_F(ImportExportTest, ExportedFilesImportUnchanged)
{
    Set(u"Host", u"a=b=c");
    Set(u"SSP_Timeout", u"  30 ");
    Set(u"Schema", u"");
    const std::string file = (m_dir / "round.sdc").string();
    ASSERT_EQ(Show("click 1004\nchoose " + file + "\nclick 2\n").error, "");

    LoggingOptionsModel imported(WideString(u""), nullptr, 2, true);
    const HeadlessRun run = RunHeadless("click 1003\nchoose " + file + "\nclick 2\n",
        [&](UI::DialogSystem& system) { return DSLoggingDialog::Show(system, imported, true) ? 1 : 0; });
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(imported.GetValue(WideString(u"Host")), WideString(u"a=b=c"));
    EXPECT_EQ(imported.GetValue(WideString(u"SSP_Timeout")), WideString(u"  30 "));
    EXPECT_EQ(imported.GetSettings().count(WideString(u"Schema")), 1U);
}

TEST_F(ImportExportTest, WithoutPermissionBothButtonsAreHiddenAndTakeNoInput)
{
    const HeadlessRun run = Show("expect 1003 hidden\nclick 1003\n", false);
    EXPECT_NE(run.error.find("click 1003"), std::string::npos) << run.error;
}

} // namespace
} // namespace Dravo::Test
