// dravo-spark-config.exe started by a test with a script that drives its
// real dialogs, over a registry root of its own in the system registry. The
// driver key is also reached through advapi32 directly, so that a test sees
// and writes exactly what Windows stores: types, bytes and name spellings.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
    std::string errors;
};

/// One value as the registry holds it.
struct StoredValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    bool operator==(const StoredValue&) const = default;
};

inline void PrintTo(const StoredValue& value, std::ostream* out)
{
    *out << std::string(value.name.begin(), value.name.end()) << " (type " << value.type << ", " << value.data.size()
         << " bytes)";
}

/// UTF-16LE units of ASCII text, then NULS terminating NULs.
inline std::vector<BYTE> Utf16(const std::string& text, size_t nuls = 1)
{
    std::vector<BYTE> data;
    for (const char c : text) {
        data.push_back(static_cast<BYTE>(c));
        data.push_back(0);
    }
    data.insert(data.end(), 2 * nuls, 0);
    return data;
}

/// A REG_SZ value as Windows stores it.
inline StoredValue Sz(const std::string& name, const std::string& text)
{
    return {std::wstring(name.begin(), name.end()), REG_SZ, Utf16(text)};
}

/// The value of that name, compared without regard to case as Windows does.
inline std::optional<StoredValue> Find(const std::vector<StoredValue>& values, const std::wstring& name)
{
    for (const StoredValue& value : values) {
        if (::_wcsicmp(value.name.c_str(), name.c_str()) == 0) {
            return value;
        }
    }
    return std::nullopt;
}

class ProgramWin32Fixture : public ::testing::Test {
protected:
    static constexpr std::u16string_view DRIVER_KEY = u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";

    void SetUp() override
    {
        m_root = std::string("program-win32-test/") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        OS::SetRegistryRoot(m_root);
        ClearRegistry();
    }
    void TearDown() override
    {
        ClearRegistry();
        OS::SetRegistryRoot({});
    }

    void ClearRegistry()
    {
        (void)OS::DeleteRegistryTree(OS::RegistryHive::LocalMachine, u"SOFTWARE");
        (void)OS::DeleteRegistryTree(OS::RegistryHive::CurrentUser, u"Software");
    }

    static std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

    /// Where this test's machine hive key PATH lives in the real registry.
    std::wstring MachineKeyPath(const std::wstring& path) const
    {
        return L"Software\\Dravo\\Registry Roots\\" + Wide(m_root) + L"\\HKEY_LOCAL_MACHINE\\" + path;
    }
    std::wstring DriverKeyPath() const { return MachineKeyPath(std::wstring(DRIVER_KEY.begin(), DRIVER_KEY.end())); }

