// Log levels with their names, and the readers that turn the logging
// settings' texts into a level, a maximum file size and a file count. The
// texts come from the registry and from the logging dialog, so every reader
// accepts any text and falls back to a default instead of raising.
#pragma once

#include <cstdint>
#include <string>

namespace Dravo::Support {

/// A logger logs a message when the message's level is not above its
/// threshold, so Off logs nothing.
enum class LogLevel : int32_t {
    Off = 0,
    Fatal = 1,
    Error = 2,
    Warning = 3,
    Info = 4,
    Debug = 5,
    Trace = 6,
};

inline constexpr int32_t LOG_LEVEL_MAX = 6;

/// The five-character name in log lines ("OFF  ", "FATAL", ..., "TRACE"), or
/// "UNKWN" outside 0..6.
const char* GetLogLevelLineName(int32_t level);
/// The name a setting may hold ("Off", "Fatal", ..., "Trace"); nullptr outside 0..6.
const char* GetLogLevelSettingName(int32_t level);
/// The enumerator text the logging dialog shows ("LOG_OFF", ..., "LOG_TRACE");
/// nullptr outside 0..6.
const char* GetLogLevelEnumeratorText(int32_t level);

/// A level from a setting: a name with or without "LOG_" (any case), a digit
/// 0..6, or a number (negative gives 0, above 6 gives 6); anything else gives 0.
int32_t ParseLogLevel(const std::string& text);

inline constexpr uint32_t DEFAULT_MAX_LOG_FILE_SIZE = 20971520;
inline constexpr uint32_t DEFAULT_LOG_FILE_COUNT = 50;

/// Bytes from a size text such as "10M", "10 MB", "1.5K" or "4096"; texts that
/// are not a non-negative number give 20 MiB, sizes beyond 32 bits give
/// 4294967295. 0 means the file is never rotated.
uint32_t ParseMaxLogFileSize(const std::string& text);
/// A file count from a decimal text; empty, 0 or not a number gives 50.
uint32_t ParseLogFileCount(const std::string& text);

} // namespace Dravo::Support
