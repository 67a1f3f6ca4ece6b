// Every rule of the table that the driver-wide dialogs edit (the main,
// Advanced, SSL and HTTP dialogs' numbers, switches, choices and texts; the
// logging options, the server-side switches and both property lists),
// with values at and beyond its limits, given once through the headless dialog and once as
// the command line gives it (SettingsEdit): where the command line takes a
// value the dialog stores the same, and where it refuses one the dialog does
// not store it but stores what the command line takes.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "dialogs/SODriverConfigurationDialog.h"
#include "identity/ProductNames.h"
#include "platform/Registry.h"
#include "resources/ControlIds.h"
#include "settings/DriverKeySnapshot.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingRules.h"
#include "settings/SettingsEdit.h"
#include "settings/SettingsSession.h"
#include "support/DSIFileLogger.h"
#include "support/NumberConverter.h"
#include "tests/common/HeadlessRun.h"
#include "tests/dialogs/AgreementVerdict.h"
#include "tests/common/TempDir.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

struct Trial {
    const SettingRule* rule;
    std::string value;
    /// Driver: the driver-wide dialog; DataSource: the data-source layout.
    SettingScope scope = SettingScope::Driver;
};

void PrintTo(const Trial& trial, std::ostream* out)
{
    *out << (trial.scope == SettingScope::DataSource ? "data source: " : "") << WideString(trial.rule->name).GetAsUTF8()
         << "=" << trial.value;
}

/// A full-featured server with a mechanism and the switches that let the
/// rule's setting be edited and need nothing more, as both sides start.
void Prepare(SOConnectionSettings& settings, const SettingRule& rule, SettingScope scope)
{
    if (scope == SettingScope::DataSource) {
        settings.SetDataSourceName(WideString(u"Sample"));
        settings.SetHost(WideString(u"spark.example.com"));
    }
    settings.SetServerType(WideString(u"3"));
    const bool kerberos = rule.condition == SettingCondition::Kerberos;
    const bool ssl = rule.dialogId == Resources::IDD_SSL_OPTIONS;
    const bool http = rule.condition == SettingCondition::HttpTransport;
    settings.SetAuthMech(WideString(kerberos ? u"1" : ssl || http ? u"3" : u"2"));
    settings.SetThriftTransport(WideString(http ? u"2" : u"1"));
    if (kerberos) {
        (void)settings.SetSetting(WideString(u"KrbHostFQDN"), WideString(u"spark.example"));
        (void)settings.SetSetting(WideString(u"KrbServiceName"), WideString(u"spark"));
    }
    if (ssl) {
        (void)settings.SetSetting(WideString(u"ClientCert"), WideString(u"/tmp/client.pem"));
        (void)settings.SetSetting(WideString(u"ClientPrivateKey"), WideString(u"/tmp/client.key"));
    }
    if (rule.condition == SettingCondition::SSLOn || rule.condition == SettingCondition::SSLAllowances
        || rule.condition == SettingCondition::TwoWaySSL) {
        (void)settings.SetSetting(WideString(u"SSL"), WideString(u"1"));
    }
    if (rule.condition == SettingCondition::TwoWaySSL) {
        (void)settings.SetSetting(WideString(u"TwoWaySSL"), WideString(u"1"));
    }
}

/// The button of the main dialog that opens the rule's dialog, or 0.
int32_t OpenerOf(const SettingRule& rule)
{
    switch (rule.dialogId) {
    case Resources::IDD_ADVANCED_OPTIONS:
        return Resources::IDC_MAIN_ADVANCED_OPTIONS;
    case Resources::IDD_SSL_OPTIONS:
        return Resources::IDC_MAIN_SSL_OPTIONS;
    case Resources::IDD_HTTP_PROPERTIES:
        return Resources::IDC_MAIN_HTTP_OPTIONS;
    default:
        return 0;
    }
}

std::string Digits(uint64_t value)
{
    return Support::NumberConverter::ConvertUInt64ToWString(value).GetAsUTF8();
}

