// The configuration store over a real hive in a temporary directory and the
// real unixODBC installer: the case-insensitive map, the merge order of Load,
// the logging options in the driver key, the setters' limits and the failure
// of a registry write.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "driversupport/DSDSNConfiguration.h"
#include "driversupport/DSDriverRegistry.h"
#include "driversupport/DSLogFileSize.h"
#include "driversupport/DSMessages.h"
#include "platform/OdbcInstaller.h"
#include "platform/Registry.h"
#include "platform/FileFaults.h"
#include "support/DSIFileLogger.h"
#include "support/ErrorException.h"
#include "support/LogLevel.h"
#include "tests/common/DriverKeyHive.h"
#include "tests/common/TempDir.h"
#include "tests/common/UnprivilegedRun.h"

namespace Dravo::Test {
namespace {

using DriverSupport::DSConnectionSetting;
using DriverSupport::DSConnectionSettingsMap;
using DriverSupport::DSDSNConfiguration;
using DriverSupport::DSSettingList;
using DriverSupport::DSSetupException;
using Support::WideString;

/// A store with defaults of its own that records what its hooks saw.
class DefaultsStore final : public DSDSNConfiguration {
public:
    explicit DefaultsStore(Support::DSIFileLogger* logger = nullptr, DSSettingList defaults = {})
        : DSDSNConfiguration(WideString(u""), logger, 2, true), m_defaults(std::move(defaults))
    {
    }
    [[nodiscard]] DSSettingList GetConnSettingDefaults() const override { return m_defaults; }
    void OnLoaded(const DSConnectionSettingsMap& loaded) override { loadedKeys = loaded.size(); }
    void OnConnectionSettings(DSConnectionSettingsMap& settings) override { handedOn = settings.size(); }

    size_t loadedKeys = 0;
    size_t handedOn = 0;

private:
    DSSettingList m_defaults;
};

int32_t SetupErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DSSetupException& error) {
        return error.GetErrorType();
    }
    return -1;
}

std::string Utf8(const WideString& text)
{
    return text.GetAsUTF8();
}

class DSDSNConfigurationTest : public testing::Test {
protected:
    DriverKeyHive m_hive;
};

TEST_F(DSDSNConfigurationTest, KeysCompareWithoutCaseAndKeepTheirFirstSpelling)
{
    DefaultsStore store;
    store[WideString(u"LOGLEVEL")] = WideString(u"1");
    store.SetLogLevel(WideString(u"3"));
    ASSERT_EQ(store.GetSettings().size(), 1U);
    EXPECT_EQ(Utf8(store.GetSettings().begin()->first), "LOGLEVEL");
    EXPECT_EQ(Utf8(store.GetLogLevel()), "3");

    // Index access creates an empty entry; a lookup does not.
    EXPECT_FALSE(store.GetValue(WideString(u"Host")).IsNull());
    EXPECT_EQ(store.GetSettings().size(), 1U);
    EXPECT_TRUE(store[WideString(u"host")].IsEmpty());
    EXPECT_FALSE(store[WideString(u"host")].IsNull());
    EXPECT_EQ(store.GetSettings().size(), 2U);
}

TEST_F(DSDSNConfigurationTest, LoadAppliesLoggingOptionsThenDefaultsThenTheGivenEntries)
{
    DriverKeyHive::WriteDriverKeyLines("\"LogPath\"=\"/var/log/from-registry\"\r\n\"loglevel\"=\"LOG_DEBUG\"\r\n");
    DefaultsStore store(
        nullptr, {{WideString(u"Host"), WideString(u"default-host")}, {WideString(u"LogFileCount"), WideString(u"7")}});
    store[WideString(u"Kept")] = WideString(u"before");
    DSConnectionSettingsMap given;
    given[WideString(u"LOGPATH")] = DSConnectionSetting{WideString(u"/var/log/imported"), true};
    given[WideString(u"Port")] = DSConnectionSetting{WideString(u"10001"), true};
    EXPECT_FALSE(store.IsLoaded());
    store.Load(given);

    EXPECT_TRUE(store.IsLoaded());
    EXPECT_EQ(store.loadedKeys, 2U);
    EXPECT_EQ(Utf8(store.GetLogPath()), "/var/log/imported");
    EXPECT_EQ(Utf8(store.GetLogLevel()), "5");
    EXPECT_EQ(Utf8(store.GetLogFileCount()), "7");
    EXPECT_EQ(Utf8(store.GetLogFileSize()), "20");
    EXPECT_EQ(Utf8(store.GetValue(WideString(u"Host"))), "default-host");
    EXPECT_EQ(Utf8(store.GetValue(WideString(u"port"))), "10001");
    EXPECT_EQ(Utf8(store.GetValue(WideString(u"Kept"))), "before");
    // The entry read first keeps its spelling.
    std::vector<std::string> keys;
    for (const auto& [key, value] : store.GetSettings()) {
        keys.push_back(Utf8(key));
    }
    EXPECT_EQ(
        keys, (std::vector<std::string>{"Host", "Kept", "LogFileCount", "LogFileSize", "LogLevel", "LogPath", "Port"}));
}

