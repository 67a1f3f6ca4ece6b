// The driver-wide configuration's stored values that the dialog shows
// differently or would refuse (StoredValueReview), each with its place: the
// file and line on systems that keep the driver key in a file, the registry
// key elsewhere; and section headers so mistyped that the settings below them
// are not read at all.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// A stored value the dialog shows differently, or would refuse.
struct StoredValueNote {
    /// Where it is: "FILE:LINE", or the file or key alone.
    std::string place;
    std::string name;
    std::string stored;
    std::string shown;
    std::string reason;
    bool secret = false;
};

/// A note as one line: "PLACE: NAME=VALUE REASON."
[[nodiscard]] std::string FormatNote(const StoredValueNote& note);

/// The mask a password is shown as.
inline constexpr const char* MASKED_SECRET = "********";

/// Where the driver-wide settings are kept: "FILE [Driver]", or the registry key.
[[nodiscard]] std::string DescribeDriverSettingsLocation();

/// The notes for the driver key as loaded (the driver key snapshot), in the
/// order of the file's lines where there is a file.
[[nodiscard]] std::vector<StoredValueNote> ReviewDriverConfiguration();

/// The notes for a data source's entries, kept in section NAME of the file
/// (or registry key) WHERE.
[[nodiscard]] std::vector<StoredValueNote> ReviewDataSource(
    const std::vector<std::pair<Support::WideString, Support::WideString>>& entries, const std::string& where,
    const Support::WideString& name);

} // namespace Dravo::VezurAVUZ
