// What the built programs and setup library carry for Windows to show: the
// icon at every size it asks for, the manifests' systems and rights, the
// subsystem, the version information, and a --help that describes the
// Windows program.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/app/win32/ProgramWin32Fixture.h"

namespace Dravo::Test {
namespace {

// IDI_PRODUCT in resources/ControlIds.h, which the dialogs load.
constexpr WORD PRODUCT_ICON = 9129;
// The resource types, as the wide functions take them.
const LPCWSTR GROUP_ICON_TYPE = MAKEINTRESOURCEW(14);
const LPCWSTR MANIFEST_TYPE = MAKEINTRESOURCEW(24);

/// A module loaded for its resources only.
class ResourceModule {
public:
    explicit ResourceModule(const std::filesystem::path& path)
        : m_module(::LoadLibraryExW(
            path.wstring().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;
    ~ResourceModule()
    {
        if (m_module) {
            ::FreeLibrary(m_module);
        }
    }
    HMODULE Get() const { return m_module; }

    std::string Data(LPCWSTR type, LPCWSTR name) const
    {
        HRSRC found = ::FindResourceW(m_module, name, type);
        if (!found) {
            return {};
        }
        const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(m_module, found)));
        return bytes ? std::string(bytes, ::SizeofResource(m_module, found)) : std::string();
    }

private:
    HMODULE m_module;
};

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

/// The sizes (256 for 0) of the 32-bit images in the icon group.
std::set<int> IconSizes(const std::string& group)
{
    std::set<int> sizes;
    if (group.size() < 6) {
        return sizes;
    }
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, sizeof count);
    for (WORD index = 0; index < count && 6 + (index + 1u) * sizeof(IconGroupEntry) <= group.size(); ++index) {
        IconGroupEntry entry{};
        std::memcpy(&entry, group.data() + 6 + index * sizeof entry, sizeof entry);
        if (entry.width == entry.height && entry.bitCount == 32) {
            sizes.insert(entry.width == 0 ? 256 : entry.width);
        }
    }
    return sizes;
}

BOOL CALLBACK FirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found)
{
    *reinterpret_cast<LPCWSTR*>(found) = name;
    return FALSE;
}

/// The subsystem in the file's PE header (IMAGE_SUBSYSTEM_WINDOWS_GUI or _CUI).
WORD Subsystem(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes(4096);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    LONG header = 0;
    std::memcpy(&header, bytes.data() + offsetof(IMAGE_DOS_HEADER, e_lfanew), sizeof header);
    WORD subsystem = 0;
    const size_t at = static_cast<size_t>(header) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader)
        + offsetof(IMAGE_OPTIONAL_HEADER64, Subsystem);
    if (at + sizeof subsystem <= bytes.size()) {
        std::memcpy(&subsystem, bytes.data() + at, sizeof subsystem);
    }
    return subsystem;
}

/// A string of the file's US English version information; empty without it.
std::wstring VersionString(const std::filesystem::path& path, const wchar_t* name)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.wstring().c_str(), &ignored);
    std::vector<BYTE> block(size);
    if (size == 0 || !::GetFileVersionInfoW(path.wstring().c_str(), 0, size, block.data())) {
        return {};
    }
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) {
        return {};
    }
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

class ProgramFilesWin32Test : public ProgramWin32Fixture {};

TEST_F(ProgramFilesWin32Test, TheProgramAndLibraryCarryTheIconAtEverySizeWindowsShows)
{
    for (const char* file : {"dravo-spark-config.exe", "dravosparksetup.dll"}) {
        const ResourceModule module(BuiltFile(file));
        ASSERT_NE(module.Get(), nullptr) << file;
        EXPECT_EQ(IconSizes(module.Data(GROUP_ICON_TYPE, MAKEINTRESOURCEW(PRODUCT_ICON))),
            (std::set<int>{16, 20, 24, 32, 40, 48, 64, 256}))
            << file;
        for (const int size : {16, 32, 48, 256}) {
            HANDLE icon = ::LoadImageW(module.Get(), MAKEINTRESOURCEW(PRODUCT_ICON), IMAGE_ICON, size, size, 0);
            EXPECT_NE(icon, nullptr) << file << " at " << size << " pixels";
            if (icon) {
                ::DestroyIcon(static_cast<HICON>(icon));
            }
        }
    }
    // Explorer shows a program's first icon group.
    const ResourceModule program(ProgramPath());
    LPCWSTR first = nullptr;
    ::EnumResourceNamesW(program.Get(), GROUP_ICON_TYPE, FirstName, reinterpret_cast<LONG_PTR>(&first));
    EXPECT_TRUE(first && IS_INTRESOURCE(first) && LOWORD(reinterpret_cast<ULONG_PTR>(first)) == PRODUCT_ICON);
}

