#include "support/FileHandler.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "support/ErrorException.h"

namespace Dravo::Support {
namespace {

struct ModeRule {
    OS::FileAccess access;
    OS::FileCreation creation;
};

constexpr ModeRule MODE_RULES[] = {
    {OS::FileAccess::Read, OS::FileCreation::OpenExisting},
    {OS::FileAccess::Write, OS::FileCreation::CreateAlways},
    {OS::FileAccess::Write, OS::FileCreation::OpenAlways},
    {OS::FileAccess::ReadWrite, OS::FileCreation::OpenExisting},
    {OS::FileAccess::ReadWrite, OS::FileCreation::CreateAlways},
    {OS::FileAccess::ReadWrite, OS::FileCreation::OpenAlways},
};

bool IsKnownMode(int32_t mode)
{
    return mode >= FILE_MODE_READ && mode <= FILE_MODE_READ_WRITE_OPEN_ALWAYS;
}

[[noreturn]] void ThrowCannotOpen(const WideString& name, OS::ErrorCode error)
{
    throw ProductException(DIAG_GENERAL_ERROR, SUPPORT_COMPONENT_ID, WideString(u"CannotOpenFile"),
        {name, GetSystemErrorText(error)}, -1, -1);
}

// The directory part of a name, empty when it has none.
std::u16string DirectoryOf(const std::u16string& name)
{
    for (size_t i = name.size(); i > 0; --i) {
        if (OS::IsPathSeparator(name[i - 1])) {
            return name.substr(0, i - 1);
        }
    }
    return {};
}

constexpr unsigned char END_OF_TEXT_BYTE = 255;
constexpr size_t READ_AHEAD = 4096;
constexpr int FORMAT_STACK_BUFFER = 256;

} // namespace

WideString GetSystemErrorText(OS::ErrorCode code)
{
    std::u16string text = OS::GetSystemErrorMessage(code);
    if (text.empty()) {
        return WideString(u"<unknown>");
    }
    for (size_t at = text.find(u"\r\n"); at != std::u16string::npos; at = text.find(u"\r\n", at)) {
        text.erase(at, 2);
    }
    return WideString(text);
}

FileHandler::FileHandler(const WideString& fileName, int32_t mode, const OS::FileOpenOptions& options)
    : m_fileName(fileName), m_options(options)
{
    Open(mode);
}

FileHandler::~FileHandler()
{
    if (m_locked) {
        Unlock();
    }
}

void FileHandler::Open(int32_t mode)
{
    if (m_fileName.IsEmpty()) {
        throw ProductException(SUPPORT_COMPONENT_ID, WideString(u"InvalidFileName"));
    }
    if (!IsKnownMode(mode)) {
        throw ProductException(SUPPORT_COMPONENT_ID, WideString(u"UnrecognizedOpenMode"));
    }
    const std::u16string name = m_fileName.GetAsU16String();
    if (mode != FILE_MODE_READ) {
        const std::u16string directory = DirectoryOf(name);
        if (!directory.empty() && !OS::IsDirectory(directory)) {
            const OS::ErrorCode error = OS::CreateDirectoryLevel(directory);
            if (error != OS::ERROR_SUCCESS_CODE && error != OS::ERROR_ALREADY_EXISTS_CODE) {
                ThrowCannotOpen(m_fileName, error);
            }
        }
    }
    const ModeRule& rule = MODE_RULES[mode - 1];
    if (const OS::ErrorCode error = m_file.Open(name, rule.access, rule.creation, m_options)) {
        ThrowCannotOpen(m_fileName, error);
    }
    if (mode == FILE_MODE_APPEND) {
        int64_t position = 0;
        if (m_file.Seek(0, OS::SeekOrigin::End, position) != OS::ERROR_SUCCESS_CODE) {
            m_file.Close();
            throw ProductException(SUPPORT_COMPONENT_ID, WideString(u"CannotSetFilePosition"));
        }
    }
}

bool FileHandler::IsOpen() const
{
    return m_file.IsOpen();
}

bool FileHandler::Flush()
{
    return m_file.IsOpen() && m_file.Flush() == OS::ERROR_SUCCESS_CODE;
}

WideString FileHandler::GetName() const
{
    return m_fileName;
}

int64_t FileHandler::GetPosition()
{
    if (!Flush()) {
        return -1;
    }
    return Seek(0, FILE_SEEK_FROM_CURRENT);
}

size_t FileHandler::Read(void* buffer, size_t count)
{
    // What a line read ahead comes first.
    const size_t pending = std::min(count, m_readAhead.size() - m_readAheadUsed);
    if (pending > 0) {
        std::memcpy(buffer, m_readAhead.data() + m_readAheadUsed, pending);
        m_readAheadUsed += pending;
    }
    size_t bytesRead = 0;
    if (pending == count || !m_file.IsOpen()
        || m_file.Read(static_cast<char*>(buffer) + pending, count - pending, bytesRead) != OS::ERROR_SUCCESS_CODE) {
        return pending;
    }
    return pending + bytesRead;
}

void FileHandler::GiveBackReadAhead()
{
    const size_t pending = m_readAhead.size() - m_readAheadUsed;
    m_readAhead.clear();
    m_readAheadUsed = 0;
    int64_t position = 0;
    if (pending > 0 && m_file.IsOpen()) {
        // A pipe cannot seek: its bytes are dropped, as a write to it would
        // have nothing to do with them anyway.
        (void)m_file.Seek(-static_cast<int64_t>(pending), OS::SeekOrigin::Current, position);
    }
}

bool FileHandler::Reopen(int32_t mode)
{
    if (m_locked) {
        Unlock();
    }
    m_readAhead.clear();
    m_readAheadUsed = 0;
    m_file.Close();
    try {
        Open(mode);
    } catch (const ErrorException&) {
        return false;
    }
    return true;
}

int64_t FileHandler::Seek(int64_t offset, int32_t origin)
{
    OS::SeekOrigin from = OS::SeekOrigin::Current;
    if (origin == FILE_SEEK_FROM_START) {
        from = OS::SeekOrigin::Begin;
    } else if (origin == FILE_SEEK_FROM_END) {
        from = OS::SeekOrigin::End;
    }
    // The position the caller knows is just after what it has read.
    if (from == OS::SeekOrigin::Current) {
        offset -= static_cast<int64_t>(m_readAhead.size() - m_readAheadUsed);
    }
    m_readAhead.clear();
    m_readAheadUsed = 0;
    int64_t position = -1;
    if (!m_file.IsOpen() || m_file.Seek(offset, from, position) != OS::ERROR_SUCCESS_CODE) {
        return -1;
    }
    return position;
}

size_t FileHandler::Write(const void* buffer, size_t count)
{
    size_t bytesWritten = 0;
    if (!m_file.IsOpen()) {
        return 0;
    }
    GiveBackReadAhead();
    if (const OS::ErrorCode error = m_file.Write(buffer, count, bytesWritten); error != OS::ERROR_SUCCESS_CODE) {
        m_lastError = error;
        return 0;
    }
    return bytesWritten;
}

bool FileHandler::ReadLine(std::string& line)
{
    line.clear();
    // Reads ahead in blocks and keeps what the line did not use for the next
    // read: a pipe cannot take bytes back.
    bool readAnything = false;
    for (;;) {
        if (m_readAheadUsed == m_readAhead.size()) {
            m_readAhead.resize(READ_AHEAD);
            m_readAheadUsed = 0;
            size_t got = 0;
            if (!m_file.IsOpen()
                || m_file.Read(m_readAhead.data(), m_readAhead.size(), got) != OS::ERROR_SUCCESS_CODE) {
                got = 0;
            }
            m_readAhead.resize(got);
            if (got == 0) {
                return readAnything;
            }
        }
        while (m_readAheadUsed < m_readAhead.size()) {
            const auto byte = static_cast<unsigned char>(m_readAhead[m_readAheadUsed]);
            if (byte == END_OF_TEXT_BYTE) {
                // Ends the text: taken, and the line so far (if any) is the last.
                ++m_readAheadUsed;
                return readAnything;
            }
            ++m_readAheadUsed;
            if (byte == '\n') {
                return true;
            }
            if (byte != '\r') {
                line.push_back(static_cast<char>(byte));
            }
            readAnything = true;
        }
    }
}

void FileHandler::WriteFormatted(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    WriteFormattedV(format, arguments);
    va_end(arguments);
}

void FileHandler::WriteFormattedV(const char* format, va_list arguments)
{
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length < 0) {
        return;
    }
    // Most lines fit the stack buffer; longer ones take the heap.
    if (length < FORMAT_STACK_BUFFER) {
        std::array<char, FORMAT_STACK_BUFFER> text{};
        std::vsnprintf(text.data(), text.size(), format, arguments);
        Write(text.data(), static_cast<size_t>(length));
        return;
    }
    std::vector<char> text(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, arguments);
    Write(text.data(), static_cast<size_t>(length));
}

void FileHandler::WriteWString(const WideString& text)
{
    const std::string narrow = text.GetAsNarrow();
    if (!narrow.empty()) {
        Write(narrow.data(), narrow.size());
    }
}

int64_t FileHandler::GetSize() const
{
    uint64_t size = 0;
    if (!m_file.IsOpen() || m_file.GetSize(size) != OS::ERROR_SUCCESS_CODE) {
        return -1;
    }
    return static_cast<int64_t>(size);
}

bool FileHandler::Lock()
{
    const int64_t size = GetSize();
    if (size < 0 || m_file.Lock(0, size > 0 ? static_cast<uint64_t>(size) : 1) != OS::ERROR_SUCCESS_CODE) {
        return false;
    }
    m_locked = true;
    return true;
}

bool FileHandler::Unlock()
{
    const int64_t size = GetSize();
    m_locked = false;
    return size >= 0 && m_file.Unlock(0, size > 0 ? static_cast<uint64_t>(size) : 1) == OS::ERROR_SUCCESS_CODE;
}

} // namespace Dravo::Support
