// dravo-spark-config.exe sharing the driver key with other writers: another
// program changes the key after the dialog has loaded it and before OK saves,
// and two tools save at once. A save stores the values it owns one by one:
// whatever the other writer stored and the tool does not write survives.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/win32/ProgramWin32Fixture.h"

namespace Dravo::Test {
namespace {

constexpr DWORD EXIT_SAVED = 1;

const std::string KERBEROS_SCRIPT = "select 1040 Kerberos\n"
                                    "type 1041 EXAMPLE.COM\n"
                                    "type 1042 spark.example.com\n"
                                    "type 1043 spark\n"
                                    "click 1\n";

/// The values in the order of their names (Wine enumerates them so, Windows
/// in the order they were made).
std::vector<StoredValue> ByName(std::vector<StoredValue> values)
{
    std::sort(values.begin(), values.end(),
        [](const StoredValue& a, const StoredValue& b) { return ::_wcsicmp(a.name.c_str(), b.name.c_str()) < 0; });
    return values;
}

class ToolFaultWin32Test : public ProgramWin32Fixture {
protected:
    /// Runs the program with this thread as its debugger, and calls MEANWHILE
    /// once, with the program stopped where it is about to store its first
    /// registry value: after the dialog has loaded the key, before the save
    /// has written anything. MEANWHILE gets the name of that value.
    ProgramRun RunPausedBeforeTheFirstWrite(
        const std::string& script, const std::function<void(const std::wstring&)>& meanwhile)
    {
        // The same system library in every process of this session; the
        // program calls it through advapi32 as this test does.
        auto* const target =
            reinterpret_cast<BYTE*>(::GetProcAddress(::GetModuleHandleW(L"advapi32.dll"), "RegSetValueExW"));
        EXPECT_NE(target, nullptr);
        StartedProgram started = Start(script, "paused", DEBUG_ONLY_THIS_PROCESS);
        const HANDLE process = started.process.hProcess;
        bool armed = false;
        int stops = 0;
        BYTE original = 0;
        for (bool running = process != nullptr; running;) {
            DEBUG_EVENT event{};
            if (!::WaitForDebugEvent(&event, INFINITE)) {
                ADD_FAILURE() << "WaitForDebugEvent failed: error " << ::GetLastError();
                break;
            }
            DWORD continueStatus = DBG_CONTINUE;
            switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                ::CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                ::CloseHandle(event.u.LoadDll.hFile);
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                running = false;
                break;
            case EXCEPTION_DEBUG_EVENT: {
                const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
                if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
                    // The program's own exceptions are its own to handle.
                    continueStatus = DBG_EXCEPTION_NOT_HANDLED;
                } else if (!armed) {
                    // The loader's breakpoint: every imported library is in.
                    armed = true;
                    BYTE there[16] = {};
                    SIZE_T read = 0;
                    EXPECT_TRUE(::ReadProcessMemory(process, target, there, sizeof there, &read));
                    EXPECT_EQ(std::memcmp(there, target, sizeof there), 0) << "RegSetValueExW lies elsewhere there";
                    original = there[0];
                    const BYTE breakpoint = 0xCC;
                    EXPECT_TRUE(::WriteProcessMemory(process, target, &breakpoint, 1, nullptr));
                    ::FlushInstructionCache(process, target, 1);
                } else if (record.ExceptionAddress == target && stops == 0) {
                    ++stops;
                    EXPECT_TRUE(::WriteProcessMemory(process, target, &original, 1, nullptr));
                    ::FlushInstructionCache(process, target, 1);
                    const HANDLE thread =
                        ::OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, event.dwThreadId);
                    CONTEXT context{};
                    context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
                    EXPECT_TRUE(::GetThreadContext(thread, &context));
                    // The second argument is the value's name.
                    wchar_t name[256] = {};
                    ::ReadProcessMemory(process, reinterpret_cast<const void*>(context.Rdx), name,
                        sizeof name - sizeof(wchar_t), nullptr);
                    context.Rip = reinterpret_cast<DWORD64>(target);
                    EXPECT_TRUE(::SetThreadContext(thread, &context));
                    ::CloseHandle(thread);
                    meanwhile(name);
                }
                break;
            }
            default:
                break;
            }
            ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
        }
        EXPECT_EQ(stops, 1) << "the program stored nothing";
        return Wait(started);
    }

    void SetValues(const std::wstring& path, const std::vector<StoredValue>& values)
    {
        HKEY key = nullptr;
        ASSERT_EQ(
            ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        for (const StoredValue& value : values) {
            EXPECT_EQ(::RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                          static_cast<DWORD>(value.data.size())),
                ERROR_SUCCESS);
        }
        ::RegCloseKey(key);
    }
};

