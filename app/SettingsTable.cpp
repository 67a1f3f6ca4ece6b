#include "app/SettingsTable.h"

#include <vector>

#include "app/JsonWriter.h"
#include "settings/SettingChecks.h"
#include "settings/SettingRules.h"
#include "settings/SettingsCatalogue.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

std::string Utf8(std::u16string_view text)
{
    return WideString(text).GetAsUTF8();
}

/// A caption without the colon and blanks a dialog puts after it.
std::string Caption(std::u16string_view caption)
{
    while (!caption.empty() && (caption.back() == u':' || caption.back() == u' ')) {
        caption.remove_suffix(1);
    }
    return Utf8(caption);
}

std::string Kind(const SettingRule& rule)
{
    switch (rule.kind) {
    case SettingKind::Switch:
        return "switch";
    case SettingKind::Number:
        return "number";
    case SettingKind::Choice:
        return "list";
    case SettingKind::Text:
        return "text";
    case SettingKind::File:
        return "file";
    case SettingKind::Password:
        return "password";
    case SettingKind::Property:
        return "property";
    }
    return "";
}

std::string Scope(const SettingRule& rule)
{
    switch (rule.scope) {
    case SettingScope::Driver:
        return "driver";
    case SettingScope::DataSource:
        return "data source";
    case SettingScope::Both:
        return "both";
    }
    return "";
}

std::string Condition(const SettingRule& rule)
{
    switch (rule.condition) {
    case SettingCondition::Always:
        return "always";
    case SettingCondition::FullFeatured:
        return "server type 2 or 3";
    case SettingCondition::Kerberos:
        return "server type 2 or 3, AuthMech 1";
    case SettingCondition::UserName:
        return "server type 2 or 3, AuthMech 2, 3, 5 or 6";
    case SettingCondition::Password:
        return "server type 2 or 3, AuthMech 3, 5 or 6";
    case SettingCondition::SSLChoice:
        return "server type 2 or 3";
    case SettingCondition::SSLOn:
        return "server type 2 or 3, SSL on";
    case SettingCondition::SSLAllowances:
        return "server type 2 or 3, SSL on, AuthMech not 6";
    case SettingCondition::TwoWaySSL:
        return "server type 2 or 3, SSL and TwoWaySSL on";
    case SettingCondition::HttpTransport:
        return "server type 2 or 3, ThriftTransport 2";
    case SettingCondition::NoDialog:
        return "never: setup library attributes only";
    }
    return "";
}

/// "0 = No Authentication, ..." for a list, the range for a number.
std::string Values(const SettingRule& rule)
{
    switch (rule.kind) {
    case SettingKind::Switch:
        return "0 = off, 1 = on";
    case SettingKind::Number: {
        std::string text = std::to_string(rule.minimum) + " to " + std::to_string(rule.maximum);
        if (rule.emptyAllowed) {
            text += ", or empty";
        }
        return text;
    }
    case SettingKind::Choice: {
        std::string text;
        for (const SettingChoice& choice : rule.choices) {
            if (IsChoiceAccepted(rule, choice, SettingCheckMode::Dialogs)) {
                text += (text.empty() ? "" : ", ") + Utf8(choice.value) + " = " + Utf8(choice.label);
            }
        }
        return text;
    }
    case SettingKind::Text:
    case SettingKind::File:
    case SettingKind::Password:
    case SettingKind::Property:
        return rule.maxLength > 0 ? "up to " + std::to_string(rule.maxLength) + " characters" : "";
    }
    return "";
}

std::string Default(const SettingRule& rule)
{
    // The file the SSL dialog offers depends on where the driver is.
    if (rule.name == KEY_TRUSTED_CERTS) {
        return "the driver's trusted-certificates file";
    }
    return GetSettingDefault(rule).GetAsUTF8();
}

/// The dialog and the caption a person finds the setting under.
std::string Control(const SettingRule& rule)
{
    if (rule.controlId == 0) {
        return "";
    }
    return Utf8(rule.dialog) + ", " + Caption(rule.caption);
}

std::string Name(const SettingRule& rule)
{
    return rule.kind == SettingKind::Property ? Utf8(rule.name) + "NAME" : Utf8(rule.name);
}

/// A cell of a Markdown table: "|" would end it.
std::string Cell(const std::string& text)
{
    std::string cell;
    for (const char c : text) {
        if (c == '|') {
            cell += "\\|";
        } else {
            cell += c;
        }
    }
    return cell;
}

std::string Markdown(const std::vector<const SettingRule*>& rules)
{
    std::string text =
        "| Name | What it is for | Type | Values | Default | Edited in | Belongs to | Used with | Note |\n"
        "|---|---|---|---|---|---|---|---|---|\n";
    for (const SettingRule* entry : rules) {
        const SettingRule& rule = *entry;
        text += "| `" + Name(rule) + "` | " + Cell(Utf8(GetSettingDescription(rule))) + " | " + Kind(rule) + " | "
            + Cell(Values(rule)) + " | " + Cell(Default(rule)) + " | " + Cell(Control(rule)) + " | " + Scope(rule)
            + " | " + Condition(rule) + " | " + Cell(Utf8(rule.note)) + " |\n";
    }
    return text;
}

std::string Text(const std::vector<const SettingRule*>& rules)
{
    std::string text;
    for (const SettingRule* entry : rules) {
        const SettingRule& rule = *entry;
        text += Name(rule) + "\n";
        text += "  " + Utf8(GetSettingDescription(rule)) + "\n";
        text += "  " + Kind(rule) + ", belongs to " + Scope(rule) + ", used with " + Condition(rule) + "\n";
        if (const std::string values = Values(rule); !values.empty()) {
            text += "  values: " + values + "\n";
        }
        if (const std::string value = Default(rule); !value.empty()) {
            text += "  default: " + value + "\n";
        }
        if (const std::string control = Control(rule); !control.empty()) {
            text += "  edited in: " + control + "\n";
        }
        if (!rule.note.empty()) {
            text += "  note: " + Utf8(rule.note) + "\n";
        }
    }
    return text;
}

std::string Json(const std::vector<const SettingRule*>& rules)
{
    JsonWriter json;
    json.BeginArray();
    for (const SettingRule* entry : rules) {
        const SettingRule& rule = *entry;
        json.BeginObject();
        json.Key("name").String(Name(rule));
        json.Key("description").String(Utf8(GetSettingDescription(rule)));
        json.Key("type").String(Kind(rule));
        json.Key("values").String(Values(rule));
        json.Key("default").String(Default(rule));
        json.Key("control").String(Control(rule));
        json.Key("scope").String(Scope(rule));
        json.Key("used_with").String(Condition(rule));
        json.Key("note").String(Utf8(rule.note));
        json.EndObject();
    }
    json.EndArray();
    return json.GetText() + "\n";
}

} // namespace

std::string FormatSettingsTable(SettingsTableFormat format, const std::vector<const SettingRule*>& rules)
{
    std::vector<const SettingRule*> shown = rules;
    if (shown.empty()) {
        for (const SettingRule& rule : GetSettingRules()) {
            shown.push_back(&rule);
        }
    }
    switch (format) {
    case SettingsTableFormat::Markdown:
        return Markdown(shown);
    case SettingsTableFormat::Json:
        return Json(shown);
    case SettingsTableFormat::Text:
        return Text(shown);
    }
    return Text(shown);
}

} // namespace Dravo::VezurAVUZ
