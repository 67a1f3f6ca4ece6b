#include "support/LogLevel.h"

#include <cmath>

#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace Dravo::Support {
namespace {

struct LevelNames {
    const char* setting;
    const char* digit;
    const char* enumerator;
    const char* line;
};

constexpr LevelNames LEVELS[] = {
    {"Off", "0", "LOG_OFF", "OFF  "},
    {"Fatal", "1", "LOG_FATAL", "FATAL"},
    {"Error", "2", "LOG_ERROR", "ERROR"},
    {"Warning", "3", "LOG_WARNING", "WARN "},
    {"Info", "4", "LOG_INFO", "INFO "},
    {"Debug", "5", "LOG_DEBUG", "DEBUG"},
    {"Trace", "6", "LOG_TRACE", "TRACE"},
};

bool IsInRange(int32_t level)
{
    return level >= 0 && level <= LOG_LEVEL_MAX;
}

char ToUpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(const std::string& a, size_t from, const char* b)
{
    size_t i = from;
    for (; *b != '\0'; ++b, ++i) {
        if (i >= a.size() || ToUpperAscii(a[i]) != ToUpperAscii(*b)) {
            return false;
        }
    }
    return i == a.size();
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void DropTrailingBlanks(std::string& text)
{
    while (!text.empty() && IsBlank(text.back())) {
        text.pop_back();
    }
}

} // namespace

const char* GetLogLevelLineName(int32_t level)
{
    return IsInRange(level) ? LEVELS[level].line : "UNKWN";
}

const char* GetLogLevelSettingName(int32_t level)
{
    return IsInRange(level) ? LEVELS[level].setting : nullptr;
}

const char* GetLogLevelEnumeratorText(int32_t level)
{
    return IsInRange(level) ? LEVELS[level].enumerator : nullptr;
}

int32_t ParseLogLevel(const std::string& text)
{
    // The names are compared without a "LOG_" prefix, the digits with it, so
    // "LOG_5" is not a digit and falls through to the number reading below.
    const size_t nameStart = (text.size() > 4 && EqualsIgnoringCase(text.substr(0, 4), 0, "LOG_")) ? 4 : 0;
    for (int32_t level = 0; level <= LOG_LEVEL_MAX; ++level) {
        if (EqualsIgnoringCase(text, nameStart, LEVELS[level].setting)
            || EqualsIgnoringCase(text, 0, LEVELS[level].digit)) {
            return level;
        }
    }
    if (text.empty()) {
        return 0;
    }
    try {
        const int32_t level = NumberConverter::ConvertStringToInt32(text);
        return level < 0 ? 0 : (level > LOG_LEVEL_MAX ? LOG_LEVEL_MAX : level);
    } catch (const ErrorException&) {
        return 0;
    }
}

uint32_t ParseMaxLogFileSize(const std::string& text)
{
    if (text.empty()) {
        return DEFAULT_MAX_LOG_FILE_SIZE;
    }
    std::string number = text;
    DropTrailingBlanks(number);
    if (!number.empty() && (number.back() == 'b' || number.back() == 'B')) {
        number.pop_back();
    }
    double unit = 1.0;
    if (!number.empty()) {
        switch (number.back()) {
        case 'K':
        case 'k':
            unit = 1024.0;
            break;
        case 'M':
        case 'm':
            unit = 1048576.0;
            break;
        case 'G':
        case 'g':
            unit = 1073741824.0;
            break;
        default:
            break;
        }
        if (unit != 1.0) {
            number.pop_back();
        }
    }
    DropTrailingBlanks(number);
    if (number.empty()) {
        return DEFAULT_MAX_LOG_FILE_SIZE;
    }
    double value = 0.0;
    try {
        value = NumberConverter::ConvertStringToDouble(number);
    } catch (const ErrorException&) {
        return DEFAULT_MAX_LOG_FILE_SIZE;
    }
    // NaN is no size; converting it to an integer would be undefined.
    if (std::isnan(value) || value < 0.0) {
        return DEFAULT_MAX_LOG_FILE_SIZE;
    }
    constexpr double MAX_SIZE = 4294967295.0;
    if (value > MAX_SIZE / unit) {
        return 4294967295U;
    }
    // Rounding may land on 2^32 itself, which no longer fits.
    const double bytes = value * unit;
    return bytes >= MAX_SIZE ? 4294967295U : static_cast<uint32_t>(bytes);
}

uint32_t ParseLogFileCount(const std::string& text)
{
    if (text.empty()) {
        return DEFAULT_LOG_FILE_COUNT;
    }
    try {
        const uint32_t count = NumberConverter::ConvertStringToUInt32(text);
        return count == 0 ? DEFAULT_LOG_FILE_COUNT : count;
    } catch (const ErrorException&) {
        return DEFAULT_LOG_FILE_COUNT;
    }
}

} // namespace Dravo::Support
