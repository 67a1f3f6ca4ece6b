// The registry store over the Windows registry (advapi32).
//
// For tests and for --registry-root, the two hives can be moved below a key of
// the user's own hive: a directory name given to SetRegistryRoot picks the key
// "Software\Dravo\Registry Roots\<name>", with HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER below it. Every call then goes to the same advapi32
// functions with that key as its root. Nothing in the environment moves them:
// an administrator's save must reach the key the driver reads.
#include "platform/RegistryStore.h"

#include <map>
#include <mutex>

#include <windows.h>

#include "platform/ProcessState.h"
#include "platform/RegistryFileWriter.h"
#include "platform/RegistryImage.h"
#include "platform/ThreadDiagnostic.h"
#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

namespace Dravo::OS {
namespace {

constexpr const wchar_t* REGISTRY_ROOTS_KEY = L"Software\\Dravo\\Registry Roots";

struct RootState {
    RootState() = default;
    RootState(const RootState&) = delete;
    RootState& operator=(const RootState&) = delete;
    ~RootState()
    {
        for (HKEY root : roots) {
            if (root) {
                ::RegCloseKey(root);
            }
        }
    }

    std::mutex mutex;
    bool overridden = false;
    std::string overrideDirectory;
    /// The directory the open roots belong to; empty for the real hives.
    std::string appliedDirectory;
    HKEY roots[2] = {nullptr, nullptr};
};

// Never destroyed but by forgetting the process state: keys may be used
// until the process ends.
ProcessState<RootState> g_roots{"registry root keys"};

RootState& Roots()
{
    return g_roots.Get();
}

/// A key name for a directory: backslashes cannot appear in one.
std::wstring RootKeyName(const std::string& directory)
{
    std::u16string name;
    if (!AppendUtf16FromUtf8(directory, name)) {
        name.assign(directory.begin(), directory.end());
    }
    for (char16_t& c : name) {
        if (c == u'\\') {
            c = u'/';
        }
    }
    if (name.size() > MAX_REGISTRY_KEY_NAME) {
        name.erase(0, name.size() - MAX_REGISTRY_KEY_NAME);
    }
    return ToWide(name);
}

HKEY PredefinedKey(RegistryHive hive)
{
    return hive == RegistryHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

/// The key that stands for the hive now; nullptr with the error when the
/// moved root cannot be made.
HKEY RootKey(RegistryHive hive, LSTATUS& status)
{
    status = ERROR_SUCCESS;
    RootState& state = Roots();
    std::lock_guard lock(state.mutex);
    const std::string directory = state.overridden ? state.overrideDirectory : std::string();
    if (directory != state.appliedDirectory) {
        for (HKEY& root : state.roots) {
            if (root) {
                ::RegCloseKey(root);
                root = nullptr;
            }
        }
        state.appliedDirectory = directory;
    }
    if (directory.empty()) {
        return PredefinedKey(hive);
    }
    HKEY& root = state.roots[hive == RegistryHive::LocalMachine ? 0 : 1];
    if (!root) {
        std::wstring path = REGISTRY_ROOTS_KEY;
        path += L"\\" + RootKeyName(directory) + L"\\" + ToWide(GetHiveName(hive));
        status = ::RegCreateKeyW(HKEY_CURRENT_USER, path.c_str(), &root);
        if (status != ERROR_SUCCESS) {
            root = nullptr;
            return nullptr;
        }
    }
    return root;
}

/// A path as the API takes it.
std::wstring ApiPath(const RegistryKeyNames& names)
{
    return ToWide(JoinRegistryPath(names));
}

RegistryValueType NativeType(DWORD type)
{
    return static_cast<RegistryValueType>(type);
}

/// The value at INDEX of an open key, asked again while it grows between
/// the size query and the read.
ErrorOr<RegistryValue> EnumNativeValue(HKEY key, DWORD index)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD maxNameLength = 0;
        DWORD maxDataLength = 0;
        LSTATUS status = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
            &maxNameLength, &maxDataLength, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            return static_cast<ErrorCode>(status);
        }
        std::vector<wchar_t> name(maxNameLength + 1u, L'\0');
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        RegistryValue value;
        value.data.assign(maxDataLength, 0);
        DWORD dataLength = maxDataLength;
        status = ::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
            value.data.empty() ? nullptr : value.data.data(), &dataLength);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS) {
            return static_cast<ErrorCode>(status);
        }
        value.name = FromWide(name.data(), nameLength);
        value.type = NativeType(type);
        value.data.resize(dataLength);
        return value;
    }
    return ERROR_MORE_DATA_CODE;
}

