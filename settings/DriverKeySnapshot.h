// Every value under the driver key, read once per process: the driver-wide
// settings and property sets load from it. Values written later are not seen.
#pragma once

#include <memory>
#include <string>

#include "driversupport/DSDriverRegistry.h"
#include "platform/SystemError.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

class DriverKeySnapshot {
public:
    /// The process-wide snapshot, read on first use under its own lock.
    [[nodiscard]] static std::shared_ptr<const DriverKeySnapshot> Get();
    /// Test-only: forgets the snapshot, so that the next Get reads the driver
    /// key again. Tests run many scenarios in one process; the tool never
    /// calls this.
    static void ResetForTesting();

    /// Reads the driver key now.
    [[nodiscard]] static std::shared_ptr<const DriverKeySnapshot> Read();

    /// Value name -> text, names compared without regard to case.
    [[nodiscard]] const DriverSupport::DSRegistryValueMap& GetValues() const { return m_values; }
    /// The value of a name, or nullptr.
    [[nodiscard]] const Support::WideString* Find(const Support::WideString& name) const;

    /// 0 when the key was read or does not exist; otherwise the Windows error
    /// that kept it from being read (a hive that does not parse, a hive the
    /// user may not read), with the registry's account of it.
    [[nodiscard]] OS::ErrorCode GetReadError() const { return m_readError; }
    [[nodiscard]] const std::string& GetReadDiagnostic() const { return m_readDiagnostic; }

private:
    DriverSupport::DSRegistryValueMap m_values;
    OS::ErrorCode m_readError = OS::ERROR_SUCCESS_CODE;
    std::string m_readDiagnostic;
};

} // namespace Dravo::VezurAVUZ
