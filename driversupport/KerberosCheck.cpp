#include "driversupport/KerberosCheck.h"

#include <gssapi/gssapi.h>
#include <krb5.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/SharedLibrary.h"

namespace Dravo::DriverSupport {
namespace {

constexpr const char* GSSAPI_LIBRARY = "libgssapi_krb5.so.2";
constexpr const char* KRB5_LIBRARY = "libkrb5.so.3";
/// Beyond this the clocks differ more than a tidy network lets them.
constexpr long SKEW_WARNING_SECONDS = 60;
/// MIT's default allowance; a client library that does not make up for the
/// difference is refused past it.
constexpr long SKEW_LIMIT_SECONDS = 300;
constexpr long EXPIRY_WARNING_SECONDS = 600;

// The object identifiers, written out so that nothing but the functions is
// taken from the library.
gss_OID_desc KRB5_MECHANISM = {9, const_cast<char*>("\x2a\x86\x48\x86\xf7\x12\x01\x02\x02")};
gss_OID_desc SPNEGO_MECHANISM = {6, const_cast<char*>("\x2b\x06\x01\x05\x05\x02")};
gss_OID_desc KRB5_PRINCIPAL_NAME = {10, const_cast<char*>("\x2a\x86\x48\x86\xf7\x12\x01\x02\x02\x01")};

/// MIT Kerberos's functions, from the libraries loaded once for the process.
struct KerberosLibrary {
    std::string missing;
#define DRAVO_KERBEROS_FUNCTION(name) decltype(&::name) name = nullptr
    DRAVO_KERBEROS_FUNCTION(krb5_init_context);
    DRAVO_KERBEROS_FUNCTION(krb5_free_context);
    DRAVO_KERBEROS_FUNCTION(krb5_cc_default);
    DRAVO_KERBEROS_FUNCTION(krb5_cc_close);
    DRAVO_KERBEROS_FUNCTION(krb5_cc_get_full_name);
    DRAVO_KERBEROS_FUNCTION(krb5_cc_get_principal);
    DRAVO_KERBEROS_FUNCTION(krb5_cc_start_seq_get);
    DRAVO_KERBEROS_FUNCTION(krb5_cc_next_cred);
    DRAVO_KERBEROS_FUNCTION(krb5_cc_end_seq_get);
    DRAVO_KERBEROS_FUNCTION(krb5_free_cred_contents);
    DRAVO_KERBEROS_FUNCTION(krb5_free_principal);
    DRAVO_KERBEROS_FUNCTION(krb5_unparse_name);
    DRAVO_KERBEROS_FUNCTION(krb5_free_unparsed_name);
    DRAVO_KERBEROS_FUNCTION(krb5_free_string);
    DRAVO_KERBEROS_FUNCTION(krb5_is_config_principal);
    DRAVO_KERBEROS_FUNCTION(krb5_get_time_offsets);
    DRAVO_KERBEROS_FUNCTION(krb5_timeofday);
    DRAVO_KERBEROS_FUNCTION(krb5_get_error_message);
    DRAVO_KERBEROS_FUNCTION(krb5_free_error_message);
    DRAVO_KERBEROS_FUNCTION(gss_import_name);
    DRAVO_KERBEROS_FUNCTION(gss_release_name);
    DRAVO_KERBEROS_FUNCTION(gss_init_sec_context);
    DRAVO_KERBEROS_FUNCTION(gss_delete_sec_context);
    DRAVO_KERBEROS_FUNCTION(gss_release_buffer);
    DRAVO_KERBEROS_FUNCTION(gss_display_status);
#undef DRAVO_KERBEROS_FUNCTION
};

const KerberosLibrary& LoadKerberos()
{
    static const KerberosLibrary library = [] {
        KerberosLibrary loaded;
        std::string reason;
        // By full path, the system's directory first, then Red Hat's.
        const auto load = [&reason](const char* name) {
            OS::SharedLibraryHandle handle = OS::LoadSharedLibrary(OS::GetSystemLibraryPath(name), reason);
            std::string ignored;
            return handle ? handle : OS::LoadSharedLibrary(std::string("/usr/lib64/") + name, ignored);
        };
        // Kept loaded for the process: its threads and caches outlive a check.
        const OS::SharedLibraryHandle krb5 = load(KRB5_LIBRARY);
        const OS::SharedLibraryHandle gss = krb5 ? load(GSSAPI_LIBRARY) : nullptr;
        if (!gss) {
            loaded.missing = reason;
            return loaded;
        }
        const auto find = [&](auto& function, OS::SharedLibraryHandle from, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                OS::FindSharedLibraryFunction(from, name));
            if (!function && loaded.missing.empty()) {
                loaded.missing = std::string(name) + " is not in the MIT Kerberos library";
            }
        };
#define DRAVO_FIND(library, name) find(loaded.name, library, #name)
        DRAVO_FIND(krb5, krb5_init_context);
        DRAVO_FIND(krb5, krb5_free_context);
        DRAVO_FIND(krb5, krb5_cc_default);
        DRAVO_FIND(krb5, krb5_cc_close);
        DRAVO_FIND(krb5, krb5_cc_get_full_name);
        DRAVO_FIND(krb5, krb5_cc_get_principal);
        DRAVO_FIND(krb5, krb5_cc_start_seq_get);
        DRAVO_FIND(krb5, krb5_cc_next_cred);
        DRAVO_FIND(krb5, krb5_cc_end_seq_get);
        DRAVO_FIND(krb5, krb5_free_cred_contents);
        DRAVO_FIND(krb5, krb5_free_principal);
        DRAVO_FIND(krb5, krb5_unparse_name);
        DRAVO_FIND(krb5, krb5_free_unparsed_name);
        DRAVO_FIND(krb5, krb5_free_string);
        DRAVO_FIND(krb5, krb5_is_config_principal);
        DRAVO_FIND(krb5, krb5_get_time_offsets);
        DRAVO_FIND(krb5, krb5_timeofday);
        DRAVO_FIND(krb5, krb5_get_error_message);
        DRAVO_FIND(krb5, krb5_free_error_message);
        DRAVO_FIND(gss, gss_import_name);
        DRAVO_FIND(gss, gss_release_name);
        DRAVO_FIND(gss, gss_init_sec_context);
        DRAVO_FIND(gss, gss_delete_sec_context);
        DRAVO_FIND(gss, gss_release_buffer);
        DRAVO_FIND(gss, gss_display_status);
#undef DRAVO_FIND
        return loaded;
    }();
    return library;
}

std::string Time(krb5_timestamp stamp)
{
    using namespace std::chrono;
    const sys_seconds moment{seconds{static_cast<uint32_t>(stamp)}};
    const auto day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{moment - day};
    char text[40];
    (void)std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02ld UTC", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<long>(clock.hours().count()), static_cast<long>(clock.minutes().count()),
        static_cast<long>(clock.seconds().count()));
    return text;
}

