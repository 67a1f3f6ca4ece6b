#include "platform/InputFile.h"

#include <cstring>

namespace Dravo::OS {

std::string DescribeInputLimit(size_t maxBytes)
{
    if (maxBytes >= 1024 * 1024 && maxBytes % (1024 * 1024) == 0) {
        return "is larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MiB";
    }
    if (maxBytes >= 1024 && maxBytes % 1024 == 0) {
        return "is larger than " + std::to_string(maxBytes / 1024) + " KiB";
    }
    return "is larger than " + std::to_string(maxBytes) + " bytes";
}

bool ReadInputStream(
    std::istream& in, const std::string& name, const InputLimits& limits, std::string& bytes, std::string& why)
{
    bytes.clear();
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        const auto count = static_cast<size_t>(in.gcount());
        if (limits.refuseNul && std::memchr(buffer, '\0', count) != nullptr) {
            why = name + ": holds a NUL byte, which no text holds";
            return false;
        }
        if (bytes.size() + count > limits.maxBytes) {
            why = name + ": " + DescribeInputLimit(limits.maxBytes);
            return false;
        }
        bytes.append(buffer, count);
    }
    if (in.bad()) {
        why = name + ": cannot be read";
        return false;
    }
    return true;
}

} // namespace Dravo::OS
