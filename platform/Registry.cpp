// The registry API's portable part: every argument checked the same way on
// every system, then the call handed to this system's store (RegistryStore.h).
#include "platform/Registry.h"

#include <utility>

#include "platform/RegistryImage.h"
#include "platform/RegistryStore.h"
#include "platform/ThreadDiagnostic.h"

namespace Dravo::OS {

RegistryKey::RegistryKey(
    std::unique_ptr<RegistryKeyHandle> handle, RegistryHive hive, std::u16string path, RegistryAccess access)
    : m_handle(std::move(handle)), m_hive(hive), m_path(std::move(path)), m_access(access)
{
}

RegistryKey::RegistryKey() noexcept = default;
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::u16string RegistryKey::GetPath() const
{
    return m_path;
}

ErrorOr<RegistryKey> RegistryKey::Create(RegistryHive hive, std::u16string_view path)
{
    ThreadDiagnostic::Clear();
    auto names = SplitRegistryPath(path);
    if (!names) {
        return names.GetError();
    }
    auto handle = RegistryStore::CreateKey(hive, *names);
    if (!handle) {
        return handle.GetError();
    }
    return RegistryKey(std::move(*handle), hive, JoinRegistryPath(*names), RegistryAccess::Full);
}

ErrorOr<RegistryKey> RegistryKey::Open(RegistryHive hive, std::u16string_view path, RegistryAccess access)
{
    ThreadDiagnostic::Clear();
    auto names = SplitRegistryPath(path);
    if (!names) {
        return names.GetError();
    }
    auto handle = RegistryStore::OpenKey(hive, *names, access);
    if (!handle) {
        return handle.GetError();
    }
    return RegistryKey(std::move(*handle), hive, JoinRegistryPath(*names), access);
}

ErrorCode RegistryKey::SetValue(std::u16string_view name, RegistryValueType type, std::span<const uint8_t> data)
{
    ThreadDiagnostic::Clear();
    if (!m_handle) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    if (m_access != RegistryAccess::Full) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    if (const ErrorCode checked = CheckRegistryValueName(name); checked != ERROR_SUCCESS_CODE) {
        return checked;
    }
    // The API counts a value's bytes in 32 bits.
    if (data.size() > 0xFFFFFFFFu) {
        return ERROR_INVALID_PARAMETER_CODE;
    }
    RegistryValue value;
    value.name = name;
    value.type = type;
    value.data.assign(data.begin(), data.end());
    return m_handle->SetValue(value);
}

ErrorCode RegistryKey::SetStringValue(std::u16string_view name, std::u16string_view text)
{
    const std::vector<uint8_t> data = MakeRegistryStringData(text);
    return SetValue(name, REG_SZ_TYPE, data);
}

ErrorOr<RegistryValue> RegistryKey::QueryValue(std::u16string_view name) const
{
    ThreadDiagnostic::Clear();
    if (!m_handle) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    return m_handle->QueryValue(name);
}

ErrorCode RegistryKey::DeleteValue(std::u16string_view name)
{
    ThreadDiagnostic::Clear();
    if (!m_handle) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    if (m_access != RegistryAccess::Full) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    return m_handle->DeleteValue(name);
}

ErrorOr<RegistryValue> RegistryKey::EnumValue(uint32_t index) const
{
    ThreadDiagnostic::Clear();
    if (!m_handle) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    return m_handle->EnumValue(index);
}

ErrorOr<std::u16string> RegistryKey::EnumSubKey(uint32_t index) const
{
    ThreadDiagnostic::Clear();
    if (!m_handle) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    return m_handle->EnumSubKey(index);
}

ErrorOr<RegistryKeyInfo> RegistryKey::QueryInfo() const
{
    ThreadDiagnostic::Clear();
    if (!m_handle) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    return m_handle->QueryInfo();
}

ErrorCode RegistryKey::Flush()
{
    ThreadDiagnostic::Clear();
    if (!m_handle) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    return m_handle->Flush();
}

void RegistryKey::Close() noexcept
{
    m_handle.reset();
    m_path.clear();
}

namespace {

ErrorCode DeleteKey(RegistryHive hive, std::u16string_view path, bool withSubKeys)
{
    ThreadDiagnostic::Clear();
    const auto names = SplitRegistryPath(path);
    if (!names) {
        return names.GetError();
    }
    // A hive's root stays, as on Windows.
    if (names->empty()) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    return RegistryStore::DeleteKey(hive, *names, withSubKeys);
}

} // namespace

ErrorCode DeleteRegistryKey(RegistryHive hive, std::u16string_view path)
{
    return DeleteKey(hive, path, false);
}

ErrorCode DeleteRegistryTree(RegistryHive hive, std::u16string_view path)
{
    return DeleteKey(hive, path, true);
}

ErrorCode ApplyRegistryChanges(const std::vector<RegistryChange>& changes)
{
    ThreadDiagnostic::Clear();
    if (const ErrorCode checked = CheckRegistryChanges(changes); checked != ERROR_SUCCESS_CODE) {
        return checked;
    }
    return RegistryStore::ApplyChanges(changes);
}

ErrorOr<std::string> ExportRegistryTree(RegistryHive hive, std::u16string_view path)
{
    ThreadDiagnostic::Clear();
    const auto names = SplitRegistryPath(path);
    if (!names) {
        return names.GetError();
    }
    return RegistryStore::ExportTree(hive, *names);
}

std::string GetRegistryDiagnostic()
{
    return ThreadDiagnostic::Get();
}

ErrorCode CheckRegistryHiveWritable(RegistryHive hive)
{
    ThreadDiagnostic::Clear();
    return RegistryStore::CheckHiveWritable(hive);
}

std::string GetRegistryKeyFilePath(RegistryHive hive, std::u16string_view path)
{
    const auto names = SplitRegistryPath(path);
    return RegistryStore::KeyFilePath(hive, names ? *names : RegistryKeyNames{});
}

ErrorCode CheckRegistryKeyWritable(RegistryHive hive, std::u16string_view path)
{
    ThreadDiagnostic::Clear();
    const auto names = SplitRegistryPath(path);
    if (!names) {
        return names.GetError();
    }
    return RegistryStore::CheckKeyWritable(hive, *names);
}

} // namespace Dravo::OS
