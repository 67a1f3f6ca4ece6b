// dravo-spark-config.exe as a whole on Windows: started with a script that
// drives its real dialogs, over a registry root of its own in the system
// registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <fstream>
#include <map>
#include <string>

#include "platform/Registry.h"
#include "platform/SystemError.h"
#include "support/WideString.h"
#include "tests/app/win32/ProgramWin32Fixture.h"

namespace Dravo::Test {
namespace {

class ProgramWin32Test : public ProgramWin32Fixture {
protected:
    void WriteDriverKey(const std::map<std::u16string, std::u16string>& values)
    {
        auto key = OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, DRIVER_KEY);
        ASSERT_TRUE(key);
        for (const auto& [name, value] : values) {
            ASSERT_EQ(key->SetStringValue(name, value), OS::ERROR_SUCCESS_CODE);
        }
    }

    std::map<std::u16string, std::u16string> ReadDriverKey()
    {
        std::map<std::u16string, std::u16string> values;
        auto key = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, DRIVER_KEY);
        for (uint32_t index = 0; key; ++index) {
            auto value = key->EnumValue(index);
            if (!value) {
                break;
            }
            values[value->name] = OS::GetRegistryStringText(value->data);
        }
        return values;
    }

    /// Lets everyone read the key below this test's machine hive, and nobody change it.
    void Lock(const std::wstring& path)
    {
        const std::wstring full = MachineKeyPath(path);
        HKEY key = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, WRITE_DAC | KEY_READ, &key), ERROR_SUCCESS);
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
        EXPECT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
        ::LocalFree(descriptor);
        ::RegCloseKey(key);
    }

    /// Gives the key back to everyone, so that it can be removed.
    void Unlock(const std::wstring& path)
    {
        const std::wstring full = MachineKeyPath(path);
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) {
            return;
        }
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                L"D:(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr)) {
            ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
            ::LocalFree(descriptor);
        }
        ::RegCloseKey(key);
    }
};

