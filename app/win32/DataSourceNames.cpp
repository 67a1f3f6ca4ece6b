// The data sources' names on Windows: the keys the ODBC installer keeps
// them under, in the user's hive and the machine's.
#include <stdexcept>

#include "app/DataSourceList.h"
#include "platform/Registry.h"
#include "platform/SystemError.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

std::vector<std::u16string> ListDataSourceNames(OS::DataSourceScope scope)
{
    const OS::RegistryHive hive =
        scope == OS::DataSourceScope::User ? OS::RegistryHive::CurrentUser : OS::RegistryHive::LocalMachine;
    std::vector<std::u16string> names;
    auto key = OS::RegistryKey::Open(hive, u"SOFTWARE\\ODBC\\ODBC.INI");
    if (!key) {
        if (key.GetError() == OS::ERROR_FILE_NOT_FOUND_CODE) {
            return names;
        }
        throw std::runtime_error(
            Support::WideString(OS::OdbcDataSources::Describe(scope)).GetAsUTF8() + " cannot be read");
    }
    for (uint32_t index = 0;; ++index) {
        auto name = key->EnumSubKey(index);
        if (!name) {
            break;
        }
        if (!Support::WideString(*name).IsEqual(Support::WideString(u"ODBC Data Sources"), false)
            && !Support::WideString(*name).IsEqual(Support::WideString(u"ODBC"), false)) {
            names.push_back(*name);
        }
    }
    return names;
}

} // namespace Dravo::VezurAVUZ
