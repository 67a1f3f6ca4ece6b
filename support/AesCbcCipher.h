// One AES-256-CBC cipher context whose key and initialisation vector come from
// a 32-byte pass phrase and an 8-byte salt through EVP_BytesToKey over SHA-1
// with 5 iterations. Stored passwords and the product description file are
// both enciphered this way; the driver deciphers them with the same recipe, so
// nothing here may change the bytes produced.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct evp_cipher_ctx_st;

namespace Dravo::DriverSupport {

class AesCbcCipher {
public:
    static constexpr size_t PASS_PHRASE_LENGTH = 32;
    static constexpr size_t SALT_LENGTH = 8;
    static constexpr size_t BLOCK_SIZE = 16;
    using Salt = std::array<uint8_t, SALT_LENGTH>;

    enum class Direction { Encrypt, Decrypt };

    /// Only the first PASS_PHRASE_LENGTH bytes of the pass phrase are used; a
    /// shorter one raises InvalidArgumentException rather than reading past it.
    /// Raises ErrorException "DSCipherError" when OpenSSL cannot set up.
    AesCbcCipher(Direction direction, std::string_view passPhrase, const Salt& salt);
    /// Starts OpenSSL without reading any configuration file; done by the
    /// first cipher, and at start-up before anything else may start it.
    static void StartCryptoLibrary();
    AesCbcCipher(const AesCbcCipher&) = delete;
    AesCbcCipher& operator=(const AesCbcCipher&) = delete;
    ~AesCbcCipher();

    /// Appends what the cipher releases for this input to output. Deciphering
    /// holds back the newest whole block (it may be the padded last one) and
    /// releases it on the next Update.
    [[nodiscard]] bool Update(std::string_view input, std::string& output);
    /// Enciphering: appends the padded last block. Deciphering: when the input
    /// so far ends on a block boundary and the held block carries valid
    /// padding, appends it without the padding and returns true; otherwise
    /// appends nothing and returns false. Either way the held block stays held,
    /// so Update may carry on after a Final that failed.
    [[nodiscard]] bool Final(std::string& output);

private:
    evp_cipher_ctx_st* m_context = nullptr;
    Direction m_direction;
    std::string m_heldBlock;
    size_t m_pendingBytes = 0;
};

} // namespace Dravo::DriverSupport
