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
#include <future>
#include <map>
#include <optional>
#include <string>
#include <thread>

namespace Dravo::Test {
namespace {

constexpr const wchar_t* DRIVER = L"Dravo Spark ODBC Driver";
constexpr const wchar_t* SETUP_TITLE = L"Dravo Spark ODBC Driver DSN Setup";
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

/// The values of a data source's key (HKCU for user data sources); nothing
/// when the key does not exist.
std::optional<std::map<std::wstring, std::wstring>> DataSource(const std::wstring& name, HKEY root = HKEY_CURRENT_USER)
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

std::optional<std::wstring> ListedDataSource(const std::wstring& name, HKEY root = HKEY_CURRENT_USER)
{
    wchar_t data[512] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (::RegGetValueW(root, L"Software\\ODBC\\ODBC.INI\\ODBC Data Sources", name.c_str(), RRF_RT_REG_SZ, nullptr,
            data, &size)
        != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(data);
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

    static void Click(HWND dialog, int control) { ::SendMessageW(::GetDlgItem(dialog, control), BM_CLICK, 0, 0); }
};

TEST_F(SetupWin32Test, SilentRequestsAddChangeAndRemoveDataSourcesInTheRegistry)
{
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

    ASSERT_TRUE(::SQLConfigDataSourceW(
        nullptr, ODBC_CONFIG_DSN, DRIVER, Attributes({L"DSN=WinSilent", L"Port=443"}).c_str()));
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
    EXPECT_FALSE(DataSource(L"WinSilent"));
    EXPECT_FALSE(ListedDataSource(L"WinSilent"));

    // A system data source goes to the machine's key.
    ASSERT_TRUE(::SQLConfigDataSourceW(
        nullptr, ODBC_ADD_SYS_DSN, DRIVER, Attributes({L"DSN=WinShared", L"Host=shared.example.com"}).c_str()));
    const auto shared = DataSource(L"WinShared", HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->at(L"Host"), L"shared.example.com");
    EXPECT_FALSE(DataSource(L"WinShared"));
    ASSERT_TRUE(::SQLConfigDataSourceW(nullptr, ODBC_REMOVE_SYS_DSN, DRIVER, Attributes({L"DSN=WinShared"}).c_str()));
    EXPECT_FALSE(DataSource(L"WinShared", HKEY_LOCAL_MACHINE));
}

TEST_F(SetupWin32Test, TheDialogOwnedByTheCallersWindowSavesOnOKAndWritesNothingOnCancel)
{
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"caller", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
        ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);

    auto added = std::async(std::launch::async, [owner] {
        return ::SQLConfigDataSourceW(owner, ODBC_ADD_DSN, DRIVER,
            Attributes({L"DSN=WinDialog", L"DESCRIPTION=from the caller"}).c_str());
    });
    HWND dialog = WaitForDialog(SETUP_TITLE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), owner);
    EXPECT_EQ(Text(dialog, IDC_DESCRIPTION), L"from the caller");
    // Without a host OK stays disabled; typing one enables it.
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, IDOK)));
    Type(dialog, IDC_HOST, L"spark.example.com");
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog, IDOK)));
    Click(dialog, IDOK);
    EXPECT_TRUE(added.get());
    const auto saved = DataSource(L"WinDialog");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->at(L"Host"), L"spark.example.com");
    EXPECT_EQ(saved->at(L"DESCRIPTION"), L"from the caller");
    EXPECT_EQ(saved->at(L"Port"), L"10000");

    auto changed = std::async(std::launch::async, [owner] {
        return ::SQLConfigDataSourceW(owner, ODBC_CONFIG_DSN, DRIVER, Attributes({L"DSN=WinDialog"}).c_str());
    });
    dialog = WaitForDialog(SETUP_TITLE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog, IDC_HOST), L"spark.example.com");
    Type(dialog, IDC_HOST, L"other.example.com");
    Click(dialog, IDCANCEL);
    EXPECT_FALSE(changed.get());
    const DWORD code = FirstErrorCode();
    EXPECT_TRUE(code == ODBC_ERROR_USER_CANCELED || code == ODBC_ERROR_REQUEST_FAILED) << code;
    EXPECT_EQ(DataSource(L"WinDialog"), saved);

    ASSERT_TRUE(::SQLConfigDataSourceW(nullptr, ODBC_REMOVE_DSN, DRIVER, Attributes({L"DSN=WinDialog"}).c_str()));
    ::DestroyWindow(owner);
}

} // namespace
} // namespace Dravo::Test