TEST_F(ProgramFilesWin32Test, TheManifestNamesEverySupportedWindows)
{
    const ResourceModule program(ProgramPath());
    const std::string manifest = program.Data(MANIFEST_TYPE, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    for (const char* system : {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"}) {
        EXPECT_NE(manifest.find(system), std::string::npos) << "Windows " << system;
    }
}

// cmd and PowerShell wait only for a console program, and only one that asks
// for no elevation keeps its caller's output, exit status and user.
TEST_F(ProgramFilesWin32Test, TheConsoleProgramRunsAsItsCallerAndTheDialogProgramAsksForAdministratorRights)
{
    const std::filesystem::path console = BuiltFile("dravo-spark-config-cli.exe");
    EXPECT_EQ(Subsystem(console), IMAGE_SUBSYSTEM_WINDOWS_CUI);
    EXPECT_EQ(Subsystem(ProgramPath()), IMAGE_SUBSYSTEM_WINDOWS_GUI);
    const std::string consoleManifest = ResourceModule(console).Data(MANIFEST_TYPE, MAKEINTRESOURCEW(1));
    const std::string dialogManifest = ResourceModule(ProgramPath()).Data(MANIFEST_TYPE, MAKEINTRESOURCEW(1));
    EXPECT_NE(consoleManifest.find("level=\"asInvoker\""), std::string::npos) << consoleManifest;
    EXPECT_NE(dialogManifest.find("level=\"requireAdministrator\""), std::string::npos) << dialogManifest;
    // The setup library's dialogs have Common Controls 6 in any host: its
    // manifest is the one a DLL's own activation context is made from.
    const std::string libraryManifest =
        ResourceModule(BuiltFile("dravosparksetup.dll")).Data(MANIFEST_TYPE, MAKEINTRESOURCEW(2));
    for (const std::string* manifest : {&consoleManifest, &dialogManifest, &libraryManifest}) {
        EXPECT_NE(manifest->find("Microsoft.Windows.Common-Controls"), std::string::npos) << *manifest;
    }
}

TEST_F(ProgramFilesWin32Test, EveryShippedFileNamesTheProductAsThePackageDoes)
{
    for (const wchar_t* file : {L"dravo-spark-config.exe", L"dravo-spark-config-cli.exe", L"dravosparksetup.dll",
             L"dravo-reg.exe", L"dravo-did.exe"}) {
        const std::filesystem::path path = BuiltFile(std::filesystem::path(file).string().c_str());
        EXPECT_EQ(VersionString(path, L"ProductName"), L"Dravo Spark ODBC Driver Configuration") << path;
        EXPECT_EQ(VersionString(path, L"CompanyName"), L"Dravo") << path;
        EXPECT_EQ(VersionString(path, L"OriginalFilename"), file) << path;
        EXPECT_EQ(VersionString(path, L"LegalCopyright").rfind(L"Copyright ", 0), 0u) << path;
    }
}

TEST_F(ProgramFilesWin32Test, HelpDescribesTheWindowsProgram)
{
    StartedProgram started = StartWithArguments(L"--help");
    const ProgramRun run = Wait(started);
    EXPECT_EQ(run.exitCode, 0U) << run.errors;
    for (const char* text : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver",
             "--registry-root NAME", "Registry Roots", "ODBC Data Source", "administrator", "README.txt",
             "--script FILE", "--dsn NAME", "1 after OK, 0 after Cancel"}) {
        EXPECT_NE(run.output.find(text), std::string::npos) << text << " in:\n" << run.output;
    }
    // Nothing of the Linux program: its files, variables and manual page.
    for (const char* text : {"terminal", "/etc/", "SPARKINI", "DRAVO_REGISTRY_ROOT", "odbc.ini", "(1)"}) {
        EXPECT_EQ(run.output.find(text), std::string::npos) << text << " in:\n" << run.output;
    }
}

} // namespace
} // namespace Dravo::Test
