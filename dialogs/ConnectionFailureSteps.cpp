#include "dialogs/ConnectionFailureSteps.h"

#include "driversupport/ConnectionDiagnosis.h"
#include "platform/ModulePath.h"
#include "platform/TrustedCertificates.h"

namespace Dravo::VezurAVUZ {

DriverSupport::DSFailureSteps MakeConnectionFailureSteps(
    const Support::WideString& driverName, const Support::WideString& dataSourceName)
{
    return [driverName, dataSourceName](const DriverSupport::DSConnectionSettingsMap& settings) {
        DriverSupport::DiagnosisRequest request;
        for (const auto& [key, setting] : settings) {
            request.settings.emplace_back(key.GetAsUTF8(), setting.value.GetAsUTF8());
        }
        request.driverName = driverName.GetAsUTF8();
        request.dataSourceName = dataSourceName.GetAsUTF8();
        request.defaultTrustedCertificates =
            Support::WideString(OS::GetDefaultTrustedCertificatesFile(driverName.GetAsU16String(), u"")).GetAsUTF8();
        request.programFile = Support::WideString(OS::GetModuleFilePath()).GetAsUTF8();
        // The driver has just been tried: its message is above.
        request.runDriverTest = false;
        DriverSupport::DiagnosisStep settingsStep;
        settingsStep.step = "settings";
        settingsStep.detail = "the dialog's own";
        DriverSupport::ConnectionDiagnosis diagnosis(std::move(request));
        Support::WideString text(u"");
        for (const DriverSupport::DiagnosisStep& step : diagnosis.Run(settingsStep)) {
            if (step.status != DriverSupport::DiagnosisStatus::Failed) {
                continue;
            }
            text += Support::WideString("\r\n" + step.step + ": " + step.detail);
            if (!step.hint.empty()) {
                text += Support::WideString("\r\n    -> " + step.hint);
            }
        }
        return text.IsEmpty() ? text : Support::WideString(u"\r\n\r\nFailed steps:") + text;
    };
}

} // namespace Dravo::VezurAVUZ
