// Why the ODBC installer refused a data source name, in words a user can act
// on. The installer answers only yes or no, so the characters it refuses are
// found by asking about each one on its own.
#pragma once

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// The message for a name that the installer's check refused: the characters
/// it refuses when single ones are to blame, the name as a whole otherwise,
/// or that the installer could not be asked at all.
[[nodiscard]] Support::WideString DescribeRefusedDataSourceName(const Support::WideString& name);

} // namespace Dravo::VezurAVUZ
