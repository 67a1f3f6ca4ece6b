#include "app/win32/ConsoleStreams.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace Dravo::VezurAVUZ {
namespace {

// The length of TEXT without a UTF-8 sequence cut at its end, which waits
// for the rest of its bytes.
size_t CompletePrefix(const std::string& text)
{
    const size_t size = text.size();
    for (size_t back = 1; back <= std::min<size_t>(size, 3); ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80) {
            continue;
        }
        const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

bool WriteBytes(HANDLE handle, const char* bytes, size_t count)
{
    while (count > 0) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 20));
        if (!::WriteFile(handle, bytes, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes += written;
        count -= written;
    }
    return true;
}

bool WriteConsoleText(HANDLE handle, const std::wstring& text)
{
    const wchar_t* units = text.data();
    size_t count = text.size();
    while (count > 0) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<size_t>(count, 8192));
        if (!::WriteConsoleW(handle, units, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        units += written;
        count -= written;
    }
    return true;
}

std::wstring WideFromUtf8(const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8FromWide(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

// The console's input mode while echo is off, put back if the program is
// stopped with Ctrl+C meanwhile: the console outlives the program.
std::atomic<HANDLE> g_hiddenInput{nullptr};
std::atomic<DWORD> g_savedInputMode{0};

BOOL WINAPI RestoreEcho(DWORD)
{
    if (const HANDLE input = g_hiddenInput.load()) {
        ::SetConsoleMode(input, g_savedInputMode.load());
    }
    return FALSE;
}

} // namespace

bool IsConsoleHandle(HANDLE handle)
{
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

ConsoleOutputBuffer::ConsoleOutputBuffer(HANDLE handle) : m_handle(handle), m_console(IsConsoleHandle(handle)) {}

ConsoleOutputBuffer::~ConsoleOutputBuffer()
{
    (void)Flush();
}

ConsoleOutputBuffer::int_type ConsoleOutputBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return Flush() ? traits_type::not_eof(c) : traits_type::eof();
    }
    m_pending += traits_type::to_char_type(c);
    if (m_pending.size() >= 4096 && !Flush()) {
        return traits_type::eof();
    }
    return c;
}

std::streamsize ConsoleOutputBuffer::xsputn(const char* text, std::streamsize count)
{
    m_pending.append(text, static_cast<size_t>(count));
    if (m_pending.size() >= 4096 && !Flush()) {
        return 0;
    }
    return count;
}

int ConsoleOutputBuffer::sync()
{
    return Flush() ? 0 : -1;
}

bool ConsoleOutputBuffer::Flush()
{
    if (m_pending.empty()) {
        return true;
    }
    // Windows' line end, as the C runtime's text mode writes it.
    std::string text;
    text.reserve(m_pending.size() + m_pending.size() / 16);
    for (const char c : m_pending) {
        if (c == '\n' && !m_afterCarriageReturn) {
            text += '\r';
        }
        text += c;
        m_afterCarriageReturn = c == '\r';
    }
    m_pending.swap(text);
    if (m_handle == nullptr || m_handle == INVALID_HANDLE_VALUE) {
        m_pending.clear();
        return false;
    }
    if (!m_console) {
        const bool written = WriteBytes(m_handle, m_pending.data(), m_pending.size());
        m_pending.clear();
        return written;
    }
    const size_t complete = CompletePrefix(m_pending);
    const bool written = WriteConsoleText(m_handle, WideFromUtf8(m_pending.substr(0, complete)));
    m_pending.erase(0, complete);
    return written;
}

ConsoleInputBuffer::ConsoleInputBuffer(HANDLE handle, HANDLE prompt, bool hiddenLine)
    : m_handle(handle), m_prompt(prompt), m_console(IsConsoleHandle(handle)), m_hiddenLine(hiddenLine)
{
}

ConsoleInputBuffer::int_type ConsoleInputBuffer::underflow()
{
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    m_buffer.clear();
    if (m_ended || m_handle == nullptr || m_handle == INVALID_HANDLE_VALUE) {
        return traits_type::eof();
    }
    if (m_console) {
        if (!ReadConsoleLine()) {
            m_ended = true;
        }
    } else {
        m_buffer.resize(65536);
        DWORD read = 0;
        if (!::ReadFile(m_handle, m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &read, nullptr) || read == 0) {
            m_ended = true;
            read = 0;
        }
        m_buffer.resize(read);
    }
    if (m_buffer.empty()) {
        return traits_type::eof();
    }
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + m_buffer.size());
    return traits_type::to_int_type(*gptr());
}

bool ConsoleInputBuffer::ReadConsoleLine()
{
    DWORD mode = 0;
    ::GetConsoleMode(m_handle, &mode);
    if (m_hiddenLine) {
        g_savedInputMode = mode;
        g_hiddenInput = m_handle;
        ::SetConsoleCtrlHandler(RestoreEcho, TRUE);
        ::SetConsoleMode(m_handle, (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT);
        if (IsConsoleHandle(m_prompt)) {
            (void)WriteConsoleText(m_prompt, L"Password: ");
        }
    }
    std::wstring line;
    bool ended = false;
    for (;;) {
        wchar_t units[1024];
        DWORD read = 0;
        if (!::ReadConsoleW(m_handle, units, static_cast<DWORD>(std::size(units)), &read, nullptr) || read == 0) {
            ended = true;
            break;
        }
        line.append(units, read);
        if (line.back() == L'\n') {
            break;
        }
    }
    if (m_hiddenLine) {
        ::SetConsoleMode(m_handle, mode);
        g_hiddenInput = nullptr;
        ::SetConsoleCtrlHandler(RestoreEcho, FALSE);
        // The Enter that was not echoed.
        if (IsConsoleHandle(m_prompt)) {
            (void)WriteConsoleText(m_prompt, L"\r\n");
        }
        // A password is one line, as a redirected one would be.
        m_ended = true;
    }
    // Ctrl+Z at the start of a line ends the input, as the C runtime has it.
    if (const size_t stop = line.find(L'\x1a'); stop != std::wstring::npos) {
        line.erase(stop);
        m_ended = true;
    }
    m_buffer = Utf8FromWide(line);
    return !ended || !m_buffer.empty();
}

} // namespace Dravo::VezurAVUZ
