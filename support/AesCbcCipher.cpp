#include "support/AesCbcCipher.h"

#include <algorithm>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "support/ErrorException.h"

namespace Dravo::DriverSupport {

namespace {

constexpr int KEY_DERIVATION_ROUNDS = 5;

[[noreturn]] void RaiseCipherError(const char* step)
{
    throw Support::ErrorException(
        Support::DIAG_GENERAL_ERROR, Support::DS_COMPONENT_ID, "DSCipherError", {Support::WideString(step)});
}

// Key and vector only live as long as the set-up needs them.
struct DerivedKey {
    std::array<unsigned char, EVP_MAX_KEY_LENGTH> key{};
    std::array<unsigned char, EVP_MAX_IV_LENGTH> iv{};
    DerivedKey() = default;
    DerivedKey(const DerivedKey&) = delete;
    DerivedKey& operator=(const DerivedKey&) = delete;
    ~DerivedKey()
    {
        OPENSSL_cleanse(key.data(), key.size());
        OPENSSL_cleanse(iv.data(), iv.size());
    }
};

bool HasValidPadding(const std::string& block)
{
    const auto count = static_cast<unsigned char>(block.back());
    if (count == 0 || count > AesCbcCipher::BLOCK_SIZE) {
        return false;
    }
    return std::all_of(
        block.end() - count, block.end(), [count](char byte) { return static_cast<unsigned char>(byte) == count; });
}

} // namespace

void AesCbcCipher::StartCryptoLibrary()
{
    // Without a configuration file: OPENSSL_CONF in the environment of a
    // root-run tool would otherwise choose provider modules for it to load.
    static const int started = OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
    (void)started;
}

AesCbcCipher::AesCbcCipher(Direction direction, std::string_view passPhrase, const Salt& salt) : m_direction(direction)
{
    StartCryptoLibrary();
    if (passPhrase.size() < PASS_PHRASE_LENGTH) {
        throw Support::InvalidArgumentException(Support::DIAG_GENERAL_ERROR, Support::SUPPORT_COMPONENT_ID,
            "InvalidArgument", {"AesCbcCipher", "passPhrase"});
    }
    const EVP_CIPHER* cipher = EVP_aes_256_cbc();
    DerivedKey derived;
    if (EVP_BytesToKey(cipher, EVP_sha1(), salt.data(), reinterpret_cast<const unsigned char*>(passPhrase.data()),
            static_cast<int>(PASS_PHRASE_LENGTH), KEY_DERIVATION_ROUNDS, derived.key.data(), derived.iv.data())
        <= 0) {
        RaiseCipherError("EVP_BytesToKey");
    }
    m_context = EVP_CIPHER_CTX_new();
    if (!m_context) {
        RaiseCipherError("EVP_CIPHER_CTX_new");
    }
    const int encrypt = direction == Direction::Encrypt ? 1 : 0;
    if (EVP_CipherInit_ex(m_context, cipher, nullptr, derived.key.data(), derived.iv.data(), encrypt) != 1) {
        EVP_CIPHER_CTX_free(m_context);
        RaiseCipherError("EVP_CipherInit_ex");
    }
    if (direction == Direction::Decrypt) {
        // The hold-back and padding check are done here, block by block, because
        // OpenSSL 3 leaves the context unusable after a failed final step, and
        // the description file reader relies on carrying on after one.
        EVP_CIPHER_CTX_set_padding(m_context, 0);
    }
}

AesCbcCipher::~AesCbcCipher()
{
    EVP_CIPHER_CTX_free(m_context);
    if (!m_heldBlock.empty()) {
        OPENSSL_cleanse(m_heldBlock.data(), m_heldBlock.size());
    }
}

bool AesCbcCipher::Update(std::string_view input, std::string& output)
{
    if (input.empty()) {
        return true;
    }
    std::string released(input.size() + BLOCK_SIZE, '\0');
    int written = 0;
    if (EVP_CipherUpdate(m_context, reinterpret_cast<unsigned char*>(released.data()), &written,
            reinterpret_cast<const unsigned char*>(input.data()), static_cast<int>(input.size()))
        != 1) {
        return false;
    }
    released.resize(static_cast<size_t>(written));
    if (m_direction == Direction::Encrypt) {
        output += released;
        return true;
    }
    // The block held back last time is released now; the newest whole block is
    // held back in its place when the input ended on a block boundary, since it
    // may be the padded last one.
    output += m_heldBlock;
    m_heldBlock.clear();
    m_pendingBytes = (m_pendingBytes + input.size()) % BLOCK_SIZE;
    if (m_pendingBytes == 0 && released.size() >= BLOCK_SIZE) {
        m_heldBlock.assign(released, released.size() - BLOCK_SIZE, BLOCK_SIZE);
        released.resize(released.size() - BLOCK_SIZE);
    }
    output += released;
    OPENSSL_cleanse(released.data(), released.size());
    return true;
}

bool AesCbcCipher::Final(std::string& output)
{
    if (m_direction == Direction::Encrypt) {
        std::string last(BLOCK_SIZE, '\0');
        int written = 0;
        if (EVP_CipherFinal_ex(m_context, reinterpret_cast<unsigned char*>(last.data()), &written) != 1) {
            return false;
        }
        output.append(last, 0, static_cast<size_t>(written));
        return true;
    }
    // The held block stays held whatever the outcome, so a later Update
    // releases it as a middle block.
    if (m_pendingBytes != 0 || m_heldBlock.size() != BLOCK_SIZE || !HasValidPadding(m_heldBlock)) {
        return false;
    }
    const auto padding = static_cast<unsigned char>(m_heldBlock.back());
    output.append(m_heldBlock, 0, BLOCK_SIZE - padding);
    return true;
}

} // namespace Dravo::DriverSupport