std::string Duration(long seconds)
{
    if (seconds < 120) {
        return std::to_string(seconds) + " s";
    }
    if (seconds < 7200) {
        return std::to_string(seconds / 60) + " min";
    }
    return std::to_string(seconds / 3600) + " h";
}

/// The GSS-API's words for a status.
std::string StatusText(const KerberosLibrary& library, OM_uint32 major, OM_uint32 minor)
{
    std::string text;
    const auto append = [&](OM_uint32 code, int type, gss_OID mechanism) {
        OM_uint32 context = 0;
        do {
            OM_uint32 ignored = 0;
            gss_buffer_desc buffer = GSS_C_EMPTY_BUFFER;
            if (library.gss_display_status(&ignored, code, type, mechanism, &context, &buffer) != GSS_S_COMPLETE) {
                break;
            }
            const std::string part(static_cast<const char*>(buffer.value), buffer.length);
            library.gss_release_buffer(&ignored, &buffer);
            if (!part.empty() && part != "Unknown error") {
                text += (text.empty() ? "" : ": ") + part;
            }
        } while (context != 0);
    };
    // The mechanism's words are the KDC's own; the general ones only
    // when there are none.
    if (minor != 0) {
        append(minor, GSS_C_MECH_CODE, &KRB5_MECHANISM);
    }
    if (text.empty()) {
        append(major, GSS_C_GSS_CODE, GSS_C_NO_OID);
    }
    return text;
}

/// One check, on a thread of its own so that a KDC that does not answer
/// costs no more than the deadline.
class KerberosPass {
public:
    KerberosPass(const KerberosLibrary& library, KerberosCheckRequest request)
        : m_library(library), m_request(std::move(request))
    {
    }

