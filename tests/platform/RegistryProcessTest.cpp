// The registry shared by processes: writers killed at any moment, writers and
// readers at the same time, and a user who may not write.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <random>
#include <sched.h>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/RegistryFileParser.h"
#include "tests/platform/RegistryTestSupport.h"

namespace Dravo::Test {
namespace {

using OS::RegistryHive;
using OS::RegistryKey;

constexpr int SLOTS = 8;

std::u16string SlotName(int slot)
{
    return u"Slot" + std::u16string(1, static_cast<char16_t>(u'0' + slot));
}

/// "gen<i>:" and a padding whose length follows from i, so that a value
/// made of two writes cannot pass for either.
std::u16string Payload(long generation)
{
    const std::string head = "gen" + std::to_string(generation) + ":";
    std::u16string text(head.begin(), head.end());
    text.append(static_cast<size_t>((generation * 7919) % 6000), static_cast<char16_t>(u'a' + generation % 26));
    return text;
}

long GenerationOf(const std::u16string& text)
{
    const size_t colon = text.find(u':');
    if (text.rfind(u"gen", 0) != 0 || colon == std::u16string::npos) {
        return -1;
    }
    const std::string digits(text.begin() + 3, text.begin() + static_cast<std::ptrdiff_t>(colon));
    const long generation = std::stol(digits);
    return Payload(generation) == text ? generation : -1;
}

bool WriteAll(int fd, const void* data, size_t size)
{
    return ::write(fd, data, size) == static_cast<ssize_t>(size);
}

class RegistryProcessTest : public RegistryTest {};

/// A child writes generations in a loop and acknowledges each one that
/// returned; it is killed at random moments, many times. After each kill the
/// hive must parse, and every value must hold the last acknowledged write to
/// it or the one that was under way.
TEST_F(RegistryProcessTest, AWriterKilledAtAnyMomentLeavesOldOrNewDataAndNothingElse)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));

    RegistryKey key = CreateKey(u"SOFTWARE\\Crash");
    std::vector<long> acknowledged(SLOTS);
    for (int slot = 0; slot < SLOTS; ++slot) {
        ASSERT_EQ(key.SetStringValue(SlotName(slot), Payload(slot)), OS::ERROR_SUCCESS_CODE);
        acknowledged[static_cast<size_t>(slot)] = slot;
    }
    long next = SLOTS;
    for (int round = 0; round < 60; ++round) {
        int channel[2];
        ASSERT_EQ(::pipe(channel), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(channel[0]);
            auto writer = RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Crash", OS::RegistryAccess::Full);
            for (long generation = next; writer; ++generation) {
                if (writer->SetStringValue(SlotName(static_cast<int>(generation % SLOTS)), Payload(generation))
                        != OS::ERROR_SUCCESS_CODE
                    || !WriteAll(channel[1], &generation, sizeof generation)) {
                    ::_exit(3);
                }
            }
            ::_exit(2);
        }
        ::close(channel[1]);
        const int wanted = std::uniform_int_distribution<int>(1, 40)(random);
        long generation = next - 1;
        for (int i = 0; i < wanted && ::read(channel[0], &generation, sizeof generation) == sizeof generation; ++i) {
            acknowledged[static_cast<size_t>(generation % SLOTS)] = generation;
        }
        for (int spin = std::uniform_int_distribution<int>(0, 2000)(random); spin > 0; --spin) {
            sched_yield();
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);
        while (::read(channel[0], &generation, sizeof generation) == sizeof generation) {
            acknowledged[static_cast<size_t>(generation % SLOTS)] = generation;
        }
        ::close(channel[0]);
        const long inFlight = generation + 1;

        OS::RegistryFileParser parser(RegistryHive::LocalMachine);
        ASSERT_TRUE(parser.Parse(ReadFile(HivePath())))
            << "round " << round << ", line " << parser.GetError().line << ": " << parser.GetError().message;
        OS::DiscardRegistryCache();
        for (int slot = 0; slot < SLOTS; ++slot) {
            const long stored = GenerationOf(StringValue(key, SlotName(slot)));
            const long expected = acknowledged[static_cast<size_t>(slot)];
            EXPECT_TRUE(stored == expected || (stored == inFlight && inFlight % SLOTS == slot))
                << "round " << round << " slot " << slot << ": stored " << stored << ", acknowledged " << expected
                << ", in flight " << inFlight;
            acknowledged[static_cast<size_t>(slot)] = stored;
        }
        next = inFlight + 1;
    }
}

