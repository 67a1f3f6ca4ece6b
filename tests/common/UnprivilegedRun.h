// Test helper: runs checks in a child process as a user without rights on
// files the test owns: "nobody" when the tests run as root (for whom
// permission bits stop nothing), else the test's own user. The child's report
// comes back as text.
#pragma once

#include <functional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace Dravo::Test {

/// The user id the checks run as.
inline uid_t UnprivilegedUserId()
{
    return ::geteuid() == 0 ? 65534 : ::geteuid();
}

inline std::string RunUnprivileged(const std::function<std::string()>& checks)
{
    int channel[2];
    if (::pipe(channel) != 0) {
        return "pipe failed";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(7);
        }
        const std::string report = checks();
        size_t written = 0;
        while (written < report.size()) {
            const ssize_t count = ::write(channel[1], report.data() + written, report.size() - written);
            if (count <= 0) {
                ::_exit(8);
            }
            written += static_cast<size_t>(count);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[256];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "child failed with status " + std::to_string(status);
    }
    return report;
}

} // namespace Dravo::Test
