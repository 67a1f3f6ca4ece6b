// Test helper: certificates made with OpenSSL for the TLS cases, written as
// PEM files: an authority, and server or client certificates it issues (or
// that sign themselves) with the names and the validity the test chooses.
#pragma once

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace Dravo::Test {

class TestCertificate {
public:
    /// A new key, and a certificate for CN with the subject names NAMES
    /// ("DNS:localhost", "IP:127.0.0.1"), valid from FROM_DAYS to UNTIL_DAYS
    /// around now; issued by ISSUER, or by itself when there is none.
    TestCertificate(const std::string& commonName, const std::vector<std::string>& names, long fromDays, long untilDays,
        const TestCertificate* issuer, bool authority = false)
    {
        m_key = EVP_EC_gen("P-256");
        m_certificate = X509_new();
        X509_set_version(m_certificate, 2);
        static long serial = 1;
        ASN1_INTEGER_set(X509_get_serialNumber(m_certificate), ++serial);
        X509_gmtime_adj(X509_getm_notBefore(m_certificate), fromDays * 86400);
        X509_gmtime_adj(X509_getm_notAfter(m_certificate), untilDays * 86400);
        X509_set_pubkey(m_certificate, m_key);
        X509_NAME* name = X509_get_subject_name(m_certificate);
        X509_NAME_add_entry_by_txt(
            name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
        X509_set_issuer_name(m_certificate, issuer ? X509_get_subject_name(issuer->m_certificate) : name);
        X509V3_CTX context;
        X509V3_set_ctx_nodb(&context);
        X509V3_set_ctx(&context, issuer ? issuer->m_certificate : m_certificate, m_certificate, nullptr, nullptr, 0);
        const auto add = [&](int nid, const std::string& value) {
            if (X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str())) {
                X509_add_ext(m_certificate, extension, -1);
                X509_EXTENSION_free(extension);
            }
        };
        add(NID_basic_constraints, authority ? "critical,CA:TRUE" : "CA:FALSE");
        std::string alternatives;
        for (const std::string& entry : names) {
            alternatives += (alternatives.empty() ? "" : ",") + entry;
        }
        if (!alternatives.empty()) {
            add(NID_subject_alt_name, alternatives);
        }
        X509_sign(m_certificate, issuer ? issuer->m_key : m_key, EVP_sha256());
    }
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;
    ~TestCertificate()
    {
        X509_free(m_certificate);
        EVP_PKEY_free(m_key);
    }

    void WriteCertificate(const std::filesystem::path& path) const
    {
        FILE* file = std::fopen(path.string().c_str(), "w");
        PEM_write_X509(file, m_certificate);
        std::fclose(file);
    }

    /// The key, enciphered with PASSWORD when there is one.
    void WriteKey(const std::filesystem::path& path, const std::string& password = {}) const
    {
        FILE* file = std::fopen(path.string().c_str(), "w");
        PEM_write_PrivateKey(file, m_key, password.empty() ? nullptr : EVP_aes_128_cbc(),
            password.empty() ? nullptr : reinterpret_cast<const unsigned char*>(password.data()),
            static_cast<int>(password.size()), nullptr, nullptr);
        std::fclose(file);
    }

private:
    EVP_PKEY* m_key = nullptr;
    X509* m_certificate = nullptr;
};

} // namespace Dravo::Test
