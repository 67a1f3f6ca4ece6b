// The one place OpenSSL is started: without its configuration file, which the
// environment could name and so choose code for a program run as root.
#pragma once

namespace Dravo::Support {

/// Starts libcrypto once, reading no configuration file; safe to call from
/// any thread, any number of times.
void StartOpenSslWithoutConfigFile();

} // namespace Dravo::Support
