// The ODBC installer's data sources: where one lives, and one save of its
// section. Reading goes through the installer; a save goes where the data
// source lives. On POSIX systems unixODBC's own writer rewrites the whole
// odbc.ini in place for every value without checking its writes, so a save
// here writes the data source's section itself, as one replace of the file by
// the durable file engine, byte-preserving and all or nothing. On Windows the
// installer keeps data sources in the registry, value by value, and a save
// that fails half-way is undone as far as the installer lets it be.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/SystemError.h"

namespace Dravo::OS {

enum class DataSourceScope {
    /// The user's own data sources.
    User,
    /// The machine's, seen by every user.
    System,
};

/// One entry of a data source's section written, or removed when there is no value.
struct DataSourceEntryChange {
    std::u16string key;
    std::optional<std::u16string> value;
};

/// What one save does to one data source.
struct DataSourceSave {
    std::u16string name;
    /// The driver it is registered for, written as its "Driver" entry when
    /// the data source is made.
    std::u16string driver;
    /// Made anew: whatever the section held before goes. Otherwise the
    /// section keeps what the changes do not touch, and must be there.
    bool anew = false;
    std::vector<DataSourceEntryChange> changes;
};

/// One entry of a data source as a reader gets it.
using DataSourceEntries = std::vector<std::pair<std::u16string, std::u16string>>;

/// Why a save failed, beyond its code.
struct DataSourceSaveFailure {
    /// The entry that could not be written; empty when the data source
    /// itself could not be made or the file not written.
    std::u16string key;
    enum class Outcome {
        /// The data source is as it was: nothing was written.
        NothingWritten,
        /// What had been written was taken back.
        Undone,
        /// Some of it stayed.
        NotUndone,
        /// All of it is in place, but could not be flushed to disk: a crash
        /// of the system may still lose it.
        InPlace,
    };
    Outcome outcome = Outcome::NothingWritten;
};

class OdbcDataSources {
public:
    /// The installer's scope for each: ODBC_USER_DSN 1, ODBC_SYSTEM_DSN 2.
    static constexpr uint16_t ConfigModeOf(DataSourceScope scope) { return scope == DataSourceScope::User ? 1 : 2; }

    /// The scope a data source of this name lives in, looked up as the
    /// installer looks it up (the user's data sources first); nothing when
    /// neither holds it.
    [[nodiscard]] static std::optional<DataSourceScope> Locate(std::u16string_view name);
    /// The data source's entries as the installer reads them where its mode
    /// points now (where it names both, the user's data sources first), in
    /// the order they are kept; none when there is no such data source.
    [[nodiscard]] static DataSourceEntries ReadEntries(std::u16string_view name);
    /// Whether the scope holds a data source of this name.
    [[nodiscard]] static bool Holds(DataSourceScope scope, std::u16string_view name);
    /// Where the scope's data sources are kept, as the user can find it: the
    /// file on POSIX systems, the registry key on Windows.
    [[nodiscard]] static std::u16string Describe(DataSourceScope scope);
    /// Whether this user could save a data source in the scope, found
    /// without changing anything (always so where the installer decides).
    [[nodiscard]] static ErrorCode CheckWritable(DataSourceScope scope);
    /// Makes the installer read (and, on Windows, write) the scope's data
    /// sources; false when it cannot be asked.
    static bool UseScope(DataSourceScope scope);

    /// Saves the data source in the scope as one change. The entries must
    /// pass WhyDataSourceCannotHold; a failure returns its code, sets the
    /// thread's diagnostic (ThreadDiagnostic.h) and fills failure.
    [[nodiscard]] static ErrorCode Save(
        DataSourceScope scope, const DataSourceSave& save, DataSourceSaveFailure& failure);
    /// Removes the data source from the scope.
    [[nodiscard]] static ErrorCode Remove(DataSourceScope scope, std::u16string_view name);
    /// Changes entries of the driver's existing section of the installer's
    /// drivers file (odbcinst.ini) as one change: all of them or none.
    [[nodiscard]] static ErrorCode ChangeDriverEntries(
        std::u16string_view driver, const std::vector<DataSourceEntryChange>& changes);

    /// Why a data source name cannot be kept so that the installer reads it
    /// back as given (blanks at either end, one of the installer's own
    /// section names, what a section line cannot hold); nothing when it can.
    [[nodiscard]] static std::optional<std::string> WhyNameCannotBeKept(std::u16string_view name);
    /// The same for an entry's name (a leading comment character, "=", ...).
    [[nodiscard]] static std::optional<std::string> WhyKeyCannotBeKept(std::u16string_view key);
    /// The same for an entry's value (blanks at either end, line breaks).
    [[nodiscard]] static std::optional<std::string> WhyValueCannotBeKept(std::u16string_view value);
};

/// The data source's entries read through the installer, one call for each:
/// what the implementations fall back on.
[[nodiscard]] DataSourceEntries ReadDataSourceThroughInstaller(std::u16string_view name);

} // namespace Dravo::OS
