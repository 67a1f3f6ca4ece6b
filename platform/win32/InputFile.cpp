#include "platform/InputFile.h"

#include <cstring>

#include "platform/File.h"
#include "platform/SystemError.h"
#include "platform/Utf8.h"

namespace Dravo::OS {

bool ReadInputFile(const std::string& path, const InputLimits& limits, std::string& bytes, std::string& why)
{
    bytes.clear();
    std::u16string name;
    File file;
    ErrorCode error = AppendUtf16FromUtf8(path, name) ? file.Open(name, FileAccess::Read, FileCreation::OpenExisting)
                                                      : ERROR_INVALID_NAME_CODE;
    uint64_t size = 0;
    if (error == ERROR_SUCCESS_CODE) {
        error = file.GetSize(size);
    }
    if (error != ERROR_SUCCESS_CODE) {
        // The same shape as on POSIX systems, where callers look for it.
        std::string text;
        if (!AppendUtf8FromUtf16(GetSystemErrorMessage(error), text) || text.empty()) {
            text = "error " + std::to_string(error);
        }
        why = path + ": cannot open: " + text;
        return false;
    }
    if (size > limits.maxBytes) {
        why = path + ": " + DescribeInputLimit(limits.maxBytes);
        return false;
    }
    char buffer[65536];
    for (;;) {
        size_t count = 0;
        if (file.Read(buffer, sizeof buffer, count) != ERROR_SUCCESS_CODE) {
            why = path + ": cannot read it";
            return false;
        }
        if (count == 0) {
            return true;
        }
        if (limits.refuseNul && std::memchr(buffer, '\0', count) != nullptr) {
            why = path + ": holds a NUL byte, which no text holds";
            return false;
        }
        if (bytes.size() + count > limits.maxBytes) {
            why = path + ": " + DescribeInputLimit(limits.maxBytes);
            return false;
        }
        bytes.append(buffer, count);
    }
}

} // namespace Dravo::OS
