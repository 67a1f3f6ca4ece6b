// A log file that is opened on first use and, once it reaches its maximum
// size, is moved aside into numbered generations (x.log, x.1.log, x.2.log,
// ...) so that the logs never take more than size times count bytes.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

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

    /// Generation 0 (the base name) first.
    [[nodiscard]] const std::vector<WideString>& GetFileNames() const { return m_fileNames; }
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
    std::vector<WideString> m_fileNames;
};

/// How log files are opened: private to their owner, and never through a
/// link planted at their name, since the tool runs with privileges in a
/// directory that others may be able to write to.
inline constexpr OS::FileOpenOptions LOG_FILE_OPTIONS{true, 0600};

} // namespace Dravo::Support
