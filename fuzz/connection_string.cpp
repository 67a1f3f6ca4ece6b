// Connection strings of the connection test: any settings (one "key<TAB>value"
// a line) are either refused with an ErrorException or give a string from
// which the ODBC grammar reads back exactly the driver, the data source and
// every setting, so that no value can add or change an attribute.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "driversupport/DSConnectionTester.h"
#include "support/ErrorException.h"

namespace {

using Attributes = std::vector<std::pair<std::u16string, std::u16string>>;

/// "key=value;" attributes; a value in braces runs to the brace that is not
/// doubled. False when the text does not follow the grammar.
bool Parse(const std::u16string& text, Attributes& attributes)
{
    size_t position = 0;
    while (position < text.size()) {
        const size_t equals = text.find(u'=', position);
        if (equals == std::u16string::npos) {
            return false;
        }
        std::u16string key = text.substr(position, equals - position);
        std::u16string value;
        position = equals + 1;
        if (position < text.size() && text[position] == u'{') {
            bool closed = false;
            for (++position; position < text.size() && !closed; ++position) {
                if (text[position] != u'}') {
                    value += text[position];
                } else if (position + 1 < text.size() && text[position + 1] == u'}') {
                    value += u'}';
                    ++position;
                } else {
                    closed = true;
                }
            }
            if (!closed) {
                return false;
            }
        } else {
            const size_t end = text.find(u';', position);
            if (end == std::u16string::npos) {
                return false;
            }
            value = text.substr(position, end - position);
            position = end;
        }
        if (position >= text.size() || text[position] != u';') {
            return false;
        }
        ++position;
        attributes.emplace_back(std::move(key), std::move(value));
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Dravo::DriverSupport::DSConnectionSettingsMap;
    using Dravo::Support::WideString;
    const std::string input(reinterpret_cast<const char*>(data), size);
    DSConnectionSettingsMap settings;
    size_t start = 0;
    while (start < input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) {
            end = input.size();
        }
        const std::string line = input.substr(start, end - start);
        const size_t tab = line.find('\t');
        settings[WideString(line.substr(0, tab))].value =
            WideString(tab == std::string::npos ? std::string() : line.substr(tab + 1));
        start = end + 1;
    }

    const Dravo::DriverSupport::DSConnectionTester tester(WideString(u"Driver {x64}"), WideString(u"Source"));
    WideString built;
    try {
        built = tester.BuildConnectionString(settings);
    } catch (const Dravo::Support::ErrorException&) {
        return 0;
    }
    Attributes expected = {{u"DRIVER", u"Driver {x64}"}, {u"DSN", u"Source"}};
    for (const auto& [key, setting] : settings) {
        if (!key.IsEqual(WideString(u"DRIVER"), false) && !key.IsEqual(WideString(u"DSN"), false)) {
            expected.emplace_back(key.GetAsU16String(), setting.value.GetAsU16String());
        }
    }
    Attributes parsed;
    if (!Parse(built.GetAsU16String(), parsed) || parsed != expected) {
        __builtin_trap();
    }
    return 0;
}
