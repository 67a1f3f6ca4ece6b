#include "app/ConnectionTestCommand.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <utility>
#include <vector>

#include "app/ConfigurationToolApplication.h"
#include "app/JsonWriter.h"
#include "settings/StoredValueNotes.h"
#include "settings/DataSourceNameRefusal.h"
#include "driversupport/ConnectionDiagnosis.h"
#include "driversupport/FailureText.h"
#include "identity/ProductNames.h"
#include "platform/ModulePath.h"
#include "platform/OdbcDataSources.h"
#include "platform/TrustedCertificates.h"
#include "settings/DataSourceSection.h"
#include "settings/SOConnectionSettings.h"

namespace Dravo::VezurAVUZ {
namespace {

using DriverSupport::DiagnosisStatus;
using DriverSupport::DiagnosisStep;
using Support::WideString;
using Entries = std::vector<std::pair<WideString, WideString>>;

/// Why the test cannot start: the exit code and the message.
struct Refusal {
    int exitCode;
    std::string message;
};

void Put(Entries& entries, const WideString& name, const WideString& value)
{
    for (auto& [key, existing] : entries) {
        if (key.IsEqual(name, false)) {
            existing = value;
            return;
        }
    }
    entries.emplace_back(name, value);
}

const WideString* Find(const Entries& entries, std::u16string_view name)
{
    for (const auto& [key, value] : entries) {
        if (key.IsEqual(WideString(name), false)) {
            return &value;
        }
    }
    return nullptr;
}

/// The stored secret deciphered under the name a connection takes it by,
/// unless that name has a value of its own.
void Decipher(Entries& entries, std::u16string_view stored, std::u16string_view plain)
{
    const WideString* cipher = Find(entries, stored);
    if (!cipher || cipher->IsEmpty() || Find(entries, plain)) {
        return;
    }
    WideString value = *cipher;
    if (SOConnectionSettings::DecryptSetting(value)) {
        Put(entries, WideString(plain), value);
    }
}

DiagnosisStep SettingsStep(
    const std::vector<StoredValueNote>& notes, const std::string& where, const std::string& checkCommand)
{
    DiagnosisStep step;
    step.step = "settings";
    if (notes.empty()) {
        step.status = DiagnosisStatus::Ok;
        step.detail = "check finds nothing to report in " + where;
        return step;
    }
    step.status = DiagnosisStatus::Warning;
    step.detail = FormatNote(notes.front());
    if (notes.size() > 1) {
        step.detail += " (and " + std::to_string(notes.size() - 1) + " more)";
    }
    step.hint = checkCommand + " lists them; the dialog saves what it shows";
    return step;
}

std::string FormatSeconds(double seconds)
{
    char text[32];
    (void)std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

std::string FormatLine(const DiagnosisStep& step)
{
    std::string mark = DriverSupport::DiagnosisStatusWord(step.status);
    mark.resize(8, ' ');
    std::string line = mark + step.step + ": " + step.detail;
    if (!step.hint.empty()) {
        line += " -> " + step.hint;
    }
    if (step.status != DiagnosisStatus::Skipped) {
        line += " (" + FormatSeconds(step.seconds) + ")";
    }
    return line;
}

std::string FormatJson(const std::vector<DiagnosisStep>& steps)
{
    JsonWriter json;
    json.BeginObject().Key("ok").Bool(DriverSupport::DiagnosisPassed(steps)).Key("steps").BeginArray();
    for (const DiagnosisStep& step : steps) {
        json.BeginObject()
            .Key("step")
            .String(step.step)
            .Key("status")
            .String(DriverSupport::DiagnosisStatusWord(step.status))
            .Key("detail")
            .String(step.detail)
            .Key("hint")
            .String(step.hint)
            .Key("seconds")
            .Number(step.seconds, 3)
            .EndObject();
    }
    json.EndArray().EndObject();
    return json.GetText() + "\n";
}

} // namespace

ConnectionTestCommand::ConnectionTestCommand(
    std::string programName, const ProgramOptions& options, std::ostream& output, std::ostream& errors)
    : m_programName(std::move(programName)), m_options(options), m_output(output), m_errors(errors)
{
}

int ConnectionTestCommand::Run()
{
    const auto refuse = [this](const Refusal& refusal) {
        m_errors << m_programName << ": " << refusal.message << "\n";
        return refusal.exitCode;
    };
    Entries entries;
    std::vector<StoredValueNote> notes;
    std::string where = "the settings given";
    std::string checkCommand = m_programName + " check";
    WideString driver = GetDriverName();
    WideString name(u"");
    if (m_options.dataSourceName) {
        name = WideString(*m_options.dataSourceName);
        const std::u16string section = name.GetAsU16String();
        if (const auto why = OS::OdbcDataSources::WhyNameCannotBeKept(section)) {
            return refuse({EXIT_USAGE, "the data source name \"" + name.GetAsUTF8() + "\" cannot be used: " + *why});
        }
        if (CheckDataSourceNameCharacters(name) != DataSourceNameFault::None) {
            return refuse({EXIT_USAGE, DescribeRefusedDataSourceName(name).GetAsUTF8()});
        }
        const OS::DataSourceScope scope = m_options.dataSourceScope
            ? (*m_options.dataSourceScope == ProgramOptions::DataSourceScope::System ? OS::DataSourceScope::System
                                                                                     : OS::DataSourceScope::User)
            : OS::OdbcDataSources::Locate(section).value_or(OS::DataSourceScope::User);
        const std::string file = WideString(OS::OdbcDataSources::Describe(scope)).GetAsUTF8();
        if (!OS::OdbcDataSources::Holds(scope, section)) {
            return refuse({EXIT_SETTINGS_ERROR, "there is no data source named " + name.GetAsUTF8() + " in " + file});
        }
        OS::OdbcDataSources::UseScope(scope);
        try {
            entries = DataSourceSection(name).ReadEntries();
        } catch (...) {
            return refuse({EXIT_SETTINGS_ERROR,
                "the data source " + name.GetAsUTF8()
                    + " cannot be read: " + DriverSupport::DescribeCurrentException().text.GetAsUTF8()});
        }
        where = file + " [" + name.GetAsUTF8() + "]";
        checkCommand = m_programName + " --dsn " + name.GetAsUTF8() + " check";
        if (const WideString* named = Find(entries, u"Driver"); named && !named->IsEmpty()) {
            driver = *named;
        }
        std::erase_if(entries, [](const auto& entry) { return entry.first.IsEqual(WideString(u"Driver"), false); });
        notes = ReviewDataSource(entries, file, name);
    }
    Entries given;
    for (const std::string& word : m_options.settings.arguments) {
        const size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0) {
            return refuse({EXIT_USAGE, "'test' takes settings as NAME=VALUE, not '" + word + "'"});
        }
        Put(given, WideString(word.substr(0, equals)), WideString(word.substr(equals + 1)));
    }
    if (!given.empty()) {
        for (StoredValueNote& note : ReviewDataSource(given, "the command line", WideString(u"test"))) {
            note.place = "the command line";
            notes.push_back(std::move(note));
        }
        for (const auto& [key, value] : given) {
            if (key.IsEqual(WideString(u"Driver"), false)) {
                driver = value;
            } else {
                Put(entries, key, value);
            }
        }
    }
    Decipher(entries, u"EncryptedPWD", u"PWD");
    Decipher(entries, u"EncryptedClientPrivateKeyPWD", u"ClientPrivateKeyPassword");