    KerberosCheckResult Run()
    {
        KerberosCheckResult result;
        krb5_context context = nullptr;
        if (const krb5_error_code code = m_library.krb5_init_context(&context); code != 0) {
            result.detail = "Kerberos cannot start: error " + std::to_string(code) + " (krb5.conf, or KRB5_CONFIG)";
            result.hint = "check krb5.conf (KRB5_CONFIG names another)";
            return result;
        }
        m_context = context;
        if (CheckTicketGrantingTicket(result)) {
            GetServiceTicket(result);
        }
        m_library.krb5_free_context(context);
        return result;
    }

private:
    std::string Krb5Message(krb5_error_code code) const
    {
        const char* text = m_library.krb5_get_error_message(m_context, code);
        std::string message = text ? text : "error " + std::to_string(code);
        m_library.krb5_free_error_message(m_context, text);
        return message;
    }

    std::string Name(krb5_const_principal principal) const
    {
        char* text = nullptr;
        if (m_library.krb5_unparse_name(m_context, principal, &text) != 0 || !text) {
            return "?";
        }
        std::string name = text;
        m_library.krb5_free_unparsed_name(m_context, text);
        return name;
    }

    /// The cache's principal, its ticket-granting ticket for the realm, the
    /// ticket's time left and the clock's offset from the KDC's.
    bool CheckTicketGrantingTicket(KerberosCheckResult& result)
    {
        const char* variable = std::getenv("KRB5CCNAME");
        const std::string kinit = "kinit USER" + std::string(m_request.realm.empty() ? "" : "@" + m_request.realm)
            + " gets a ticket-granting ticket" + (variable ? " (into the cache KRB5CCNAME names)" : "");
        krb5_ccache cache = nullptr;
        if (const krb5_error_code code = m_library.krb5_cc_default(m_context, &cache); code != 0) {
            result.detail = "no credential cache: " + Krb5Message(code);
            result.hint = kinit;
            return false;
        }
        char* fullName = nullptr;
        std::string cacheName = "the default credential cache";
        if (m_library.krb5_cc_get_full_name(m_context, cache, &fullName) == 0 && fullName) {
            cacheName = fullName;
            m_library.krb5_free_string(m_context, fullName);
        }
        krb5_principal client = nullptr;
        if (const krb5_error_code code = m_library.krb5_cc_get_principal(m_context, cache, &client); code != 0) {
            result.detail = "no ticket-granting ticket: " + Krb5Message(code);
            result.hint = kinit;
            m_library.krb5_cc_close(m_context, cache);
            return false;
        }
        const std::string clientName = Name(client);
        const std::string clientRealm = clientName.substr(clientName.rfind('@') + 1);
        m_library.krb5_free_principal(m_context, client);
        const std::string realm = m_request.realm.empty() ? clientRealm : m_request.realm;
        // The ticket for the realm itself, else the one for the client's
        // realm, through which a ticket of another realm is asked for.
        const std::string wanted = "krbtgt/" + realm + "@" + clientRealm;
        const std::string home = "krbtgt/" + clientRealm + "@" + clientRealm;
        std::string found;
        krb5_timestamp ends = 0;
        krb5_cc_cursor cursor = nullptr;
        if (m_library.krb5_cc_start_seq_get(m_context, cache, &cursor) == 0) {
            krb5_creds credentials{};
            while (m_library.krb5_cc_next_cred(m_context, cache, &cursor, &credentials) == 0) {
                if (!m_library.krb5_is_config_principal(m_context, credentials.server)) {
                    const std::string server = Name(credentials.server);
                    if (server == wanted || (server == home && found != wanted)) {
                        found = server;
                        ends = credentials.times.endtime;
                    }
                }
                m_library.krb5_free_cred_contents(m_context, &credentials);
            }
            m_library.krb5_cc_end_seq_get(m_context, cache, &cursor);
        }
        m_library.krb5_cc_close(m_context, cache);
        const std::string where = " in " + cacheName;
        if (found.empty()) {
            result.detail = clientName + " has no ticket-granting ticket" + where;
            result.hint = kinit;
            return false;
        }
        // The offset kinit found between this clock and the KDC's, kept in
        // the cache; MIT makes up for it, other clients may not.
        krb5_timestamp offset = 0;
        krb5_int32 microseconds = 0;
        (void)m_library.krb5_get_time_offsets(m_context, &offset, &microseconds);
        krb5_timestamp now = 0;
        (void)m_library.krb5_timeofday(m_context, &now);
        const long left = static_cast<long>(ends) - static_cast<long>(now);
        if (left <= 0) {
            result.detail = "the ticket-granting ticket of " + clientName + where + " expired at " + Time(ends);
            result.hint = "kinit gets a new one (kinit -R renews a renewable one)";
            return false;
        }
        m_detail = clientName + " has " + found + " until " + Time(ends) + where;
        if (found != wanted) {
            m_detail += " (KrbRealm " + realm + " is reached across realms)";
        }
        const long skew = static_cast<long>(offset);
        if (skew > SKEW_WARNING_SECONDS || skew < -SKEW_WARNING_SECONDS) {
            m_warning = "this machine's clock is " + Duration(skew < 0 ? -skew : skew)
                + (skew > 0 ? " behind" : " ahead of") + " the KDC's"
                + (skew > SKEW_LIMIT_SECONDS || skew < -SKEW_LIMIT_SECONDS
                        ? ", past the 5 minutes that Kerberos allows a client that does not make up for it"
                        : "");
            m_warningHint = "set this machine's clock (an NTP client such as chrony or systemd-timesyncd)";
        } else if (left < EXPIRY_WARNING_SECONDS) {
            m_warning = "the ticket-granting ticket expires in " + Duration(left);
            m_warningHint = "kinit gets a new one before it runs out";
        }
        return true;
    }

