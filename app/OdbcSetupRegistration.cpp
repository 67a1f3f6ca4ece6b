#include "app/OdbcSetupRegistration.h"

#include <optional>

#include "platform/File.h"
#include "platform/OdbcDataSources.h"
#include "platform/OdbcInstaller.h"
#include "platform/OdbcInstallerEntries.h"
#include "platform/ThreadDiagnostic.h"
#include "platform/Utf8.h"

namespace Dravo::VezurAVUZ {
namespace {

constexpr std::u16string_view INSTALLER_FILE = u"ODBCINST.INI";

/// The file unixODBC keeps drivers in, for messages.
std::string DriversFilePath()
{
    using FileNameFunction = char*(char*);
    auto* path = reinterpret_cast<FileNameFunction*>(OS::OdbcInstaller::GetFunction("odbcinst_system_file_path"));
    auto* name = reinterpret_cast<FileNameFunction*>(OS::OdbcInstaller::GetFunction("odbcinst_system_file_name"));
    if (path == nullptr || name == nullptr) {
        return "odbcinst.ini";
    }
    // unixODBC copies at most its longest file name into each buffer.
    std::string folder(4096, '\0');
    std::string file(4096, '\0');
    return std::string(path(folder.data())) + "/" + name(file.data());
}

bool SectionHasEntries(const std::u16string& section)
{
    // unixODBC's reader makes the file it is asked to read when there is
    // none: a missing file has no entry, and stays missing.
    if (!OS::PathExists(OS::Utf16OrWidenedBytes(DriversFilePath()))) {
        return false;
    }
    std::vector<std::u16string> names;
    for (int units = 4096;; units *= 4) {
        const int copied = OS::ReadPrivateProfileEntryNames(section, INSTALLER_FILE, units, names);
        if (copied < units - 2 || units >= (1 << 20)) {
            return !names.empty();
        }
    }
}

} // namespace

OdbcSetupRegistration::OdbcSetupRegistration(
    std::string driverName, std::string libraryPath, std::vector<std::string> otherPaths)
    : m_driverName(std::move(driverName)), m_libraryPath(std::move(libraryPath)), m_otherPaths(std::move(otherPaths))
{
}

std::string OdbcSetupRegistration::Entry() const
{
    return "the entry [" + m_driverName + "] of " + DriversFilePath();
}

std::string OdbcSetupRegistration::Read(const char* entry) const
{
    std::u16string value;
    static_cast<void>(OS::OdbcInstaller::GetPrivateProfileString(
        OS::Utf16OrWidenedBytes(m_driverName), OS::Utf16OrWidenedBytes(entry), u"", value, INSTALLER_FILE));
    return OS::Utf8OrPlaceholder(value);
}

bool OdbcSetupRegistration::Write(std::vector<std::pair<const char*, const std::string*>> entries) const
{
    // One change of the file: Setup and its marker go in and out together.
    std::vector<OS::DataSourceEntryChange> changes;
    for (const auto& [entry, value] : entries) {
        changes.push_back(OS::DataSourceEntryChange{OS::Utf16OrWidenedBytes(entry),
            value ? std::optional<std::u16string>(OS::Utf16OrWidenedBytes(*value)) : std::nullopt});
    }
    return OS::OdbcDataSources::ChangeDriverEntries(OS::Utf16OrWidenedBytes(m_driverName), changes)
        == OS::ERROR_SUCCESS_CODE;
}

bool OdbcSetupRegistration::IsThisLibrary(const std::string& path) const
{
    if (path == m_libraryPath) {
        return true;
    }
    for (const std::string& other : m_otherPaths) {
        if (path == other) {
            return true;
        }
    }
    return false;
}

OdbcSetupRegistration::Result OdbcSetupRegistration::Register() const
{
    if (!OS::OdbcInstaller::IsAvailable()) {
        return {Outcome::InstallerUnavailable, "unixODBC's installer library (libodbcinst.so.2) is missing"};
    }
    if (!SectionHasEntries(OS::Utf16OrWidenedBytes(m_driverName))) {
        return {Outcome::NoDriverEntry,
            "The driver is not registered with unixODBC: " + Entry() + " does not exist. Nothing was changed."};
    }
    const std::string setup = Read("Setup");
    const std::string setup64 = Read("Setup64");
    const bool added = Read(MARKER_NAME) == MARKER_VALUE;
    if (added && setup == m_libraryPath) {
        return {Outcome::AlreadyRegistered, "The setup library is the Setup of " + Entry() + " already."};
    }
    if (!setup.empty() || !setup64.empty()) {
        const std::string& present = setup.empty() ? setup64 : setup;
        if (added) {
            return {Outcome::SetupOfOthers,
                "The Setup of " + Entry() + " was changed to " + present
                    + " since it was registered, and stays. Nothing was changed."};
        }
        return {Outcome::SetupOfOthers,
            "The driver's own Setup stays: " + Entry() + " names " + present + ". Nothing was changed."};
    }
    const std::string marker = MARKER_VALUE;
    if (!Write({{"Setup", &m_libraryPath}, {MARKER_NAME, &marker}})) {
        return {Outcome::WriteFailed,
            "Setup could not be written to " + Entry() + ": " + OS::ThreadDiagnostic::Get()
                + " (writing the file needs its owner's rights, root's for the system's). Nothing was changed."};
    }
    return {Outcome::Registered, "Setup=" + m_libraryPath + " was added to " + Entry() + "."};
}

OdbcSetupRegistration::Result OdbcSetupRegistration::Unregister() const
{
    if (!OS::OdbcInstaller::IsAvailable()) {
        return {Outcome::InstallerUnavailable, "unixODBC's installer library (libodbcinst.so.2) is missing"};
    }
    if (!OS::PathExists(OS::Utf16OrWidenedBytes(DriversFilePath())) || Read(MARKER_NAME) != MARKER_VALUE) {
        return {Outcome::NothingToUnregister,
            "No Setup was registered by this tool in " + Entry() + ". Nothing was changed."};
    }
    const std::string setup = Read("Setup");
    const bool ours = setup.empty() || IsThisLibrary(setup);
    std::vector<std::pair<const char*, const std::string*>> removals{{MARKER_NAME, nullptr}};
    if (ours && !setup.empty()) {
        removals.emplace_back("Setup", nullptr);
    }
    if (!Write(removals)) {
        return {Outcome::WriteFailed,
            "Setup could not be taken away from " + Entry() + ": " + OS::ThreadDiagnostic::Get()
                + " (writing the file needs its owner's rights, root's for the system's). Nothing was changed."};
    }
    if (!ours) {
        return {Outcome::ChangedSinceRegistered,
            "The Setup of " + Entry() + " was changed to " + setup + " since it was registered, and stays; "
                + MARKER_NAME + " was taken away."};
    }
    if (setup.empty()) {
        return {Outcome::Unregistered,
            std::string(MARKER_NAME) + " was taken away from " + Entry() + "; its Setup had been removed already."};
    }
    return {Outcome::Unregistered, "Setup=" + setup + " was taken away from " + Entry() + "."};
}

} // namespace Dravo::VezurAVUZ
