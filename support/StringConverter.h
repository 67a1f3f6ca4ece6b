// Conversion between UTF-16 and the encodings of the encoding table, with one
// pool of idle ICU converters per encoding so that converters are reused
// instead of opened for every conversion.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "support/EncodingTable.h"
#include "support/WideString.h"

struct UConverter;

namespace Dravo::Support {

/// Byte length of a zero-terminated text in an encoding: whole zero code
/// units end UTF-16 and UTF-32 texts, a zero byte ends every other.
int32_t MeasureZeroTerminated(const char* text, EncodingType encoding);

class StringConverter {
public:
    StringConverter() = default;
    StringConverter(const StringConverter&) = delete;
    StringConverter& operator=(const StringConverter&) = delete;
    /// Closes every pooled converter.
    virtual ~StringConverter();

    /// Decodes bytes into target; null bytes give null, SQL_NTS_BYTES means
    /// zero-terminated. Raises "ICUConvErr" when ICU cannot decode.
    virtual void ConvertToWString(const char* bytes, int32_t byteCount, EncodingType encoding, WideString& target);
    /// Size in bytes of the units once encoded (no terminator).
    virtual int32_t GetEncodedSize(const char16_t* units, int32_t unitCount, EncodingType encoding);
    virtual int32_t GetEncodedSize(const WideString& text, EncodingType encoding);
    /// Encodes into the caller's buffer. Overflow sets truncated and is no error;
    /// any other ICU failure raises "ICUConvErrNotRecog".
    virtual void ConvertToEncoding(const char16_t* units, int32_t unitCount, char* buffer, int32_t bufferSize,
        EncodingType encoding, int32_t& bytesWritten, bool& truncated);
    virtual void ConvertToEncoding(const WideString& text, char* buffer, int32_t bufferSize, EncodingType encoding,
        int32_t& bytesWritten, bool& truncated);
    /// Byte length of a zero-terminated text already in the encoding.
    virtual int32_t EncodedLength(const char* text, EncodingType encoding);
    /// Single-byte ASCII into code units of encodings 1..4; false when the
    /// target is too small.
    virtual bool WidenASCII(const char* ascii, int32_t count, EncodingType encoding, char* target, int32_t targetBytes,
        bool addTerminator, int32_t& bytesWritten);
    /// Code units of encodings 1..4 to ASCII bytes plus a zero byte; false when
    /// a unit was not ASCII (the conversion is still done) or the target is too
    /// small.
    virtual bool NarrowToASCII(
        const char* units, int32_t byteCount, EncodingType encoding, char* target, int32_t targetBytes);

private:
    struct Slot {
        std::mutex lock;
        std::vector<UConverter*> idle;
    };

    UConverter* Acquire(EncodingType encoding);
    void Release(EncodingType encoding, UConverter* converter);

    std::array<Slot, ENCODING_COUNT> m_slots;
};

} // namespace Dravo::Support
