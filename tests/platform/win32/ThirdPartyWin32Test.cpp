// The static third-party libraries of the Windows build: ICU with only the
// data the program keeps, and OpenSSL's libcrypto.
#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <string>

#include "support/EncodingTable.h"

namespace Dravo::Support {
namespace {

TEST(ThirdPartyWin32Test, EveryConverterOfTheEncodingTableIsInTheData)
{
    for (int32_t index = 0; index < ENCODING_COUNT; ++index) {
        const std::string name = GetEncodingName(static_cast<EncodingType>(index));
        if (name == "ISO-646-IRV") {
            continue; // no ICU build knows it
        }
        UErrorCode status = U_ZERO_ERROR;
        UConverter* converter = ucnv_open(name.c_str(), &status);
        EXPECT_TRUE(U_SUCCESS(status)) << name << ": " << u_errorName(status);
        if (U_FAILURE(status)) {
            continue;
        }
        // A round trip of plain letters and digits, which every one of them maps.
        const char16_t text[] = u"Az09";
        char bytes[64] = {};
        const int32_t length = ucnv_fromUChars(converter, bytes, sizeof bytes, text, 4, &status);
        EXPECT_TRUE(U_SUCCESS(status)) << name << ": " << u_errorName(status);
        char16_t back[16] = {};
        const int32_t units = ucnv_toUChars(converter, back, 16, bytes, length, &status);
        EXPECT_TRUE(U_SUCCESS(status)) << name;
        EXPECT_EQ(std::u16string(back, static_cast<size_t>(units)), u"Az09") << name;
        ucnv_close(converter);
    }
}

TEST(ThirdPartyWin32Test, EbcdicAndCaseFoldingGiveKnownResults)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* ebcdic = ucnv_open("IBM037", &status);
    ASSERT_TRUE(U_SUCCESS(status));
    char bytes[8] = {};
    const int32_t length = ucnv_fromUChars(ebcdic, bytes, sizeof bytes, u"Hi!", 3, &status);
    ucnv_close(ebcdic);
    ASSERT_EQ(length, 3);
    EXPECT_EQ(std::string(bytes, 3), "\xC8\x89\x5A");

    icu::UnicodeString folded(u"Stra\u00DFe \u0130STANBUL");
    folded.foldCase();
    std::string utf8;
    folded.toUTF8String(utf8);
    EXPECT_EQ(utf8, "strasse i\xCC\x87stanbul");
}

TEST(ThirdPartyWin32Test, KeyDerivationMatchesOpenSslEverywhere)
{
    unsigned char key[32] = {};
    unsigned char iv[16] = {};
    const unsigned char password[] = "password";
    const int size = EVP_BytesToKey(EVP_aes_256_cbc(), EVP_md5(), nullptr, password, 8, 1, key, iv);
    ASSERT_EQ(size, 32);
    // The first MD5 block of EVP_BytesToKey without salt is MD5("password").
    const unsigned char expected[16] = {
        0x5f, 0x4d, 0xcc, 0x3b, 0x5a, 0xa7, 0x65, 0xd6, 0x1d, 0x83, 0x27, 0xde, 0xb8, 0x82, 0xcf, 0x99};
    EXPECT_EQ(std::string(reinterpret_cast<char*>(key), 16), std::string(reinterpret_cast<const char*>(expected), 16));
}

} // namespace
} // namespace Dravo::Support
