// A small tagged value: a number of one of four integer types, or a text.
// The typed getters check the tag, so that a caller reading the wrong type
// gets an error instead of a reinterpreted value.
#pragma once

#include <cstdint>

#include "support/WideString.h"

namespace Dravo::Support {

enum AttributeType : int32_t {
    ATTRIBUTE_TYPE_WSTRING = 2,
    ATTRIBUTE_TYPE_INT32 = 3,
    ATTRIBUTE_TYPE_UINT32 = 4,
    ATTRIBUTE_TYPE_INT16 = 5,
    ATTRIBUTE_TYPE_UINT16 = 6,
};

class AttributeData {
public:
    explicit AttributeData(int32_t value);
    explicit AttributeData(uint32_t value);
    explicit AttributeData(int16_t value);
    explicit AttributeData(uint16_t value);
    explicit AttributeData(const WideString& value);

    [[nodiscard]] AttributeType GetType() const { return m_type; }

    // Each raises InvalidOperationException "InvalidOperation" (getter name,
    // "AttributeData", a line number) for a tag it does not accept.
    /// Unsigned 32- or 16-bit values.
    [[nodiscard]] uint32_t GetUInt32Value() const;
    /// Signed 32-bit, signed 16-bit (sign-extended) or unsigned 16-bit values.
    [[nodiscard]] int32_t GetInt32Value() const;
    [[nodiscard]] const WideString& GetWStringValue() const;

private:
    AttributeType m_type;
    uint32_t m_bits = 0;
    WideString m_text;
};

} // namespace Dravo::Support