/// An open HKEY, closed when the handle goes.
class Win32Key final : public RegistryKeyHandle {
public:
    explicit Win32Key(HKEY key) : m_key(key) {}
    ~Win32Key() override { ::RegCloseKey(m_key); }

    ErrorCode SetValue(const RegistryValue& value) override
    {
        const std::wstring valueName = ToWide(value.name);
        return static_cast<ErrorCode>(::RegSetValueExW(m_key, valueName.c_str(), 0, value.type,
            value.data.empty() ? nullptr : value.data.data(), static_cast<DWORD>(value.data.size())));
    }

    ErrorOr<RegistryValue> QueryValue(std::u16string_view name) const override
    {
        const std::wstring valueName = ToWide(name);
        RegistryValue value;
        value.name = name;
        // Another process may grow the value between the two calls: ask again.
        for (int attempt = 0; attempt < 8; ++attempt) {
            DWORD type = 0;
            DWORD size = 0;
            LSTATUS status = ::RegQueryValueExW(m_key, valueName.c_str(), nullptr, &type, nullptr, &size);
            if (status != ERROR_SUCCESS) {
                return static_cast<ErrorCode>(status);
            }
            value.data.assign(size, 0);
            status = ::RegQueryValueExW(m_key, valueName.c_str(), nullptr, &type, value.data.data(), &size);
            if (status == ERROR_MORE_DATA) {
                continue;
            }
            if (status != ERROR_SUCCESS) {
                return static_cast<ErrorCode>(status);
            }
            value.data.resize(size);
            value.type = NativeType(type);
            return value;
        }
        return ERROR_MORE_DATA_CODE;
    }

    ErrorCode DeleteValue(std::u16string_view name) override
    {
        const std::wstring valueName = ToWide(name);
        return static_cast<ErrorCode>(::RegDeleteValueW(m_key, valueName.c_str()));
    }

    ErrorOr<RegistryValue> EnumValue(uint32_t index) const override { return EnumNativeValue(m_key, index); }

    ErrorOr<std::u16string> EnumSubKey(uint32_t index) const override
    {
        wchar_t name[MAX_REGISTRY_KEY_NAME + 1] = {};
        DWORD length = MAX_REGISTRY_KEY_NAME + 1;
        const LSTATUS status = ::RegEnumKeyExW(m_key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            return static_cast<ErrorCode>(status);
        }
        return FromWide(name, length);
    }

    ErrorOr<RegistryKeyInfo> QueryInfo() const override
    {
        DWORD subKeys = 0;
        DWORD maxSubKeyLength = 0;
        DWORD values = 0;
        DWORD maxValueNameLength = 0;
        DWORD maxValueLength = 0;
        const LSTATUS status = ::RegQueryInfoKeyW(m_key, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLength, nullptr,
            &values, &maxValueNameLength, &maxValueLength, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            return static_cast<ErrorCode>(status);
        }
        RegistryKeyInfo info;
        info.subKeyCount = subKeys;
        info.maxSubKeyNameLength = maxSubKeyLength;
        info.valueCount = values;
        info.maxValueNameLength = maxValueNameLength;
        info.maxValueDataLength = maxValueLength;
        return info;
    }

    ErrorCode Flush() override { return static_cast<ErrorCode>(::RegFlushKey(m_key)); }

private:
    HKEY m_key;
};

} // namespace

ErrorOr<std::unique_ptr<RegistryKeyHandle>> RegistryStore::CreateKey(RegistryHive hive, const RegistryKeyNames& names)
{
    LSTATUS status = ERROR_SUCCESS;
    HKEY root = RootKey(hive, status);
    if (!root) {
        return static_cast<ErrorCode>(status);
    }
    HKEY key = nullptr;
    status = ::RegCreateKeyW(root, ApiPath(names).c_str(), &key);
    if (status != ERROR_SUCCESS) {
        return static_cast<ErrorCode>(status);
    }
    return std::unique_ptr<RegistryKeyHandle>(std::make_unique<Win32Key>(key));
}

ErrorOr<std::unique_ptr<RegistryKeyHandle>> RegistryStore::OpenKey(
    RegistryHive hive, const RegistryKeyNames& names, RegistryAccess access)
{
    LSTATUS status = ERROR_SUCCESS;
    HKEY root = RootKey(hive, status);
    if (!root) {
        return static_cast<ErrorCode>(status);
    }
    HKEY key = nullptr;
    const REGSAM desired = access == RegistryAccess::Full ? KEY_ALL_ACCESS : KEY_READ;
    status = ::RegOpenKeyExW(root, ApiPath(names).c_str(), 0, desired, &key);
    if (status != ERROR_SUCCESS) {
        return static_cast<ErrorCode>(status);
    }
    return std::unique_ptr<RegistryKeyHandle>(std::make_unique<Win32Key>(key));
}

