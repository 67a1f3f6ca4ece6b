// The data sources' names on POSIX systems: the section lines of the scope's
// odbc.ini. Each name found is then read through the data sources' own
// reader, which decides what the file holds.
#include <stdexcept>

#include "app/DataSourceList.h"
#include "platform/File.h"
#include "platform/SystemError.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string ReadWhole(const std::string& path)
{
    OS::File file;
    const OS::ErrorCode opened =
        file.Open(Support::WideString(path).GetAsU16String(), OS::FileAccess::Read, OS::FileCreation::OpenExisting);
    if (opened == OS::ERROR_FILE_NOT_FOUND_CODE || opened == OS::ERROR_PATH_NOT_FOUND_CODE) {
        return {};
    }
    if (opened != OS::ERROR_SUCCESS_CODE) {
        throw std::runtime_error(path + " cannot be read");
    }
    std::string bytes;
    for (;;) {
        char buffer[65536];
        size_t count = 0;
        if (file.Read(buffer, sizeof buffer, count) != OS::ERROR_SUCCESS_CODE) {
            throw std::runtime_error(path + " cannot be read");
        }
        if (count == 0) {
            return bytes;
        }
        bytes.append(buffer, count);
    }
}

} // namespace

std::vector<std::u16string> ListDataSourceNames(OS::DataSourceScope scope)
{
    const Support::WideString path(OS::OdbcDataSources::Describe(scope));
    const std::string bytes = ReadWhole(path.GetAsUTF8());
    std::vector<std::u16string> names;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        size_t first = start;
        while (first < end && IsBlank(bytes[first])) {
            ++first;
        }
        if (first < end && bytes[first] == '[') {
            const size_t close = bytes.find(']', first);
            if (close != std::string::npos && close < end) {
                size_t nameStart = first + 1;
                size_t nameEnd = close;
                while (nameStart < nameEnd && IsBlank(bytes[nameStart])) {
                    ++nameStart;
                }
                while (nameEnd > nameStart && IsBlank(bytes[nameEnd - 1])) {
                    --nameEnd;
                }
                const Support::WideString name(bytes.substr(nameStart, nameEnd - nameStart));
                bool seen = name.IsEmpty() || name.IsEqual(Support::WideString(u"ODBC"), false)
                    || name.IsEqual(Support::WideString(u"ODBC Data Sources"), false);
                for (const std::u16string& earlier : names) {
                    seen = seen || name.IsEqual(Support::WideString(earlier), false);
                }
                if (!seen) {
                    names.push_back(name.GetAsU16String());
                }
            }
        }
        start = end + 1;
    }
    return names;
}

} // namespace Dravo::VezurAVUZ