TEST_F(ToolFaultWin32Test, ChangesMadeWhileTheDialogIsOpenSurviveTheSave)
{
    const std::vector<StoredValue> seed = {Sz("SparkServerType", "3"), Sz("AuthMech", "3"), Sz("ThriftTransport", "1"),
        Sz("RowsFetchedPerBlock", "5000"), Sz("SSP_property1", "value 1"), Sz("VendorExtra", "from the vendor")};
    WriteDriverValues(seed);
    const std::wstring otherKey = MachineKeyPath(L"SOFTWARE\\Other Vendor\\Application");
    std::wstring firstWritten;
    bool changed = false;
    const ProgramRun run = RunPausedBeforeTheFirstWrite(KERBEROS_SCRIPT, [&](const std::wstring& name) {
        firstWritten = name;
        EXPECT_EQ(ByName(DriverValues()), ByName(seed)) << "the save had begun";
        // Another administrator, meanwhile: a value of their own, a property
        // the tool never loaded, a setting the tool writes too, a value
        // removed, a key below the driver's and another vendor's key.
        SetValues(DriverKeyPath(),
            {Sz("AddedMeanwhile", "by another program"), Sz("SSP_AddedMeanwhile", "1"),
                Sz("RowsFetchedPerBlock", "9999")});
        HKEY key = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, DriverKeyPath().c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        EXPECT_EQ(::RegDeleteValueW(key, L"VendorExtra"), ERROR_SUCCESS);
        ::RegCloseKey(key);
        SetValues(DriverKeyPath() + L"\\Meanwhile", {Sz("Below", "1")});
        SetValues(otherKey, {Sz("Blob", "other")});
        changed = true;
    });
    ASSERT_TRUE(changed);
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
    const std::vector<StoredValue> after = DriverValues();
    EXPECT_TRUE(Find(after, firstWritten)) << "held at a write that is not the save's";
    EXPECT_EQ(Find(after, L"AuthMech"), Sz("AuthMech", "1"));
    EXPECT_EQ(Find(after, L"KrbRealm"), Sz("KrbRealm", "EXAMPLE.COM"));
    EXPECT_EQ(Find(after, L"AddedMeanwhile"), Sz("AddedMeanwhile", "by another program"));
    EXPECT_EQ(Find(after, L"SSP_AddedMeanwhile"), Sz("SSP_AddedMeanwhile", "1"))
        << "a property the tool never loaded is not removed";
    EXPECT_EQ(Find(after, L"SSP_property1"), Sz("SSP_property1", "value 1"));
    EXPECT_FALSE(Find(after, L"VendorExtra")) << "the tool does not write what it does not know";
    // The tool writes every advanced option: the value it loaded wins.
    EXPECT_EQ(Find(after, L"RowsFetchedPerBlock"), Sz("RowsFetchedPerBlock", "5000"));
    HKEY key = nullptr;
    for (const std::wstring& path : {DriverKeyPath() + L"\\Meanwhile", otherKey}) {
        EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
}

/// Each tool alone, then both at once: every value ends as one of the two
/// saves left it, or as it was where neither writes it.
TEST_F(ToolFaultWin32Test, TwoToolsSavingAtOnceLoseNothing)
{
    const std::vector<StoredValue> seed = {Sz("SparkServerType", "3"), Sz("AuthMech", "3"), Sz("ThriftTransport", "1"),
        Sz("RowsFetchedPerBlock", "5000"), Sz("SSP_shared", "seed"), Sz("VendorExtra", "kept")};
    const std::string addProperty = "click 1029\nclick 1078\nclick 1080\ntype 1050 %N\ntype 1052 %V\n"
                                    "click 1\nclick 1\nclick 1\n";
    const auto withProperty = [&](const std::string& name, const std::string& value) {
        std::string text = addProperty;
        text.replace(text.find("%N"), 2, name);
        text.replace(text.find("%V"), 2, value);
        return text;
    };
    const std::string first = withProperty("FromFirst", "1") + KERBEROS_SCRIPT;
    const std::string second = "select 1040 User Name\ntype 1044 bob\nclick 1029\ntype 1033 7000\nclick 1\n"
        + withProperty("FromSecond", "2") + "click 1\n";

    std::vector<std::vector<StoredValue>> references;
    for (const std::string* script : {&first, &second}) {
        ClearRegistry();
        WriteDriverValues(seed);
        const ProgramRun alone = Run(*script);
        ASSERT_EQ(alone.exitCode, EXIT_SAVED) << alone.errors;
        references.push_back(DriverValues());
    }

    ClearRegistry();
    WriteDriverValues(seed);
    StartedProgram one = Start(first, "first");
    StartedProgram two = Start(second, "second");
    const ProgramRun firstRun = Wait(one);
    const ProgramRun secondRun = Wait(two);
    EXPECT_EQ(firstRun.exitCode, EXIT_SAVED) << firstRun.errors;
    EXPECT_EQ(secondRun.exitCode, EXIT_SAVED) << secondRun.errors;
    const std::vector<StoredValue> after = DriverValues();

    std::vector<std::wstring> names;
    for (const std::vector<StoredValue>* values :
        {&seed, &std::as_const(references[0]), &std::as_const(references[1]), &after}) {
        for (const StoredValue& value : *values) {
            if (std::none_of(names.begin(), names.end(),
                    [&](const std::wstring& name) { return ::_wcsicmp(name.c_str(), value.name.c_str()) == 0; })) {
                names.push_back(value.name);
            }
        }
    }
    for (const std::wstring& name : names) {
        // A save removes only what it loaded, so a value a save leaves absent
        // counts only where it was there before.
        const std::optional<StoredValue> old = Find(seed, name);
        std::vector<std::optional<StoredValue>> allowed;
        for (const auto& reference : references) {
            const std::optional<StoredValue> stored = Find(reference, name);
            if (stored != old || old) {
                allowed.push_back(stored);
            }
        }
        if (allowed.empty()) {
            allowed.push_back(old);
        }
        const std::optional<StoredValue> now = Find(after, name);
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), now), allowed.end()) << std::string(
            name.begin(), name.end()) << (now ? " holds a value" : " is absent") << " that neither save explains";
    }
    EXPECT_EQ(Find(after, L"SSP_FromFirst"), Sz("SSP_FromFirst", "1"));
    EXPECT_EQ(Find(after, L"SSP_FromSecond"), Sz("SSP_FromSecond", "2"));
    EXPECT_EQ(Find(after, L"VendorExtra"), Sz("VendorExtra", "kept"));
}

} // namespace
} // namespace Dravo::Test
