// dravosparksetup.dll as Windows' ODBC installer (Wine's odbccp32 here)
// loads and calls it: the driver registered with SQLInstallDriverExW, data
// sources added, changed and removed with SQLConfigDataSourceW in the
// registry, silently and through the dialog, whose real controls a second
// thread drives by their window messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <odbcinst.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <thread>

namespace Dravo::Test {
namespace {

constexpr const wchar_t* DRIVER = L"Dravo Spark ODBC Driver";
constexpr const wchar_t* SETUP_TITLE = L"Dravo Spark ODBC Driver DSN Setup";
constexpr const wchar_t* DRIVER_TITLE = L"Dravo Spark ODBC Driver Configuration";
constexpr int IDC_DESCRIPTION = 1003;
constexpr int IDC_HOST = 1024;

std::filesystem::path SetupLibrary()
{
    const char* binaries = std::getenv("DRAVO_TEST_BINARY_DIR");
    return std::filesystem::path(binaries ? binaries : ".") / "bin" / "dravosparksetup.dll";
}

/// "KEY=VALUE\0...\0\0" from its entries.
std::wstring Attributes(std::initializer_list<std::wstring> entries)
{
    std::wstring list;
    for (const std::wstring& entry : entries) {
        list += entry;
        list += L'\0';
    }
    list += L'\0';
    return list;
}

/// The values of a data source's key in one hive; nothing when it has none.
std::optional<std::map<std::wstring, std::wstring>> DataSourceIn(HKEY root, const std::wstring& name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, (L"Software\\ODBC\\ODBC.INI\\" + name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::map<std::wstring, std::wstring> values;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLength = 256;
        wchar_t data[2048] = {};
        DWORD size = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        if (::RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &size)
            != ERROR_SUCCESS) {
            break;
        }
        values[valueName] = data;
    }
    ::RegCloseKey(key);
    return values;
}

/// A data source's entries where the installer keeps them: the user's key,
/// else the machine's.
std::optional<std::map<std::wstring, std::wstring>> DataSource(const std::wstring& name)
{
    if (auto user = DataSourceIn(HKEY_CURRENT_USER, name); user && !user->empty()) {
        return user;
    }
    return DataSourceIn(HKEY_LOCAL_MACHINE, name);
}

/// The driver a data source is listed with, in either hive.
std::optional<std::wstring> ListedDataSource(const std::wstring& name)
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        wchar_t data[512] = {};
        DWORD size = sizeof data - sizeof(wchar_t);
        if (::RegGetValueW(
                root, L"Software\\ODBC\\ODBC.INI\\ODBC Data Sources", name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size)
            == ERROR_SUCCESS) {
            return std::wstring(data);
        }
    }
    return std::nullopt;
}

/// Leaves no data source of that name from an earlier run in either hive.
void ForgetDataSource(const std::wstring& name)
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        ::RegDeleteTreeW(root, (L"Software\\ODBC\\ODBC.INI\\" + name).c_str());
        HKEY list = nullptr;
        if (::RegOpenKeyExW(root, L"Software\\ODBC\\ODBC.INI\\ODBC Data Sources", 0, KEY_SET_VALUE, &list)
            == ERROR_SUCCESS) {
            ::RegDeleteValueW(list, name.c_str());
            ::RegCloseKey(list);
        }
    }
}

/// A removed data source is listed nowhere and its key is gone. Wine 8's
/// installer lists a data source and removes it in the machine's key but
/// writes its entries to the user's, where its removal leaves them; on
/// Windows both are in the one key the mode says.
void ExpectRemoved(const std::wstring& name)
{
    EXPECT_FALSE(ListedDataSource(name));
    EXPECT_FALSE(DataSourceIn(HKEY_LOCAL_MACHINE, name));
    ForgetDataSource(name);
}

/// The installer's first error: Wine's odbccp32 records nothing of what a
/// setup library posts, only its own "request failed" after a refusal.
DWORD FirstErrorCode()
{
    DWORD code = 0;
    wchar_t message[512];
    WORD length = 0;
    if (::SQLInstallerErrorW(1, &code, message, 512, &length) == SQL_NO_DATA) {
        return 0;
    }
    return code;
}

