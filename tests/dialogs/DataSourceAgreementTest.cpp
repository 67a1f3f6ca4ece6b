// A data source's texts, port and property lists at their edges, given once
// as the command line gives them (its session applies and saves) and once
// through the data-source dialog (saved as its OK saves), on the real ODBC
// installer's files: where the command line takes a value the dialog stores
// the same; where it refuses one the dialog stores nothing, or something the
// command line takes back.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/SOConfigurationDialog.h"
#include "platform/Registry.h"
#include "resources/ControlIds.h"
#include "settings/DriverKeySnapshot.h"
#include "settings/SettingRules.h"
#include "settings/SettingsSession.h"
#include "support/DSIFileLogger.h"
#include "tests/common/HeadlessRun.h"
#include "tests/common/OdbcIniDirectory.h"
#include "tests/dialogs/AgreementVerdict.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;
using Entries = std::map<std::string, std::string>;

struct SectionTrial {
    std::string label;
    /// The command line's NAME=VALUE.
    std::string name;
    std::string value;
    /// What a user does in the data-source dialog; ends with its OK.
    std::string script;
    /// The entries compared: those whose names begin with it, in any case.
    std::string family;
};

void PrintTo(const SectionTrial& trial, std::ostream* out)
{
    *out << trial.label;
}

std::string Click(int32_t id)
{
    return "click " + std::to_string(id) + "\n";
}

std::string Type(int32_t id, const std::string& text)
{
    return "type " + std::to_string(id) + " " + text + "\n";
}

std::vector<SectionTrial> SectionTrials()
{
    using namespace Resources;
    std::vector<SectionTrial> trials;
    for (const std::string& text :
        std::vector<std::string>{"spark.example", " spark.example ", std::string(1200, 'x')}) {
        const std::string label = text.size() > 40 ? "Long" : text;
        trials.push_back(
            {"Description=" + label, "DESCRIPTION", text, Type(IDC_MAIN_DESCRIPTION, text) + Click(1), "DESCRIPTION"});
        trials.push_back({"Host=" + label, "Host", text, Type(IDC_MAIN_HOST, text) + Click(1), "Host"});
    }
    for (const std::string port : {"10001", "010001", "+10001", " 10001 "}) {
        trials.push_back({"Port=" + port, "Port", port, Type(IDC_MAIN_PORT, port) + Click(1), "Port"});
    }

    // Property lists: Add... with the name and value typed, then the OKs.
    const auto add = [](const std::string& name, const std::string& value) {
        return Click(IDC_PROPERTY_ADD) + Type(IDC_EDIT_PROPERTY_KEY, name) + Type(IDC_EDIT_PROPERTY_VALUE, value)
            + Click(1);
    };
    struct Edge {
        const char* label;
        std::string name;
        std::string value;
    };
    const Edge edges[] = {{"Plain", "Timeout", "30"}, {"Equals", "a=b", "c"}, {"OpenBracket", "[x", "1"},
        {"OuterBlanks", " a ", "1"}, {"ValueBlanks", "a", " 1 "}, {"ValueEquals", "a", "b=c"},
        {"LongValue", "a", std::string(1200, 'v')}};
    for (const Edge& edge : edges) {
        trials.push_back({std::string("SSP_") + edge.label, "SSP_" + edge.name, edge.value,
            Click(IDC_MAIN_ADVANCED_OPTIONS) + Click(IDC_ADVANCED_SERVER_SIDE_PROPERTIES) + add(edge.name, edge.value)
                + Click(1) + Click(1) + Click(1),
            "SSP_"});
        trials.push_back({std::string("http.header.") + edge.label, "http.header." + edge.name, edge.value,
            Click(IDC_MAIN_HTTP_OPTIONS) + add(edge.name, edge.value) + Click(1) + Click(1), "http.header."});
    }
    return trials;
}

