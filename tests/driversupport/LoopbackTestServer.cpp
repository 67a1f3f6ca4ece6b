// A test server on 127.0.0.1 for the connection diagnosis: it stands in for
// the servers Debian does not package, speaking just enough of each protocol.
// It prints its port on the first line of standard output, serves each
// connection on a thread of its own, and ends by itself after 60 seconds.
//
//   http PATH=STATUS...   answers a request to PATH with STATUS; 401 paths
//                         take "Basic" credentials alice:s3cret, or a
//                         "Negotiate" token that the GSS-API accepts with the
//                         keytab KRB5_KTNAME names, and answer 200 with them;
//                         unknown paths 404
//   sasl                  the Thrift SASL framing around the real SASL
//                         library (Cyrus libsasl2) as service "spark" on
//                         server.dravo.test: PLAIN for alice:s3cret, and
//                         GSSAPI with the keytab KRB5_KTNAME names
//   sasl-pretend          answers any SASL start with OK and bytes of its
//                         own, as a server would that says yes to a ticket
//                         it holds no key to read
//   binary                answers any bytes with a Thrift exception message
//   silent                accepts, and never says anything
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <thread>

#include <gssapi/gssapi.h>
#include <sasl/sasl.h>

namespace {

constexpr int LIFETIME_SECONDS = 60;
constexpr int CONNECTION_MILLISECONDS = 5000;

/// Reads what arrives within the connection's time, until COMPLETE is true.
template <class Complete> std::string ReadUntil(int socket, Complete complete)
{
    std::string bytes;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(CONNECTION_MILLISECONDS);
    while (!complete(bytes) && bytes.size() < 65536) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd entry{socket, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char buffer[4096];
        const ssize_t count = ::recv(socket, buffer, sizeof buffer, 0);
        if (count <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(count));
    }
    return bytes;
}

void SendAll(int socket, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) {
            return;
        }
        sent += static_cast<size_t>(count);
    }
}

