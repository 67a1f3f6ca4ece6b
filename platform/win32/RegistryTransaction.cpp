// On Windows the driver reads the registry value by value, and the product
// writes it so: a transaction holds nothing back. (Transacted registry calls
// would need every open of the save to go through them, and Wine, where the
// Windows build is tested, only pretends to support them.)
#include "platform/RegistryTransaction.h"

namespace Dravo::OS {

RegistryTransaction::RegistryTransaction() = default;

RegistryTransaction::~RegistryTransaction() = default;

ErrorCode RegistryTransaction::Commit()
{
    return ERROR_SUCCESS_CODE;
}

} // namespace Dravo::OS
