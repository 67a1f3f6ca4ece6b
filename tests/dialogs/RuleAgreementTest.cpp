// Every rule of the table that the driver-wide dialogs edit (the main,
// Advanced, SSL and HTTP dialogs' numbers, switches, choices and texts),
// with values at and beyond its limits, given once through the headless dialog and once as
// the command line gives it (SettingsEdit): where the command line takes a
// value the dialog stores the same, and where it refuses one the dialog does
// not store it but stores what the command line takes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dialogs/SODriverConfigurationDialog.h"
#include "resources/ControlIds.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingRules.h"
#include "settings/SettingsEdit.h"
#include "support/NumberConverter.h"
#include "tests/common/HeadlessRun.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

struct Trial {
    const SettingRule* rule;
    std::string value;
};

void PrintTo(const Trial& trial, std::ostream* out)
{
    *out << WideString(trial.rule->name).GetAsUTF8() << "=" << trial.value;
}

/// A full-featured server with a mechanism and the switches that let the
/// rule's setting be edited and need nothing more, as both sides start.
void Prepare(SOConnectionSettings& settings, const SettingRule& rule)
{
    settings.SetServerType(WideString(u"3"));
    const bool kerberos = rule.condition == SettingCondition::Kerberos;
    const bool ssl = rule.dialogId == Resources::IDD_SSL_OPTIONS;
    settings.SetAuthMech(WideString(kerberos ? u"1" : ssl ? u"3" : u"2"));
    settings.SetThriftTransport(WideString(rule.condition == SettingCondition::HttpTransport ? u"2" : u"1"));
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
        } else if (rule.dialogId == Resources::IDD_ADVANCED_OPTIONS && rule.kind == SettingKind::Switch) {
            trials.push_back({&rule, "1"});
            trials.push_back({&rule, "0"});
        } else if (rule.dialogId == Resources::IDD_SSL_OPTIONS && rule.kind == SettingKind::Switch) {
            trials.push_back({&rule, "1"});
            trials.push_back({&rule, "0"});
        } else if ((rule.kind == SettingKind::Text || rule.kind == SettingKind::File)
            && (OpenerOf(rule) != 0 || rule.dialogId == Resources::IDD_DRIVER_CONFIGURATION)) {
            trials.push_back({&rule, "spark.example"});
            if (rule.maxLength > 0) {
                trials.push_back({&rule, std::string(static_cast<size_t>(rule.maxLength) + 1, 'x')});
            }
        } else if (rule.controlId == Resources::IDC_MAIN_SERVER_TYPE || rule.controlId == Resources::IDC_MAIN_TRANSPORT
            || rule.controlId == Resources::IDC_MAIN_MECHANISM) {
            for (const SettingChoice& choice : rule.choices) {
                trials.push_back({&rule, WideString(choice.value).GetAsUTF8()});
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
    Prepare(byCommand, *trial.rule);
    if (trial.rule->kind == SettingKind::Switch) {
        (void)byCommand.SetSetting(name, other);
    }
    SettingsEdit edit(byCommand, SettingScope::Driver);
    edit.ShowAsDialogs();
    const std::optional<SettingRefusal> refusal = edit.Apply({SettingAssignment{name, value, false}});

    SOConnectionSettings byDialog(nullptr);
    Prepare(byDialog, *trial.rule);
    if (trial.rule->kind == SettingKind::Switch) {
        (void)byDialog.SetSetting(name, other);
    }
    SODriverConfigurationDialog dialog(byDialog, WideString(u"Configuration"));
    const Dravo::Test::HeadlessRun run = Dravo::Test::RunHeadless(
        ScriptFor(trial), [&](UI::DialogSystem& system) { return dialog.DoModal(system, nullptr); });
    const bool dialogStored = run.error.empty() && run.result == 1;
    const std::optional<WideString> shown = byDialog.GetSetting(name);

    if (!refusal) {
        ASSERT_TRUE(dialogStored) << run.error;
        EXPECT_EQ(shown.value_or(WideString(u"")).GetAsUTF8(),
            byCommand.GetSetting(name).value_or(WideString(u"")).GetAsUTF8());
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
    Prepare(again, *trial.rule);
    SettingsEdit edit2(again, SettingScope::Driver);
    edit2.ShowAsDialogs();
    const auto second = edit2.Apply({SettingAssignment{name, *shown, false}});
    EXPECT_FALSE(second.has_value()) << shown->GetAsUTF8() << ": " << second->reason.GetAsUTF8();
}

INSTANTIATE_TEST_SUITE_P(EveryRule, RuleAgreementTest, ::testing::ValuesIn(Trials()));

} // namespace
} // namespace Dravo::VezurAVUZ