ErrorCode RegistryStore::DeleteKey(RegistryHive hive, const RegistryKeyNames& names, bool withSubKeys)
{
    const std::wstring apiPath = ApiPath(names);
    LSTATUS status = ERROR_SUCCESS;
    HKEY root = RootKey(hive, status);
    if (!root) {
        return static_cast<ErrorCode>(status);
    }
    if (withSubKeys) {
        // RegDeleteTreeW leaves a key it cannot open alone: say so, as for a single key.
        HKEY key = nullptr;
        status = ::RegOpenKeyExW(root, apiPath.c_str(), 0, KEY_READ, &key);
        if (status != ERROR_SUCCESS) {
            return static_cast<ErrorCode>(status);
        }
        ::RegCloseKey(key);
        return static_cast<ErrorCode>(::RegDeleteTreeW(root, apiPath.c_str()));
    }
    return static_cast<ErrorCode>(::RegDeleteKeyW(root, apiPath.c_str()));
}

namespace {

/// Reads a key and everything below it into an image key.
ErrorCode ReadTree(HKEY key, RegistryImageKey& into, size_t depth)
{
    if (depth > MAX_REGISTRY_DEPTH) {
        return ERROR_INVALID_PARAMETER_CODE;
    }
    for (DWORD index = 0;; ++index) {
        const ErrorOr<RegistryValue> value = EnumNativeValue(key, index);
        if (!value) {
            if (value.GetError() == ERROR_NO_MORE_ITEMS_CODE) {
                break;
            }
            return value.GetError();
        }
        into.SetValue(*value);
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_REGISTRY_KEY_NAME + 1] = {};
        DWORD length = MAX_REGISTRY_KEY_NAME + 1;
        LSTATUS status = ::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS) {
            return static_cast<ErrorCode>(status);
        }
        HKEY subKey = nullptr;
        status = ::RegOpenKeyExW(key, name, 0, KEY_READ, &subKey);
        if (status != ERROR_SUCCESS) {
            return static_cast<ErrorCode>(status);
        }
        const ErrorCode read = ReadTree(subKey, into.CreateSubKey(FromWide(name, length)), depth + 1);
        ::RegCloseKey(subKey);
        if (read != ERROR_SUCCESS_CODE) {
            return read;
        }
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode ApplyChange(const RegistryChange& change)
{
    switch (change.kind) {
    case RegistryChange::Kind::CreateKey: {
        auto key = RegistryKey::Create(change.hive, change.keyPath);
        return key.GetError();
    }
    case RegistryChange::Kind::DeleteTree: {
        const ErrorCode deleted = DeleteRegistryTree(change.hive, change.keyPath);
        // Deleting what is not there is no failure in an imported file.
        return deleted == ERROR_FILE_NOT_FOUND_CODE ? ERROR_SUCCESS_CODE : deleted;
    }
    case RegistryChange::Kind::SetValue: {
        auto key = RegistryKey::Create(change.hive, change.keyPath);
        if (!key) {
            return key.GetError();
        }
        return key->SetValue(change.value.name, change.value.type, change.value.data);
    }
    case RegistryChange::Kind::DeleteValue: {
        auto key = RegistryKey::Open(change.hive, change.keyPath, RegistryAccess::Full);
        if (!key) {
            return key.GetError() == ERROR_FILE_NOT_FOUND_CODE ? ERROR_SUCCESS_CODE : key.GetError();
        }
        const ErrorCode deleted = key->DeleteValue(change.value.name);
        return deleted == ERROR_FILE_NOT_FOUND_CODE ? ERROR_SUCCESS_CODE : deleted;
    }
    }
    return ERROR_INVALID_PARAMETER_CODE;
}

} // namespace

ErrorCode RegistryStore::ApplyChanges(const std::vector<RegistryChange>& changes)
{
    // The Windows registry has no transaction here, so a change refused by
    // the system (access denied) stops the rest; the ones before it stay.
    for (const RegistryChange& change : changes) {
        if (const ErrorCode applied = ApplyChange(change); applied != ERROR_SUCCESS_CODE) {
            return applied;
        }
    }
    return ERROR_SUCCESS_CODE;
}

