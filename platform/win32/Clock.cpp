// The wall clock on Windows.
#include "platform/Clock.h"

#include <windows.h>

namespace Dravo::OS {

LocalTime GetLocalTime()
{
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

} // namespace Dravo::OS
