#include "driversupport/TlsCertificate.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <ctime>
#include <memory>

namespace Dravo::DriverSupport {
namespace {

std::string FormatTime(const ASN1_TIME* time)
{
    std::tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) {
        return "?";
    }
    char text[32] = {};
    (void)std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &parts);
    return text;
}

std::string FormatName(const X509_NAME* name)
{
    BIO* memory = BIO_new(BIO_s_mem());
    if (!memory) {
        return "";
    }
    (void)X509_NAME_print_ex(memory, name, 0, XN_FLAG_RFC2253);
    char* data = nullptr;
    const long length = BIO_get_mem_data(memory, &data);
    std::string text(data, static_cast<size_t>(std::max(0L, length)));
    BIO_free(memory);
    return text;
}

std::vector<std::string> SubjectNames(X509* certificate)
{
    std::vector<std::string> names;
    auto* general = static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    if (general) {
        for (int index = 0; index < sk_GENERAL_NAME_num(general); ++index) {
            const GENERAL_NAME* name = sk_GENERAL_NAME_value(general, index);
            if (name->type == GEN_DNS) {
                const ASN1_IA5STRING* text = name->d.dNSName;
                names.emplace_back(reinterpret_cast<const char*>(ASN1_STRING_get0_data(text)),
                    static_cast<size_t>(ASN1_STRING_length(text)));
            } else if (name->type == GEN_IPADD && ASN1_STRING_length(name->d.iPAddress) == 4) {
                const unsigned char* bytes = ASN1_STRING_get0_data(name->d.iPAddress);
                names.push_back(std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "."
                    + std::to_string(bytes[2]) + "." + std::to_string(bytes[3]));
            } else if (name->type == GEN_IPADD) {
                names.emplace_back("an IPv6 address");
            }
        }
        GENERAL_NAMES_free(general);
    }
    return names;
}

} // namespace

bool IsNumericAddress(const std::string& host)
{
    return host.find(':') != std::string::npos
        || (!host.empty() && host.find_first_not_of("0123456789.") == std::string::npos);
}

std::string LastOpenSslReason()
{
    const unsigned long error = ERR_peek_last_error();
    const char* reason = ERR_reason_error_string(error);
    return reason ? reason : "unknown error";
}

void DescribeServerCertificate(X509* certificate, const std::string& host, TlsHandshakeOutcome& outcome)
{
    outcome.subject = FormatName(X509_get_subject_name(certificate));
    outcome.issuer = FormatName(X509_get_issuer_name(certificate));
    outcome.names = SubjectNames(certificate);
    outcome.notBefore = FormatTime(X509_get0_notBefore(certificate));
    outcome.notAfter = FormatTime(X509_get0_notAfter(certificate));
    outcome.expired = X509_cmp_current_time(X509_get0_notAfter(certificate)) < 0;
    outcome.notYetValid = X509_cmp_current_time(X509_get0_notBefore(certificate)) > 0;
    int days = 0;
    int seconds = 0;
    if (ASN1_TIME_diff(&days, &seconds, nullptr, X509_get0_notAfter(certificate)) == 1) {
        outcome.daysLeft = days;
    }
    outcome.nameMatches = IsNumericAddress(host)
        ? X509_check_ip_asc(certificate, host.c_str(), 0) == 1
        : X509_check_host(certificate, host.c_str(), host.size(), 0, nullptr) == 1;
}

bool VerifyServerChain(X509* certificate, STACK_OF(X509) * untrusted, const std::string& trustedFile,
    TlsHandshakeOutcome& outcome, std::string& error)
{
    const std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
    const std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> context(
        X509_STORE_CTX_new(), X509_STORE_CTX_free);
    if (!store || !context) {
        error = LastOpenSslReason();
        return false;
    }
    ERR_clear_error();
    if (!trustedFile.empty() && X509_STORE_load_file(store.get(), trustedFile.c_str()) != 1) {
        error = trustedFile + ": " + LastOpenSslReason();
        return false;
    }
    if (X509_STORE_CTX_init(context.get(), store.get(), certificate, untrusted) != 1) {
        error = LastOpenSslReason();
        return false;
    }
    // The purpose a TLS client checks, as its handshake would.
    (void)X509_STORE_CTX_set_purpose(context.get(), X509_PURPOSE_SSL_SERVER);
    outcome.verifyCode = X509_verify_cert(context.get()) == 1 ? X509_V_OK : X509_STORE_CTX_get_error(context.get());
    outcome.verifyText = X509_verify_cert_error_string(outcome.verifyCode);
    outcome.selfSigned = outcome.verifyCode == X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT
        || outcome.verifyCode == X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN;
    return true;
}

} // namespace Dravo::DriverSupport
