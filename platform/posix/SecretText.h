// Whether the text of an ini file or a hive holds a password, so that a new
// file for it is made private. Private to platform/.
#pragma once

#include <string_view>

namespace Dravo::OS {

/// True when a line sets a value whose name holds "PWD" or "PASSWORD"
/// (either case) to something not empty: "EncryptedPWD=_A1..." in an ini
/// file, "\"EncryptedPWD\"=\"_A1...\"" in a hive.
[[nodiscard]] bool TextHoldsSecret(std::string_view text);

} // namespace Dravo::OS
