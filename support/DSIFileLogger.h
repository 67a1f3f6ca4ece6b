// The tool's logger: printf-style messages at seven levels, filtered by level
// and namespace, each written as one line with a time stamp, the level, the
// thread and class::function, into a rotating log file (or standard error
// while the file cannot be written).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "support/ErrorException.h"
#include "support/RotatingLogFile.h"
#include "support/WideString.h"

namespace Dravo::Support {

/// What a logger is set up with.
struct LogSettings {
    int32_t level = 0;
    std::string logNamespace;
    /// Directory ending with a separator; the file name is appended.
    std::string directory = "./";
    uint32_t maxFileSize = 20971520;
    uint32_t fileCount = 50;
    std::string locale = "en-US";

    /// The support settings cache's values, or the defaults where the cache
    /// is absent or its key cannot be read: logging must never stop the tool.
    static LogSettings FromSupportSettings();
};

class DSIFileLogger {
public:
    /// A log file of this name in the configured log directory, with the
    /// configured level, namespace filter, size and count.
    explicit DSIFileLogger(const WideString& fileName);
    /// A log file of this name in settings.directory.
    DSIFileLogger(const WideString& fileName, const LogSettings& settings);
    DSIFileLogger(const DSIFileLogger&) = delete;
    DSIFileLogger& operator=(const DSIFileLogger&) = delete;
    virtual ~DSIFileLogger();

    /// The logger as the first constructor sets it up; when that fails,
    /// whatever the stored settings hold, a logger that logs nothing, and
    /// failure says why. Logging never keeps the tool from starting.
    static std::unique_ptr<DSIFileLogger> CreateOrLogNothing(const WideString& fileName, std::string& failure);

    /// While the dialogs own the terminal that standard error may be, lines
    /// the log file cannot take are counted and dropped instead of written
    /// there.
    void HoldFallbackLines();
    /// Ends holding. When lines were dropped, the one message that tells the
    /// user: the log file, the system's reason and how many lines were lost.
    std::optional<std::string> ReleaseFallbackLines();

    [[nodiscard]] virtual std::string GetLocale() const;
    [[nodiscard]] virtual int32_t GetLogLevel() const;

    // Per-level messages: namespace, class and function name, printf format.
    virtual void LogDebug(const char* logNamespace, const char* className, const char* functionName, const char* format,
        ...) __attribute__((format(printf, 5, 6)));
    virtual void LogError(const char* logNamespace, const char* className, const char* functionName, const char* format,
        ...) __attribute__((format(printf, 5, 6)));
    /// The exception's text at the error level: formatted through the
    /// process-wide message source when there is one, unformatted otherwise.
    virtual void LogErrorException(
        const char* logNamespace, const char* className, const char* functionName, const ErrorException& exception);
    virtual void LogFatal(const char* logNamespace, const char* className, const char* functionName, const char* format,
        ...) __attribute__((format(printf, 5, 6)));
    /// "+++++ enter +++++" at the trace level.
    virtual void LogFunctionEntrance(const char* logNamespace, const char* className, const char* functionName);
    virtual void LogInfo(const char* logNamespace, const char* className, const char* functionName, const char* format,
        ...) __attribute__((format(printf, 5, 6)));
    virtual void LogTrace(const char* logNamespace, const char* className, const char* functionName, const char* format,
        ...) __attribute__((format(printf, 5, 6)));
    virtual void LogWarning(const char* logNamespace, const char* className, const char* functionName,
        const char* format, ...) __attribute__((format(printf, 5, 6)));
    /// Only namespaces that start with this text are logged; empty logs all.
    virtual void SetLogNamespace(const std::string& logNamespace);
    virtual void SetLogLevel(int32_t level);
    /// Logs when level is not above the threshold and the namespace passes
    /// the filter.
    virtual void LogMessage(int32_t level, const char* logNamespace, const char* className, const char* functionName,
        const char* format, va_list arguments) __attribute__((format(printf, 6, 0)));
    /// "Mmm dd hh:mm:ss.mmm LEVEL thread class::function: " with any "%" in
    /// the names doubled, ready to take the message's format after it.
    [[nodiscard]] virtual std::string BuildLinePrefix(
        int32_t level, const char* className, const char* functionName) const;

    [[nodiscard]] const std::string& GetLogNamespace() const { return m_logNamespace; }
    [[nodiscard]] RotatingLogFile& GetLogFile() { return *m_logFile; }

private:
    void Log(int32_t level, const char* logNamespace, const char* className, const char* functionName,
        const char* format, ...) __attribute__((format(printf, 6, 7)));
    [[nodiscard]] bool Passes(int32_t level, const char* logNamespace) const;
    /// Counts a line the file could not take when lines are held; whether it was.
    bool DropWhileHeld();

    int32_t m_level;
    std::string m_logNamespace;
    std::string m_locale;
    std::unique_ptr<RotatingLogFile> m_logFile;
    std::mutex m_fallbackLock;
    bool m_holdFallback = false;
    uint64_t m_droppedLines = 0;
    /// The reason the first dropped line could not be written.
    std::string m_dropReason;
};

/// The time stamp of a log line: "Mmm dd hh:mm:ss.mmm" in local time, with
/// English month names whatever the C locale says.
std::string FormatLogTimestamp();

} // namespace Dravo::Support