/// A text at its edges: a plain one, one past the box's limit, one with
/// blanks around it, and none.
std::vector<Trial> TextTrials(const SettingRule& rule, SettingScope scope)
{
    std::vector<Trial> trials = {
        {&rule, "spark.example", scope}, {&rule, " spark.example ", scope}, {&rule, "", scope}};
    if (rule.maxLength > 0) {
        trials.push_back({&rule, std::string(static_cast<size_t>(rule.maxLength) + 1, 'x'), scope});
    }
    return trials;
}

std::vector<Trial> Trials()
{
    std::vector<Trial> trials;
    for (const SettingRule& rule : GetSettingRules()) {
        if (rule.scope == SettingScope::DataSource || rule.controlId == 0) {
            continue;
        }
        if (rule.dialogId == Resources::IDD_ADVANCED_OPTIONS && rule.kind == SettingKind::Number) {
            for (const uint64_t value : {rule.minimum, uint64_t{0}, rule.maximum, rule.maximum + 1}) {
                trials.push_back({&rule, Digits(value)});
            }
            for (const std::string value : {"", "007", " 7 ", "+7"}) {
                // An empty socket time-out box stores 0, as the product's
                // dialog always has; the command line's empty value stays
                // empty, which the driver reads as its default.
                if (!value.empty() || rule.name != u"SocketTimeout") {
                    trials.push_back({&rule, value});
                }
            }
        } else if (rule.dialogId == Resources::IDD_ADVANCED_OPTIONS && rule.kind == SettingKind::Switch) {
            trials.push_back({&rule, "1"});
            trials.push_back({&rule, "0"});
        } else if (rule.dialogId == Resources::IDD_SSL_OPTIONS && rule.kind == SettingKind::Switch) {
            trials.push_back({&rule, "1"});
            trials.push_back({&rule, "0"});
        } else if ((rule.kind == SettingKind::Text || rule.kind == SettingKind::File)
            && (OpenerOf(rule) != 0 || rule.dialogId == Resources::IDD_DRIVER_CONFIGURATION)) {
            for (const Trial& trial : TextTrials(rule, SettingScope::Driver)) {
                trials.push_back(trial);
            }
        } else if (rule.controlId == Resources::IDC_MAIN_SERVER_TYPE || rule.controlId == Resources::IDC_MAIN_TRANSPORT
            || rule.controlId == Resources::IDC_MAIN_MECHANISM) {
            for (const SettingChoice& choice : rule.choices) {
                trials.push_back({&rule, WideString(choice.value).GetAsUTF8()});
            }
        }
    }
    // The data-source layout: its own settings, and the main dialog's texts
    // and choices as a data source holds them.
    for (const SettingRule& rule : GetSettingRules()) {
        const bool inMain =
            rule.dialogId == Resources::IDD_DSN_CONFIGURATION || rule.dialogId == Resources::IDD_DRIVER_CONFIGURATION;
        if (!ScopeHolds(SettingScope::DataSource, rule) || rule.controlId == 0 || !inMain) {
            continue;
        }
        if (rule.kind == SettingKind::Text) {
            for (const Trial& trial : TextTrials(rule, SettingScope::DataSource)) {
                trials.push_back(trial);
            }
        } else if (rule.kind == SettingKind::Number) {
            for (const std::string value : {"0", "1", "65535", "65536", "", "010000", " 10000 ", "+10000"}) {
                trials.push_back({&rule, value, SettingScope::DataSource});
            }
        } else if (rule.kind == SettingKind::Choice) {
            for (const SettingChoice& choice : rule.choices) {
                trials.push_back({&rule, WideString(choice.value).GetAsUTF8(), SettingScope::DataSource});
            }
        }
    }
    return trials;
}