class SetupWin32Test : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Wine waits up to two seconds for a window manager to let go of
        // every window that closes; the virtual display has none. Windows
        // of this program are left to Wine alone (read when its first
        // window opens).
        HKEY x11 = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\setup_win32_tests.exe\\X11 Driver", 0,
                nullptr, 0, KEY_SET_VALUE, nullptr, &x11, nullptr)
            == ERROR_SUCCESS) {
            ::RegSetValueExW(x11, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), sizeof(L"N"));
            ::RegCloseKey(x11);
        }
        // As a driver's installer registers it: file names, and the folder
        // that holds them.
        const std::wstring folder = SetupLibrary().parent_path().wstring();
        const std::wstring driver = std::wstring(DRIVER) + L'\0' + L"Driver=dravosparksetup.dll" + L'\0'
            + L"Setup=dravosparksetup.dll" + L'\0' + L'\0';
        wchar_t installedIn[MAX_PATH] = {};
        WORD length = 0;
        DWORD usage = 0;
        ASSERT_TRUE(::SQLInstallDriverExW(
            driver.c_str(), folder.c_str(), installedIn, MAX_PATH, &length, ODBC_INSTALL_COMPLETE, &usage));
    }

    /// The data-source dialog of the call running on another thread.
    static HWND WaitForDialog(const wchar_t* title)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            if (HWND dialog = ::FindWindowW(L"#32770", title)) {
                if (::IsWindowVisible(dialog)) {
                    return dialog;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return nullptr;
    }

    static std::wstring Text(HWND dialog, int control)
    {
        wchar_t text[512] = {};
        ::GetDlgItemTextW(dialog, control, text, 512);
        return text;
    }

    /// As a user types it: the box's text replaced, its change notified.
    static void Type(HWND dialog, int control, const std::wstring& text)
    {
        HWND box = ::GetDlgItem(dialog, control);
        ::SendMessageW(box, EM_SETSEL, 0, -1);
        ::SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }

    /// As the button tells its dialog when it is pressed (BM_CLICK from
    /// another thread waits on the mouse capture); a disabled one is not.
    static void Click(HWND dialog, int control)
    {
        HWND button = ::GetDlgItem(dialog, control);
        ASSERT_TRUE(::IsWindowEnabled(button)) << "button " << control << " is disabled";
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
};

TEST_F(SetupWin32Test, SilentRequestsAddChangeAndRemoveDataSourcesInTheRegistry)
{
    ForgetDataSource(L"WinSilent");
    ASSERT_TRUE(::SQLConfigDataSourceW(nullptr, ODBC_ADD_DSN, DRIVER,
        Attributes({L"DSN=WinSilent", L"Host=spark.example.com", L"Port=10001", L"SparkServerType=3", L"AuthMech=3",
                       L"UID=alice", L"PWD=s3cret", L"CustomSetting=kept"})
            .c_str()))
        << FirstErrorCode();
    auto added = DataSource(L"WinSilent");
    ASSERT_TRUE(added);
    EXPECT_EQ((*added)[L"Host"], L"spark.example.com");
    EXPECT_EQ((*added)[L"Port"], L"10001");
    EXPECT_EQ((*added)[L"SparkServerType"], L"3");
    EXPECT_EQ((*added)[L"UID"], L"alice");
    EXPECT_EQ((*added)[L"CustomSetting"], L"kept");
    EXPECT_EQ((*added)[L"RowsFetchedPerBlock"], L"10000");
    EXPECT_EQ((*added)[L"EncryptedPWD"].substr(0, 1), L"_");
    EXPECT_EQ(added->count(L"PWD"), 0U);
    EXPECT_EQ(ListedDataSource(L"WinSilent"), std::optional<std::wstring>(DRIVER));

    ASSERT_TRUE(
        ::SQLConfigDataSourceW(nullptr, ODBC_CONFIG_DSN, DRIVER, Attributes({L"DSN=WinSilent", L"Port=443"}).c_str()));
    auto expected = *added;
    expected[L"Port"] = L"443";
    EXPECT_EQ(DataSource(L"WinSilent"), expected);

    // A value the dialog would refuse changes nothing.
    EXPECT_FALSE(::SQLConfigDataSourceW(
        nullptr, ODBC_CONFIG_DSN, DRIVER, Attributes({L"DSN=WinSilent", L"Host=new", L"Port=70000"}).c_str()));
    const DWORD code = FirstErrorCode();
    EXPECT_TRUE(code == ODBC_ERROR_INVALID_KEYWORD_VALUE || code == ODBC_ERROR_REQUEST_FAILED) << code;
    EXPECT_EQ(DataSource(L"WinSilent"), expected);

    ASSERT_TRUE(::SQLConfigDataSourceW(nullptr, ODBC_REMOVE_DSN, DRIVER, Attributes({L"DSN=WinSilent"}).c_str()));
    ExpectRemoved(L"WinSilent");
}

/// One installer call made, as an application makes it, from a thread with a
/// window of its own that owns the dialog; the test's thread plays the user.
class CallerWithWindow {
public:
    explicit CallerWithWindow(std::function<BOOL(HWND owner)> call)
    {
        std::thread([this, call = std::move(call)] {
            HWND owner = ::CreateWindowExW(0, L"STATIC", L"caller", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                nullptr, ::GetModuleHandleW(nullptr), nullptr);
            m_owner.set_value(owner);
            const BOOL result = call(owner);
            ::DestroyWindow(owner);
            m_result.set_value(result);
        }).detach();
    }

    HWND Owner() { return m_ownerFuture.get(); }
    /// The call's result; nothing when it has not returned within the time.
    std::optional<BOOL> Result()
    {
        if (m_resultFuture.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            return std::nullopt;
        }
        return m_resultFuture.get();
    }

private:
    std::promise<HWND> m_owner;
    std::shared_future<HWND> m_ownerFuture = m_owner.get_future().share();
    std::promise<BOOL> m_result;
    std::future<BOOL> m_resultFuture = m_result.get_future();
};

TEST_F(SetupWin32Test, TheDialogOwnedByTheCallersWindowSavesOnOKAndWritesNothingOnCancel)
{
    ForgetDataSource(L"WinDialog");
    CallerWithWindow add([](HWND owner) {
        return ::SQLConfigDataSourceW(
            owner, ODBC_ADD_DSN, DRIVER, Attributes({L"DSN=WinDialog", L"DESCRIPTION=from the caller"}).c_str());
    });
    HWND dialog = WaitForDialog(SETUP_TITLE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), add.Owner());
    EXPECT_EQ(Text(dialog, IDC_DESCRIPTION), L"from the caller");
    // Without a host OK stays disabled; typing one enables it.
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, IDOK)));
    Type(dialog, IDC_HOST, L"spark.example.com");
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog, IDOK)));
    Click(dialog, IDOK);
    EXPECT_EQ(add.Result(), std::optional<BOOL>(TRUE));
    const auto saved = DataSource(L"WinDialog");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->at(L"Host"), L"spark.example.com");
    EXPECT_EQ(saved->at(L"DESCRIPTION"), L"from the caller");
    EXPECT_EQ(saved->at(L"Port"), L"10000");

    CallerWithWindow change([](HWND owner) {
        return ::SQLConfigDataSourceW(owner, ODBC_CONFIG_DSN, DRIVER, Attributes({L"DSN=WinDialog"}).c_str());
    });
    dialog = WaitForDialog(SETUP_TITLE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog, IDC_HOST), L"spark.example.com");
    Type(dialog, IDC_HOST, L"other.example.com");
    Click(dialog, IDCANCEL);
    EXPECT_EQ(change.Result(), std::optional<BOOL>(FALSE));
    const DWORD code = FirstErrorCode();
    EXPECT_TRUE(code == ODBC_ERROR_USER_CANCELED || code == ODBC_ERROR_REQUEST_FAILED) << code;
    EXPECT_EQ(DataSource(L"WinDialog"), saved);

    ASSERT_TRUE(::SQLConfigDataSourceW(nullptr, ODBC_REMOVE_DSN, DRIVER, Attributes({L"DSN=WinDialog"}).c_str()));
    ExpectRemoved(L"WinDialog");
}

