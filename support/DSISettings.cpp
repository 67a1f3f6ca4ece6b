#include "support/DSISettings.h"

#include "platform/KnownFolders.h"
#include "platform/ModulePath.h"
#include "platform/ProcessState.h"
#include "support/LogLevel.h"

namespace Dravo::Support {
namespace {

OS::ProcessState<DSISettings> g_settings{"support settings"};

} // namespace

void DSISettings::Create(const WideString& branch, const WideString& subkey)
{
    (void)g_settings.Get(branch, subkey);
}

DSISettings* DSISettings::Get()
{
    return g_settings.Find();
}

DSISettings::DSISettings(const WideString& branch, const WideString& subkey, std::shared_ptr<ISettingsReader> reader)
    : m_branch(branch), m_subkey(subkey), m_reader(std::move(reader))
{
}

DSISettings::~DSISettings() = default;

void DSISettings::SetBranch(const WideString& branch)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_branch = branch;
}

void DSISettings::SetReader(std::shared_ptr<ISettingsReader> reader)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_reader = std::move(reader);
    m_values.clear();
    m_loaded = false;
}

bool DSISettings::LoadLocked()
{
    if (!m_reader) {
        m_reader = CreateDefaultSettingsReader();
        if (!m_reader) {
            return false;
        }
    }
    // A registry path, so the separator is a backslash on every system.
    const WideString keyPath = WideString(u"SOFTWARE\\") + m_branch + u"\\" + m_subkey;
    SettingsMap values;
    if (!m_reader->ReadKey(std::string(), keyPath, values)) {
        return false;
    }
    std::erase_if(values, [](const auto& entry) { return IsDriverValueName(entry.first); });
    // A key without values stays unloaded, so values added later are still seen.
    if (values.empty()) {
        return false;
    }
    m_values = std::move(values);
    m_loaded = true;
    return true;
}

std::string DSISettings::GetSetting(const std::string& name)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_loaded && !LoadLocked()) {
        return {};
    }
    // An absent name is remembered as empty, as a lookup of the map would.
    return m_values[name];
}

int32_t DSISettings::GetLogLevel()
{
    return ParseLogLevel(GetSetting(SETTING_LOG_LEVEL));
}

std::string DSISettings::GetLogNamespace()
{
    return GetSetting(SETTING_LOG_NAMESPACE);
}

std::string DSISettings::GetLogDirectory()
{
    std::string directory = GetSetting(SETTING_LOG_PATH);
    if (directory.empty()) {
        // Not the current folder: root run from a folder another user
        // controls would write its log there.
        directory = OS::GetHomeFolder().value_or(std::string());
        if (directory.empty()) {
            return directory;
        }
    }
    directory.append(1, static_cast<char>(OS::PATH_SEPARATOR));
    return directory;
}

uint32_t DSISettings::GetMaxLogFileSize()
{
    return ParseMaxLogFileSize(GetSetting(SETTING_LOG_FILE_SIZE));
}

uint32_t DSISettings::GetLogFileCount()
{
    return ParseLogFileCount(GetSetting(SETTING_LOG_FILE_COUNT));
}

std::string GetDriverLocale()
{
    try {
        DSISettings* settings = DSISettings::Get();
        std::string locale = settings ? settings->GetSetting(SETTING_DRIVER_LOCALE) : std::string();
        return locale.empty() ? std::string(DEFAULT_DRIVER_LOCALE) : locale;
    } catch (...) {
        return DEFAULT_DRIVER_LOCALE;
    }
}

} // namespace Dravo::Support
