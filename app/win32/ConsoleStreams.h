// The standard streams of the console program. A console is written and read
// in UTF-16 (WriteConsoleW, ReadConsoleW), which no code page can spoil; a
// redirected stream carries the program's UTF-8 bytes, with CR LF line ends.
#pragma once

#include <streambuf>
#include <string>

#include <windows.h>

namespace Dravo::VezurAVUZ {

/// True when the handle is a console rather than a file or a pipe.
[[nodiscard]] bool IsConsoleHandle(HANDLE handle);

class ConsoleOutputBuffer : public std::streambuf {
public:
    explicit ConsoleOutputBuffer(HANDLE handle);
    ~ConsoleOutputBuffer() override;
    ConsoleOutputBuffer(const ConsoleOutputBuffer&) = delete;
    ConsoleOutputBuffer& operator=(const ConsoleOutputBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    bool Flush();

    HANDLE m_handle;
    bool m_console;
    bool m_afterCarriageReturn = false;
    std::string m_pending;
};

/// Standard input. At a console, HIDDEN_LINE reads one line without echo
/// (a password) and then ends, as a redirected line would; otherwise lines
/// are read until Ctrl+Z.
class ConsoleInputBuffer : public std::streambuf {
public:
    ConsoleInputBuffer(HANDLE handle, HANDLE prompt, bool hiddenLine);
    ConsoleInputBuffer(const ConsoleInputBuffer&) = delete;
    ConsoleInputBuffer& operator=(const ConsoleInputBuffer&) = delete;

protected:
    int_type underflow() override;

private:
    bool ReadConsoleLine();

    HANDLE m_handle;
    HANDLE m_prompt;
    bool m_console;
    bool m_hiddenLine;
    bool m_ended = false;
    std::string m_buffer;
};

} // namespace Dravo::VezurAVUZ