/// The script that gives the value as a user would; nothing for a choice the
/// rule has no label for.
std::string ScriptFor(const Trial& trial)
{
    const SettingRule& rule = *trial.rule;
    const std::string id = std::to_string(rule.controlId);
    if (rule.kind == SettingKind::Choice) {
        for (const SettingChoice& choice : rule.choices) {
            if (WideString(choice.value).GetAsUTF8() == trial.value) {
                return "select " + id + " " + WideString(choice.label).GetAsUTF8() + "\nclick 1\n";
            }
        }
    }
    const int32_t opener = OpenerOf(rule);
    const std::string open = opener == 0 ? "" : "click " + std::to_string(opener) + "\n";
    const std::string close = opener == 0 ? "click 1\n" : "click 1\nclick 1\n";
    if (rule.kind == SettingKind::Switch) {
        // The box starts the other way; a click turns it to the value.
        return open + "click " + id + "\n" + close;
    }
    return open + "type " + id + " " + trial.value + "\n" + close;
}

class RuleAgreementTest : public ::testing::TestWithParam<Trial> {};

TEST_P(RuleAgreementTest, TheDialogStoresWhatTheCommandLineTakes)
{
    const Trial& trial = GetParam();
    const WideString name(trial.rule->name);
    const WideString value(trial.value);
    const WideString other(trial.value == "1" ? u"0" : u"1");

    SOConnectionSettings byCommand(nullptr);
    Prepare(byCommand, *trial.rule, trial.scope);
    if (trial.rule->kind == SettingKind::Switch) {
        (void)byCommand.SetSetting(name, other);
    }
    SettingsEdit edit(byCommand, trial.scope);
    edit.ShowAsDialogs();
    const std::optional<SettingRefusal> refusal = edit.Apply({SettingAssignment{name, value, false}});

    SOConnectionSettings byDialog(nullptr);
    Prepare(byDialog, *trial.rule, trial.scope);
    if (trial.rule->kind == SettingKind::Switch) {
        (void)byDialog.SetSetting(name, other);
    }
    SODriverConfigurationDialog driverDialog(byDialog, WideString(u"Configuration"));
    SOConfigurationDialog dataSourceDialog(byDialog, WideString(u"Configuration"));
    SOConfigurationDialog& dialog = trial.scope == SettingScope::DataSource ? dataSourceDialog : driverDialog;
    const Dravo::Test::HeadlessRun run = Dravo::Test::RunHeadless(
        ScriptFor(trial), [&](UI::DialogSystem& system) { return dialog.DoModal(system, nullptr); });
    const bool dialogStored = run.error.empty() && run.result == 1;
    const std::optional<WideString> shown = SettingsEdit(byDialog, trial.scope).Get(name.GetAsU16String());

    if (!refusal) {
        ASSERT_TRUE(dialogStored) << run.error;
        EXPECT_EQ(shown->GetAsUTF8(), edit.Get(name.GetAsU16String()).GetAsUTF8());
        return;
    }
    if (!dialogStored) {
        return;
    }
    // Refused by the command line: the dialog keeps something else, which
    // the command line takes as it is.
    ASSERT_TRUE(shown.has_value());
    EXPECT_NE(shown->GetAsUTF8(), trial.value) << refusal->reason.GetAsUTF8();
    SOConnectionSettings again(nullptr);
    Prepare(again, *trial.rule, trial.scope);
    SettingsEdit edit2(again, trial.scope);
    edit2.ShowAsDialogs();
    const auto second = edit2.Apply({SettingAssignment{name, *shown, false}});
    EXPECT_FALSE(second.has_value()) << shown->GetAsUTF8() << ": " << second->reason.GetAsUTF8();
}

INSTANTIATE_TEST_SUITE_P(EveryRule, RuleAgreementTest, ::testing::ValuesIn(Trials()));

// The settings the driver-wide model keeps outside its fixed members (the
// logging options, the server-side switches and the property lists), tried
// on a real driver key: the command line's session applies and saves, the
// program's dialog is driven from its main window and saved as its OK saves.

using Stored = std::map<std::u16string, std::u16string>;

