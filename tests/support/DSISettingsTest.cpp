#include <memory>

#include <gtest/gtest.h>

#include "platform/KnownFolders.h"
#include "platform/ModulePath.h"
#include "support/DSISettings.h"
#include "support/ErrorException.h"

namespace Support = Dravo::Support;
using Support::DSISettings;
using Support::WideString;

namespace {

// Stands in for the registry: one key's values, or no key, or a key that
// cannot be queried.
class FakeReader : public Support::ISettingsReader {
public:
    enum class Mode { Values, NoKey, Unqueryable };

    bool ReadKey(const std::string& hive, const WideString& keyPath, Support::SettingsMap& values) override
    {
        ++calls;
        lastHive = hive;
        lastPath = keyPath;
        if (mode == Mode::NoKey) {
            return false;
        }
        if (mode == Mode::Unqueryable) {
            throw Support::ProductException(Support::SUPPORT_COMPONENT_ID, WideString(u"RegKeyNotFound"));
        }
        values = stored;
        return true;
    }

    Mode mode = Mode::Values;
    Support::SettingsMap stored;
    int calls = 0;
    std::string lastHive = "unset";
    WideString lastPath;
};

TEST(DSISettingsTest, LoadsOnceFromTheKeyAndLooksUpWithoutCase)
{
    auto reader = std::make_shared<FakeReader>();
    reader->stored = {{"LogLevel", "LOG_TRACE"}, {"LOGPATH", "/var/log/dravo"}, {"Driver", "/opt/lib.so"}};
    DSISettings settings(WideString(u"Dravo\\Dravo Spark ODBC Driver"), WideString(u"Driver"), reader);
    EXPECT_EQ(settings.GetSetting("loglevel"), "LOG_TRACE");
    EXPECT_EQ(reader->lastHive, "");
    EXPECT_EQ(reader->lastPath, WideString(u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver"));
    EXPECT_EQ(settings.GetLogLevel(), 6);
    EXPECT_EQ(settings.GetLogDirectory(), std::string("/var/log/dravo") + static_cast<char>(Dravo::OS::PATH_SEPARATOR));
    EXPECT_EQ(settings.GetSetting("Driver"), ""); // never a setting
    EXPECT_EQ(settings.GetSetting("Missing"), "");
    EXPECT_EQ(reader->calls, 1);

    // Loaded once: later changes of the key are not seen.
    reader->stored = {{"LogLevel", "1"}};
    EXPECT_EQ(settings.GetLogLevel(), 6);
    settings.SetReader(reader);
    EXPECT_EQ(settings.GetLogLevel(), 1);
}

TEST(DSISettingsTest, AbsentOrEmptyKeyReadsEmptyAndTriesAgain)
{
    auto reader = std::make_shared<FakeReader>();
    reader->mode = FakeReader::Mode::NoKey;
    DSISettings settings(WideString(u"V\\D"), WideString(u"Driver"), reader);
    EXPECT_EQ(settings.GetSetting("LogLevel"), "");
    EXPECT_EQ(settings.GetLogLevel(), 0);
    EXPECT_EQ(settings.GetLogNamespace(), "");
    // An empty log path is the home folder of the user, never the current folder.
    EXPECT_EQ(settings.GetLogDirectory(),
        Dravo::OS::GetHomeFolder().value_or("") + static_cast<char>(Dravo::OS::PATH_SEPARATOR));
    EXPECT_EQ(settings.GetMaxLogFileSize(), 20971520U);
    EXPECT_EQ(settings.GetLogFileCount(), 50U);
    const int callsWhileAbsent = reader->calls;
    EXPECT_EQ(callsWhileAbsent, 6);

    reader->mode = FakeReader::Mode::Values; // a key with nothing to keep
    reader->stored = {{"Driver", "x"}};
    EXPECT_EQ(settings.GetSetting("LogLevel"), "");
    reader->stored = {{"LogFileCount", "3"}, {"LogFileSize", "1K"}, {"LogNamespace", "Dravo::DSI"}};
    settings.SetBranch(WideString(u"Other\\Name"));
    EXPECT_EQ(settings.GetLogFileCount(), 3U);
    EXPECT_EQ(reader->lastPath, WideString(u"SOFTWARE\\Other\\Name\\Driver"));
    EXPECT_EQ(settings.GetMaxLogFileSize(), 1024U);
    EXPECT_EQ(settings.GetLogNamespace(), "Dravo::DSI");
}

TEST(DSISettingsTest, UnqueryableKeyRaisesButTheLocaleFallsBack)
{
    auto reader = std::make_shared<FakeReader>();
    reader->mode = FakeReader::Mode::Unqueryable;
    DSISettings settings(WideString(u"V\\D"), WideString(u"Driver"), reader);
    EXPECT_THROW(settings.GetSetting("LogLevel"), Support::ProductException);
}

TEST(DSISettingsTest, ProcessWideCacheIsCreatedOnceAndServesTheLocale)
{
    DSISettings::Create(WideString(u"V\\D"), WideString(u"Driver"));
    DSISettings* settings = DSISettings::Get();
    ASSERT_NE(settings, nullptr);
    DSISettings::Create(WideString(u"X\\Y"), WideString(u"Other"));
    EXPECT_EQ(DSISettings::Get(), settings);

    auto reader = std::make_shared<FakeReader>();
    reader->mode = FakeReader::Mode::NoKey;
    settings->SetReader(reader);
    EXPECT_EQ(reader->calls, 0);
    EXPECT_EQ(Support::GetDriverLocale(), "en-US");
    EXPECT_EQ(reader->lastPath, WideString(u"SOFTWARE\\V\\D\\Driver"));

    reader->mode = FakeReader::Mode::Values;
    reader->stored = {{"DriverLocale", ""}, {"LogLevel", "2"}};
    EXPECT_EQ(Support::GetDriverLocale(), "en-US");
    reader->stored = {{"DriverLocale", "de-DE"}};
    settings->SetReader(reader);
    EXPECT_EQ(Support::GetDriverLocale(), "de-DE");

    reader->mode = FakeReader::Mode::Unqueryable;
    settings->SetReader(reader);
    EXPECT_EQ(Support::GetDriverLocale(), "en-US");
    settings->SetReader(nullptr);
}

TEST(DSISettingsTest, DriverValueNamesAndNameOrder)
{
    for (const char* name : {"", "d", "DR", "Driv", "DRIVER", "driver"}) {
        EXPECT_TRUE(Support::IsDriverValueName(name)) << name;
    }
    for (const char* name : {"Drivers", "X", "river", "LogLevel"}) {
        EXPECT_FALSE(Support::IsDriverValueName(name)) << name;
    }
    EXPECT_EQ(Support::SUPPORT_SETTING_NAMES.size(), 7U);
    Support::SettingNameLess less;
    EXPECT_FALSE(less("LogLevel", "LOGLEVEL"));
    EXPECT_FALSE(less("LOGLEVEL", "LogLevel"));
    EXPECT_TRUE(less("a", "B"));
}

} // namespace