std::string SystemText(OS::ErrorCode code)
{
    std::string text = Support::WideString(OS::GetSystemErrorMessage(code)).GetAsUTF8();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

TEST_F(ProgramWin32Test, AScriptDrivesTheRealDialogsAndOKSavesToTheRegistry)
{
    WriteDriverKey({{u"SparkServerType", u"3"}, {u"AuthMech", u"3"}, {u"ThriftTransport", u"1"}});
    const std::filesystem::path certificates = m_files / "ca.pem";
    std::ofstream(certificates) << "-----BEGIN CERTIFICATE-----\n";
    const ProgramRun run = Run("expect dialog 1092\n"
                               "expect title Dravo Spark ODBC Driver Configuration\n"
                               "expect 1038 selected SparkThriftServer (Spark 1.1 and later)\n"
                               "expect 1093 items Binary|HTTP|SASL\n"
                               "select 1040 Kerberos\n"
                               "expect 1093 items HTTP|SASL\n"
                               "type 1041 EXAMPLE.COM\n"
                               "type 1042 spark.example.com\n"
                               "expect 1 disabled\n"
                               "type 1043 spark\n"
                               "expect 1 enabled\n"
                               "click 1095\n"
                               "expect dialog 1091\n"
                               "click 1107\n"
                               "click 1058\n"
                               "choose "
        + certificates.string()
        + "\n"
          "click 1\n"
          "click 1\n");
    ASSERT_EQ(run.exitCode, 1U) << run.errors;
    // The one line on standard error says where this run keeps the registry.
    EXPECT_EQ(run.errors,
        "dravo-spark-config: --registry-root: the registry is kept below HKEY_CURRENT_USER\\"
        "Software\\Dravo\\Registry Roots\\"
            + m_root
            + "\\HKEY_LOCAL_MACHINE, which the driver "
              "does not read.\r\n");
    auto values = ReadDriverKey();
    EXPECT_EQ(values[u"AuthMech"], u"1");
    EXPECT_EQ(values[u"KrbRealm"], u"EXAMPLE.COM");
    EXPECT_EQ(values[u"KrbHostFQDN"], u"spark.example.com");
    EXPECT_EQ(values[u"SSL"], u"1");
    EXPECT_EQ(Support::WideString(values[u"TrustedCerts"]).GetAsUTF8(), certificates.string());
}

TEST_F(ProgramWin32Test, OnlyTheCommandLineMovesTheRegistry)
{
    // Every test's environment names a registry root, as an administrator's
    // might: without --registry-root the save still goes where the driver
    // reads, the real HKEY_LOCAL_MACHINE.
    const char* inherited = std::getenv("DRAVO_REGISTRY_ROOT");
    ASSERT_NE(inherited, nullptr);
    const std::wstring inheritedRoot = L"Software\\Dravo\\Registry Roots\\" + Wide(inherited);
    const auto removeAll = [&] {
        (void)::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Dravo");
        (void)::RegDeleteTreeW(HKEY_CURRENT_USER, inheritedRoot.c_str());
    };
    removeAll();
    StartedProgram started = Start("click 1\n", "test", 0, false);
    const ProgramRun run = Wait(started);
    HKEY saved = nullptr;
    const LSTATUS real =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver", 0, KEY_READ, &saved);
    if (saved) {
        ::RegCloseKey(saved);
    }
    HKEY redirected = nullptr;
    const LSTATUS moved = ::RegOpenKeyExW(HKEY_CURRENT_USER, inheritedRoot.c_str(), 0, KEY_READ, &redirected);
    if (redirected) {
        ::RegCloseKey(redirected);
    }
    removeAll();
    EXPECT_EQ(run.exitCode, 1U) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(real, ERROR_SUCCESS) << "the driver's own key was not written";
    EXPECT_EQ(moved, ERROR_FILE_NOT_FOUND) << "the environment moved the registry";
}

TEST_F(ProgramWin32Test, CancelLeavesTheRegistryAsItWas)
{
    WriteDriverKey({{u"SparkServerType", u"3"}, {u"AuthMech", u"3"}});
    const auto before = OS::ExportRegistryTree(OS::RegistryHive::LocalMachine, u"SOFTWARE");
    ASSERT_TRUE(before);
    const ProgramRun run = Run("select 1040 Kerberos\ntype 1042 host\nclick 2\n");
    EXPECT_EQ(run.exitCode, 0U) << run.errors;
    const auto after = OS::ExportRegistryTree(OS::RegistryHive::LocalMachine, u"SOFTWARE");
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, *before);

    // A script that fails names its line, and nothing is saved either.
    const ProgramRun failed = Run("select 1040 Kerberos\nexpect 1041 text nothing\nclick 1\n");
    EXPECT_EQ(failed.exitCode, 2U);
    EXPECT_NE(failed.errors.find("test.script:2"), std::string::npos) << failed.errors;
    const auto unchanged = OS::ExportRegistryTree(OS::RegistryHive::LocalMachine, u"SOFTWARE");
    ASSERT_TRUE(unchanged);
    EXPECT_EQ(*unchanged, *before);
}

TEST_F(ProgramWin32Test, AWriteWindowsRefusesIsReportedInTheSystemsOwnWords)
{
    WriteDriverKey({{u"SparkServerType", u"3"}});
    // A machine hive this user may not write: refused before the dialog opens.
    Lock(L"SOFTWARE");
    const ProgramRun refused = Run("click 1\n");
    Unlock(L"SOFTWARE");
    // Wine's user is an administrator: more rights would not help, so the
    // refusal is a failed save, not a call for elevation.
    EXPECT_EQ(refused.exitCode, 3U) << refused.errors;
    EXPECT_NE(refused.errors.find(SystemText(OS::ERROR_ACCESS_DENIED_CODE)), std::string::npos) << refused.errors;

    // Only the driver key is locked: OK cannot save, the user is told why, and
    // the key keeps its values.
    Lock(std::wstring(DRIVER_KEY.begin(), DRIVER_KEY.end()));
    const ProgramRun unsaved = Run("click 1\n");
    Unlock(std::wstring(DRIVER_KEY.begin(), DRIVER_KEY.end()));
    EXPECT_EQ(unsaved.exitCode, 3U) << unsaved.errors;
    EXPECT_NE(unsaved.errors.find(SystemText(OS::ERROR_ACCESS_DENIED_CODE)), std::string::npos) << unsaved.errors;
    EXPECT_EQ(ReadDriverKey(), (std::map<std::u16string, std::u16string>{{u"SparkServerType", u"3"}}));
}

} // namespace
} // namespace Dravo::Test