ErrorOr<std::string> RegistryStore::ExportTree(RegistryHive hive, const RegistryKeyNames& names)
{
    const std::wstring apiPath = ApiPath(names);
    LSTATUS status = ERROR_SUCCESS;
    HKEY root = RootKey(hive, status);
    if (!root) {
        return static_cast<ErrorCode>(status);
    }
    HKEY key = nullptr;
    status = ::RegOpenKeyExW(root, apiPath.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) {
        return static_cast<ErrorCode>(status);
    }
    RegistryImage image;
    const ErrorCode read = ReadTree(key, image.GetRoot(), 0);
    ::RegCloseKey(key);
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    std::string text;
    RegistryFileWriter writer(text);
    writer.WriteHeader();
    writer.WriteTree(image.GetRoot(), hive, FromWide(apiPath));
    return text;
}

ErrorCode RegistryStore::CheckHiveWritable(RegistryHive hive)
{
    LSTATUS status = ERROR_SUCCESS;
    HKEY root = RootKey(hive, status);
    if (!root) {
        return static_cast<ErrorCode>(status);
    }
    // Below SOFTWARE is where this program writes; the hive's root key itself
    // takes no new keys even from an administrator.
    HKEY key = nullptr;
    const wchar_t* path = hive == RegistryHive::LocalMachine ? L"SOFTWARE" : L"Software";
    status = ::RegOpenKeyExW(root, path, 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &key);
    if (status == ERROR_FILE_NOT_FOUND) {
        return ERROR_SUCCESS_CODE;
    }
    if (status != ERROR_SUCCESS) {
        std::string name;
        (void)AppendUtf8FromUtf16(GetHiveName(hive), name);
        // The key, and why in the system's own words.
        std::string reason;
        (void)AppendUtf8FromUtf16(GetSystemErrorMessage(static_cast<ErrorCode>(status)), reason);
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) {
            reason.pop_back();
        }
        ThreadDiagnostic::Set(
            name + (hive == RegistryHive::LocalMachine ? "\\SOFTWARE" : "\\Software") + ": " + reason);
        return static_cast<ErrorCode>(status);
    }
    ::RegCloseKey(key);
    return ERROR_SUCCESS_CODE;
}

std::string GetHiveFilePath(RegistryHive hive)
{
    // No file holds a hive here: name the key that stands for it.
    std::string name;
    (void)AppendUtf8FromUtf16(GetHiveName(hive), name);
    std::string directory;
    {
        RootState& state = Roots();
        std::lock_guard lock(state.mutex);
        directory = state.overridden ? state.overrideDirectory : "";
    }
    if (directory.empty()) {
        return name;
    }
    std::string roots;
    (void)AppendUtf8FromUtf16(FromWide(REGISTRY_ROOTS_KEY), roots);
    std::string keyName;
    (void)AppendUtf8FromUtf16(FromWide(RootKeyName(directory)), keyName);
    return "HKEY_CURRENT_USER\\" + roots + "\\" + keyName + "\\" + name;
}

std::optional<std::string> WhyNotRegistryRoot(const std::string&)
{
    // The root names a key of the user's hive, made when first written.
    return std::nullopt;
}

std::optional<std::string> WhyRegistryRootInForceCannotBeUsed()
{
    return std::nullopt;
}

void SetRegistryRoot(const std::string& directory)
{
    RootState& state = Roots();
    std::lock_guard lock(state.mutex);
    state.overridden = !directory.empty();
    state.overrideDirectory = directory;
}

void DiscardRegistryCache()
{
    // The system keeps no copy of ours to forget.
}

std::string RegistryStore::KeyFilePath(RegistryHive hive, const RegistryKeyNames& names)
{
    // No file holds a key here: name the key itself.
    std::string name = GetHiveFilePath(hive);
    if (!names.empty()) {
        name += "\\" + Utf8OrPlaceholder(JoinRegistryPath(names));
    }
    return name;
}

std::optional<std::string> RegistryStore::WhyKeyCannotHoldValueName(
    RegistryHive, const RegistryKeyNames&, std::u16string_view)
{
    // The registry keeps as a name any text the portable checks let through.
    return std::nullopt;
}

ErrorCode RegistryStore::CheckKeyWritable(RegistryHive hive, const RegistryKeyNames&)
{
    return CheckHiveWritable(hive);
}

// The driver reads the registry here: nothing to mount.
void MountDriverConfiguration(const DriverConfigurationNames&) {}

void UnmountDriverConfiguration() {}

} // namespace Dravo::OS