TEST_F(RegistryProcessTest, ConcurrentWritersLoseNothingAndReadersNeverSeeAHalfWrittenHive)
{
    CreateKey(u"SOFTWARE\\Shared");
    constexpr int PER_WRITER = 200;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (const char16_t prefix : {u'A', u'B', u'R'}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            char go = 0;
            if (::read(start[0], &go, 1) != 1) {
                ::_exit(4);
            }
            if (prefix == u'R') {
                // A reader: every look at the key succeeds, and the number of
                // values never goes down.
                uint32_t seen = 0;
                for (int i = 0; i < 400 && seen < 2 * PER_WRITER; ++i) {
                    OS::DiscardRegistryCache();
                    auto reader = RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Shared");
                    const auto info =
                        reader ? reader->QueryInfo() : OS::ErrorOr<OS::RegistryKeyInfo>(OS::ERROR_BADDB_CODE);
                    if (!info || info->valueCount < seen) {
                        ::_exit(5);
                    }
                    seen = info->valueCount;
                }
                ::_exit(0);
            }
            auto writer = RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Shared", OS::RegistryAccess::Full);
            for (int i = 0; writer && i < PER_WRITER; ++i) {
                const std::u16string name = std::u16string(1, prefix) + u"_" + Payload(i).substr(0, 8);
                if (writer->SetStringValue(name, Payload(i)) != OS::ERROR_SUCCESS_CODE
                    || writer->SetStringValue(u"Last", std::u16string(1, prefix)) != OS::ERROR_SUCCESS_CODE) {
                    ::_exit(3);
                }
            }
            ::_exit(writer ? 0 : 6);
        }
        children.push_back(child);
    }
    ::close(start[0]);
    ASSERT_TRUE(WriteAll(start[1], "gogo", 3));
    ::close(start[1]);
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    }
    OS::DiscardRegistryCache();
    auto key = RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Shared");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->QueryInfo()->valueCount, static_cast<uint32_t>(2 * PER_WRITER + 1));
    for (const char16_t prefix : {u'A', u'B'}) {
        for (int i = 0; i < PER_WRITER; ++i) {
            const std::u16string name = std::u16string(1, prefix) + u"_" + Payload(i).substr(0, 8);
            EXPECT_EQ(StringValue(*key, name), Payload(i));
        }
    }
    const std::u16string last = StringValue(*key, u"Last");
    EXPECT_TRUE(last == u"A" || last == u"B");
}

/// Runs checks as a user without rights on the hive: as "nobody" when the
/// tests run as root (where permission bits stop nothing), else as ourselves.
/// Returns the child's report, one error code per line.
std::string RunUnprivileged(const std::function<std::string()>& checks)
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
        OS::DiscardRegistryCache();
        const std::string report = checks();
        ::_exit(WriteAll(channel[1], report.data(), report.size()) ? 0 : 8);
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

TEST_F(RegistryProcessTest, AUserWhoMayNotWriteTheHiveGetsAccessDenied)
{
    RegistryKey key = CreateKey(u"SOFTWARE\\Locked");
    ASSERT_EQ(key.SetStringValue(u"v", u"1"), OS::ERROR_SUCCESS_CODE);
    const std::string before = ReadFile(HivePath());
    // The directory belongs to the test user and only it may write there.
    ::chmod(m_root.Path().c_str(), 0755);
    ::chmod(HivePath().c_str(), 0644);
    const bool privileged = ::geteuid() == 0;
    if (!privileged) {
        ::chmod(m_root.Path().c_str(), 0555);
        ::chmod(HivePath().c_str(), 0444);
    }
    const std::string report = RunUnprivileged([] {
        std::string lines;
        auto reader = RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Locked");
        lines += std::to_string(reader.GetError()) + "\n";
        lines +=
            std::to_string(
                RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Locked", OS::RegistryAccess::Full).GetError())
            + "\n";
        lines += std::to_string(RegistryKey::Create(RegistryHive::LocalMachine, u"SOFTWARE\\New").GetError()) + "\n";
        lines += std::to_string(OS::DeleteRegistryTree(RegistryHive::LocalMachine, u"SOFTWARE\\Locked")) + "\n";
        return lines;
    });
    EXPECT_EQ(report, "0\n5\n5\n5\n");
    EXPECT_EQ(ReadFile(HivePath()), before);

    if (privileged) {
        // A directory the user may write, holding a hive file the user may not.
        ::chmod(m_root.Path().c_str(), 0777);
        const std::string fileReport = RunUnprivileged([] {
            return std::to_string(
                       RegistryKey::Open(RegistryHive::LocalMachine, u"SOFTWARE\\Locked", OS::RegistryAccess::Full)
                           .GetError())
                + "\n";
        });
        EXPECT_EQ(fileReport, "5\n");
        ::chmod(m_root.Path().c_str(), 0755);
    }
    ::chmod(m_root.Path().c_str(), 0755);
}

} // namespace
} // namespace Dravo::Test