TEST_F(DSDSNConfigurationTest, LoggingOptionsAreReadAsTheRulesSay)
{
    struct Case {
        std::string lines;
        std::string level;
        std::string path;
        std::string count;
        std::string size;
    };
    const std::vector<Case> cases = {
        {"", "0", "", "50", "20"},
        {"\"LogLevel\"=\"LOG_TRACE\"\r\n\"LogFileSize\"=\"1048575\"\r\n", "6", "", "50", "0"},
        {"\"LogLevel\"=\"4\"\r\n\"LogFileSize\"=\"abc\"\r\n\"LogFileCount\"=\"x\"\r\n", "4", "", "x", "20"},
        {"\"LOGLEVEL\"=\"bogus\"\r\n\"logfilesize\"=\"4294967296\"\r\n\"LogPath\"=\"C:\\\\logs\"\r\n", "0", "C:\\logs",
            "50", "4096"},
        // Numbers of other types read as decimal text.
        {"\"LogLevel\"=dword:00000002\r\n\"LogFileSize\"=dword:00a00000\r\n\"LogFileCount\"=dword:00000003\r\n", "2",
            "", "3", "10"},
        // A size the dialog would refuse reads as the default, as any size
        // that cannot be used does.
        {"\"LogFileSize\"=hex(b):00,00,00,00,02,00,00,00\r\n", "0", "", "50", "20"},
        {"\"LogFileSize\"=\"4296015871\"\r\n", "0", "", "50", "4096"},
        {"\"LogFileSize\"=\"4296015872\"\r\n", "0", "", "50", "20"},
        {"\"LogFileSize\"=\"4503599627370496\"\r\n", "0", "", "50", "20"},
        {"\"LogFileSize\"=\"18446744073709551615\"\r\n", "0", "", "50", "20"},
        // A binary value is no text: the default applies.
        {"\"LogFileSize\"=hex:01,02\r\n\"LogLevel\"=\"-3\"\r\n", "0", "", "50", "20"},
        {"\"LogFileSize\"=\" 2097152\"\r\n\"LogLevel\"=\"99\"\r\n", "6", "", "50", "20"},
    };
    for (const Case& c : cases) {
        DriverKeyHive::WriteDriverKeyLines(c.lines);
        DefaultsStore store;
        store.LoadLoggingProperties();
        EXPECT_EQ(Utf8(store.GetLogLevel()), c.level) << c.lines;
        EXPECT_EQ(Utf8(store.GetLogPath()), c.path) << c.lines;
        EXPECT_EQ(Utf8(store.GetLogFileCount()), c.count) << c.lines;
        EXPECT_EQ(Utf8(store.GetLogFileSize()), c.size) << c.lines;
    }
}

