// A log file that is opened on first use and, once it reaches its maximum
// size, is moved aside into numbered generations (x.log, x.1.log, x.2.log,
// ...) so that the logs never take more than size times count bytes. Names
// of generations are made when a rotation needs them: the count may be as
// large as a stored setting can say.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "support/FileHandler.h"
#include "support/WideString.h"

namespace Dravo::Support {

class RotatingLogFile {
public:
    /// maxFileSize 0 turns rotation off. A fileCount of 0 raises
    /// InvalidArgumentException "InvalidArgument" ("FileHandler", "32").
    RotatingLogFile(const WideString& baseName, uint32_t maxFileSize, uint32_t fileCount);
    RotatingLogFile(const RotatingLogFile&) = delete;
    RotatingLogFile& operator=(const RotatingLogFile&) = delete;
    ~RotatingLogFile();

    /// Formats one line, writes it with "\r\n" and rotates when the file has
    /// reached its maximum size. False, with nothing written, when the file
    /// cannot be opened or written; the caller decides where the line goes then.
    bool WriteLine(const char* format, va_list arguments) __attribute__((format(printf, 2, 0)));
    /// Opens the file when it is not open yet; whether it is open.
    bool IsOpen();
    /// Why the last line could not be written: the system's text, or empty
    /// when the last line was written.
    [[nodiscard]] std::string GetFailure();

    /// The name of generation i; 0 is the base name.
    [[nodiscard]] WideString GetFileName(uint32_t generation) const
    {
        return MakeGenerationName(m_baseName, generation);
    }
    [[nodiscard]] uint32_t GetMaxFileSize() const { return m_maxFileSize; }
    [[nodiscard]] uint32_t GetFileCount() const { return m_fileCount; }

    /// The name of generation i of baseName: the stem, "." and i before the
    /// extension (a dot that starts the file name starts no extension).
    static WideString MakeGenerationName(const WideString& baseName, uint32_t generation);

private:
    bool OpenLocked();
    void RotateLocked();

    uint32_t m_maxFileSize;
    uint32_t m_fileCount;
    std::mutex m_lock;
    WideString m_baseName;
    std::unique_ptr<FileHandler> m_file;
    bool m_opened = false;
    std::string m_failure;
};

/// How log files are opened: private to their owner, and never through a
/// link planted at their name, since the tool runs with privileges in a
/// directory that others may be able to write to.
inline constexpr OS::FileOpenOptions LOG_FILE_OPTIONS{true, 0600};

} // namespace Dravo::Support
