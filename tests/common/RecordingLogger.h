// Test helper: the tool's real file logger, which also keeps every message it
// is handed (whether its level lets it into the file or not), with the
// pointer shape that a headless dialog system showed at that moment.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "support/DSIFileLogger.h"
#include "ui/headless/HeadlessDialogSystem.h"

namespace Dravo::Test {

struct LoggedMessage {
    int32_t level = 0;
    std::string function;
    std::string text;
    UI::CursorShape cursor = UI::CursorShape::Arrow;
};

class RecordingLogger final : public Support::DSIFileLogger {
public:
    RecordingLogger(const Support::WideString& fileName, const Support::LogSettings& settings)
        : DSIFileLogger(fileName, settings)
    {
    }

    /// The system whose pointer is noted with each message; may be null.
    void WatchCursorOf(const UI::HeadlessDialogSystem* system) { m_system = system; }

    void LogMessage(int32_t level, const char* logNamespace, const char* className, const char* functionName,
        const char* format, va_list arguments) override __attribute__((format(printf, 6, 0)))
    {
        va_list copy;
        va_copy(copy, arguments);
        char buffer[8192];
        std::vsnprintf(buffer, sizeof buffer, format, copy);
        va_end(copy);
        m_messages.push_back({level, functionName, buffer, m_system ? m_system->GetCursor() : UI::CursorShape::Arrow});
        DSIFileLogger::LogMessage(level, logNamespace, className, functionName, format, arguments);
    }

    /// The messages that begin with the prefix, without it.
    [[nodiscard]] std::vector<std::string> Find(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const LoggedMessage& message : m_messages) {
            if (message.text.rfind(prefix, 0) == 0) {
                found.push_back(message.text.substr(prefix.size()));
            }
        }
        return found;
    }

    [[nodiscard]] const std::vector<LoggedMessage>& Messages() const { return m_messages; }

private:
    const UI::HeadlessDialogSystem* m_system = nullptr;
    std::vector<LoggedMessage> m_messages;
};

} // namespace Dravo::Test
