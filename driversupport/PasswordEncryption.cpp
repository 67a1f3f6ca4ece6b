#include "driversupport/PasswordEncryption.h"

#include "support/ErrorException.h"
#include "support/HexConversion.h"

namespace Dravo::DriverSupport {

namespace {

// The driver deciphers stored passwords with these same constants.
constexpr std::string_view DEFAULT_PASS_PHRASE = "Hk3!Vb8#Nm1$Cx6%Gf4^Jt9&Rw2*Ep7(";
constexpr PasswordEncryption::Salt DEFAULT_SALT = {0x5A, 0x17, 0xC3, 0x08, 0x9E, 0x41, 0xB2, 0x6D};

AesCbcCipher MakeCipher(
    AesCbcCipher::Direction direction, std::optional<std::string_view> passPhrase, const PasswordEncryption::Salt* salt)
{
    return AesCbcCipher(direction, passPhrase.value_or(DEFAULT_PASS_PHRASE), salt ? *salt : DEFAULT_SALT);
}

} // namespace

std::string PasswordEncryption::EncryptBytes(
    std::string_view plainText, std::optional<std::string_view> passPhrase, const Salt* salt)
{
    if (plainText.empty()) {
        return {};
    }
    AesCbcCipher cipher = MakeCipher(AesCbcCipher::Direction::Encrypt, passPhrase, salt);
    std::string cipherText;
    cipherText.reserve(plainText.size() + AesCbcCipher::BLOCK_SIZE);
    if (!cipher.Update(plainText, cipherText) || !cipher.Final(cipherText)) {
        throw Support::ErrorException(
            Support::DIAG_GENERAL_ERROR, Support::DS_COMPONENT_ID, "DSCipherError", {"EVP_Encrypt"});
    }
    return cipherText;
}

DecryptedBytes PasswordEncryption::DecryptBytes(
    std::string_view cipherText, std::optional<std::string_view> passPhrase, const Salt* salt)
{
    DecryptedBytes result;
    if (cipherText.empty()) {
        return result;
    }
    AesCbcCipher cipher = MakeCipher(AesCbcCipher::Direction::Decrypt, passPhrase, salt);
    result.isComplete = cipher.Update(cipherText, result.bytes);
    result.isComplete = cipher.Final(result.bytes) && result.isComplete;
    return result;
}

std::string PasswordEncryption::EncryptToHex(
    std::string_view plainText, std::optional<std::string_view> passPhrase, const Salt* salt)
{
    return Support::BinaryToHex(EncryptBytes(plainText, passPhrase, salt));
}

DecryptedBytes PasswordEncryption::DecryptFromHex(
    std::string_view hexText, std::optional<std::string_view> passPhrase, const Salt* salt)
{
    if (hexText.empty()) {
        return {};
    }
    return DecryptBytes(Support::HexToBinary(hexText), passPhrase, salt);
}

} // namespace Dravo::DriverSupport
