// Transactions over the driver configuration file; the changes are held by
// posix/DriverConfigurationFile until Commit.
#include "platform/RegistryTransaction.h"

#include "platform/posix/DriverConfigurationFile.h"
#include "platform/posix/HiveFile.h"

namespace Dravo::OS {

RegistryTransaction::RegistryTransaction() : m_owner(PendingConfigurationChanges::Begin()) {}

RegistryTransaction::~RegistryTransaction()
{
    if (m_owner) {
        static_cast<void>(PendingConfigurationChanges::End());
    }
}

ErrorCode RegistryTransaction::Commit()
{
    ClearRegistryDiagnostic();
    if (!m_owner) {
        return ERROR_SUCCESS_CODE;
    }
    m_owner = false;
    for (const auto& [path, changes] : PendingConfigurationChanges::End()) {
        // The file that held the changes back made them, so it is there.
        DriverConfigurationFile* file = DriverConfigurationFile::Existing(path);
        if (!file) {
            continue;
        }
        if (const ErrorCode committed = file->Commit(changes); committed != ERROR_SUCCESS_CODE) {
            return committed;
        }
    }
    return ERROR_SUCCESS_CODE;
}

} // namespace Dravo::OS
