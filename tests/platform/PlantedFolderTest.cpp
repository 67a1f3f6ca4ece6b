// Saves by root where another user owns a folder on the way: a folder they
// swap for a link while root saves must not lead root's file anywhere else,
// and what root makes for them is theirs. Also the modes of new files.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Registry.h"
#include "platform/RegistryTransaction.h"
#include "tests/platform/RegistryTestSupport.h"

namespace Dravo::Test {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view DRIVER_KEY = u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";
constexpr uid_t OTHER_USER = 65534;

class PlantedFolderTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        ::unsetenv("SPARKINI");
        OS::MountDriverConfiguration({std::u16string(DRIVER_KEY), "SPARKINI", ".vezuravuz.ini"});
    }
    void TearDown() override
    {
        OS::UnmountDriverConfiguration();
        OS::DiscardRegistryCache();
        RegistryTest::TearDown();
    }

    static OS::ErrorCode Set(std::u16string_view keyPath, const std::u16string& text)
    {
        auto key = OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, std::u16string(keyPath));
        return key ? key->SetStringValue(u"UID", text) : key.GetError();
    }

    static mode_t ModeOf(const fs::path& path)
    {
        struct stat status {};
        return ::lstat(path.c_str(), &status) == 0 ? (status.st_mode & 07777) : 07777;
    }

    static void MakeCanary(const fs::path& path)
    {
        WriteFile(path.string(), "canary\n");
        ::chmod(path.c_str(), 0600);
    }
};

/// Another user swapping their folder with their link to root's folder, as
/// fast as they can, until told to stop (or for at most half a minute).
class FolderSwapper {
public:
    FolderSwapper(const fs::path& folder, const fs::path& link)
    {
        int stop[2];
        if (::pipe(stop) != 0) {
            return;
        }
        m_child = ::fork();
        if (m_child == 0) {
            ::close(stop[1]);
            ::fcntl(stop[0], F_SETFL, O_NONBLOCK);
            if (::setgid(OTHER_USER) != 0 || ::setuid(OTHER_USER) != 0) {
                ::_exit(7);
            }
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            for (long round = 0; std::chrono::steady_clock::now() < deadline; ++round) {
                ::renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE);
                char byte = 0;
                if (round % 64 == 0 && ::read(stop[0], &byte, 1) == 0) {
                    break;
                }
            }
            ::_exit(0);
        }
        ::close(stop[0]);
        m_stop = stop[1];
    }
    FolderSwapper(const FolderSwapper&) = delete;
    FolderSwapper& operator=(const FolderSwapper&) = delete;
    ~FolderSwapper()
    {
        ::close(m_stop);
        if (m_child > 0) {
            ::waitpid(m_child, nullptr, 0);
        }
    }

private:
    pid_t m_child = -1;
    int m_stop = -1;
};