std::string Frame(char status, const std::string& payload)
{
    std::string frame(1, status);
    const auto length = static_cast<uint32_t>(payload.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        frame.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    return frame + payload;
}

/// The payload length of the frame at OFFSET, or -1 while it is incomplete.
long FrameEnd(const std::string& bytes, size_t offset)
{
    if (bytes.size() < offset + 5) {
        return -1;
    }
    uint32_t length = 0;
    for (size_t index = offset + 1; index < offset + 5; ++index) {
        length = (length << 8) | static_cast<unsigned char>(bytes[index]);
    }
    return bytes.size() < offset + 5 + length ? -1 : static_cast<long>(offset + 5 + length);
}

std::string Base64Decode(const std::string& text)
{
    static const std::string DIGITS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    uint32_t bits = 0;
    int count = 0;
    for (const char character : text) {
        const size_t value = DIGITS.find(character);
        if (value == std::string::npos) {
            break;
        }
        bits = (bits << 6) | static_cast<uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return bytes;
}

/// The first token of a SPNEGO or Kerberos context, taken with the keytab.
bool AcceptsKerberos(const std::string& token)
{
    OM_uint32 minor = 0;
    gss_ctx_id_t context = GSS_C_NO_CONTEXT;
    gss_buffer_desc input{token.size(), const_cast<char*>(token.data())};
    gss_buffer_desc output = GSS_C_EMPTY_BUFFER;
    const OM_uint32 major = gss_accept_sec_context(&minor, &context, GSS_C_NO_CREDENTIAL, &input,
        GSS_C_NO_CHANNEL_BINDINGS, nullptr, nullptr, &output, nullptr, nullptr, nullptr);
    OM_uint32 ignored = 0;
    gss_release_buffer(&ignored, &output);
    if (context != GSS_C_NO_CONTEXT) {
        gss_delete_sec_context(&ignored, &context, GSS_C_NO_BUFFER);
    }
    return major == GSS_S_COMPLETE;
}

int CheckPassword(sasl_conn_t*, void*, const char* user, const char* password, unsigned length, struct propctx*)
{
    return std::string(user) == "alice" && std::string(password, length) == "s3cret" ? SASL_OK : SASL_BADAUTH;
}

int GetOption(void*, const char*, const char* option, const char** result, unsigned* length)
{
    // No password database: the check above is the only one.
    if (std::strcmp(option, "pwcheck_method") == 0) {
        *result = "auxprop";
    } else if (std::strcmp(option, "auxprop_plugin") == 0) {
        *result = "none";
    } else if (std::strcmp(option, "mech_list") == 0) {
        *result = "PLAIN GSSAPI";
    } else {
        return SASL_FAIL;
    }
    if (length) {
        *length = static_cast<unsigned>(std::strlen(*result));
    }
    return SASL_OK;
}

/// The library's callback slot, untyped as the library declares it.
template <class Function> int (*Callback(Function* function))()
{
    return reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(function));
}

sasl_callback_t SASL_CALLBACKS[] = {
    {SASL_CB_GETOPT, Callback(&GetOption), nullptr},
    {SASL_CB_SERVER_USERDB_CHECKPASS, Callback(&CheckPassword), nullptr},
    {SASL_CB_LIST_END, nullptr, nullptr},
};

void ServeHttp(int socket, const std::map<std::string, int>& statuses)
{
    // Bytes that start no request (a TLS hello) are answered at once, as
    // HTTP servers do.
    const std::string request = ReadUntil(socket, [](const std::string& bytes) {
        return bytes.find("\r\n\r\n") != std::string::npos || (!bytes.empty() && (bytes[0] < 'A' || bytes[0] > 'Z'));
    });
    const size_t space = request.find(' ');
    const size_t end = request.find(' ', space + 1);
    const std::string path =
        space == std::string::npos || end == std::string::npos ? "" : request.substr(space + 1, end - space - 1);
    const auto found = statuses.find(path);
    int status = found == statuses.end() ? (path.empty() ? 400 : 404) : found->second;
    // "alice:s3cret"
    if (status == 401 && request.find("\r\nAuthorization: Basic YWxpY2U6czNjcmV0\r\n") != std::string::npos) {
        status = 200;
    }
    const std::string negotiate = "\r\nAuthorization: Negotiate ";
    if (const size_t at = request.find(negotiate); status == 401 && at != std::string::npos) {
        const size_t start = at + negotiate.size();
        if (AcceptsKerberos(Base64Decode(request.substr(start, request.find("\r\n", start) - start)))) {
            status = 200;
        }
    }
    const char* reason = status == 200 ? "OK"
        : status == 400                ? "Bad Request"
        : status == 401                ? "Unauthorized"
        : status == 404                ? "Not Found"
                                       : "Other";
    std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Length: 0\r\n";
    if (status == 401) {
        answer += "WWW-Authenticate: Basic realm=\"test\"\r\nWWW-Authenticate: Negotiate\r\n";
    }
    if (status == 302) {
        answer += "Location: https://127.0.0.1/elsewhere\r\n";
    }
    SendAll(socket, answer + "Connection: close\r\n\r\n");
}

void ServeSasl(int socket, bool pretend)
{
    const std::string bytes = ReadUntil(socket, [](const std::string& read) {
        if (!read.empty() && (read[0] < 1 || read[0] > 5)) {
            return true;
        }
        const long start = FrameEnd(read, 0);
        return start >= 0 && FrameEnd(read, static_cast<size_t>(start)) >= 0;
    });
    // As Thrift's SASL servers do, a status that is none is answered with an
    // error frame.
    if (!bytes.empty() && (bytes[0] < 1 || bytes[0] > 5)) {
        SendAll(
            socket, Frame(4, "Invalid status " + std::to_string(static_cast<int>(static_cast<signed char>(bytes[0])))));
        return;
    }
    const long start = FrameEnd(bytes, 0);
    if (bytes.empty() || bytes[0] != 1 || start < 0) {
        SendAll(socket, Frame(4, "expected a SASL start"));
        return;
    }
    const std::string mechanism = bytes.substr(5, static_cast<size_t>(start) - 5);
    const long response = FrameEnd(bytes, static_cast<size_t>(start));
    const std::string credentials =
        response < 0 ? "" : bytes.substr(static_cast<size_t>(start) + 5, static_cast<size_t>(response - start - 5));
    if (pretend) {
        SendAll(socket, Frame(2, std::string("\x60\x0b\x06\x09", 4) + "pretended"));
        return;
    }
    sasl_conn_t* connection = nullptr;
    if (sasl_server_new("spark", "server.dravo.test", nullptr, nullptr, nullptr, SASL_CALLBACKS, 0, &connection)
        != SASL_OK) {
        SendAll(socket, Frame(4, "the SASL library would not start"));
        return;
    }
    const char* out = nullptr;
    unsigned outLength = 0;
    const int result = sasl_server_start(
        connection, mechanism.c_str(), credentials.data(), static_cast<unsigned>(credentials.size()), &out, &outLength);
    // As Thrift's SASL servers answer: the library's words after their own.
    if (result == SASL_OK) {
        SendAll(socket, Frame(5, std::string(out ? out : "", outLength)));
    } else if (result == SASL_CONTINUE) {
        SendAll(socket, Frame(2, std::string(out ? out : "", outLength)));
    } else {
        SendAll(socket, Frame(3, std::string("Error validating the login: ") + sasl_errdetail(connection)));
    }
    sasl_dispose(&connection);
}

void ServeBinary(int socket)
{
    (void)ReadUntil(socket, [](const std::string& bytes) { return bytes.size() >= 8; });
    SendAll(socket,
        std::string("\x80\x01\x00\x03\x00\x00\x00\x0b"
                    "dravo_probe\x00\x00\x00\x01\x00",
            24));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s http PATH=STATUS... | sasl | sasl-pretend | binary | silent\n", argv[0]);
        return 64;
    }
    const std::string mode = argv[1];
    std::map<std::string, int> statuses;
    for (int index = 2; index < argc; ++index) {
        const std::string word = argv[index];
        const size_t equals = word.find('=');
        if (equals != std::string::npos) {
            statuses[word.substr(0, equals)] = std::stoi(word.substr(equals + 1));
        }
    }
    if (mode == "sasl" && sasl_server_init(SASL_CALLBACKS, "dravo-test") != SASL_OK) {
        std::fprintf(stderr, "the SASL library would not start\n");
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    ::alarm(LIFETIME_SECONDS);
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener, 16) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("listen");
        return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(ntohs(address.sin_port)));
    std::fflush(stdout);
    for (;;) {
        const int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            continue;
        }
        std::thread([socket, mode, statuses] {
            if (mode == "http") {
                ServeHttp(socket, statuses);
            } else if (mode == "sasl" || mode == "sasl-pretend") {
                ServeSasl(socket, mode == "sasl-pretend");
            } else if (mode == "binary") {
                ServeBinary(socket);
            } else {
                // Silent: hold the connection until the client gives up.
                (void)ReadUntil(socket, [](const std::string&) { return false; });
            }
            ::close(socket);
        }).detach();
    }
}
