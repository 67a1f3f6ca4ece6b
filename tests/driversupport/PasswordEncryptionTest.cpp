#include "driversupport/PasswordEncryption.h"

#include <string>

#include <gtest/gtest.h>

#include "support/ErrorException.h"

namespace {

using Dravo::DriverSupport::PasswordEncryption;

// Expected cipher texts were derived outside this code base: EVP_BytesToKey
// (SHA-1, 5 rounds) written out in Python's hashlib, then the openssl command
// line (enc -aes-256-cbc -K key -iv iv) for the cipher itself.
struct KnownAnswer {
    std::string plainText;
    std::string cipherHex;
};

const KnownAnswer DEFAULT_KEY_ANSWERS[] = {
    {"a", "E5704C2E8B65C609E0CAEE75DD90D857"},
    {"secret", "362979835471AFB0F75F4CBFB5A24D2D"},
    {"0123456789ABCDEF", "5D6CFD51FDD8FA0A076D797F8E256FAAE5EADC3E6314511B4A57BBC638B7FC1B"},
    {std::string("\x00\x01\x02\xff\x80\n\r", 7), "FC47E20E446675C0DA977B81FB0ED90A"},
};

const std::string OTHER_PASS_PHRASE(32, 'Z');
const PasswordEncryption::Salt OTHER_SALT = {0, 1, 2, 3, 4, 5, 6, 7};

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST(PasswordEncryptionTest, DefaultKeyGivesTheKnownCipherTextsAndBack)
{
    for (const KnownAnswer& answer : DEFAULT_KEY_ANSWERS) {
        EXPECT_EQ(PasswordEncryption::EncryptToHex(answer.plainText), answer.cipherHex);
        const auto decrypted = PasswordEncryption::DecryptFromHex(answer.cipherHex);
        EXPECT_TRUE(decrypted.isComplete);
        EXPECT_EQ(decrypted.bytes, answer.plainText);
        // Stored values written by hand may be in lower case.
        EXPECT_EQ(PasswordEncryption::DecryptFromHex(Lower(answer.cipherHex)).bytes, answer.plainText);
    }
}

TEST(PasswordEncryptionTest, CallerPassPhraseAndSaltAreUsed)
{
    EXPECT_EQ(
        PasswordEncryption::EncryptToHex("secret", OTHER_PASS_PHRASE, &OTHER_SALT), "4B1E8EA6F342C30A9DA1312741263156");
    // Only the first 32 bytes of a longer pass phrase count.
    EXPECT_EQ(PasswordEncryption::EncryptToHex("secret", OTHER_PASS_PHRASE + "tail", &OTHER_SALT),
        "4B1E8EA6F342C30A9DA1312741263156");
    const auto decrypted =
        PasswordEncryption::DecryptFromHex("4B1E8EA6F342C30A9DA1312741263156", OTHER_PASS_PHRASE, &OTHER_SALT);
    EXPECT_TRUE(decrypted.isComplete);
    EXPECT_EQ(decrypted.bytes, "secret");
}

TEST(PasswordEncryptionTest, CipherTextLengthFollowsThePadding)
{
    EXPECT_EQ(PasswordEncryption::EncryptToHex(std::string(1, 'x')).size(), 32U);
    EXPECT_EQ(PasswordEncryption::EncryptToHex(std::string(15, 'x')).size(), 32U);
    EXPECT_EQ(PasswordEncryption::EncryptToHex(std::string(16, 'x')).size(), 64U);
    EXPECT_EQ(PasswordEncryption::EncryptBytes(std::string(33, 'x')).size(), 48U);
    const std::string hex = PasswordEncryption::EncryptToHex("password");
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
}

TEST(PasswordEncryptionTest, EmptyInputGivesEmptyOutput)
{
    EXPECT_EQ(PasswordEncryption::EncryptToHex(""), "");
    EXPECT_EQ(PasswordEncryption::EncryptBytes(""), "");
    const auto decrypted = PasswordEncryption::DecryptFromHex("");
    EXPECT_TRUE(decrypted.isComplete);
    EXPECT_EQ(decrypted.bytes, "");
}

TEST(PasswordEncryptionTest, EveryByteValueSurvivesARoundTrip)
{
    std::string all;
    for (int value = 0; value < 256; ++value) {
        all.push_back(static_cast<char>(value));
    }
    const auto decrypted = PasswordEncryption::DecryptFromHex(PasswordEncryption::EncryptToHex(all));
    EXPECT_TRUE(decrypted.isComplete);
    EXPECT_EQ(decrypted.bytes, all);
}

TEST(PasswordEncryptionTest, MalformedHexIsRejectedBeforeDeciphering)
{
    try {
        (void)PasswordEncryption::DecryptFromHex("ABC");
        FAIL() << "odd length accepted";
    } catch (const Dravo::DSI::DSIException& exception) {
        EXPECT_EQ(exception.GetMessageKey(), u"DSIHexToBinaryConversionOddLengthError");
    }
    try {
        (void)PasswordEncryption::DecryptFromHex("0G");
        FAIL() << "non-digit accepted";
    } catch (const Dravo::DSI::DSIException& exception) {
        EXPECT_EQ(exception.GetMessageKey(), u"DSIHexToBinaryConversionInvalidCharacterError");
        ASSERT_EQ(exception.GetParameters().size(), 1U);
        EXPECT_EQ(exception.GetParameters()[0], u"G");
    }
}

// The bytes described for an undecipherable value stay available, but the
// caller learns that the value did not decipher.
TEST(PasswordEncryptionTest, WrongKeyOrDamagedCipherTextIsReportedNotRaised)
{
    const std::string twoBlocks = PasswordEncryption::EncryptToHex("0123456789ABCDEF");

    const auto wrongPhrase = PasswordEncryption::DecryptFromHex(twoBlocks, OTHER_PASS_PHRASE);
    EXPECT_FALSE(wrongPhrase.isComplete);
    EXPECT_EQ(wrongPhrase.bytes.size(), 16U);
    EXPECT_NE(wrongPhrase.bytes, "0123456789ABCDEF");

    const auto wrongSalt =
        PasswordEncryption::DecryptFromHex("362979835471AFB0F75F4CBFB5A24D2D", std::nullopt, &OTHER_SALT);
    EXPECT_FALSE(wrongSalt.isComplete);
    EXPECT_EQ(wrongSalt.bytes, "");

    // Cut to a length that is no multiple of the block size: only whole
    // blocks before the cut come back.
    const auto cut = PasswordEncryption::DecryptFromHex(twoBlocks.substr(0, 40));
    EXPECT_FALSE(cut.isComplete);
    EXPECT_EQ(cut.bytes, "0123456789ABCDEF");

    // A damaged last block spoils only the padding check.
    std::string damaged = twoBlocks;
    damaged[40] = damaged[40] == '0' ? '1' : '0';
    const auto flipped = PasswordEncryption::DecryptFromHex(damaged);
    EXPECT_FALSE(flipped.isComplete);
    EXPECT_EQ(flipped.bytes, "0123456789ABCDEF");
}

TEST(PasswordEncryptionTest, ShortPassPhraseIsRefusedInsteadOfOverread)
{
    EXPECT_THROW(
        (void)PasswordEncryption::EncryptToHex("secret", "too short"), Dravo::Support::InvalidArgumentException);
    EXPECT_THROW((void)PasswordEncryption::DecryptFromHex("362979835471AFB0F75F4CBFB5A24D2D", std::string(31, 'k')),
        Dravo::Support::InvalidArgumentException);
}

} // namespace