TEST_F(DSDSNConfigurationTest, EveryAcceptedLogFileSizeSurvivesTheRegistryAndStaysAValidByteCount)
{
    for (const char16_t* megabytes : {u"0", u"1", u"20", u"4095", u"4096"}) {
        DefaultsStore store;
        store.SetLogLevel(WideString(u"3"));
        store.SetLogPath(WideString(u"/var/log"));
        store.SetLogFileCount(WideString(u"9"));
        store.SetLogFileSize(WideString(megabytes));
        store.SaveLoggingProperties();

        DefaultsStore reread;
        reread.LoadLoggingProperties();
        EXPECT_EQ(reread.GetLogFileSize(), WideString(megabytes));
        EXPECT_EQ(Utf8(reread.GetLogLevel()), "3");
        EXPECT_EQ(Utf8(reread.GetLogPath()), "/var/log");
        EXPECT_EQ(Utf8(reread.GetLogFileCount()), "9");
        // What the driver makes of the stored size.
        const std::u16string stored = DriverKeyHive::Text(u"LogFileSize");
        const uint64_t bytes = std::stoull(std::string(stored.begin(), stored.end()));
        EXPECT_EQ(bytes, std::stoull(WideString(megabytes).GetAsUTF8()) * 1048576);
        EXPECT_EQ(Support::ParseMaxLogFileSize(std::string(stored.begin(), stored.end())),
            std::min<uint64_t>(bytes, 4294967295U));
    }
    EXPECT_EQ(DriverKeyHive::Text(u"LogFileSize"), u"4294967296");

    // An empty size (possible with logging off) is stored empty: the driver
    // and the next load take the default.
    DefaultsStore empty;
    empty.SetLogFileSize(WideString(u""));
    empty.SaveLoggingProperties();
    EXPECT_EQ(DriverKeyHive::Text(u"LogFileSize"), u"");
    DefaultsStore reread;
    reread.LoadLoggingProperties();
    EXPECT_EQ(Utf8(reread.GetLogFileSize()), "20");
}

TEST_F(DSDSNConfigurationTest, WhatAnyStoredSizeLoadsAsCanBeSavedAgain)
{
    for (const char* bytes : {"8589934592", "4503599627370496", "4294967296"}) {
        DriverKeyHive::WriteDriverKeyLines("\"LogFileSize\"=\"" + std::string(bytes) + "\"\r\n");
        DefaultsStore store;
        store.LoadLoggingProperties();
        // What the logging dialog's OK does with it.
        EXPECT_EQ(SetupErrorOf([&] { store.SetLogFileSize(store.GetLogFileSize()); }), -1) << bytes;
        EXPECT_NO_THROW(store.SaveLoggingProperties()) << bytes;
    }
    EXPECT_EQ(DriverKeyHive::Text(u"LogFileSize"), u"4294967296");
}

TEST_F(DSDSNConfigurationTest, AFailedWriteGivesTheSystemsReasonAfterTheUsualText)
{
    DefaultsStore store;
    store.SetLogLevel(WideString(u"2"));
    // A full disk: the hive file takes no byte more.
    OS::SetFileWriteBudget(0);
    std::string text;
    try {
        store.SaveLoggingProperties();
    } catch (const DSSetupException& exception) {
        EXPECT_EQ(exception.GetErrorType(), 6);
        text = DriverSupport::DSMessages::GetSetupErrorText(exception).GetAsUTF8();
    }
    OS::SetFileWriteBudget(-1);
    const std::string usual = "Error writing changes to registry, ensure proper permissions have been granted.\n";
    ASSERT_EQ(text.substr(0, usual.size()), usual) << text;
    // The registry's own account names the file as well.
    EXPECT_TRUE(text.ends_with(": No space left on device")) << text;
    EXPECT_EQ(text.find('\n', usual.size()), std::string::npos) << text;
}

TEST_F(DSDSNConfigurationTest, ASizeThatIsNoNumberStopsTheSaveBeforeTheSize)
{
    DriverKeyHive::SetString(u"LogFileSize", u"1048576");
    DefaultsStore store;
    store.SetLogLevel(WideString(u"2"));
    store[WideString(u"LogFileSize")] = WideString(u"12abc");
    EXPECT_THROW(store.SaveLoggingProperties(), Support::NumberConversionException);
    EXPECT_EQ(DriverKeyHive::Text(u"LogLevel"), u"2");
    EXPECT_EQ(DriverKeyHive::Text(u"LogFileSize"), u"1048576");
}

