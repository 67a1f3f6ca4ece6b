// The verdict of one agreement trial, the same for the driver key and a data
// source: where the command line took the value, the dialog stored the same;
// where it refused it, the dialog stored it not, and what it stored instead
// the command line takes back as it is.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/SettingsEdit.h"
#include "support/WideString.h"

namespace Dravo::Test {

template <class Values> struct AgreementTrial {
    /// The command line's refusal of the value, if it refused it.
    std::optional<std::string> refusal;
    /// What the command line, and then the dialog, left in the family.
    Values byCommand;
    Values before;
    Values byDialog;
    bool dialogStored = false;
    typename Values::key_type name;
    typename Values::mapped_type value;
    /// What went wrong on the dialog's side, for the failure message.
    std::string dialogFailure;
};

template <class Values>
void ExpectAgreement(const AgreementTrial<Values>& trial,
    const std::function<std::optional<std::string>(const std::vector<VezurAVUZ::SettingAssignment>&)>& byCommand,
    const std::function<std::string(const Values&)>& describe)
{
    if (!trial.refusal) {
        ASSERT_TRUE(trial.dialogStored) << trial.dialogFailure;
        EXPECT_EQ(describe(trial.byDialog), describe(trial.byCommand));
        return;
    }
    if (!trial.dialogStored || trial.byDialog == trial.before) {
        return;
    }
    const auto kept = trial.byDialog.find(trial.name);
    EXPECT_TRUE(kept == trial.byDialog.end() || kept->second != trial.value) << *trial.refusal;
    std::vector<VezurAVUZ::SettingAssignment> back;
    for (const auto& [name, value] : trial.byDialog) {
        back.push_back(VezurAVUZ::SettingAssignment{Support::WideString(name), Support::WideString(value), false});
    }
    const std::optional<std::string> again = byCommand(back);
    EXPECT_FALSE(again.has_value()) << describe(trial.byDialog) << ": " << again.value_or("");
}

/// A test name from a trial's label: its letters and digits, and its index.
template <class Trial> std::string AgreementTrialName(const ::testing::TestParamInfo<Trial>& trial)
{
    std::string name;
    for (const char c : trial.param.label) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name + "_" + std::to_string(trial.index);
}

} // namespace Dravo::Test