struct KeyTrial {
    /// For the test's name.
    std::string label;
    /// The driver key before.
    Stored stored;
    /// What the command line is given: one NAME=VALUE.
    std::u16string name;
    std::u16string value;
    /// What a user does in the dialogs, from the main window; ends with the
    /// main window's OK.
    std::string script;
    /// The keys compared: those that begin with it, in any case.
    std::u16string family;
};

void PrintTo(const KeyTrial& trial, std::ostream* out)
{
    *out << trial.label;
}

/// User name and password over HTTP: every dialog of the trials is open to edits.
const Stored FULL_FEATURED = {{u"SparkServerType", u"3"}, {u"AuthMech", u"3"}, {u"ThriftTransport", u"2"}};

Stored With(Stored stored, const Stored& more)
{
    for (const auto& [name, value] : more) {
        stored[name] = value;
    }
    return stored;
}

const Stored LOGGING_ON = With(FULL_FEATURED,
    {{u"LogLevel", u"4"}, {u"LogPath", u"/tmp/dravo-logs"}, {u"LogFileCount", u"50"}, {u"LogFileSize", u"20971520"}});

std::string Click(int32_t id)
{
    return "click " + std::to_string(id) + "\n";
}

std::string Type(int32_t id, const std::string& text)
{
    return "type " + std::to_string(id) + " " + text + "\n";
}

std::string Utf8(std::u16string_view text)
{
    return WideString(text).GetAsUTF8();
}

/// The logging dialog from the main window: STEPS, then both OKs.
std::string InLogging(const std::string& steps)
{
    return Click(Resources::IDC_MAIN_LOGGING_OPTIONS) + steps + Click(1) + Click(1);
}

/// The server-side properties from Advanced Options: STEPS, then three OKs.
std::string InServerSide(const std::string& steps)
{
    return Click(Resources::IDC_MAIN_ADVANCED_OPTIONS) + Click(Resources::IDC_ADVANCED_SERVER_SIDE_PROPERTIES) + steps
        + Click(1) + Click(1) + Click(1);
}

std::string InHttp(const std::string& steps)
{
    return Click(Resources::IDC_MAIN_HTTP_OPTIONS) + steps + Click(1) + Click(1);
}

/// Add... in a property list, with the name and value typed.
std::string AddProperty(const std::string& name, const std::string& value)
{
    return Click(Resources::IDC_PROPERTY_ADD) + Type(Resources::IDC_EDIT_PROPERTY_KEY, name)
        + Type(Resources::IDC_EDIT_PROPERTY_VALUE, value) + Click(1);
}

