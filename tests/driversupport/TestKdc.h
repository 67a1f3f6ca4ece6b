// Test helper: a real MIT KDC (krb5kdc) on 127.0.0.1 with a realm of its own,
// in a temporary directory: its database, a krb5.conf naming it, keytabs for
// the principals the test adds, and KRB5_CONFIG, KRB5_KDC_PROFILE,
// KRB5CCNAME and KRB5RCACHEDIR pointing there while the helper lives. The KDC is stopped and
// the directory removed when it goes. No root is needed.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/common/LoopbackPort.h"
#include "tests/common/ProgramRun.h"
#include "tests/common/TempDir.h"

extern char** environ;

namespace Dravo::Test {

class TestKdc {
public:
    static constexpr const char* REALM = "DRAVO.TEST";

    TestKdc()
        : m_config("KRB5_CONFIG", (m_directory.Path() / "krb5.conf").string()),
          m_profile("KRB5_KDC_PROFILE", (m_directory.Path() / "kdc.conf").string()),
          m_cache("KRB5CCNAME", "FILE:" + (m_directory.Path() / "ccache").string()),
          m_replayCache("KRB5RCACHEDIR", m_directory.Path().string())
    {
        m_port = UnusedLoopbackPort();
        const std::string dir = m_directory.Path().string();
        const std::string port = std::to_string(m_port);
        MoveKdcTo(m_port);
        std::ofstream(m_directory.Path() / "kdc.conf")
            << "[kdcdefaults]\n kdc_ports = " << port << "\n kdc_tcp_ports = " << port << "\n"
            << "[realms]\n " << REALM << " = {\n  database_name = " << dir << "/principal\n  key_stash_file = " << dir
            << "/stash\n  acl_file = " << dir << "/kadm5.acl\n }\n"
            << "[logging]\n kdc = FILE:" << dir << "/kdc.log\n";
        if (Run("/usr/sbin/kdb5_util", {"create", "-s", "-r", REALM, "-P", "master-pw"}).exitCode != 0) {
            return;
        }
        std::vector<std::string> argv = {"/usr/sbin/krb5kdc", "-n", "-r", REALM};
        std::vector<char*> pointers;
        for (std::string& argument : argv) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        if (::posix_spawn(&m_child, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) {
            m_child = -1;
            return;
        }
        // Ready when its TCP port takes a connection.
        m_ready = WaitUntilLoopbackPortAnswers(m_port, std::chrono::seconds(10));
    }
    TestKdc(const TestKdc&) = delete;
    TestKdc& operator=(const TestKdc&) = delete;
    ~TestKdc()
    {
        if (m_child > 0) {
            ::kill(m_child, SIGTERM);
            int status = 0;
            ::waitpid(m_child, &status, 0);
        }
    }

    /// Names PORT as the realm's KDC in krb5.conf; TCP first, so that a
    /// server of the test's can stand in.
    void MoveKdcTo(uint16_t port) const
    {
        std::ofstream(m_directory.Path() / "krb5.conf")
            << "[libdefaults]\n default_realm = " << REALM
            << "\n dns_lookup_kdc = false\n dns_lookup_realm = false\n rdns = false\n"
               " dns_canonicalize_hostname = false\n udp_preference_limit = 1\n"
            << "[realms]\n " << REALM << " = {\n  kdc = 127.0.0.1:" << port << "\n }\n";
    }

    [[nodiscard]] bool Ready() const { return m_ready; }
    [[nodiscard]] const std::filesystem::path& Directory() const { return m_directory.Path(); }

    /// Adds NAME with a random key and writes it to a keytab of its own.
    std::filesystem::path AddPrincipal(const std::string& name)
    {
        const std::filesystem::path keytab = m_directory.Path() / (Flat(name) + ".keytab");
        (void)Run("/usr/sbin/kadmin.local", {"-q", "addprinc -randkey " + name});
        (void)Run("/usr/sbin/kadmin.local", {"-q", "ktadd -k " + keytab.string() + " " + name});
        return keytab;
    }

    /// kinit for NAME from its keytab into the test's cache; LIFETIME as
    /// kinit -l takes it when given; CLOCK_OFFSET ("-600s") runs kinit with
    /// a clock that much off, through faketime.
    ProgramRun Kinit(const std::string& name, const std::string& lifetime = "", const std::string& clockOffset = "")
    {
        std::vector<std::string> arguments = {"-k", "-t", (m_directory.Path() / (Flat(name) + ".keytab")).string()};
        if (!lifetime.empty()) {
            arguments.insert(arguments.end(), {"-l", lifetime});
        }
        arguments.push_back(name);
        if (clockOffset.empty()) {
            return Run("/usr/bin/kinit", arguments);
        }
        arguments.insert(arguments.begin(), {"-f", clockOffset, "/usr/bin/kinit"});
        return Run("/usr/bin/faketime", arguments);
    }

private:
    static std::string Flat(std::string name)
    {
        for (char& character : name) {
            character = character == '/' || character == '@' ? '_' : character;
        }
        return name;
    }

    static ProgramRun Run(const std::string& program, const std::vector<std::string>& arguments)
    {
        return RunProgram(program, arguments);
    }

    TempDir m_directory;
    ScopedEnv m_config;
    ScopedEnv m_profile;
    ScopedEnv m_cache;
    // The servers' replay cache, which would be left in /var/tmp.
    ScopedEnv m_replayCache;
    uint16_t m_port = 0;
    pid_t m_child = -1;
    bool m_ready = false;
};

} // namespace Dravo::Test
