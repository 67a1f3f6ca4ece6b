// Data sources in the Windows registry, written through the ODBC installer
// value by value: a save that fails half-way is undone as far as the
// installer lets it be.
#include "platform/OdbcDataSources.h"

#include <utility>

#include "platform/OdbcHeaders.h"
#include "platform/OdbcInstaller.h"
#include "platform/OdbcInstallerEntries.h"
#include "platform/RegistryImage.h"
#include "platform/ThreadDiagnostic.h"
#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

constexpr std::u16string_view DATA_SOURCES_FILE = u"ODBC.INI";
constexpr std::u16string_view DRIVER_KEY = u"Driver";

using Entries = DataSourceEntries;

const std::u16string* FindEntry(const Entries& entries, std::u16string_view key)
{
    for (const auto& [name, value] : entries) {
        if (FoldRegistryName(name) == FoldRegistryName(key)) {
            return &value;
        }
    }
    return nullptr;
}

bool WriteEntry(std::u16string_view name, std::u16string_view key, std::u16string_view value)
{
    return OdbcInstaller::WritePrivateProfileString(name, key, value, DATA_SOURCES_FILE);
}

bool RemoveEntry(std::u16string_view name, std::u16string_view key, std::u16string_view fileName = DATA_SOURCES_FILE)
{
    using Write = BOOL INSTAPI(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR);
    auto* function = reinterpret_cast<Write*>(OdbcInstaller::GetFunction("SQLWritePrivateProfileStringW"));
    const std::u16string section(name);
    const std::u16string entry(key);
    const std::u16string file(fileName);
    return function
        && function(reinterpret_cast<LPCWSTR>(section.c_str()), reinterpret_cast<LPCWSTR>(entry.c_str()), nullptr,
               reinterpret_cast<LPCWSTR>(file.c_str()))
        != 0;
}

/// Puts the data source back as it was; true when every step succeeded.
bool Restore(std::u16string_view name, std::u16string_view driver, const Entries& before, bool existed)
{
    if (!existed) {
        return OdbcInstaller::RemoveDSNFromIni(name);
    }
    if (!OdbcInstaller::WriteDSNToIni(name, driver)) {
        return false;
    }
    for (const auto& [key, value] : before) {
        if (!WriteEntry(name, key, value)) {
            return false;
        }
    }
    return true;
}

/// Takes back the changes written so far, the last first.
bool Revert(std::u16string_view name, const Entries& before, const std::vector<const DataSourceEntryChange*>& applied)
{
    bool reverted = true;
    for (auto change = applied.rbegin(); change != applied.rend(); ++change) {
        const std::u16string* old = FindEntry(before, (*change)->key);
        if (!(old ? WriteEntry(name, (*change)->key, *old) : RemoveEntry(name, (*change)->key))) {
            reverted = false;
        }
    }
    return reverted;
}

std::u16string ScopeKey(DataSourceScope scope)
{
    return scope == DataSourceScope::User ? u"HKEY_CURRENT_USER\\Software\\ODBC\\ODBC.INI"
                                          : u"HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBC.INI";
}

} // namespace

DataSourceEntries OdbcDataSources::ReadEntries(std::u16string_view name)
{
    return ReadDataSourceThroughInstaller(name);
}

std::u16string OdbcDataSources::Describe(DataSourceScope scope)
{
    return ScopeKey(scope);
}

ErrorCode OdbcDataSources::CheckWritable(DataSourceScope)
{
    // The installer writes the registry; what it may do shows when it does.
    return ERROR_SUCCESS_CODE;
}

ErrorCode OdbcDataSources::Save(DataSourceScope scope, const DataSourceSave& save, DataSourceSaveFailure& failure)
{
    failure = DataSourceSaveFailure{};
    UseScope(scope);
    const Entries before = ReadEntries(save.name);
    const bool existed = !before.empty();
    const auto failed = [&](std::u16string key, bool undone) {
        failure.key = std::move(key);
        failure.outcome = undone ? DataSourceSaveFailure::Outcome::Undone : DataSourceSaveFailure::Outcome::NotUndone;
        ThreadDiagnostic::Set(Utf8OrPlaceholder(ScopeKey(scope)) + "\\" + Utf8OrPlaceholder(save.name)
            + ": the ODBC installer refused the change");
        return ERROR_CANTWRITE_CODE;
    };
    if (save.anew) {
        const bool made = existed ? OdbcInstaller::WriteDSNToIni(save.name, save.driver)
                                  : OdbcInstaller::AddDSNToIni(save.name, save.driver);
        if (!made) {
            // Whether the installer took the old data source away first is
            // not known: put it back if there was one.
            return failed({}, Restore(save.name, save.driver, before, existed) || !existed);
        }
    } else if (!existed) {
        ThreadDiagnostic::Set(Utf8OrPlaceholder(save.name) + ": the data source is not there");
        return ERROR_FILE_NOT_FOUND_CODE;
    }
    std::vector<const DataSourceEntryChange*> applied;
    for (const DataSourceEntryChange& change : save.changes) {
        const std::u16string* old = save.anew ? nullptr : FindEntry(before, change.key);
        if (change.value) {
            // What the data source holds already costs no write.
            if (old && *old == *change.value) {
                continue;
            }
            if (!WriteEntry(save.name, change.key, *change.value)) {
                return failed(change.key,
                    save.anew ? Restore(save.name, save.driver, before, existed) : Revert(save.name, before, applied));
            }
        } else {
            if (!old) {
                continue;
            }
            if (!RemoveEntry(save.name, change.key)) {
                return failed(change.key,
                    save.anew ? Restore(save.name, save.driver, before, existed) : Revert(save.name, before, applied));
            }
        }
        applied.push_back(&change);
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode OdbcDataSources::Remove(DataSourceScope scope, std::u16string_view name)
{
    UseScope(scope);
    if (!OdbcInstaller::RemoveDSNFromIni(name)) {
        ThreadDiagnostic::Set(Utf8OrPlaceholder(name) + ": the ODBC installer kept the data source");
        return ERROR_CANTWRITE_CODE;
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode OdbcDataSources::ChangeDriverEntries(
    std::u16string_view driver, const std::vector<DataSourceEntryChange>& changes)
{
    // The system's installer keeps the drivers in the registry, a value at a
    // time.
    for (const DataSourceEntryChange& change : changes) {
        const bool written = change.value
            ? OdbcInstaller::WritePrivateProfileString(driver, change.key, *change.value, u"ODBCINST.INI")
            : RemoveEntry(driver, change.key, u"ODBCINST.INI");
        if (!written) {
            ThreadDiagnostic::Set(Utf8OrPlaceholder(driver) + ": the ODBC installer could not write ODBCINST.INI");
            return ERROR_CANTWRITE_CODE;
        }
    }
    return ERROR_SUCCESS_CODE;
}

} // namespace Dravo::OS
