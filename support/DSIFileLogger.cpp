#include "support/DSIFileLogger.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/Clock.h"
#include "platform/Thread.h"
#include "support/DSISettings.h"
#include "support/LogLevel.h"
#include "support/MessageSource.h"

namespace Dravo::Support {
namespace {

constexpr const char* MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

constexpr size_t LINE_RESERVE = 256;

// Names become part of a printf format; a "%" in one must print as itself.
void AppendLiteral(std::string& line, const char* text)
{
    for (const char* c = text ? text : ""; *c != '\0'; ++c) {
        line.push_back(*c);
        if (*c == '%') {
            line.push_back('%');
        }
    }
}

} // namespace

LogSettings LogSettings::FromSupportSettings()
{
    LogSettings settings;
    settings.locale = GetDriverLocale();
    DSISettings* cache = DSISettings::Get();
    if (!cache) {
        return settings;
    }
    try {
        settings.level = cache->GetLogLevel();
        settings.logNamespace = cache->GetLogNamespace();
        settings.directory = cache->GetLogDirectory();
        if (settings.directory.empty()) {
            // No folder to put it in: nothing is logged.
            settings.level = 0;
        }
        settings.maxFileSize = cache->GetMaxLogFileSize();
        settings.fileCount = cache->GetLogFileCount();
    } catch (const ErrorException&) {
        settings = LogSettings();
        settings.locale = GetDriverLocale();
    }
    return settings;
}

std::string FormatLogTimestamp()
{
    const OS::LocalTime now = OS::GetLocalTime();
    const char* month = (now.month >= 1 && now.month <= 12) ? MONTHS[now.month - 1] : "???";
    char text[32];
    std::snprintf(text, sizeof text, "%s %02d %02d:%02d:%02d.%03d", month, now.day, now.hour, now.minute, now.second,
        now.millisecond);
    return text;
}

DSIFileLogger::DSIFileLogger(const WideString& fileName) : DSIFileLogger(fileName, LogSettings::FromSupportSettings())
{
}

DSIFileLogger::DSIFileLogger(const WideString& fileName, const LogSettings& settings)
    : m_level(settings.level), m_logNamespace(settings.logNamespace), m_locale(settings.locale),
      m_logFile(std::make_unique<RotatingLogFile>(
          WideString(settings.directory) + fileName, settings.maxFileSize, settings.fileCount))
{
}

DSIFileLogger::~DSIFileLogger() = default;

std::unique_ptr<DSIFileLogger> DSIFileLogger::CreateOrLogNothing(const WideString& fileName, std::string& failure)
{
    failure.clear();
    try {
        return std::make_unique<DSIFileLogger>(fileName);
    } catch (const ErrorException& error) {
        failure = error.GetUnformattedText().GetAsUTF8();
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "an error of unknown kind";
    }
    // Level 0: nothing is written, so nothing can fail.
    LogSettings silent;
    silent.level = 0;
    return std::make_unique<DSIFileLogger>(fileName, silent);
}

void DSIFileLogger::HoldFallbackLines()
{
    std::lock_guard guard(m_fallbackLock);
    m_holdFallback = true;
}

bool DSIFileLogger::DropWhileHeld()
{
    std::lock_guard guard(m_fallbackLock);
    if (!m_holdFallback) {
        return false;
    }
    if (m_droppedLines++ == 0) {
        m_dropReason = m_logFile->GetFailure();
    }
    return true;
}

std::optional<std::string> DSIFileLogger::ReleaseFallbackLines()
{
    std::lock_guard guard(m_fallbackLock);
    m_holdFallback = false;
    if (m_droppedLines == 0) {
        return std::nullopt;
    }
    std::string reason = m_dropReason;
    if (!reason.empty() && reason.back() == '.') {
        reason.pop_back();
    }
    std::string text = "the log file " + m_logFile->GetFileName(0).GetAsUTF8() + " cannot be written: " + reason + ". "
        + std::to_string(m_droppedLines)
        + (m_droppedLines == 1 ? " line of the log was lost." : " lines of the log were lost.");
    m_droppedLines = 0;
    m_dropReason.clear();
    return text;
}

std::string DSIFileLogger::GetLocale() const
{
    return m_locale;
}

int32_t DSIFileLogger::GetLogLevel() const
{
    return m_level;
}

void DSIFileLogger::LogDebug(
    const char* logNamespace, const char* className, const char* functionName, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    LogMessage(static_cast<int32_t>(LogLevel::Debug), logNamespace, className, functionName, format, arguments);
    va_end(arguments);
}

void DSIFileLogger::LogError(
    const char* logNamespace, const char* className, const char* functionName, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    LogMessage(static_cast<int32_t>(LogLevel::Error), logNamespace, className, functionName, format, arguments);
    va_end(arguments);
}

void DSIFileLogger::LogFatal(
    const char* logNamespace, const char* className, const char* functionName, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    LogMessage(static_cast<int32_t>(LogLevel::Fatal), logNamespace, className, functionName, format, arguments);
    va_end(arguments);
}

void DSIFileLogger::LogInfo(
    const char* logNamespace, const char* className, const char* functionName, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    LogMessage(static_cast<int32_t>(LogLevel::Info), logNamespace, className, functionName, format, arguments);
    va_end(arguments);
}

void DSIFileLogger::LogTrace(
    const char* logNamespace, const char* className, const char* functionName, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    LogMessage(static_cast<int32_t>(LogLevel::Trace), logNamespace, className, functionName, format, arguments);
    va_end(arguments);
}

void DSIFileLogger::LogWarning(
    const char* logNamespace, const char* className, const char* functionName, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    LogMessage(static_cast<int32_t>(LogLevel::Warning), logNamespace, className, functionName, format, arguments);
    va_end(arguments);
}

void DSIFileLogger::Log(
    int32_t level, const char* logNamespace, const char* className, const char* functionName, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    LogMessage(level, logNamespace, className, functionName, format, arguments);
    va_end(arguments);
}

void DSIFileLogger::LogErrorException(
    const char* logNamespace, const char* className, const char* functionName, const ErrorException& exception)
{
    if (!Passes(static_cast<int32_t>(LogLevel::Error), logNamespace)) {
        return;
    }
    WideString text;
    if (IMessageSource* source = GetProcessMessageSource()) {
        // Formatting replaces the key, so it works on a copy.
        ErrorException copy(exception);
        text = copy.GetMessageText(source, m_locale);
    } else {
        text = exception.GetUnformattedText();
    }
    Log(static_cast<int32_t>(LogLevel::Error), logNamespace, className, functionName, "%s", text.GetAsUTF8().c_str());
}

void DSIFileLogger::LogFunctionEntrance(const char* logNamespace, const char* className, const char* functionName)
{
    Log(static_cast<int32_t>(LogLevel::Trace), logNamespace, className, functionName, "+++++ enter +++++");
}

void DSIFileLogger::SetLogNamespace(const std::string& logNamespace)
{
    m_logNamespace = logNamespace;
}

void DSIFileLogger::SetLogLevel(int32_t level)
{
    m_level = level;
}

bool DSIFileLogger::Passes(int32_t level, const char* logNamespace) const
{
    if (level > m_level) {
        return false;
    }
    const char* name = logNamespace ? logNamespace : "";
    return std::strncmp(name, m_logNamespace.c_str(), m_logNamespace.size()) == 0;
}

void DSIFileLogger::LogMessage(int32_t level, const char* logNamespace, const char* className, const char* functionName,
    const char* format, va_list arguments)
{
    if (!Passes(level, logNamespace)) {
        return;
    }
    std::string lineFormat = BuildLinePrefix(level, className, functionName);
    lineFormat.append(format ? format : "");
    // The caller's format is checked at its call site; the prefix before it
    // holds no conversion, since every "%" in it is doubled.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    va_list forFile;
    va_copy(forFile, arguments);
    const bool written = m_logFile->WriteLine(lineFormat.c_str(), forFile);
    va_end(forFile);
    if (!written && !DropWhileHeld()) {
        std::vfprintf(stderr, lineFormat.c_str(), arguments);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
#pragma GCC diagnostic pop
}

std::string DSIFileLogger::BuildLinePrefix(int32_t level, const char* className, const char* functionName) const
{
    std::string line;
    line.reserve(LINE_RESERVE);
    line.append(FormatLogTimestamp());
    line.push_back(' ');
    line.append(GetLogLevelLineName(level));
    line.push_back(' ');
    line.append(std::to_string(OS::GetCurrentThreadId()));
    line.push_back(' ');
    AppendLiteral(line, className);
    line.append("::");
    AppendLiteral(line, functionName);
    line.append(": ");
    return line;
}

} // namespace Dravo::Support
