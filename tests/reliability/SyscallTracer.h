// Test helper: runs a program under ptrace, stopping at its system calls, so
// that a test can act at an exact point of its run (another process changes
// the file while it waits at its first write, it is killed at its N-th system
// call) whatever the speed of the machine.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/app/ToolRun.h"
#include "tests/common/ProgramRun.h"

namespace Dravo::Test {

/// One stop at the entry to or the exit from a system call.
struct SyscallStop {
    bool entry = false;
    int64_t number = -1;
    uint64_t arguments[6] = {};
};

/// Every change to a hive, and every save to the driver's configuration
/// file, begins with taking the writers' lock.
inline bool IsWriterLock(const SyscallStop& stop)
{
    return stop.entry && stop.number == SYS_flock && (stop.arguments[1] & LOCK_EX) != 0;
}

class SyscallTracer {
public:
    /// Starts the program stopped right after exec. Standard input holds
    /// input; output and errors are collected. The sanitizers' leak check
    /// attaches with ptrace itself, which a traced process cannot allow.
    SyscallTracer(const std::filesystem::path& program, const std::vector<std::string>& arguments,
        std::map<std::string, std::optional<std::string>> environment, const std::string& input = {})
    {
        environment["ASAN_OPTIONS"] = "detect_leaks=0:abort_on_error=1";
        std::vector<std::string> texts{program.string()};
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& text : texts) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> environmentTexts = MergedEnvironment(environment);
        std::vector<char*> envp;
        for (std::string& text : environmentTexts) {
            envp.push_back(text.data());
        }
        envp.push_back(nullptr);

        char inputName[] = "/tmp/dravo-trace-stdin-XXXXXX";
        const int inputFile = ::mkstemp(inputName);
        m_outputFile = std::tmpfile();
        m_errorFile = std::tmpfile();
        if (inputFile < 0 || !m_outputFile || !m_errorFile) {
            return;
        }
        ::unlink(inputName);
        if (!input.empty() && ::write(inputFile, input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
            ::close(inputFile);
            return;
        }
        ::lseek(inputFile, 0, SEEK_SET);

        m_pid = ::fork();
        if (m_pid == 0) {
            ::setsid();
            ::dup2(inputFile, STDIN_FILENO);
            ::dup2(::fileno(m_outputFile), STDOUT_FILENO);
            ::dup2(::fileno(m_errorFile), STDERR_FILENO);
            ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(inputFile);
        int status = 0;
        if (m_pid < 0 || ::waitpid(m_pid, &status, 0) != m_pid || !WIFSTOPPED(status)) {
            m_pid = -1;
            return;
        }
        ::ptrace(PTRACE_SETOPTIONS, m_pid, nullptr,
            reinterpret_cast<void*>(static_cast<uintptr_t>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL)));
    }
    SyscallTracer(const SyscallTracer&) = delete;
    SyscallTracer& operator=(const SyscallTracer&) = delete;
    ~SyscallTracer()
    {
        if (Running()) {
            Kill();
        }
        if (m_outputFile) {
            std::fclose(m_outputFile);
        }
        if (m_errorFile) {
            std::fclose(m_errorFile);
        }
    }

    [[nodiscard]] bool Running() const { return m_pid > 0 && !m_exitCode; }
    /// System call stops passed so far.
    [[nodiscard]] int64_t Stops() const { return m_stops; }

    /// Lets the program run to its next system call stop; false once it ended.
    bool Step(SyscallStop* stop = nullptr)
    {
        while (Running()) {
            if (::ptrace(PTRACE_SYSCALL, m_pid, nullptr, reinterpret_cast<void*>(static_cast<uintptr_t>(m_signal)))
                != 0) {
                return false;
            }
            m_signal = 0;
            int status = 0;
            if (::waitpid(m_pid, &status, 0) != m_pid) {
                return false;
            }
            if (WIFEXITED(status) || WIFSIGNALED(status)) {
                m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return false;
            }
            if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
                // A signal for the program: deliver it on the next resume.
                m_signal = WSTOPSIG(status);
                continue;
            }
            ++m_stops;
            if (stop) {
                __ptrace_syscall_info info{};
                if (::ptrace(PTRACE_GET_SYSCALL_INFO, m_pid, reinterpret_cast<void*>(sizeof info), &info) > 0) {
                    *stop = SyscallStop{};
                    stop->entry = info.op == PTRACE_SYSCALL_INFO_ENTRY;
                    if (stop->entry) {
                        stop->number = static_cast<int64_t>(info.entry.nr);
                        for (int i = 0; i < 6; ++i) {
                            stop->arguments[i] = info.entry.args[i];
                        }
                    }
                }
            }
            return true;
        }
        return false;
    }

