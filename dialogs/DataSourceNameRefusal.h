// Why the ODBC installer refused a data source name, in words a user can act
// on. The installer answers only yes or no, so the characters it refuses are
// found by asking about each one on its own.
#pragma once

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// What the data-source dialog checks of a name itself, before the installer.
enum class DataSourceNameFault {
    None,
    /// Message IDS_DSN_EMPTY.
    Empty,
    /// Message IDS_DSN_INVALID_CHARACTERS: one of []{}(),;?*=!@\.
    ForbiddenCharacter,
};

[[nodiscard]] DataSourceNameFault CheckDataSourceNameCharacters(const Support::WideString& name);

/// The message for a name that the installer's check refused: the characters
/// it refuses when single ones are to blame, the name as a whole otherwise,
/// or that the installer could not be asked at all.
[[nodiscard]] Support::WideString DescribeRefusedDataSourceName(const Support::WideString& name);

} // namespace Dravo::VezurAVUZ
