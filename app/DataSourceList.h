// list: the data sources of this driver, the user's and the system's, with
// their settings (passwords masked), for programs that read them back
// (--json) and for people.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/OdbcDataSources.h"

namespace Dravo::VezurAVUZ {

/// The names of the sections of the scope's data sources, in the order they
/// are kept; each is then read as the installer reads it. Throws
/// std::runtime_error naming the place when it cannot be read.
/// (DataSourceNames.cpp, win32/DataSourceNames.cpp)
[[nodiscard]] std::vector<std::u16string> ListDataSourceNames(OS::DataSourceScope scope);

/// After the start-up: prints the list; the exit code.
int ListDataSources(const std::string& programName, bool json, std::ostream& output, std::ostream& errors);

} // namespace Dravo::VezurAVUZ