    std::string GssMessage(OM_uint32 major, OM_uint32 minor) const { return StatusText(m_library, major, minor); }

    void GetServiceTicket(KerberosCheckResult& result)
    {
        std::string principal = m_request.serviceName + "/" + m_request.hostName;
        if (!m_request.realm.empty()) {
            principal += "@" + m_request.realm;
        }
        OM_uint32 minor = 0;
        gss_buffer_desc nameText{principal.size(), principal.data()};
        gss_name_t name = GSS_C_NO_NAME;
        OM_uint32 major = m_library.gss_import_name(&minor, &nameText, &KRB5_PRINCIPAL_NAME, &name);
        if (GSS_ERROR(major)) {
            result.detail = "the principal " + principal + " cannot be read: " + GssMessage(major, minor);
            result.hint = "KrbServiceName, KrbHostFQDN and KrbRealm: the server's principal";
            return;
        }
        gss_ctx_id_t security = GSS_C_NO_CONTEXT;
        gss_buffer_desc token = GSS_C_EMPTY_BUFFER;
        major = m_library.gss_init_sec_context(&minor, GSS_C_NO_CREDENTIAL, &security, name,
            m_request.negotiate ? &SPNEGO_MECHANISM : &KRB5_MECHANISM, GSS_C_MUTUAL_FLAG, 0, GSS_C_NO_CHANNEL_BINDINGS,
            GSS_C_NO_BUFFER, nullptr, &token, nullptr, nullptr);
        OM_uint32 ignored = 0;
        if (GSS_ERROR(major)) {
            m_library.gss_release_name(&ignored, &name);
            const std::string said = GssMessage(major, minor);
            result.detail = m_detail + "; no service ticket for " + principal + ": " + said;
            if (said.find("skew") != std::string::npos || said.find("not yet valid") != std::string::npos) {
                result.hint = "set this machine's clock (an NTP client such as chrony or systemd-timesyncd)";
            } else if (said.find("not found in Kerberos database") != std::string::npos) {
                result.hint = "KrbServiceName and KrbHostFQDN: the server's principal as the KDC knows it (kvno "
                    + principal + ")";
            } else if (said.find("KDC") != std::string::npos || said.find("realm") != std::string::npos) {
                result.hint = "KrbRealm, and its KDC in krb5.conf ([realms] kdc =)";
            } else {
                result.hint = "kvno " + principal + " says the same; KrbServiceName, KrbHostFQDN, KrbRealm";
            }
        } else {
            result.token.assign(static_cast<const char*>(token.value), token.length);
            result.confirmServer = KeptContext(security, name);
            security = GSS_C_NO_CONTEXT;
            result.detail = m_detail + "; a service ticket for " + principal;
            result.status = DiagnosisStatus::Ok;
            if (!m_warning.empty()) {
                result.status = DiagnosisStatus::Warning;
                result.detail = m_warning + "; " + result.detail;
                result.hint = m_warningHint;
            }
        }
        m_library.gss_release_buffer(&ignored, &token);
        if (security != GSS_C_NO_CONTEXT) {
            m_library.gss_delete_sec_context(&ignored, &security, GSS_C_NO_BUFFER);
        }
    }

