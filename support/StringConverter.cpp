#include "support/StringConverter.h"

#include <cstring>

#include <unicode/ucnv.h>

#include "support/ErrorException.h"

namespace Dravo::Support {
namespace {

[[noreturn]] void ThrowConversionError(const char16_t* key)
{
    // No parameters: the key alone says what failed.
    throw ErrorException(SUPPORT_COMPONENT_ID, WideString(key));
}

int32_t UnitSize(EncodingType encoding)
{
    return (encoding == ENC_UTF32LE || encoding == ENC_UTF32BE) ? 4 : 2;
}

bool IsLittleEndian(EncodingType encoding)
{
    return encoding == ENC_UTF16LE || encoding == ENC_UTF32LE;
}

bool IsUnicodeEncoding(EncodingType encoding)
{
    return encoding >= ENC_UTF16LE && encoding <= ENC_UTF32BE;
}

} // namespace

StringConverter::~StringConverter()
{
    for (Slot& slot : m_slots) {
        for (UConverter* converter : slot.idle) {
            ucnv_close(converter);
        }
    }
}

UConverter* StringConverter::Acquire(EncodingType encoding)
{
    const char* name = GetEncodingName(encoding);
    if (!name) {
        ThrowConversionError(u"ICUCreateUConverterErr");
    }
    Slot& slot = m_slots[static_cast<size_t>(encoding)];
    {
        std::lock_guard<std::mutex> guard(slot.lock);
        if (!slot.idle.empty()) {
            UConverter* converter = slot.idle.back();
            slot.idle.pop_back();
            return converter;
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &status);
    if (U_FAILURE(status) || !converter) {
        ThrowConversionError(u"ICUCreateUConverterErr");
    }
    return converter;
}

void StringConverter::Release(EncodingType encoding, UConverter* converter)
{
    Slot& slot = m_slots[static_cast<size_t>(encoding)];
    std::lock_guard<std::mutex> guard(slot.lock);
    slot.idle.push_back(converter);
}

void StringConverter::ConvertToWString(const char* bytes, int32_t byteCount, EncodingType encoding, WideString& target)
{
    if (!bytes) {
        target = WideString();
        return;
    }
    if (byteCount == SQL_NTS_BYTES) {
        byteCount = EncodedLength(bytes, encoding);
    }
    if (byteCount <= 0) {
        target = WideString(u"");
        return;
    }
    if (encoding == ENC_UTF16LE) {
        icu::UnicodeString text;
        const int32_t units = byteCount / 2;
        char16_t* buffer = text.getBuffer(units);
        std::memcpy(buffer, bytes, static_cast<size_t>(units) * 2);
        text.releaseBuffer(units);
        target = WideString(std::move(text));
        return;
    }
    UConverter* converter = Acquire(encoding);
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text(bytes, byteCount, converter, status);
    if (U_FAILURE(status)) {
        ucnv_reset(converter);
        Release(encoding, converter);
        ThrowConversionError(u"ICUConvErr");
    }
    Release(encoding, converter);
    target = WideString(std::move(text));
}

int32_t StringConverter::GetEncodedSize(const char16_t* units, int32_t unitCount, EncodingType encoding)
{
    if (!units) {
        return 0;
    }
    if (encoding == ENC_UTF16LE) {
        return 2 * unitCount;
    }
    UConverter* converter = Acquire(encoding);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t size = ucnv_fromUChars(converter, nullptr, 0, units, unitCount, &status);
    if (U_FAILURE(status)) {
        ucnv_reset(converter);
    }
    Release(encoding, converter);
    return size;
}

int32_t StringConverter::GetEncodedSize(const WideString& text, EncodingType encoding)
{
    return GetEncodedSize(text.GetUnits(), text.GetLength(), encoding);
}

void StringConverter::ConvertToEncoding(const char16_t* units, int32_t unitCount, char* buffer, int32_t bufferSize,
    EncodingType encoding, int32_t& bytesWritten, bool& truncated)
{
    bytesWritten = 0;
    truncated = false;
    if (!units) {
        return;
    }
    if (encoding == ENC_UTF16LE) {
        const int64_t wanted = 2LL * unitCount;
        int64_t copied = bufferSize < wanted ? bufferSize : wanted;
        copied -= copied % 2;
        std::memcpy(buffer, units, static_cast<size_t>(copied));
        bytesWritten = static_cast<int32_t>(copied);
        truncated = copied < wanted;
        return;
    }
    UConverter* converter = Acquire(encoding);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t size = ucnv_fromUChars(converter, buffer, bufferSize, units, unitCount, &status);
    if (status == U_STRING_NOT_TERMINATED_WARNING) {
        status = U_ZERO_ERROR;
    }
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        ucnv_reset(converter);
        truncated = true;
        bytesWritten = bufferSize;
        Release(encoding, converter);
        return;
    }
    if (U_FAILURE(status)) {
        ucnv_reset(converter);
        Release(encoding, converter);
        ThrowConversionError(u"ICUConvErrNotRecog");
    }
    Release(encoding, converter);
    bytesWritten = size;
}

void StringConverter::ConvertToEncoding(const WideString& text, char* buffer, int32_t bufferSize, EncodingType encoding,
    int32_t& bytesWritten, bool& truncated)
{
    ConvertToEncoding(text.GetUnits(), text.GetLength(), buffer, bufferSize, encoding, bytesWritten, truncated);
}

int32_t MeasureZeroTerminated(const char* text, EncodingType encoding)
{
    if (!text) {
        return 0;
    }
    if (IsUnicodeEncoding(encoding)) {
        // Measured by whole code units: a zero byte inside a unit (as in
        // UTF-16BE "A", 00 41) does not end the text.
        const int32_t unit = UnitSize(encoding);
        int32_t units = 0;
        for (;; ++units) {
            const char* slot = text + static_cast<ptrdiff_t>(units) * unit;
            bool zero = true;
            for (int32_t b = 0; b < unit; ++b) {
                zero = zero && slot[b] == 0;
            }
            if (zero) {
                break;
            }
        }
        return units * unit;
    }
    return static_cast<int32_t>(std::strlen(text));
}

int32_t StringConverter::EncodedLength(const char* text, EncodingType encoding)
{
    return MeasureZeroTerminated(text, encoding);
}

bool StringConverter::WidenASCII(const char* ascii, int32_t count, EncodingType encoding, char* target,
    int32_t targetBytes, bool addTerminator, int32_t& bytesWritten)
{
    bytesWritten = 0;
    if (!IsUnicodeEncoding(encoding)) {
        return false;
    }
    const int32_t unit = UnitSize(encoding);
    const int64_t needed = static_cast<int64_t>(count + (addTerminator ? 1 : 0)) * unit;
    if (needed > targetBytes) {
        return false;
    }
    std::memset(target, 0, static_cast<size_t>(needed));
    for (int32_t i = 0; i < count; ++i) {
        char* slot = target + static_cast<ptrdiff_t>(i) * unit;
        slot[IsLittleEndian(encoding) ? 0 : unit - 1] = ascii[i];
    }
    bytesWritten = static_cast<int32_t>(needed);
    return true;
}

bool StringConverter::NarrowToASCII(
    const char* units, int32_t byteCount, EncodingType encoding, char* target, int32_t targetBytes)
{
    if (!IsUnicodeEncoding(encoding)) {
        return false;
    }
    const int32_t unit = UnitSize(encoding);
    const int32_t count = byteCount / unit;
    if (count + 1 > targetBytes) {
        return false;
    }
    bool allAscii = true;
    for (int32_t i = 0; i < count; ++i) {
        const char* slot = units + static_cast<ptrdiff_t>(i) * unit;
        const int32_t keep = IsLittleEndian(encoding) ? 0 : unit - 1;
        for (int32_t b = 0; b < unit; ++b) {
            if (b != keep && slot[b] != 0) {
                allAscii = false;
            }
        }
        target[i] = slot[keep];
    }
    target[count] = 0;
    return allAscii;
}

} // namespace Dravo::Support