TEST_F(DSDSNConfigurationTest, SettersRefuseValuesOutsideTheirRangesAndKeepTheStore)
{
    DefaultsStore store;
    for (const char16_t* accepted : {u"0", u"4096", u"", u"+12"}) {
        EXPECT_EQ(SetupErrorOf([&] { store.SetLogFileSize(WideString(accepted)); }), -1);
        EXPECT_EQ(store.GetLogFileSize(), WideString(accepted));
    }
    store.SetLogFileSize(WideString(u"100"));
    for (const char16_t* refused : {u"4097", u"65536", u"12abc", u"-1", u" 5", u"1e3"}) {
        EXPECT_EQ(SetupErrorOf([&] { store.SetLogFileSize(WideString(refused)); }), 9);
        EXPECT_EQ(Utf8(store.GetLogFileSize()), "100");
    }
    for (const char16_t* accepted : {u"4294967295", u"0", u""}) {
        EXPECT_EQ(SetupErrorOf([&] { store.SetLogFileCount(WideString(accepted)); }), -1);
        EXPECT_EQ(store.GetLogFileCount(), WideString(accepted));
    }
    store.SetLogFileCount(WideString(u"5"));
    for (const char16_t* refused : {u"4294967296", u"five", u"-5"}) {
        EXPECT_EQ(SetupErrorOf([&] { store.SetLogFileCount(WideString(refused)); }), 8);
        EXPECT_EQ(Utf8(store.GetLogFileCount()), "5");
    }
}

TEST_F(DSDSNConfigurationTest, ConnectionSettingsLeaveOutTheFourLoggingOptions)
{
    DefaultsStore store;
    store.SetLogLevel(WideString(u"4"));
    store[WideString(u"logpath")] = WideString(u"/x");
    store[WideString(u"LogFileCount")] = WideString(u"1");
    store[WideString(u"LOGFILESIZE")] = WideString(u"1");
    store[WideString(u"LogNamespace")] = WideString(u"Dravo");
    store[WideString(u"Host")] = WideString(u"spark");
    DSConnectionSettingsMap settings;
    settings[WideString(u"HOST")] = DSConnectionSetting{WideString(u"old"), true};
    store.GetConnectionSettings(settings);

    ASSERT_EQ(settings.size(), 2U);
    EXPECT_EQ(store.handedOn, 2U);
    const auto host = settings.find(WideString(u"host"));
    ASSERT_NE(host, settings.end());
    EXPECT_EQ(Utf8(host->second.value), "spark");
    EXPECT_FALSE(host->second.isImported);
    EXPECT_EQ(Utf8(settings.at(WideString(u"LogNamespace")).value), "Dravo");
}

TEST_F(DSDSNConfigurationTest, DriverRegistryValuesAreStringsInTheDriverKey)
{
    DefaultsStore store;
    EXPECT_EQ(Utf8(store.GetDriverRegistryValue("LogLevel", "fallback")), "fallback");
    EXPECT_FALSE(OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, DriverKeyHive::KeyPath()));

    // The first write creates the key and every missing key above it.
    store.SetDriverRegistryValue("LogPath", WideString(u""));
    const auto empty = DriverKeyHive::Value(u"LogPath");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->type, OS::REG_SZ_TYPE);
    EXPECT_EQ(empty->data.size(), 2U);

    store.SetDriverRegistryValue("LogLevel", WideString(u"Trace \u00e9"));
    const auto level = DriverKeyHive::Value(u"LogLevel");
    ASSERT_TRUE(level);
    EXPECT_EQ(level->data.size(), (7U + 1U) * 2U);
    EXPECT_EQ(Utf8(store.GetDriverRegistryValue("LOGLEVEL", "x")), "Trace \u00e9");

    EXPECT_EQ(Utf8(DriverSupport::DSDriverRegistry::BuildDriverKeyPath(WideString(u""), WideString(u"My Driver"))),
        "SOFTWARE\\Dravo\\My Driver\\Driver");
    EXPECT_EQ(Utf8(DriverSupport::DSDriverRegistry::BuildDriverKeyPath(WideString(u"Acme"), WideString(u"D"))),
        "SOFTWARE\\Acme\\D\\Driver");
    EXPECT_EQ(DriverSupport::DSDriverRegistry::GetDriverKeyPath().GetAsU16String(), DriverKeyHive::KeyPath());
}