    /// Runs until a stop that the test accepts; false when the program ended first.
    bool RunTo(const std::function<bool(const SyscallStop&)>& wanted)
    {
        SyscallStop stop;
        while (Step(&stop)) {
            if (wanted(stop)) {
                return true;
            }
        }
        return false;
    }

    /// Sends a signal to the program; it arrives when the program runs on.
    void SendSignal(int signal) const
    {
        if (Running()) {
            ::kill(m_pid, signal);
        }
    }

    void Kill()
    {
        if (!Running()) {
            return;
        }
        ::kill(m_pid, SIGKILL);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) == m_pid && !WIFEXITED(status) && !WIFSIGNALED(status)) {}
        m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    /// Bytes of the stopped program's memory (the buffer of a write, say);
    /// fewer when part of the range is not readable.
    std::string ReadMemory(uint64_t address, size_t length) const
    {
        std::string bytes(length, '\0');
        iovec local{bytes.data(), length};
        iovec remote{reinterpret_cast<void*>(static_cast<uintptr_t>(address)), length};
        const ssize_t got = ::process_vm_readv(m_pid, &local, 1, &remote, 1, 0);
        bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return bytes;
    }

    /// At the entry to a system call: the call is not made, and the program
    /// sees it fail (ENOSYS). False where this machine's registers are not
    /// known to the helper, and at any other stop.
    bool FailCall(const SyscallStop& stop)
    {
#if defined(__x86_64__)
        if (!stop.entry) {
            return false;
        }
        // The kernel reads the call's number back from orig_rax after the
        // stop; one that names no call is answered with ENOSYS.
        return ::ptrace(PTRACE_POKEUSER, m_pid, reinterpret_cast<void*>(offsetof(user_regs_struct, orig_rax)),
                   reinterpret_cast<void*>(static_cast<intptr_t>(-1)))
            == 0;
#else
        (void)stop;
        return false;
#endif
    }

    /// The zero-terminated text at an address of the stopped program.
    std::string ReadText(uint64_t address) const
    {
        const std::string bytes = ReadMemory(address, 4096);
        return bytes.substr(0, bytes.find('\0'));
    }

    /// True at the entry to a write (write or pwrite) whose bytes hold text.
    bool IsWriteOf(const SyscallStop& stop, const std::string& text) const
    {
        if (!stop.entry || (stop.number != SYS_write && stop.number != SYS_pwrite64)) {
            return false;
        }
        return ReadMemory(stop.arguments[1], static_cast<size_t>(stop.arguments[2])).find(text) != std::string::npos;
    }

    /// Lets the program run on untraced to its end and gives what it did.
    ProgramRun Finish()
    {
        if (Running()) {
            ::ptrace(PTRACE_DETACH, m_pid, nullptr, reinterpret_cast<void*>(static_cast<uintptr_t>(m_signal)));
            int status = 0;
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {}
            m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        ProgramRun run;
        run.exitCode = m_exitCode.value_or(-1);
        run.output = ReadAll(m_outputFile);
        run.errors = ReadAll(m_errorFile);
        return run;
    }

private:
    static std::string ReadAll(std::FILE* file)
    {
        std::string text;
        if (!file) {
            return text;
        }
        std::fflush(file);
        std::rewind(file);
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            text.append(buffer, got);
        }
        return text;
    }

    pid_t m_pid = -1;
    int m_signal = 0;
    int64_t m_stops = 0;
    std::optional<int> m_exitCode;
    std::FILE* m_outputFile = nullptr;
    std::FILE* m_errorFile = nullptr;
};

} // namespace Dravo::Test