std::vector<KeyTrial> KeyTrials()
{
    using namespace Resources;
    std::vector<KeyTrial> trials;
    const auto add = [&trials](std::string label, Stored stored, std::u16string name, std::u16string value,
                         std::string script, std::u16string family) {
        trials.push_back({std::move(label), std::move(stored), std::move(name), std::move(value), std::move(script),
            std::move(family)});
    };

    // Logging: the level by its label; the path and the file count as typed;
    // the size in bytes on the command line and in megabytes in the dialog.
    const SettingRule& level = *FindSettingRule(u"LogLevel");
    for (const SettingChoice& choice : level.choices) {
        add("LogLevel=" + Utf8(choice.value), LOGGING_ON, u"LogLevel", std::u16string(choice.value),
            InLogging("select " + std::to_string(IDC_LOG_LEVEL) + " " + Utf8(choice.label) + "\n"), u"Log");
    }
    add("LogLevelWithoutPath", FULL_FEATURED, u"LogLevel", u"3",
        InLogging("select " + std::to_string(IDC_LOG_LEVEL) + " LOG_WARNING\n"), u"Log");
    for (const std::string path : {"/var/log/dravo", "", " /var/log/dravo ", "relative/logs"}) {
        add("LogPath=" + path, LOGGING_ON, u"LogPath", WideString(path).GetAsU16String(),
            InLogging(Type(IDC_LOG_PATH, path)), u"Log");
    }
    for (const std::string count : {"0", "1", "4294967295", "4294967296", "", "12abc", "007", " 7 ", "+7"}) {
        add("LogFileCount=" + count, LOGGING_ON, u"LogFileCount", WideString(count).GetAsU16String(),
            InLogging(Type(IDC_LOG_FILE_COUNT, count)), u"Log");
    }
    const std::pair<const char*, const char*> sizes[] = {{"0", "0"}, {"1048576", "1"}, {"4294967296", "4096"},
        {"4295032832", "4097"}, {"", ""}, {"1500000", "1500000"}, {"01048576", "01"}, {"+1048576", "+1"}};
    for (const auto& [bytes, megabytes] : sizes) {
        add(std::string("LogFileSize=") + bytes, LOGGING_ON, u"LogFileSize", WideString(bytes).GetAsU16String(),
            InLogging(Type(IDC_LOG_FILE_SIZE, megabytes)), u"Log");
    }
    // A stored size the dialog cannot show: an unrelated change on either side.
    for (const std::u16string size : {u"1500000", u"1048575", u"10M", u"5368709120"}) {
        add("StoredLogFileSize=" + Utf8(size), With(LOGGING_ON, {{u"LogFileSize", size}}), u"LogLevel", u"5",
            InLogging("select " + std::to_string(IDC_LOG_LEVEL) + " LOG_DEBUG\n"), u"Log");
    }

    // The server-side switches, each way, from either stored value and from none.
    for (const auto& [name, box] : {std::pair{u"LCaseSspKeyName", IDC_SSP_LOWER_CASE_KEY_NAME},
             std::pair{u"ApplySSPWithQueries", IDC_SSP_APPLY_WITH_QUERIES}}) {
        const std::u16string key(name);
        add(Utf8(key) + "=0", With(FULL_FEATURED, {{key, u"1"}}), key, u"0", InServerSide(Click(box)), key);
        add(Utf8(key) + "=1", With(FULL_FEATURED, {{key, u"0"}}), key, u"1", InServerSide(Click(box)), key);
        add(Utf8(key) + "=0FromNone", FULL_FEATURED, key, u"0", InServerSide(Click(box)), key);
    }

    // Property names and values at their edges, in both lists.
    struct Edge {
        const char* label;
        std::string name;
        std::string value;
    };
    const std::string longValue(5000, 'v');
    const Edge edges[] = {{"Plain", "Timeout", "30"}, {"EmptyName", "", "30"}, {"Equals", "a=b", "c"},
        {"Brackets", "[x]", "1"}, {"OpenBracket", "[x", "1"}, {"InnerBlank", "a b", "1"}, {"OuterBlanks", " a ", "1"},
        {"ValueBlanks", "a", " 1 "}, {"EmptyValue", "a", ""}, {"ValueEquals", "a", "b=c"},
        {"LongValue", "a", longValue}};
    for (const auto& [prefix, opener, family] :
        {std::tuple{std::string("SSP_"), &InServerSide, std::u16string(u"SSP_")},
            std::tuple{std::string("http.header."), &InHttp, std::u16string(u"http.header.")}}) {
        for (const Edge& edge : edges) {
            add(prefix + edge.label, FULL_FEATURED, WideString(prefix + edge.name).GetAsU16String(),
                WideString(edge.value).GetAsU16String(), opener(AddProperty(edge.name, edge.value)), family);
        }
        // A name held already in another case: the dialog edits the listed one.
        const std::u16string stored = WideString(prefix + "Timeout").GetAsU16String();
        add(prefix + "OtherCase", With(FULL_FEATURED, {{stored, u"30"}}),
            WideString(prefix + "TIMEOUT").GetAsU16String(), u"45",
            opener("select " + std::to_string(IDC_PROPERTY_LIST) + " Timeout=30\n" + Click(IDC_PROPERTY_EDIT)
                + Type(IDC_EDIT_PROPERTY_VALUE, "45") + Click(1)),
            family);
    }
    return trials;
}