TEST_F(SetupWin32Test, ConfigDriverShowsTheDriverWideDialogAndSavesOnOK)
{
    // As an installer calls it: the library loaded, ConfigDriverW asked with
    // the caller's window (Wine's SQLConfigDriverW keeps this request to
    // itself).
    HMODULE library = ::LoadLibraryW(SetupLibrary().wstring().c_str());
    ASSERT_NE(library, nullptr);
    using ConfigDriverFunction = BOOL(WINAPI*)(HWND, WORD, LPCWSTR, LPCWSTR, LPWSTR, WORD, WORD*);
    const auto configDriver =
        reinterpret_cast<ConfigDriverFunction>(reinterpret_cast<void*>(::GetProcAddress(library, "ConfigDriverW")));
    ASSERT_NE(configDriver, nullptr);
    const auto ask = [configDriver](HWND owner) {
        wchar_t message[256] = {};
        WORD length = 0;
        return configDriver(owner, ODBC_CONFIG_DRIVER, DRIVER, L"", message, 256, &length);
    };
    // Read where the DLL writes, the prefix's own machine key: this test
    // program's registry root (its environment's) is not the DLL's.
    const wchar_t* driverKey = L"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";
    const auto driverKeyExists = [driverKey] {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, driverKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        ::RegCloseKey(key);
        return true;
    };
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, driverKey);

    CallerWithWindow cancelled(ask);
    HWND dialog = WaitForDialog(DRIVER_TITLE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), cancelled.Owner());
    Click(dialog, IDCANCEL);
    EXPECT_EQ(cancelled.Result(), std::optional<BOOL>(FALSE));
    EXPECT_FALSE(driverKeyExists());

    CallerWithWindow confirmed(ask);
    dialog = WaitForDialog(DRIVER_TITLE);
    ASSERT_NE(dialog, nullptr);
    Click(dialog, IDOK);
    EXPECT_EQ(confirmed.Result(), std::optional<BOOL>(TRUE));
    wchar_t serverType[64] = {};
    DWORD size = sizeof serverType - sizeof(wchar_t);
    EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, driverKey, L"SparkServerType", RRF_RT_ANY, nullptr, serverType, &size),
        ERROR_SUCCESS);
    ::FreeLibrary(library);
}

