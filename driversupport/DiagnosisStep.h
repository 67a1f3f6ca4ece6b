// One step of the connection diagnosis as it is reported: what was checked,
// how it ended, what was found, what to change.
#pragma once

#include <string>

namespace Dravo::DriverSupport {

enum class DiagnosisStatus { Ok, Warning, Failed, Skipped };

/// "ok", "warning", "failed", "skipped": the words of the reports.
[[nodiscard]] const char* DiagnosisStatusWord(DiagnosisStatus status);

struct DiagnosisStep {
    /// "settings", "driver", "discovery", "name", "connect", "tls", "kerberos",
    /// "transport", "driver test".
    std::string step;
    DiagnosisStatus status = DiagnosisStatus::Skipped;
    /// What was found; for a skipped step, why it was skipped. Never a password.
    std::string detail;
    /// One line on what to change; empty unless the step failed or warns.
    std::string hint;
    double seconds = 0;
};

} // namespace Dravo::DriverSupport