TEST_F(PlantedFolderTest, AFolderSwappedForALinkDuringSavesLeadsNoSaveElsewhere)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root saving into another user's folder";
    }
    // user/trial is the other user's folder the saves go to; user/decoy is
    // their link to root's folder, whose files must stay as they are.
    const fs::path user = m_root.Path() / "user";
    const fs::path trial = user / "trial";
    const fs::path secret = m_root.Path() / "secret";
    fs::create_directories(trial);
    fs::create_directory(secret);
    MakeCanary(secret / "HKEY_LOCAL_MACHINE.reg");
    MakeCanary(secret / "vezuravuz.ini");
    fs::create_directory_symlink(secret, user / "decoy");
    ASSERT_EQ(::chown(user.c_str(), OTHER_USER, OTHER_USER), 0);
    ASSERT_EQ(::chown(trial.c_str(), OTHER_USER, OTHER_USER), 0);
    ASSERT_EQ(::lchown((user / "decoy").c_str(), OTHER_USER, OTHER_USER), 0);
    OS::SetRegistryRoot(trial.string());
    OS::DiscardRegistryCache();
    int saved = 0;
    int refused = 0;
    std::string refusal;
    {
        // Until both have happened often, within bounds: saves while the
        // folder was there, refusals while it was the link.
        const FolderSwapper swapper(trial, user / "decoy");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (int attempt = 0;
             attempt < 3000 && (saved < 100 || refused < 20) && std::chrono::steady_clock::now() < deadline;
             ++attempt) {
            const std::u16string text(1, static_cast<char16_t>(u'a' + attempt % 26));
            for (const std::u16string_view key : {std::u16string_view(u"SOFTWARE\\Trial"), DRIVER_KEY}) {
                if (Set(key, text) == OS::ERROR_SUCCESS_CODE) {
                    ++saved;
                } else {
                    ++refused;
                    refusal = OS::GetRegistryDiagnostic();
                }
            }
            // The swapper needs the processor too, on a busy machine.
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }
    EXPECT_GT(saved, 0) << refusal;
    EXPECT_GT(refused, 0);
    EXPECT_NE(refusal.find("is a symbolic link of another user"), std::string::npos) << refusal;
    for (const char* name : {"HKEY_LOCAL_MACHINE.reg", "vezuravuz.ini"}) {
        struct stat status {};
        ASSERT_EQ(::stat((secret / name).c_str(), &status), 0) << name;
        EXPECT_EQ(ReadFile((secret / name).string()), "canary\n") << name;
        EXPECT_EQ(status.st_uid, 0U) << name;
        EXPECT_EQ(status.st_mode & 07777, 0600U) << name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(secret), fs::directory_iterator()), 2) << "nothing made there";

    // What root made in the other user's folder is theirs. A swapper that
    // keeps the link in place for most of the race can let no save of the
    // driver's file through: one more, with the folder still, makes it.
    const fs::path folder = fs::is_symlink(trial) ? user / "decoy" : trial;
    if (!fs::exists(folder / "vezuravuz.ini")) {
        OS::SetRegistryRoot(folder.string());
        OS::DiscardRegistryCache();
        ASSERT_EQ(Set(DRIVER_KEY, u"z"), OS::ERROR_SUCCESS_CODE) << OS::GetRegistryDiagnostic();
    }
    struct stat made {};
    ASSERT_EQ(::stat((folder / "vezuravuz.ini").c_str(), &made), 0);
    EXPECT_EQ(made.st_uid, OTHER_USER);
}

TEST_F(PlantedFolderTest, NewFilesKeepTheUmaskAndAPasswordKeepsThemPrivate)
{
    const mode_t oldMask = ::umask(077);
    EXPECT_EQ(Set(DRIVER_KEY, u"a"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(Set(u"SOFTWARE\\Trial", u"a"), OS::ERROR_SUCCESS_CODE);
    ::umask(022);
    EXPECT_EQ(ModeOf(m_root.Path() / "vezuravuz.ini"), 0600U);
    EXPECT_EQ(ModeOf(m_root.Path() / "HKEY_LOCAL_MACHINE.reg"), 0600U);

    // Under the usual umask a file without a password is readable by all,
    // one made with a password is not.
    fs::remove(m_root.Path() / "vezuravuz.ini");
    OS::DiscardRegistryCache();
    EXPECT_EQ(Set(DRIVER_KEY, u"a"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(ModeOf(m_root.Path() / "vezuravuz.ini"), 0644U);
    fs::remove(m_root.Path() / "vezuravuz.ini");
    OS::DiscardRegistryCache();
    {
        // As the tool saves: one transaction, one new file.
        OS::RegistryTransaction transaction;
        auto key = OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, std::u16string(DRIVER_KEY));
        ASSERT_TRUE(key);
        EXPECT_EQ(key->SetStringValue(u"EncryptedPWD", u"_ABCDEF"), OS::ERROR_SUCCESS_CODE);
        EXPECT_EQ(transaction.Commit(), OS::ERROR_SUCCESS_CODE);
    }
    EXPECT_EQ(ModeOf(m_root.Path() / "vezuravuz.ini"), 0600U);
    // A save keeps the mode it finds, never wider.
    ::chmod((m_root.Path() / "vezuravuz.ini").c_str(), 0640);
    EXPECT_EQ(Set(DRIVER_KEY, u"b"), OS::ERROR_SUCCESS_CODE);
    EXPECT_EQ(ModeOf(m_root.Path() / "vezuravuz.ini"), 0640U);
    ::umask(oldMask);
}

} // namespace
} // namespace Dravo::Test
