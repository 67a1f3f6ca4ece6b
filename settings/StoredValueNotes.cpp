#include "settings/StoredValueNotes.h"

#include <algorithm>
#include <optional>

#include "identity/ProductNames.h"
#include "platform/IniFile.h"
#include "platform/InputFile.h"
#include "platform/Registry.h"
#include "settings/DriverKeySnapshot.h"
#include "settings/SettingRules.h"
#include "settings/StoredValueReview.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

std::u16string DriverKey()
{
    return GetDriverKeyPath().GetAsU16String();
}

/// The driver key's last name, which names its section in a file.
std::u16string SectionName()
{
    const std::u16string key = DriverKey();
    const size_t separator = key.find_last_of(u'\\');
    return separator == std::u16string::npos ? key : key.substr(separator + 1);
}

bool EndsWithIni(const std::string& path)
{
    return path.size() > 4 && WideString(path.substr(path.size() - 4)).IsEqual(WideString(u".ini"), false);
}

/// The file's text, or nothing when it cannot be read: within the bounds of
/// any input, and through no other user's link, as the save reads it.
std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::string bytes;
    std::string why;
    if (!OS::ReadInputFile(path, OS::InputLimits{OS::MAX_INPUT_FILE_BYTES, false}, bytes, why)) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

std::string DescribeDriverSettingsLocation()
{
    const std::string path = OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, DriverKey());
    return EndsWithIni(path) ? path + " [" + WideString(SectionName()).GetAsUTF8() + "]" : path;
}

namespace {

/// The findings of the values, with the file and line of each where the
/// place is a file that reads, and the section headers mistyped in it.
std::vector<StoredValueNote> Review(const std::vector<std::pair<WideString, WideString>>& stored, SettingScope scope,
    const std::string& path, const std::u16string& section, const std::string& location)
{
    OS::IniFile file;
    const bool hasLines = EndsWithIni(path) && [&] {
        const std::optional<std::string> bytes = ReadWholeFile(path);
        return bytes && file.Parse(*bytes);
    }();

    std::vector<std::pair<uint64_t, StoredValueNote>> notes;
    if (hasLines && !file.HasSection(section)) {
        for (const uint64_t line : file.FindBrokenSectionHeaders(section)) {
            StoredValueNote note;
            note.place = path + ":" + std::to_string(line);
            note.stored = "[" + WideString(section).GetAsUTF8();
            note.reason = "is not read as the section's header (it is not \"[" + WideString(section).GetAsUTF8()
                + "]\"), so the settings after it are not read and the dialog shows defaults for them";
            notes.emplace_back(line, std::move(note));
        }
    }
    for (const StoredValueFinding& finding : ReviewStoredValues(stored, scope)) {
        const uint64_t line = hasLines ? file.FindValueLine(section, finding.name.GetAsU16String()) : 0;
        StoredValueNote note;
        note.place = line > 0 ? path + ":" + std::to_string(line) : location;
        note.name = finding.name.GetAsUTF8();
        note.stored = finding.stored.GetAsUTF8();
        note.shown = finding.shown.GetAsUTF8();
        note.reason = finding.reason.GetAsUTF8();
        const SettingRule* rule = FindSettingRule(finding.name.GetAsU16String());
        note.secret = rule && rule->kind == SettingKind::Password;
        notes.emplace_back(line, std::move(note));
    }
    std::stable_sort(notes.begin(), notes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<StoredValueNote> ordered;
    for (auto& [line, note] : notes) {
        ordered.push_back(std::move(note));
    }
    return ordered;
}

} // namespace

std::vector<StoredValueNote> ReviewDriverConfiguration()
{
    const auto snapshot = DriverKeySnapshot::Get();
    const std::vector<std::pair<WideString, WideString>> stored(
        snapshot->GetValues().begin(), snapshot->GetValues().end());
    const std::string path = OS::GetRegistryKeyFilePath(OS::RegistryHive::LocalMachine, DriverKey());
    return Review(stored, SettingScope::Driver, path, SectionName(), DescribeDriverSettingsLocation());
}

std::vector<StoredValueNote> ReviewDataSource(
    const std::vector<std::pair<WideString, WideString>>& entries, const std::string& where, const WideString& name)
{
    return Review(
        entries, SettingScope::DataSource, where, name.GetAsU16String(), where + " [" + name.GetAsUTF8() + "]");
}

std::string FormatNote(const StoredValueNote& note)
{
    const std::string stored = note.secret && !note.stored.empty() ? MASKED_SECRET : note.stored;
    // A line that is no setting has no name: the line's text stands alone.
    return note.place + ": " + (note.name.empty() ? stored : note.name + "=" + stored) + " " + note.reason + ".";
}

} // namespace Dravo::VezurAVUZ