    /// The half-made context, kept until the server's answer completes it;
    /// asking again after that is an error of the GSS-API's own.
    std::function<std::string(const std::string&)> KeptContext(gss_ctx_id_t security, gss_name_t name) const
    {
        struct Context {
            const KerberosLibrary& library;
            gss_ctx_id_t handle;
            gss_name_t name;
            Context(const KerberosLibrary& from, gss_ctx_id_t security, gss_name_t target)
                : library(from), handle(security), name(target)
            {
            }
            Context(const Context&) = delete;
            Context& operator=(const Context&) = delete;
            ~Context()
            {
                OM_uint32 ignored = 0;
                library.gss_delete_sec_context(&ignored, &handle, GSS_C_NO_BUFFER);
                library.gss_release_name(&ignored, &name);
            }
        };
        const auto kept = std::make_shared<Context>(m_library, security, name);
        const KerberosLibrary& library = m_library;
        const bool negotiate = m_request.negotiate;
        return [kept, &library, negotiate](const std::string& answer) -> std::string {
            OM_uint32 minor = 0;
            gss_buffer_desc input{answer.size(), const_cast<char*>(answer.data())};
            gss_buffer_desc output = GSS_C_EMPTY_BUFFER;
            const OM_uint32 major = library.gss_init_sec_context(&minor, GSS_C_NO_CREDENTIAL, &kept->handle, kept->name,
                negotiate ? &SPNEGO_MECHANISM : &KRB5_MECHANISM, GSS_C_MUTUAL_FLAG, 0, GSS_C_NO_CHANNEL_BINDINGS,
                &input, nullptr, &output, nullptr, nullptr);
            OM_uint32 ignored = 0;
            library.gss_release_buffer(&ignored, &output);
            if (major == GSS_S_COMPLETE) {
                return {};
            }
            if (!GSS_ERROR(major)) {
                return "the server's answer leaves the exchange unfinished";
            }
            return StatusText(library, major, minor);
        };
    }

    const KerberosLibrary& m_library;
    KerberosCheckRequest m_request;
    krb5_context m_context = nullptr;
    std::string m_detail;
    std::string m_warning;
    std::string m_warningHint;
};

struct KerberosRun {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    KerberosCheckResult result;
};

} // namespace

KerberosCheckResult CheckKerberos(const KerberosCheckRequest& request, OS::NetworkDeadline deadline)
{
    KerberosCheckResult result;
    if (request.serviceName.empty() || request.hostName.empty()) {
        result.detail = std::string(request.serviceName.empty() ? "KrbServiceName" : "KrbHostFQDN") + " is not set";
        result.hint = "KrbServiceName and KrbHostFQDN: the server's principal is SERVICE/HOST@REALM";
        return result;
    }
    const KerberosLibrary& library = LoadKerberos();
    if (!library.missing.empty()) {
        result.status = DiagnosisStatus::Skipped;
        result.detail = "MIT Kerberos cannot be loaded (" + library.missing
            + "); the tickets are checked where libgssapi-krb5-2 (krb5-libs) is installed";
        return result;
    }
    auto run = std::make_shared<KerberosRun>();
    std::thread([run, &library, request] {
        KerberosCheckResult found = KerberosPass(library, request).Run();
        const std::lock_guard guard(run->lock);
        run->result = std::move(found);
        run->finished = true;
        run->done.notify_all();
    }).detach();
    std::unique_lock guard(run->lock);
    if (!run->done.wait_until(guard, deadline, [&] { return run->finished; })) {
        result.detail = "the KDC did not answer in time";
        result.hint = "KrbRealm, and its KDC in krb5.conf ([realms] kdc =): is it up and reachable?";
        return result;
    }
    return run->result;
}

} // namespace Dravo::DriverSupport
