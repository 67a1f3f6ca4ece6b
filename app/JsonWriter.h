// Builds one JSON text: objects, arrays, strings (UTF-8, escaped as RFC 8259
// asks), booleans, numbers and null, with the commas put where they belong.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Dravo::VezurAVUZ {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    /// The name of the next member of the object being written.
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::string_view utf8);
    JsonWriter& Bool(bool value);
    /// A number with DECIMALS digits after the point.
    JsonWriter& Number(double value, int decimals);
    JsonWriter& Null();

    [[nodiscard]] const std::string& GetText() const { return m_text; }

private:
    void BeforeValue();
    void AppendString(std::string_view utf8);

    std::string m_text;
    /// For each open object or array: whether it has a member yet.
    std::vector<bool> m_hasMember;
    bool m_afterKey = false;
};

} // namespace Dravo::VezurAVUZ
