#include "support/OpenSslStart.h"

#include <openssl/crypto.h>

namespace Dravo::Support {

void StartOpenSslWithoutConfigFile()
{
    (void)OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
}

} // namespace Dravo::Support
