// Why the ODBC installer refused a data source name, in words a user can act
// on. The installer answers only yes or no, so the characters it refuses are
// found by asking about each one on its own.
#pragma once

#include <optional>

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

/// Why a name cannot be a data source's, as every caller checks it: one the
/// installer's file would keep otherwise, the dialog's own characters, then
/// the installer's check.
struct DataSourceNameRefusal {
    enum class Kind {
        /// The file would not keep it as given (IDS_DSN_NOT_KEPT).
        NotKept,
        Empty,
        ForbiddenCharacter,
        /// The installer refused it.
        RefusedByInstaller,
        /// There was no installer to ask; it has told the user already.
        InstallerMissing,
    };
    Kind kind;
    /// The message, a sentence.
    Support::WideString text;
};

[[nodiscard]] std::optional<DataSourceNameRefusal> CheckDataSourceName(const Support::WideString& name);

} // namespace Dravo::VezurAVUZ