    /// Stores the values in the driver key as given, through RegSetValueExW.
    void WriteDriverValues(const std::vector<StoredValue>& values)
    {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(
                      HKEY_CURRENT_USER, DriverKeyPath().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        for (const StoredValue& value : values) {
            EXPECT_EQ(::RegSetValueExW(key, value.name.c_str(), 0, value.type,
                          value.data.empty() ? nullptr : value.data.data(), static_cast<DWORD>(value.data.size())),
                ERROR_SUCCESS);
        }
        ::RegCloseKey(key);
    }

    /// The driver key's values in the order Windows enumerates them; empty
    /// without the key.
    std::vector<StoredValue> DriverValues() const
    {
        std::vector<StoredValue> values;
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, DriverKeyPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return values;
        }
        DWORD maxName = 0;
        DWORD maxData = 0;
        EXPECT_EQ(::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                      &maxData, nullptr, nullptr),
            ERROR_SUCCESS);
        for (DWORD index = 0;; ++index) {
            std::vector<wchar_t> name(maxName + 1u);
            DWORD nameLength = maxName + 1u;
            StoredValue value;
            value.data.resize(maxData);
            DWORD dataLength = maxData;
            if (::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &value.type,
                    value.data.empty() ? nullptr : value.data.data(), &dataLength)
                != ERROR_SUCCESS) {
                break;
            }
            value.name.assign(name.data(), nameLength);
            value.data.resize(dataLength);
            values.push_back(std::move(value));
        }
        ::RegCloseKey(key);
        return values;
    }

    struct StartedProgram {
        PROCESS_INFORMATION process{};
        std::filesystem::path output;
        std::filesystem::path errors;
    };

    /// Starts the program on the script with this test's registry root (or,
    /// without WITH_ROOT, with no --registry-root at all); NAME keeps the
    /// files of programs that run at once apart. CREATION_FLAGS go to
    /// CreateProcessW (DEBUG_ONLY_THIS_PROCESS makes this thread its debugger).
    StartedProgram Start(
        const std::string& script, const std::string& name = "test", DWORD creationFlags = 0, bool withRoot = true)
    {
        const std::filesystem::path scriptPath = m_files / (name + ".script");
        std::ofstream(scriptPath, std::ios::binary) << script;
        return StartWithArguments((withRoot ? L"--registry-root \"" + Wide(m_root) + L"\" " : std::wstring())
                + L"--script \"" + scriptPath.wstring() + L"\"",
            name, creationFlags);
    }

    /// Starts the program with these arguments; its standard input is the
    /// file NAME.script, empty unless Start wrote it.
    StartedProgram StartWithArguments(
        const std::wstring& arguments, const std::string& name = "test", DWORD creationFlags = 0)
    {
        StartedProgram started{{}, m_files / (name + ".out"), m_files / (name + ".err")};
        const std::filesystem::path scriptPath = m_files / (name + ".script");
        if (!std::filesystem::exists(scriptPath)) {
            std::ofstream(scriptPath, std::ios::binary).flush();
        }
        const std::filesystem::path program = ProgramPath();
        std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;

        HANDLE output = InheritableFile(started.output, GENERIC_WRITE, CREATE_ALWAYS);
        HANDLE errors = InheritableFile(started.errors, GENERIC_WRITE, CREATE_ALWAYS);
        HANDLE input = InheritableFile(scriptPath, GENERIC_READ, OPEN_EXISTING);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = output;
        startup.hStdError = errors;
        if (!::CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE, creationFlags,
                nullptr, nullptr, &startup, &started.process)) {
            ADD_FAILURE() << "cannot start " << program.string() << ": error " << ::GetLastError();
        }
        ::CloseHandle(output);
        ::CloseHandle(errors);
        ::CloseHandle(input);
        return started;
    }

    /// A file the build puts beside the tests' programs, in bin/.
    static std::filesystem::path BuiltFile(const char* name)
    {
        const char* binaries = std::getenv("DRAVO_TEST_BINARY_DIR");
        EXPECT_NE(binaries, nullptr);
        return std::filesystem::path(binaries ? binaries : ".") / "bin" / name;
    }
    static std::filesystem::path ProgramPath() { return BuiltFile("dravo-spark-config.exe"); }

    static ProgramRun Wait(StartedProgram& started)
    {
        ProgramRun run;
        if (started.process.hProcess) {
            ::WaitForSingleObject(started.process.hProcess, INFINITE);
            ::GetExitCodeProcess(started.process.hProcess, &run.exitCode);
            ::CloseHandle(started.process.hThread);
            ::CloseHandle(started.process.hProcess);
            started.process = {};
        }
        run.output = ReadText(started.output);
        run.errors = ReadText(started.errors);
        return run;
    }

    ProgramRun Run(const std::string& script)
    {
        StartedProgram started = Start(script);
        return Wait(started);
    }

    /// Runs the program with this test's registry root and the arguments
    /// after it, INPUT on its standard input.
    ProgramRun RunCommand(const std::vector<std::string>& arguments, const std::string& input = "")
    {
        const std::filesystem::path inputPath = m_files / "command.in";
        std::ofstream(inputPath, std::ios::binary) << input;
        const char* binaries = std::getenv("DRAVO_TEST_BINARY_DIR");
        const std::filesystem::path program =
            std::filesystem::path(binaries ? binaries : ".") / "bin" / "dravo-spark-config.exe";
        std::wstring commandLine = L"\"" + program.wstring() + L"\" --registry-root \"" + Wide(m_root) + L"\"";
        for (const std::string& argument : arguments) {
            commandLine += L" \"" + Wide(argument) + L"\"";
        }
        StartedProgram started{{}, m_files / "command.out", m_files / "command.err"};
        HANDLE output = InheritableFile(started.output, GENERIC_WRITE, CREATE_ALWAYS);
        HANDLE errors = InheritableFile(started.errors, GENERIC_WRITE, CREATE_ALWAYS);
        HANDLE standardInput = InheritableFile(inputPath, GENERIC_READ, OPEN_EXISTING);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = standardInput;
        startup.hStdOutput = output;
        startup.hStdError = errors;
        if (!::CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                nullptr, &startup, &started.process)) {
            ADD_FAILURE() << "cannot start " << program.string() << ": error " << ::GetLastError();
        }
        ::CloseHandle(output);
        ::CloseHandle(errors);
        ::CloseHandle(standardInput);
        return Wait(started);
    }

    std::string m_root;
    TempDir m_files;

private:
    static std::string ReadText(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static HANDLE InheritableFile(const std::filesystem::path& path, DWORD access, DWORD disposition)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        return ::CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
            FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};

} // namespace Dravo::Test
