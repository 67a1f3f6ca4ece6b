#include "support/RotatingLogFile.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/File.h"
#include "support/DiagStates.h"
#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace Dravo::Support {
namespace {

/// The system's reason a log file cannot be opened, as the user should read it.
std::string DescribeOpenFailure(const ErrorException& error)
{
    // "CannotOpenFile" carries the file's name and the system's text.
    const std::vector<WideString>& parameters = error.GetParameters();
    if (parameters.size() == 2 && !parameters[1].IsNull()) {
        return parameters[1].GetAsUTF8();
    }
    return error.GetUnformattedText().GetAsUTF8();
}

} // namespace

RotatingLogFile::RotatingLogFile(const WideString& baseName, uint32_t maxFileSize, uint32_t fileCount)
    : m_maxFileSize(maxFileSize), m_fileCount(fileCount), m_baseName(baseName)
{
    if (fileCount == 0) {
        const SupportError* entry = GetSupportError(SUPPORT_ERROR_INVALID_ARGUMENT);
        throw InvalidArgumentException(entry->diagState, SUPPORT_COMPONENT_ID, WideString(entry->messageKey),
            {WideString(u"FileHandler"), WideString(u"32")}, -1, -1);
    }
}

RotatingLogFile::~RotatingLogFile() = default;

WideString RotatingLogFile::MakeGenerationName(const WideString& baseName, uint32_t generation)
{
    if (generation == 0) {
        return baseName;
    }
    const std::u16string name = baseName.GetAsU16String();
    size_t fileStart = 0;
    for (size_t i = name.size(); i > 0; --i) {
        if (OS::IsPathSeparator(name[i - 1])) {
            fileStart = i;
            break;
        }
    }
    const size_t dot = name.rfind(u'.');
    // "x.log" keeps its extension; a name that starts with its only dot,
    // such as ".log", has none.
    const bool hasExtension = dot != std::u16string::npos && dot > fileStart;
    const size_t stemEnd = hasExtension ? dot : name.size();
    return WideString(name.substr(0, stemEnd)) + u"." + NumberConverter::ConvertUInt32ToWString(generation)
        + WideString(name.substr(stemEnd));
}

bool RotatingLogFile::OpenLocked()
{
    if (m_opened) {
        return m_file != nullptr;
    }
    try {
        m_file = std::make_unique<FileHandler>(m_baseName, FILE_MODE_APPEND, LOG_FILE_OPTIONS);
    } catch (const ErrorException& error) {
        // Stays closed; the next line tries again.
        m_failure = DescribeOpenFailure(error);
        return false;
    }
    m_opened = true;
    return true;
}

bool RotatingLogFile::IsOpen()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return OpenLocked();
}

std::string RotatingLogFile::GetFailure()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_failure;
}

bool RotatingLogFile::WriteLine(const char* format, va_list arguments)
{
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length < 0) {
        return false;
    }
    std::string line(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(line.data(), line.size(), format, arguments);
    line.resize(static_cast<size_t>(length));
    line.append("\r\n");

    std::lock_guard<std::mutex> guard(m_lock);
    if (!OpenLocked()) {
        return false;
    }
    // One write per line keeps lines whole even with other writers.
    if (m_file->Write(line.data(), line.size()) != line.size()) {
        m_failure = GetSystemErrorText(m_file->GetLastError()).GetAsUTF8();
        return false;
    }
    m_failure.clear();
    if (m_maxFileSize != 0 && m_file->GetSize() >= static_cast<int64_t>(m_maxFileSize)) {
        RotateLocked();
    }
    return true;
}

void RotatingLogFile::RotateLocked()
{
    m_file.reset();
    // Only the generations that are there move: they run from 1 up to the
    // first one missing, which is all a rotation can have made. The last
    // generation the count allows is removed to make room.
    uint32_t top = 0;
    while (top + 1 < m_fileCount && OS::PathExists(GetFileName(top + 1).GetAsU16String())) {
        ++top;
    }
    uint32_t firstFree = top + 1;
    if (firstFree == m_fileCount) {
        // Failures are ignored: a generation that cannot move stays where it
        // is. Only regular files are moved or removed, never what a link
        // points to.
        (void)OS::RemoveFile(GetFileName(top).GetAsU16String(), true);
        firstFree = top;
    }
    for (uint32_t generation = firstFree; generation > 0; --generation) {
        (void)OS::RenameFile(
            GetFileName(generation - 1).GetAsU16String(), GetFileName(generation).GetAsU16String(), true);
    }
    try {
        m_file = std::make_unique<FileHandler>(m_baseName, FILE_MODE_WRITE_TRUNCATE, LOG_FILE_OPTIONS);
    } catch (const ErrorException&) {
        // Closed for now; the next line opens the base file again.
        m_opened = false;
    }
}

} // namespace Dravo::Support
