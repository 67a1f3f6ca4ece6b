// Why a headless script stopped: the line and what went wrong there.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace Dravo::UI {

/// The exit code of a run whose script failed.
inline constexpr int SCRIPT_FAILURE_EXIT_CODE = 2;

class ScriptError : public std::runtime_error {
public:
    /// what() reads "SOURCE:LINE: MESSAGE".
    ScriptError(const std::string& sourceName, int32_t line, const std::string& message)
        : std::runtime_error(sourceName + ":" + std::to_string(line) + ": " + message), m_line(line)
    {
    }

    /// A script that could not be read at all; GetLine() is 0.
    ScriptError(const std::string& sourceName, const std::string& message)
        : std::runtime_error(sourceName + ": " + message), m_line(0)
    {
    }

    [[nodiscard]] int32_t GetLine() const { return m_line; }

private:
    int32_t m_line;
};

} // namespace Dravo::UI
