// The registry key API over the hive files of posix/HiveFile.
#include "platform/Registry.h"

#include <map>

#include "platform/RegistryFileWriter.h"
#include "platform/RegistryImage.h"
#include "platform/posix/HiveFile.h"

namespace Dravo::OS {
namespace {

RegistryChange MakeChange(RegistryChange::Kind kind, RegistryHive hive, std::u16string path)
{
    RegistryChange change;
    change.kind = kind;
    change.hive = hive;
    change.keyPath = std::move(path);
    return change;
}

} // namespace

RegistryKey::RegistryKey(HiveFile& hiveFile, RegistryHive hive, std::vector<std::u16string> names,
    RegistryAccess access)
    : m_hiveFile(&hiveFile), m_hive(hive), m_names(std::move(names)), m_access(access)
{
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : m_hiveFile(other.m_hiveFile), m_hive(other.m_hive), m_names(std::move(other.m_names)),
      m_access(other.m_access)
{
    other.m_hiveFile = nullptr;
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept
{
    if (this != &other) {
        m_hiveFile = other.m_hiveFile;
        m_hive = other.m_hive;
        m_names = std::move(other.m_names);
        m_access = other.m_access;
        other.m_hiveFile = nullptr;
    }
    return *this;
}

std::u16string RegistryKey::GetPath() const
{
    return JoinRegistryPath(m_names);
}

ErrorOr<RegistryKey> RegistryKey::Create(RegistryHive hive, std::u16string_view path)
{
    ClearRegistryDiagnostic();
    auto names = SplitRegistryPath(path);
    if (!names) {
        return names.GetError();
    }
    HiveFile& hiveFile = HiveFile::Get(hive);
    if (const ErrorCode writable = hiveFile.CheckWritable(); writable != ERROR_SUCCESS_CODE) {
        return writable;
    }
    bool exists = false;
    const ErrorCode read = hiveFile.Read([&](const RegistryImage& image) {
        exists = image.FindKey(*names) != nullptr;
        return ERROR_SUCCESS_CODE;
    });
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    if (!exists) {
        const ErrorCode written = hiveFile.Write([&](const RegistryImage& image, std::vector<RegistryChange>& changes) {
            if (!image.FindKey(*names)) {
                changes.push_back(MakeChange(RegistryChange::Kind::CreateKey, hive, image.GetStoredPath(*names)));
            }
            return ERROR_SUCCESS_CODE;
        });
        if (written != ERROR_SUCCESS_CODE) {
            return written;
        }
    }
    return RegistryKey(hiveFile, hive, std::move(*names), RegistryAccess::Full);
}

ErrorOr<RegistryKey> RegistryKey::Open(RegistryHive hive, std::u16string_view path, RegistryAccess access)
{
    ClearRegistryDiagnostic();
    auto names = SplitRegistryPath(path);
    if (!names) {
        return names.GetError();
    }
    HiveFile& hiveFile = HiveFile::Get(hive);
    const ErrorCode read = hiveFile.Read([&](const RegistryImage& image) {
        return image.FindKey(*names) ? ERROR_SUCCESS_CODE : ERROR_FILE_NOT_FOUND_CODE;
    });
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    if (access == RegistryAccess::Full) {
        if (const ErrorCode writable = hiveFile.CheckWritable(); writable != ERROR_SUCCESS_CODE) {
            return writable;
        }
    }
    return RegistryKey(hiveFile, hive, std::move(*names), access);
}

ErrorCode RegistryKey::SetValue(std::u16string_view name, RegistryValueType type, std::span<const uint8_t> data)
{
    ClearRegistryDiagnostic();
    if (!m_hiveFile) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    if (m_access != RegistryAccess::Full) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    if (const ErrorCode checked = CheckRegistryValueName(name); checked != ERROR_SUCCESS_CODE) {
        return checked;
    }
    RegistryValue value;
    value.name = name;
    value.type = type;
    value.data.assign(data.begin(), data.end());
    return m_hiveFile->Write([&](const RegistryImage& image, std::vector<RegistryChange>& changes) {
        const RegistryImageKey* key = image.FindKey(m_names);
        if (!key) {
            return ERROR_KEY_DELETED_CODE;
        }
        const RegistryValue* existing = key->FindValue(value.name);
        if (existing && existing->type == value.type && existing->data == value.data) {
            return ERROR_SUCCESS_CODE;
        }
        RegistryChange change = MakeChange(RegistryChange::Kind::SetValue, m_hive, image.GetStoredPath(m_names));
        change.value = value;
        if (existing) {
            change.value.name = existing->name;
        }
        changes.push_back(std::move(change));
        return ERROR_SUCCESS_CODE;
    });
}

ErrorCode RegistryKey::SetStringValue(std::u16string_view name, std::u16string_view text)
{
    const std::vector<uint8_t> data = MakeRegistryStringData(text);
    return SetValue(name, REG_SZ_TYPE, data);
}

ErrorOr<RegistryValue> RegistryKey::QueryValue(std::u16string_view name) const
{
    ClearRegistryDiagnostic();
    if (!m_hiveFile) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    RegistryValue result;
    const ErrorCode read = m_hiveFile->Read([&](const RegistryImage& image) {
        const RegistryImageKey* key = image.FindKey(m_names);
        if (!key) {
            return ERROR_KEY_DELETED_CODE;
        }
        const RegistryValue* value = key->FindValue(name);
        if (!value) {
            return ERROR_FILE_NOT_FOUND_CODE;
        }
        result = *value;
        return ERROR_SUCCESS_CODE;
    });
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    return result;
}

ErrorCode RegistryKey::DeleteValue(std::u16string_view name)
{
    ClearRegistryDiagnostic();
    if (!m_hiveFile) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    if (m_access != RegistryAccess::Full) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    return m_hiveFile->Write([&](const RegistryImage& image, std::vector<RegistryChange>& changes) {
        const RegistryImageKey* key = image.FindKey(m_names);
        if (!key) {
            return ERROR_KEY_DELETED_CODE;
        }
        const RegistryValue* existing = key->FindValue(name);
        if (!existing) {
            return ERROR_FILE_NOT_FOUND_CODE;
        }
        RegistryChange change = MakeChange(RegistryChange::Kind::DeleteValue, m_hive, image.GetStoredPath(m_names));
        change.value.name = existing->name;
        changes.push_back(std::move(change));
        return ERROR_SUCCESS_CODE;
    });
}

ErrorOr<RegistryValue> RegistryKey::EnumValue(uint32_t index) const
{
    ClearRegistryDiagnostic();
    if (!m_hiveFile) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    RegistryValue result;
    const ErrorCode read = m_hiveFile->Read([&](const RegistryImage& image) {
        const RegistryImageKey* key = image.FindKey(m_names);
        if (!key) {
            return ERROR_KEY_DELETED_CODE;
        }
        if (index >= key->GetValueCount()) {
            return ERROR_NO_MORE_ITEMS_CODE;
        }
        result = key->GetValue(index);
        return ERROR_SUCCESS_CODE;
    });
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    return result;
}

ErrorOr<std::u16string> RegistryKey::EnumSubKey(uint32_t index) const
{
    ClearRegistryDiagnostic();
    if (!m_hiveFile) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    std::u16string result;
    const ErrorCode read = m_hiveFile->Read([&](const RegistryImage& image) {
        const RegistryImageKey* key = image.FindKey(m_names);
        if (!key) {
            return ERROR_KEY_DELETED_CODE;
        }
        if (index >= key->GetSubKeyCount()) {
            return ERROR_NO_MORE_ITEMS_CODE;
        }
        result = key->GetSubKey(index).GetName();
        return ERROR_SUCCESS_CODE;
    });
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    return result;
}

ErrorOr<RegistryKeyInfo> RegistryKey::QueryInfo() const
{
    ClearRegistryDiagnostic();
    if (!m_hiveFile) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    RegistryKeyInfo info;
    const ErrorCode read = m_hiveFile->Read([&](const RegistryImage& image) {
        const RegistryImageKey* key = image.FindKey(m_names);
        if (!key) {
            return ERROR_KEY_DELETED_CODE;
        }
        info.subKeyCount = static_cast<uint32_t>(key->GetSubKeyCount());
        info.maxSubKeyNameLength = static_cast<uint32_t>(key->GetMaxSubKeyNameLength());
        info.valueCount = static_cast<uint32_t>(key->GetValueCount());
        info.maxValueNameLength = static_cast<uint32_t>(key->GetMaxValueNameLength());
        info.maxValueDataLength = static_cast<uint32_t>(key->GetMaxValueDataLength());
        return ERROR_SUCCESS_CODE;
    });
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    return info;
}

ErrorCode RegistryKey::Flush()
{
    ClearRegistryDiagnostic();
    if (!m_hiveFile) {
        return ERROR_INVALID_HANDLE_CODE;
    }
    return m_hiveFile->Flush();
}

void RegistryKey::Close() noexcept
{
    m_hiveFile = nullptr;
    m_names.clear();
}

namespace {

ErrorCode DeleteKey(RegistryHive hive, std::u16string_view path, bool withSubKeys)
{
    ClearRegistryDiagnostic();
    const auto names = SplitRegistryPath(path);
    if (!names) {
        return names.GetError();
    }
    if (names->empty()) {
        return ERROR_ACCESS_DENIED_CODE;
    }
    HiveFile& hiveFile = HiveFile::Get(hive);
    if (const ErrorCode writable = hiveFile.CheckWritable(); writable != ERROR_SUCCESS_CODE) {
        return writable;
    }
    return hiveFile.Write([&](const RegistryImage& image, std::vector<RegistryChange>& changes) {
        const RegistryImageKey* key = image.FindKey(*names);
        if (!key) {
            return ERROR_FILE_NOT_FOUND_CODE;
        }
        if (!withSubKeys && key->GetSubKeyCount() > 0) {
            return ERROR_ACCESS_DENIED_CODE;
        }
        changes.push_back(MakeChange(RegistryChange::Kind::DeleteTree, hive, image.GetStoredPath(*names)));
        return ERROR_SUCCESS_CODE;
    });
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
    ClearRegistryDiagnostic();
    if (const ErrorCode checked = CheckRegistryChanges(changes); checked != ERROR_SUCCESS_CODE) {
        return checked;
    }
    std::map<RegistryHive, std::vector<RegistryChange>> byHive;
    for (const RegistryChange& change : changes) {
        byHive[change.hive].push_back(change);
    }
    for (const auto& entry : byHive) {
        const std::vector<RegistryChange>& hiveChanges = entry.second;
        HiveFile& hiveFile = HiveFile::Get(entry.first);
        if (const ErrorCode writable = hiveFile.CheckWritable(); writable != ERROR_SUCCESS_CODE) {
            return writable;
        }
        const ErrorCode written = hiveFile.Write([&](const RegistryImage&, std::vector<RegistryChange>& planned) {
            planned = hiveChanges;
            return ERROR_SUCCESS_CODE;
        });
        if (written != ERROR_SUCCESS_CODE) {
            return written;
        }
    }
    return ERROR_SUCCESS_CODE;
}

ErrorOr<std::string> ExportRegistryTree(RegistryHive hive, std::u16string_view path)
{
    ClearRegistryDiagnostic();
    const auto names = SplitRegistryPath(path);
    if (!names) {
        return names.GetError();
    }
    std::string text;
    const ErrorCode read = HiveFile::Get(hive).Read([&](const RegistryImage& image) {
        const RegistryImageKey* key = image.FindKey(*names);
        if (!key) {
            return ERROR_FILE_NOT_FOUND_CODE;
        }
        RegistryFileWriter writer(text);
        writer.WriteHeader();
        writer.WriteTree(*key, hive, image.GetStoredPath(*names));
        return ERROR_SUCCESS_CODE;
    });
    if (read != ERROR_SUCCESS_CODE) {
        return read;
    }
    return text;
}

} // namespace Dravo::OS
