// Test helper: runs a program with arguments (no shell) and collects its exit
// code and output, and places a copy of a program in another directory so it
// finds the files put beside it there.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Dravo::Test {

struct ProgramRun {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

namespace Detail {

inline std::string DrainPipe(int descriptor)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(count));
    }
    ::close(descriptor);
    return text;
}

} // namespace Detail

/// Standard error goes to a file so that neither pipe can fill up and block.
inline ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments)
{
    ProgramRun run;
    int outputPipe[2];
    if (::pipe(outputPipe) != 0) {
        return run;
    }
    char errorName[] = "/tmp/dravo-test-stderr-XXXXXX";
    const int errorFile = ::mkstemp(errorName);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outputPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errorFile, STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, outputPipe[0]);

    std::vector<std::string> texts{program.string()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outputPipe[1]);
    run.output = Detail::DrainPipe(outputPipe[0]);
    if (spawned == 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    ::lseek(errorFile, 0, SEEK_SET);
    run.errors = Detail::DrainPipe(errorFile);
    ::unlink(errorName);
    return run;
}

/// A program built into the test tree: tests/NAME or bin/NAME.
inline std::filesystem::path BuiltProgram(const std::string& relativePath)
{
    const char* binaryDir = std::getenv("DRAVO_TEST_BINARY_DIR");
    return std::filesystem::path(binaryDir ? binaryDir : ".") / relativePath;
}

/// Copies the program into directory and returns the copy's path.
inline std::filesystem::path CopyProgramInto(
    const std::filesystem::path& program, const std::filesystem::path& directory)
{
    const std::filesystem::path copy = directory / program.filename();
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
}

} // namespace Dravo::Test
