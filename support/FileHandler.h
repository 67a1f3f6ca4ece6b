// The support library's file object: opens a file by name in one of six
// modes and reads and writes bytes and lines. Opening raises; reads, writes
// and seeks report failure through their results, so that a log or an export
// never throws half-way through.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/File.h"
#include "support/WideString.h"

namespace Dravo::Support {

/// Open modes, as callers pass them.
enum FileOpenMode : int32_t {
    FILE_MODE_READ = 1, ///< read an existing file
    FILE_MODE_WRITE_TRUNCATE = 2, ///< write, created or emptied
    FILE_MODE_APPEND = 3, ///< write at the end, created when absent
    FILE_MODE_READ_WRITE = 4, ///< read and write an existing file
    FILE_MODE_READ_WRITE_TRUNCATE = 5, ///< read and write, created or emptied
    FILE_MODE_READ_WRITE_OPEN_ALWAYS = 6 ///< read and write, created when absent
};

/// Seek origins, as callers pass them; any other value counts from the
/// current position.
inline constexpr int32_t FILE_SEEK_FROM_START = 3;
inline constexpr int32_t FILE_SEEK_FROM_END = 4;
inline constexpr int32_t FILE_SEEK_FROM_CURRENT = 5;

/// The abstract file the rest of the library writes through.
class IFile {
public:
    IFile() = default;
    IFile(const IFile&) = delete;
    IFile& operator=(const IFile&) = delete;
    virtual ~IFile() = default;

    [[nodiscard]] virtual bool IsOpen() const = 0;
    virtual bool Flush() = 0;
    [[nodiscard]] virtual WideString GetName() const = 0;
    /// The current offset after a flush, or -1.
    virtual int64_t GetPosition() = 0;
    /// Bytes read, 0 at the end or on failure.
    virtual size_t Read(void* buffer, size_t count) = 0;
    /// Closes and opens the same name in another mode; false on failure.
    virtual bool Reopen(int32_t mode) = 0;
    /// The new position, or -1 on failure.
    virtual int64_t Seek(int64_t offset, int32_t origin) = 0;
    /// Bytes written, 0 on failure.
    virtual size_t Write(const void* buffer, size_t count) = 0;
};

class FileHandler : public IFile {
public:
    /// Opens at once. Raises ProductException "InvalidFileName" for an empty
    /// name, "UnrecognizedOpenMode" for a mode outside 1..6, "CannotOpenFile"
    /// (name, system text) when the file or its directory cannot be opened or
    /// created, "CannotSetFilePosition" when append mode cannot reach the end.
    /// Every mode but read creates a missing parent directory (one level).
    FileHandler(const WideString& fileName, int32_t mode, const OS::FileOpenOptions& options = {});
    /// Unlocks the file when it was locked, then closes it.
    ~FileHandler() override;

    [[nodiscard]] bool IsOpen() const override;
    bool Flush() override;
    [[nodiscard]] WideString GetName() const override;
    int64_t GetPosition() override;
    size_t Read(void* buffer, size_t count) override;
    bool Reopen(int32_t mode) override;
    int64_t Seek(int64_t offset, int32_t origin) override;
    size_t Write(const void* buffer, size_t count) override;

    /// Reads up to a line feed (not kept), a byte 255 or the end of the file,
    /// dropping carriage returns. False, with an empty line, when nothing can
    /// be read or the first byte is 255. Bytes read ahead are kept for the
    /// next read rather than given back with a seek, so that a pipe or a FIFO
    /// loses none; a seek, a write or asking for the position still sees the
    /// file just after the line.
    bool ReadLine(std::string& line);
    /// printf-style text, written without a terminator.
    void WriteFormatted(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void WriteFormattedV(const char* format, va_list arguments) __attribute__((format(printf, 2, 0)));
    /// The text in the default narrow encoding, without a line end.
    void WriteWString(const WideString& text);

    /// Size in bytes, or -1.
    [[nodiscard]] int64_t GetSize() const;
    /// The system's code for the last write that failed (0 when none has).
    [[nodiscard]] OS::ErrorCode GetLastError() const { return m_lastError; }
    /// Locks the whole file against other openers without waiting; false when
    /// someone else holds a lock.
    bool Lock();
    bool Unlock();

private:
    void Open(int32_t mode);

    OS::File m_file;
    WideString m_fileName;
    OS::FileOpenOptions m_options;
    /// Drops the bytes read ahead, seeking back over them where the file can.
    void GiveBackReadAhead();

    bool m_locked = false;
    OS::ErrorCode m_lastError = OS::ERROR_SUCCESS_CODE;
    /// Bytes ReadLine took from the file but not into a line; the first
    /// m_readAheadUsed of them have been used since.
    std::string m_readAhead;
    size_t m_readAheadUsed = 0;
};

/// The system's text for an error code, without line ends; "<unknown>" when
/// the system has none.
WideString GetSystemErrorText(OS::ErrorCode code);

} // namespace Dravo::Support
