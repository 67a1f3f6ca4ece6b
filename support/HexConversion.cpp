#include "support/HexConversion.h"

#include "support/ErrorException.h"

namespace Dravo::Support {
namespace {

constexpr char HEX_DIGITS[] = "0123456789ABCDEF";

uint8_t DigitValue(char c)
{
    if (c >= 'a' && c <= 'f') {
        c = static_cast<char>(c - 'a' + 'A');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<uint8_t>(c - 'A' + 10);
    }
    if (c >= '0' && c <= '9') {
        return static_cast<uint8_t>(c - '0');
    }
    // The byte becomes the code unit of the same value, so that any byte can
    // be named in the message without a decoding error of its own.
    const char16_t unit = static_cast<char16_t>(static_cast<uint8_t>(c));
    throw DSI::DSIException(DIAG_GENERAL_ERROR, DSI_COMPONENT_ID,
        WideString(u"DSIHexToBinaryConversionInvalidCharacterError"), {WideString(&unit, 1)}, -1, -1);
}

} // namespace

void BinaryToHex(const uint8_t* bytes, size_t count, char* out)
{
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = HEX_DIGITS[bytes[i] >> 4];
        out[2 * i + 1] = HEX_DIGITS[bytes[i] & 0x0F];
    }
}

void HexToBinary(const char* text, size_t length, uint8_t* out)
{
    if (length % 2 != 0) {
        throw DSI::DSIException(DSI_COMPONENT_ID, WideString(u"DSIHexToBinaryConversionOddLengthError"));
    }
    for (size_t i = 0; i < length; i += 2) {
        const uint8_t high = DigitValue(text[i]);
        const uint8_t low = DigitValue(text[i + 1]);
        out[i / 2] = static_cast<uint8_t>(high * 16 + low);
    }
}

std::string BinaryToHex(std::string_view bytes)
{
    std::string hex(bytes.size() * 2, '\0');
    BinaryToHex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), hex.data());
    return hex;
}

std::string HexToBinary(std::string_view text)
{
    std::string bytes(text.size() / 2, '\0');
    HexToBinary(text.data(), text.size(), reinterpret_cast<uint8_t*>(bytes.data()));
    return bytes;
}

} // namespace Dravo::Support