class KeyAgreementTest : public ::testing::TestWithParam<KeyTrial> {
protected:
    ~KeyAgreementTest() override
    {
        VezurAVUZ::DriverKeySnapshot::ResetForTesting();
        OS::SetRegistryRoot("");
    }

    /// A fresh driver key in its own root, holding STORED.
    void UseKey(const std::string& root, const Stored& stored)
    {
        const std::filesystem::path folder = m_root / root;
        std::filesystem::create_directories(folder);
        OS::SetRegistryRoot(folder.string());
        VezurAVUZ::DriverKeySnapshot::ResetForTesting();
        auto key = OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, GetDriverKeyPath().GetAsU16String());
        ASSERT_TRUE(key);
        for (const auto& [name, value] : stored) {
            ASSERT_EQ(key->SetStringValue(name, value), OS::ERROR_SUCCESS_CODE);
        }
    }

    /// The key's values of the trial's family, an empty one as none.
    Stored Family(const std::u16string& family)
    {
        Stored values;
        auto key = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, GetDriverKeyPath().GetAsU16String());
        for (uint32_t index = 0; key; ++index) {
            auto value = key->EnumValue(index);
            if (!value) {
                break;
            }
            const std::u16string text = OS::GetRegistryStringText(value->data);
            if (value->name.size() >= family.size()
                && IsSameSettingName(std::u16string_view(value->name).substr(0, family.size()), family)
                && !text.empty()) {
                values[value->name] = text;
            }
        }
        return values;
    }

    /// The command line's set: nothing when it was refused, else what it saved.
    std::optional<std::string> ByCommand(const std::vector<SettingAssignment>& request)
    {
        Support::DSIFileLogger logger(WideString(u"agreement.log"), Support::LogSettings{});
        DriverSettingsSession session(logger);
        (void)session.Open();
        std::vector<SettingAssignment> assignments = request;
        try {
            (void)session.Apply(assignments, false);
        } catch (const SessionFailure& failure) {
            return std::string(failure.what());
        }
        session.Save();
        return std::nullopt;
    }

    static std::string Describe(const Stored& values)
    {
        std::string text;
        for (const auto& [name, value] : values) {
            text += Utf8(name) + "=" + (value.size() > 40 ? Utf8(value.substr(0, 40)) + "..." : Utf8(value)) + "; ";
        }
        return text;
    }

    Dravo::Test::TempDir m_root;
};

TEST_P(KeyAgreementTest, TheDialogStoresWhatTheCommandLineTakes)
{
    const KeyTrial& trial = GetParam();

    UseKey("command", trial.stored);
    const std::optional<std::string> refusal = ByCommand({SettingAssignment{trial.name, trial.value, false}});
    const Stored byCommand = Family(trial.family);

    UseKey("dialog", trial.stored);
    const Stored before = Family(trial.family);
    Support::DSIFileLogger logger(WideString(u"agreement.log"), Support::LogSettings{});
    DriverSettingsSession session(logger);
    session.GetSettings().Load();
    SODriverConfigurationDialog dialog(session.GetSettings(), WideString(u"Configuration"));
    const Dravo::Test::HeadlessRun run = Dravo::Test::RunHeadless(
        trial.script, [&](UI::DialogSystem& system) { return dialog.DoModal(system, nullptr); });
    const bool dialogStored = run.error.empty() && run.result == 1;
    if (dialogStored) {
        session.SaveAsDialog();
    }
    Dravo::Test::AgreementTrial<Stored> verdict{refusal, byCommand, before, Family(trial.family), dialogStored,
        trial.name, trial.value, run.error + run.transcript};
    Dravo::Test::ExpectAgreement<Stored>(
        verdict, [this](const std::vector<SettingAssignment>& back) { return ByCommand(back); }, Describe);
}

INSTANTIATE_TEST_SUITE_P(
    DriverKey, KeyAgreementTest, ::testing::ValuesIn(KeyTrials()), Dravo::Test::AgreementTrialName<KeyTrial>);

} // namespace
} // namespace Dravo::VezurAVUZ