TEST_F(SetupWin32Test, AHandleThatNamesNoWindowFailsAsARequestThatCannotBeMade)
{
    HMODULE library = ::LoadLibraryW(SetupLibrary().wstring().c_str());
    ASSERT_NE(library, nullptr);
    using ConfigDriverFunction = BOOL(WINAPI*)(HWND, WORD, LPCWSTR, LPCWSTR, LPWSTR, WORD, WORD*);
    const auto configDriver =
        reinterpret_cast<ConfigDriverFunction>(reinterpret_cast<void*>(::GetProcAddress(library, "ConfigDriverW")));
    ASSERT_NE(configDriver, nullptr);
    // A window made and destroyed: its handle names nothing now.
    HWND gone =
        ::CreateWindowExW(0, L"STATIC", L"gone", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);
    wchar_t message[256] = {};
    WORD length = 0;
    EXPECT_FALSE(configDriver(gone, ODBC_CONFIG_DRIVER, DRIVER, L"", message, 256, &length));
    EXPECT_EQ(std::wstring(message), L"The dialog cannot be shown: the window handle names no window");
    const DWORD code = FirstErrorCode();
    EXPECT_TRUE(code == ODBC_ERROR_REQUEST_FAILED || code == 0) << code;
    ::FreeLibrary(library);
}

} // namespace
} // namespace Dravo::Test