TEST_F(DSDSNConfigurationTest, AFailedRegistryWriteIsLoggedAsAWarningAndRaisesSetupError6)
{
    DriverKeyHive::SetString(u"LogLevel", u"1");
    const std::string before = DriverKeyHive::ReadFile(DriverKeyHive::HivePath());
    TempDir logs;
    ::chmod(logs.Path().c_str(), 0777);
    const std::string report = RunUnprivileged([&logs] {
        OS::DiscardRegistryCache();
        std::string lines;
        for (const int32_t level : {3, 2}) {
            Support::LogSettings settings;
            settings.level = level;
            settings.directory = logs.Path().string() + "/";
            Support::DSIFileLogger logger(WideString(level == 3 ? "warn.log" : "error.log"), settings);
            DefaultsStore store(&logger);
            store.SetLogLevel(WideString(u"0"));
            store.SetLogPath(WideString(u"/var/log/x"));
            lines += std::to_string(SetupErrorOf([&] { store.SaveLoggingProperties(); })) + "\n";
        }
        return lines;
    });
    EXPECT_EQ(report, "6\n6\n");
    EXPECT_EQ(DriverKeyHive::ReadFile(DriverKeyHive::HivePath()), before);

    const std::string warning = DriverKeyHive::ReadFile((logs / "warn.log").string());
    EXPECT_NE(warning.find(" WARN "), std::string::npos) << warning;
    EXPECT_NE(warning.find("DSDSNConfiguration::SetDriverRegistryValue: Error occurred while saving configuration "
                           "LogLevel=0. Error message: Permission denied\r\n"),
        std::string::npos)
        << warning;
    // The registry's account names the directory it could not write.
    EXPECT_NE(warning.find(m_hive.Root().Path().string()), std::string::npos) << warning;
    // The first failing write stops the sequence.
    EXPECT_EQ(warning.find("LogPath="), std::string::npos) << warning;
    EXPECT_EQ(DriverKeyHive::ReadFile((logs / "error.log").string()).find("Error occurred"), std::string::npos);
}

TEST_F(DSDSNConfigurationTest, TracesAreWrittenOnlyAtTheTraceLevel)
{
    TempDir logs;
    for (const int32_t level : {6, 5}) {
        Support::LogSettings settings;
        settings.level = level;
        settings.directory = logs.Path().string() + "/";
        const std::string name = "level" + std::to_string(level) + ".log";
        {
            Support::DSIFileLogger logger(WideString(name), settings);
            DefaultsStore store(&logger);
            store.Load({});
            store.SaveLoggingProperties();
        }
        const std::string log = DriverKeyHive::ReadFile((logs / name).string());
        for (const char* function : {"DSDSNConfiguration::DSDSNConfiguration",
                 "DSDSNConfiguration::Load:", "DSDSNConfiguration::LoadConnSettingDefaults",
                 "DSDSNConfiguration::LoadLoggingProperties", "DSDSNConfiguration::SaveLoggingProperties"}) {
            EXPECT_EQ(log.find(function) != std::string::npos, level == 6) << level << " " << function << "\n" << log;
        }
    }
}

class DSDSNConfigurationInstallerTest : public DSDSNConfigurationTest {
protected:
    void SetUp() override
    {
        std::ofstream(m_dir / "odbcinst.ini").put('\n');
        std::ofstream(m_dir / "odbc.ini").put('\n');
    }

    TempDir m_dir;
    ScopedEnv m_sysIni{"ODBCSYSINI", m_dir.Path().string()};
    ScopedEnv m_userIni{"ODBCINI", (m_dir / "odbc.ini").string()};
    ScopedEnv m_home{"HOME", m_dir.Path().string()};
};

TEST_F(DSDSNConfigurationInstallerTest, SetDSNChecksTheNameWithTheInstallerUntilTheStoreIsLoaded)
{
    ASSERT_TRUE(OS::OdbcInstaller::IsAvailable());
    DefaultsStore store;
    store.SetDSN(WideString(u"Spark Production"));
    EXPECT_EQ(Utf8(store.GetValue(WideString(u"dsn"))), "Spark Production");

    for (const char16_t* refused : {u"bad[name]", u"a=b", u"back\\slash"}) {
        EXPECT_EQ(SetupErrorOf([&] { store.SetDSN(WideString(refused)); }), 7);
    }
    EXPECT_EQ(Utf8(store.GetValue(WideString(u"DSN"))), "Spark Production");

    store.Load({});
    store.SetDSN(WideString(u"bad[name]"));
    store.SetDSN(WideString(u"Other"));
    EXPECT_EQ(Utf8(store.GetValue(WideString(u"DSN"))), "Spark Production");
}

} // namespace
} // namespace Dravo::Test