class DataSourceAgreementTest : public ::testing::TestWithParam<SectionTrial> {
protected:
    DataSourceAgreementTest()
    {
        OS::SetRegistryRoot(m_ini.Path().string());
        DriverKeySnapshot::ResetForTesting();
    }
    ~DataSourceAgreementTest() override
    {
        DriverKeySnapshot::ResetForTesting();
        OS::SetRegistryRoot("");
    }

    /// User name and password over HTTP: every dialog of the trials is open.
    void WriteDataSource()
    {
        m_ini.WriteFile("odbc.ini",
            "[ODBC Data Sources]\nSample=" + std::string(Dravo::Test::OdbcIniDirectory::PRODUCT_DRIVER)
                + "\n\n[Sample]\nDriver=" + Dravo::Test::OdbcIniDirectory::PRODUCT_DRIVER
                + "\nHost=spark.example.com\nPort=10000\nSparkServerType=3\nAuthMech=3\nThriftTransport=2\n");
    }

    /// The section's entries of the trial's family, an empty one as none.
    Entries Family(const std::string& family) const
    {
        Entries entries;
        for (const auto& [name, value] : Dravo::Test::OdbcIniDirectory::Section(m_ini.OdbcIni(), "Sample")) {
            if (!value.empty() && name.size() >= family.size()
                && IsSameSettingName(WideString(name.substr(0, family.size())), WideString(family))) {
                entries[name] = value;
            }
        }
        return entries;
    }

    /// The command line's set: nothing when it was refused, else what it saved.
    std::optional<std::string> ByCommand(std::vector<SettingAssignment> assignments)
    {
        try {
            DataSourceSession session(m_logger, WideString(u"Sample"));
            session.Open(std::nullopt);
            (void)session.Apply(assignments, false);
            session.Save();
        } catch (const std::exception& failure) {
            return std::string(failure.what());
        }
        return std::nullopt;
    }

    static std::string Describe(const Entries& entries)
    {
        std::string text;
        for (const auto& [name, value] : entries) {
            text += name + "=" + (value.size() > 40 ? value.substr(0, 40) + "..." : value) + "; ";
        }
        return text;
    }

    Dravo::Test::OdbcIniDirectory m_ini;
    Support::DSIFileLogger m_logger{WideString(u"agreement.log"), Support::LogSettings{}};
};

TEST_P(DataSourceAgreementTest, TheDialogStoresWhatTheCommandLineTakes)
{
    const SectionTrial& trial = GetParam();

    WriteDataSource();
    const std::optional<std::string> refusal =
        ByCommand({SettingAssignment{WideString(trial.name), WideString(trial.value), false}});
    const Entries byCommand = Family(trial.family);

    WriteDataSource();
    const Entries before = Family(trial.family);
    DataSourceSession session(m_logger, WideString(u"Sample"));
    session.Open(std::nullopt);
    SOConfigurationDialog dialog(session.GetSettings(), WideString(u"DSN Setup"));
    const Dravo::Test::HeadlessRun run = Dravo::Test::RunHeadless(
        trial.script, [&](UI::DialogSystem& system) { return dialog.DoModal(system, nullptr); });
    bool dialogStored = run.error.empty() && run.result == 1;
    std::string saveFailure;
    if (dialogStored) {
        try {
            session.SaveAsDialog();
        } catch (const std::exception& failure) {
            // Refused by the save, after OK: nothing was stored.
            saveFailure = failure.what();
            dialogStored = false;
        }
    }
    Dravo::Test::AgreementTrial<Entries> verdict{refusal, byCommand, before, Family(trial.family), dialogStored,
        trial.name, trial.value, run.error + run.transcript + saveFailure};
    Dravo::Test::ExpectAgreement<Entries>(
        verdict, [this](const std::vector<SettingAssignment>& back) { return ByCommand(back); }, Describe);
}

INSTANTIATE_TEST_SUITE_P(DataSource, DataSourceAgreementTest, ::testing::ValuesIn(SectionTrials()),
    Dravo::Test::AgreementTrialName<SectionTrial>);

} // namespace
} // namespace Dravo::VezurAVUZ