    DriverSupport::DiagnosisRequest request;
    for (const auto& [key, value] : entries) {
        request.settings.emplace_back(key.GetAsUTF8(), value.GetAsUTF8());
    }
    request.driverName = driver.GetAsUTF8();
    request.dataSourceName = name.GetAsUTF8();
    request.timeoutSeconds = m_options.settings.timeoutSeconds;
    request.defaultTrustedCertificates =
        WideString(OS::GetDefaultTrustedCertificatesFile(driver.GetAsU16String(), u"")).GetAsUTF8();
    request.programFile = WideString(OS::GetModuleFilePath()).GetAsUTF8();

    DriverSupport::ConnectionDiagnosis diagnosis(std::move(request));
    const bool json = m_options.settings.json;
    const std::vector<DiagnosisStep> steps =
        diagnosis.Run(SettingsStep(notes, where, checkCommand), [this, json](const DiagnosisStep& step) {
            // Line by line as the steps end: a slow step shows where it is.
            if (!json) {
                m_output << FormatLine(step) << std::endl;
            }
        });
    if (json) {
        m_output << FormatJson(steps);
    }
    return DriverSupport::DiagnosisPassed(steps) ? 0 : EXIT_TEST_FAILED;
}

} // namespace Dravo::VezurAVUZ
