// The diagnostic states that errors carry (indices into the ODBC SQLSTATE
// table) and the support library's own error table, which gives each support
// error id its diagnostic state and message key.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Dravo::Support {

inline constexpr int32_t SQLSTATE_COUNT = 107;

/// The five-character SQLSTATE of a diagnostic state, or nullptr outside the table.
const char* GetSqlState(int32_t diagState);

struct SupportError {
    int32_t id;
    int32_t diagState;
    const char16_t* messageKey;
};

inline constexpr int32_t SUPPORT_ERROR_COUNT = 67;

// The entries this program raises.
inline constexpr int32_t SUPPORT_ERROR_INVALID_ARGUMENT = 32;
inline constexpr int32_t SUPPORT_ERROR_INVALID_OPERATION = 34;

/// The entry of a support error id, or nullptr outside 0..66.
const SupportError* GetSupportError(int32_t id);

} // namespace Dravo::Support
