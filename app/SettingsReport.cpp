#include "app/SettingsReport.h"

#include "app/JsonWriter.h"

namespace Dravo::VezurAVUZ {
namespace {

/// A value as it may be shown: a password's text never is.
std::optional<std::string> Shown(const std::optional<std::string>& value, bool secret)
{
    if (!value || !secret || value->empty()) {
        return value;
    }
    return std::string(MASKED_SECRET);
}

void WriteValue(JsonWriter& json, const std::optional<std::string>& value)
{
    if (value) {
        json.String(*value);
    } else {
        json.Null();
    }
}

size_t CountChanges(const SettingsOutcome& outcome)
{
    size_t count = 0;
    for (const SettingReport& setting : outcome.settings) {
        count += setting.Changes() ? 1 : 0;
    }
    return count;
}

} // namespace

std::string FormatSettingsJson(const SettingsOutcome& outcome)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("changed").Bool(outcome.changed);
    json.Key("check_mode").Bool(outcome.checkOnly);
    json.Key("location").String(outcome.location);
    json.Key("settings").BeginObject();
    for (const SettingReport& setting : outcome.settings) {
        json.Key(setting.name).BeginObject();
        json.Key("before");
        WriteValue(json, Shown(setting.before, setting.secret));
        json.Key("after");
        WriteValue(json, Shown(setting.after, setting.secret));
        // Masked passwords look alike before and after; nothing is changed
        // when nothing was (or with --check would be) written.
        json.Key("changed").Bool(outcome.changed && setting.Changes());
        json.EndObject();
    }
    json.EndObject();
    json.Key("notes").BeginArray();
    for (const StoredValueNote& note : outcome.notes) {
        json.BeginObject();
        json.Key("place").String(note.place);
        json.Key("name").String(note.name);
        json.Key("stored").String(note.secret && !note.stored.empty() ? MASKED_SECRET : note.stored);
        json.Key("shown").String(note.shown);
        json.Key("reason").String(note.reason);
        json.EndObject();
    }
    json.EndArray();
    json.Key("error");
    WriteValue(json, outcome.error);
    json.EndObject();
    return json.GetText() + "\n";
}

void WriteSettingsText(const SettingsOutcome& outcome, bool diff, std::ostream& output)
{
    const size_t changes = CountChanges(outcome);
    if (diff && changes > 0) {
        output << "--- " << outcome.location << "\n+++ " << outcome.location << "\n";
        for (const SettingReport& setting : outcome.settings) {
            if (!setting.Changes()) {
                continue;
            }
            if (const auto before = Shown(setting.before, setting.secret)) {
                output << "-" << setting.name << "=" << *before << "\n";
            }
            if (const auto after = Shown(setting.after, setting.secret)) {
                output << "+" << setting.name << "=" << *after << "\n";
            }
        }
    }
    const std::string count = std::to_string(changes) + (changes == 1 ? " setting" : " settings");
    if (outcome.removedDataSource) {
        if (!outcome.changed) {
            output << "Nothing to remove: there is no data source " << *outcome.removedDataSource << ".\n";
        } else if (outcome.checkOnly) {
            output << "Would remove " << outcome.location << "; nothing was written (--check).\n";
        } else {
            output << "Removed " << outcome.location << ".\n";
        }
    } else if (!outcome.changed) {
        output << "Nothing to change: " << outcome.location << " already holds these settings.\n";
    } else if (outcome.checkOnly) {
        output << "Would change " << count << " in " << outcome.location << "; nothing was written (--check).\n";
    } else {
        output << "Changed " << count << " in " << outcome.location << ".\n";
    }
}

std::string SummariseNotes(const std::vector<StoredValueNote>& notes, const std::string& checkCommand)
{
    if (notes.empty()) {
        return "";
    }
    // The file is named on the line above: the line number says where.
    const StoredValueNote& first = notes.front();
    const size_t colon = first.place.rfind(':');
    const bool hasLine = colon != std::string::npos && colon + 1 < first.place.size()
        && first.place.find_first_not_of("0123456789", colon + 1) == std::string::npos;
    StoredValueNote shown = first;
    shown.place = hasLine ? "Line " + first.place.substr(colon + 1) : "Note";
    std::string text = FormatNote(shown);
    if (notes.size() > 1) {
        text += " " + std::to_string(notes.size() - 1) + " more: " + checkCommand + ".";
    }
    return text;
}

} // namespace Dravo::VezurAVUZ
