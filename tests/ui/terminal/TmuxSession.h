// A program running in a real terminal: a private tmux server per session,
// keys sent one at a time, the screen read back with capture-pane. Waiting
// is polling the screen until the expected text is there and stable, with a
// five-second limit; the screen is kept for the failure message.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <csignal>

#include <unistd.h>

#include "tests/common/TempDir.h"

namespace Dravo::Test {

class TmuxSession {
public:
    struct Options {
        std::vector<std::string> environment;
        int cols = 80;
        int rows = 24;
        std::filesystem::path directory;
    };

    static bool Available() { return std::system("tmux -V > /dev/null 2>&1") == 0; }

    TmuxSession(const std::vector<std::string>& command, const Options& options)
    {
        static int sessions = 0;
        m_server = "dravo-ui-" + std::to_string(::getpid()) + "-" + std::to_string(++sessions);
        const char* source = std::getenv("DRAVO_SOURCE_DIR");
        m_config = std::string(source ? source : ".") + "/tests/tmux.conf";
        // A shell around the program reports its exit status on the screen
        // (tmux does not always collect it) and ignores stop signals, which
        // the tests send to the whole process group.
        std::string program;
        for (const std::string& word : command) {
            program += Quote(word) + " ";
        }
        program = "trap '' INT TERM HUP QUIT; " + program + "; echo \"exit-status=$?\"";
        program = "exec sh -c " + Quote(program);
        std::string start = "new-session -d -s t -x " + std::to_string(options.cols) + " -y "
            + std::to_string(options.rows) + " -c "
            + Quote((options.directory.empty() ? m_home.Path() : options.directory).string())
            + " -e LC_ALL=C.UTF-8 -e ESCDELAY=25 -e HOME=" + Quote(m_home.Path().string()) + " -e "
            + Quote("LSAN_OPTIONS=suppressions=" + std::string(source ? source : ".") + "/tests/lsan.supp");
        for (const std::string& variable : options.environment) {
            start += " -e " + Quote(variable);
        }
        Run(start + " " + Quote(program));
    }
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;
    ~TmuxSession() { Run("kill-server"); }

    /// Runs a tmux command on this session's server; its output.
    std::string Run(const std::string& arguments)
    {
        const std::string command = "TMUX_TMPDIR=" + Quote(m_sockets.Path().string()) + " tmux -L " + m_server + " -f "
            + Quote(m_config) + " " + arguments + " 2>&1";
        std::string output;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            size_t read = 0;
            while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
                output.append(buffer, read);
            }
            ::pclose(pipe);
        }
        return output;
    }

    /// One key by its tmux name: Tab, BTab, Escape, Enter, Space, Down, M-a.
    void Key(const std::string& key) { Run("send-keys -t t " + Quote(key)); }
    void Text(const std::string& text) { Run("send-keys -t t -l " + Quote(text)); }
    void Resize(int cols, int rows)
    {
        Run("resize-window -t t -x " + std::to_string(cols) + " -y " + std::to_string(rows));
    }
    std::string Screen() { return Run("capture-pane -p -t t"); }
    /// The screen with the lines that scrolled off its top.
    std::string ScreenWithHistory() { return Run("capture-pane -p -S - -t t"); }
    std::string Format(const std::string& format) { return Trim(Run("display-message -p -t t " + Quote(format))); }

    /// Polls until the screen satisfies the test and stays the same for one
    /// more capture; false after five seconds.
    bool WaitUntil(const std::function<bool(const std::string&)>& test)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        std::string previous;
        while (std::chrono::steady_clock::now() < deadline) {
            m_last = Screen();
            if (test(m_last) && m_last == previous) {
                return true;
            }
            previous = m_last;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }
    bool WaitFor(const std::string& text)
    {
        return WaitUntil([&](const std::string& screen) { return screen.find(text) != std::string::npos; });
    }
    /// Waits for the program to end; its exit status, or -1 after five seconds.
    int WaitForExit()
    {
        const std::string marker = "exit-status=";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            m_last = ScreenWithHistory();
            const size_t found = m_last.find(marker);
            if (found != std::string::npos && m_last.find('\n', found) != std::string::npos) {
                return std::stoi(m_last.substr(found + marker.size()));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return -1;
    }
    /// Sends a signal to the program (and to the shell around it, which
    /// ignores it).
    void Signal(int signal)
    {
        const pid_t group = static_cast<pid_t>(std::stol(Format("#{pane_pid}")));
        ::kill(-group, signal);
    }
    /// The last screen read, for failure messages.
    [[nodiscard]] const std::string& LastScreen() const { return m_last; }

    static std::string Quote(const std::string& text)
    {
        std::string quoted = "'";
        for (const char c : text) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        return quoted + "'";
    }

private:
    static std::string Trim(std::string text)
    {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
            text.pop_back();
        }
        return text;
    }

    TempDir m_home;
    TempDir m_sockets;
    std::string m_server;
    std::string m_config;
    std::string m_last;
};

} // namespace Dravo::Test
