// The connection diagnosis: a data source's connection checked layer by layer
// (the driver library, ZooKeeper's list of servers, the name, TCP, TLS, the
// Kerberos tickets, the Thrift transport, then the driver itself), each step
// ending ok, warning, failed or skipped with why, and a failed step carrying
// the setting to change. Steps that depend on a failed one are skipped. Every
// network wait, the KDC's included, ends at one deadline, the timeout after
// the network steps began; the driver's own test has a bound of its own.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driversupport/DiagnosisStep.h"

namespace Dravo::DriverSupport {

struct DiagnosisRequest {
    /// The data source's settings as the driver reads them (UTF-8), the
    /// passwords deciphered: "PWD" and "ClientPrivateKeyPassword".
    std::vector<std::pair<std::string, std::string>> settings;
    /// The driver's entry name in the installer's list, or a library path.
    std::string driverName;
    /// The data source the driver test names; empty for settings alone.
    std::string dataSourceName;
    /// Seconds for the network steps; nothing takes SocketTimeout, else 10.
    std::optional<double> timeoutSeconds;
    /// The trusted certificates when TrustedCerts is empty.
    std::string defaultTrustedCertificates;
    /// The program file whose word size and machine a driver must share.
    std::string programFile;
    /// False leaves the driver test out (the caller has just run it).
    bool runDriverTest = true;
};

class ConnectionDiagnosis {
public:
    explicit ConnectionDiagnosis(DiagnosisRequest request);
    ConnectionDiagnosis(const ConnectionDiagnosis&) = delete;
    ConnectionDiagnosis& operator=(const ConnectionDiagnosis&) = delete;
    ~ConnectionDiagnosis();

    /// Runs every step after SETTINGS (the caller's review of the stored
    /// values, which comes first); ON_STEP sees each as it ends.
    std::vector<DiagnosisStep> Run(
        const DiagnosisStep& settings, const std::function<void(const DiagnosisStep&)>& onStep = {});

    /// The seconds the network steps may take.
    [[nodiscard]] double GetTimeoutSeconds() const;

private:
    DiagnosisRequest m_request;
};

/// True when no step failed.
[[nodiscard]] bool DiagnosisPassed(const std::vector<DiagnosisStep>& steps);

} // namespace Dravo::DriverSupport
