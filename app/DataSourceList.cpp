#include "app/DataSourceList.h"

#include <ostream>
#include <stdexcept>

#include "app/ConfigurationToolApplication.h"
#include "app/JsonWriter.h"
#include "app/SettingsReport.h"
#include "identity/ProductNames.h"
#include "platform/OdbcInstaller.h"
#include "settings/SettingRules.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

struct ListedDataSource {
    std::string name;
    const char* scope;
    std::string location;
    std::vector<std::pair<std::string, std::string>> settings;
};

bool IsPassword(const std::u16string& name)
{
    const SettingRule* rule = FindSettingRule(name);
    return rule && rule->kind == SettingKind::Password;
}

/// A data source is this driver's when its Driver entry names the driver, or
/// the library the driver is registered with.
bool IsThisDriver(const std::u16string& driver, const std::optional<std::u16string>& library)
{
    return WideString(driver).IsEqual(GetDriverName(), false) || (library && !library->empty() && driver == *library);
}

std::vector<ListedDataSource> Collect()
{
    const std::optional<std::u16string> library =
        OS::OdbcInstaller::FindRegisteredDriverLibrary(GetDriverName().GetAsU16String());
    std::vector<ListedDataSource> listed;
    for (const OS::DataSourceScope scope : {OS::DataSourceScope::User, OS::DataSourceScope::System}) {
        const std::vector<std::u16string> names = ListDataSourceNames(scope);
        OS::OdbcDataSources::UseScope(scope);
        const std::string where = WideString(OS::OdbcDataSources::Describe(scope)).GetAsUTF8();
        for (const std::u16string& name : names) {
            const OS::DataSourceEntries entries = OS::OdbcDataSources::ReadEntries(name);
            ListedDataSource source{WideString(name).GetAsUTF8(),
                scope == OS::DataSourceScope::User ? "user" : "system",
                where + " [" + WideString(name).GetAsUTF8() + "]", {}};
            bool ours = false;
            for (const auto& [key, value] : entries) {
                if (WideString(key).IsEqual(WideString(u"Driver"), false)) {
                    ours = IsThisDriver(value, library);
                    continue;
                }
                source.settings.emplace_back(WideString(key).GetAsUTF8(),
                    IsPassword(key) && !value.empty() ? std::string(MASKED_SECRET) : WideString(value).GetAsUTF8());
            }
            if (ours) {
                listed.push_back(std::move(source));
            }
        }
    }
    return listed;
}

} // namespace

int ListDataSources(const std::string& programName, bool json, std::ostream& output, std::ostream& errors)
{
    std::vector<ListedDataSource> listed;
    std::optional<std::string> error;
    try {
        listed = Collect();
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    if (json) {
        JsonWriter writer;
        writer.BeginObject().Key("data_sources").BeginArray();
        for (const ListedDataSource& source : listed) {
            writer.BeginObject();
            writer.Key("name").String(source.name);
            writer.Key("scope").String(source.scope);
            writer.Key("location").String(source.location);
            writer.Key("settings").BeginObject();
            for (const auto& [key, value] : source.settings) {
                writer.Key(key).String(value);
            }
            writer.EndObject().EndObject();
        }
        writer.EndArray().Key("error");
        if (error) {
            writer.String(*error);
        } else {
            writer.Null();
        }
        output << writer.EndObject().GetText() << "\n";
    } else if (!error) {
        for (const ListedDataSource& source : listed) {
            output << source.name << "\t" << source.scope << "\t" << source.location << "\n";
        }
    }
    if (error) {
        errors << programName << ": the data sources cannot be listed: " << *error << "\n";
        return EXIT_SETTINGS_ERROR;
    }
    return 0;
}

} // namespace Dravo::VezurAVUZ
