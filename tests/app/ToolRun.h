// Test helper: runs dravo-spark-config as a child in a session of its own (so
// it has no controlling terminal), with a chosen environment, a script on
// standard input and its output collected.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/common/ProgramRun.h"

extern char** environ;

namespace Dravo::Test {

struct ToolRunOptions {
    std::vector<std::string> arguments;
    /// Written to standard input; nothing leaves it empty.
    std::string input;
    /// Changes to the inherited environment; nullopt removes a variable.
    std::map<std::string, std::optional<std::string>> environment;
    /// Runs the program through this command line prefix (e.g. setpriv).
    std::vector<std::string> wrapper;
};

inline std::vector<std::string> MergedEnvironment(const std::map<std::string, std::optional<std::string>>& changes)
{
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos) {
            merged[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            merged[name] = *value;
        } else {
            merged.erase(name);
        }
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : merged) {
        result.push_back(name + "=" + value);
    }
    return result;
}

inline ProgramRun RunTool(const std::filesystem::path& program, const ToolRunOptions& options)
{
    ProgramRun run;
    char inputName[] = "/tmp/dravo-test-stdin-XXXXXX";
    char outputName[] = "/tmp/dravo-test-stdout-XXXXXX";
    char errorName[] = "/tmp/dravo-test-stderr-XXXXXX";
    const int inputFile = ::mkstemp(inputName);
    const int outputFile = ::mkstemp(outputName);
    const int errorFile = ::mkstemp(errorName);
    if (inputFile < 0 || outputFile < 0 || errorFile < 0) {
        return run;
    }
    if (!options.input.empty()
        && ::write(inputFile, options.input.data(), options.input.size())
            != static_cast<ssize_t>(options.input.size())) {
        return run;
    }
    ::lseek(inputFile, 0, SEEK_SET);
    // Others (setpriv to an unprivileged user) must be able to use them.
    ::fchmod(inputFile, 0644);
    ::fchmod(outputFile, 0666);
    ::fchmod(errorFile, 0666);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inputFile, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputFile, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errorFile, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    std::vector<std::string> texts = options.wrapper;
    texts.push_back(program.string());
    texts.insert(texts.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environmentTexts = MergedEnvironment(options.environment);
    std::vector<char*> envp;
    for (std::string& text : environmentTexts) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned == 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    ::close(inputFile);
    ::lseek(outputFile, 0, SEEK_SET);
    run.output = Detail::DrainPipe(outputFile);
    ::lseek(errorFile, 0, SEEK_SET);
    run.errors = Detail::DrainPipe(errorFile);
    ::unlink(inputName);
    ::unlink(outputName);
    ::unlink(errorName);
    return run;
}

inline std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

} // namespace Dravo::Test
