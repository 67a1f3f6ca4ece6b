// Texts of the program's string table by id, with the growth and fall-back
// rules of the platform's string-loading call.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "support/WideString.h"

namespace Dravo::Support {

/// A string-loading call with the platform's contract: copies at most
/// size - 1 units and a terminating zero into buffer and returns the units
/// copied, or 0 when there is no such string.
using StringLoader = std::function<int32_t(uint32_t id, char16_t* buffer, int32_t size)>;

/// The text of a string-table entry, or "Error loading the string." when
/// there is none. Never raises.
WideString LoadResourceString(uint32_t id);
/// The same through another loader.
WideString LoadResourceString(uint32_t id, const StringLoader& loader);

/// The text of a string-table entry with "%1", "%2"... replaced by the
/// arguments in order, in one pass (an argument holding "%2" stays as it is).
WideString FormatResourceString(uint32_t id, std::initializer_list<WideString> arguments);

/// Raises ErrorException "DSStringResourceError" (component 110) naming the
/// id, for a text that a dialog cannot do without.
[[noreturn]] void RaiseStringResourceError(uint32_t id);
/// The text of a string-table entry that a dialog cannot do without; raises
/// as RaiseStringResourceError when there is none.
WideString LoadRequiredResourceString(uint32_t id);

} // namespace Dravo::Support
