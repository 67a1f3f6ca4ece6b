#include "platform/RegistryImage.h"

#include <algorithm>

#include <unicode/uchar.h>

#include "platform/Utf8.h"

namespace Dravo::OS {

std::u16string FoldRegistryName(std::u16string_view name)
{
    // As Windows compares names: each UTF-16 unit upper-cased on its own by
    // the simple mapping, surrogates as they are. Full case folding would
    // take a sharp s for "ss" and the Kelvin sign for "k", so that one name
    // would match another that no other reader of the file takes it for.
    std::u16string folded(name);
    for (char16_t& unit : folded) {
        if (unit < 0x80) {
            if (unit >= u'a' && unit <= u'z') {
                unit = static_cast<char16_t>(unit - (u'a' - u'A'));
            }
        } else {
            const UChar32 upper = u_toupper(unit);
            if (upper <= 0xFFFF) {
                unit = static_cast<char16_t>(upper);
            }
        }
    }
    return folded;
}

namespace {

bool HoldsUnstorableUnit(std::u16string_view name)
{
    return name.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos
        || !IsWellFormedUtf16(name);
}

} // namespace

ErrorOr<std::vector<std::u16string>> SplitRegistryPath(std::u16string_view path)
{
    std::vector<std::u16string> names;
    if (path.empty()) {
        return names;
    }
    if (path.back() == u'\\') {
        path.remove_suffix(1);
        if (path.empty()) {
            return ERROR_BAD_PATHNAME_CODE;
        }
    }
    size_t start = 0;
    for (;;) {
        const size_t end = path.find(u'\\', start);
        const std::u16string_view name = path.substr(start, end == std::u16string_view::npos ? end : end - start);
        if (name.empty()) {
            return ERROR_BAD_PATHNAME_CODE;
        }
        if (name.size() > MAX_REGISTRY_KEY_NAME || HoldsUnstorableUnit(name)) {
            return ERROR_INVALID_PARAMETER_CODE;
        }
        if (names.size() == MAX_REGISTRY_DEPTH) {
            return ERROR_INVALID_PARAMETER_CODE;
        }
        names.emplace_back(name);
        if (end == std::u16string_view::npos) {
            return names;
        }
        start = end + 1;
    }
}

std::u16string JoinRegistryPath(const std::vector<std::u16string>& names)
{
    std::u16string path;
    for (const std::u16string& name : names) {
        if (!path.empty()) {
            path.push_back(u'\\');
        }
        path += name;
    }
    return path;
}

ErrorCode CheckRegistryValueName(std::u16string_view name)
{
    if (name.size() > MAX_REGISTRY_VALUE_NAME || HoldsUnstorableUnit(name)) {
        return ERROR_INVALID_PARAMETER_CODE;
    }
    return ERROR_SUCCESS_CODE;
}

ErrorCode CheckRegistryChanges(const std::vector<RegistryChange>& changes)
{
    for (const RegistryChange& change : changes) {
        const auto names = SplitRegistryPath(change.keyPath);
        if (!names) {
            return names.GetError();
        }
        if (change.kind == RegistryChange::Kind::DeleteTree && names->empty()) {
            return ERROR_ACCESS_DENIED_CODE;
        }
        if ((change.kind == RegistryChange::Kind::SetValue || change.kind == RegistryChange::Kind::DeleteValue)
            && CheckRegistryValueName(change.value.name) != ERROR_SUCCESS_CODE) {
            return ERROR_INVALID_PARAMETER_CODE;
        }
    }
    return ERROR_SUCCESS_CODE;
}

std::vector<RegistryImageKey::SubKeyEntry>::iterator RegistryImageKey::LowerBound(const std::u16string& folded)
{
    return std::lower_bound(m_subKeys.begin(), m_subKeys.end(), folded,
        [](const SubKeyEntry& entry, const std::u16string& wanted) { return entry.folded < wanted; });
}

std::vector<RegistryImageKey::SubKeyEntry>::const_iterator RegistryImageKey::LowerBound(
    const std::u16string& folded) const
{
    return std::lower_bound(m_subKeys.begin(), m_subKeys.end(), folded,
        [](const SubKeyEntry& entry, const std::u16string& wanted) { return entry.folded < wanted; });
}

RegistryImageKey* RegistryImageKey::FindSubKey(std::u16string_view name)
{
    const std::u16string folded = FoldRegistryName(name);
    const auto it = LowerBound(folded);
    return it != m_subKeys.end() && it->folded == folded ? it->key.get() : nullptr;
}

const RegistryImageKey* RegistryImageKey::FindSubKey(std::u16string_view name) const
{
    const std::u16string folded = FoldRegistryName(name);
    const auto it = LowerBound(folded);
    return it != m_subKeys.end() && it->folded == folded ? it->key.get() : nullptr;
}

RegistryImageKey& RegistryImageKey::CreateSubKey(std::u16string_view name)
{
    std::u16string folded = FoldRegistryName(name);
    auto it = LowerBound(folded);
    if (it != m_subKeys.end() && it->folded == folded) {
        return *it->key;
    }
    it = m_subKeys.insert(it, SubKeyEntry{std::move(folded), std::make_unique<RegistryImageKey>(std::u16string(name))});
    return *it->key;
}

bool RegistryImageKey::RemoveSubKey(std::u16string_view name)
{
    const std::u16string folded = FoldRegistryName(name);
    const auto it = LowerBound(folded);
    if (it == m_subKeys.end() || it->folded != folded) {
        return false;
    }
    m_subKeys.erase(it);
    return true;
}

const RegistryValue* RegistryImageKey::FindValue(std::u16string_view name) const
{
    const auto it = m_valueIndex.find(FoldRegistryName(name));
    return it == m_valueIndex.end() ? nullptr : &m_values[it->second];
}

void RegistryImageKey::SetValue(const RegistryValue& value)
{
    const auto [it, inserted] = m_valueIndex.try_emplace(FoldRegistryName(value.name), m_values.size());
    if (inserted) {
        m_values.push_back(value);
        return;
    }
    RegistryValue& existing = m_values[it->second];
    existing.type = value.type;
    existing.data = value.data;
}

bool RegistryImageKey::DeleteValue(std::u16string_view name)
{
    const auto it = m_valueIndex.find(FoldRegistryName(name));
    if (it == m_valueIndex.end()) {
        return false;
    }
    const size_t position = it->second;
    m_valueIndex.erase(it);
    m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& entry : m_valueIndex) {
        if (entry.second > position) {
            --entry.second;
        }
    }
    return true;
}

size_t RegistryImageKey::GetMaxSubKeyNameLength() const
{
    size_t longest = 0;
    for (const SubKeyEntry& entry : m_subKeys) {
        longest = std::max(longest, entry.key->m_name.size());
    }
    return longest;
}

size_t RegistryImageKey::GetMaxValueNameLength() const
{
    size_t longest = 0;
    for (const RegistryValue& value : m_values) {
        longest = std::max(longest, value.name.size());
    }
    return longest;
}

size_t RegistryImageKey::GetMaxValueDataLength() const
{
    size_t longest = 0;
    for (const RegistryValue& value : m_values) {
        longest = std::max(longest, value.data.size());
    }
    return longest;
}

void RegistryImageKey::Clear()
{
    m_subKeys.clear();
    m_values.clear();
    m_valueIndex.clear();
}

const RegistryImageKey* RegistryImage::FindKey(const std::vector<std::u16string>& names) const
{
    const RegistryImageKey* key = &m_root;
    for (const std::u16string& name : names) {
        key = key->FindSubKey(name);
        if (!key) {
            return nullptr;
        }
    }
    return key;
}

const RegistryImageKey* RegistryImage::FindKey(std::u16string_view path) const
{
    const auto names = SplitRegistryPath(path);
    return names ? FindKey(*names) : nullptr;
}

std::u16string RegistryImage::GetStoredPath(const std::vector<std::u16string>& names) const
{
    std::u16string path;
    const RegistryImageKey* key = &m_root;
    for (const std::u16string& name : names) {
        key = key ? key->FindSubKey(name) : nullptr;
        if (!path.empty()) {
            path.push_back(u'\\');
        }
        path += key ? key->GetName() : name;
    }
    return path;
}

void RegistryImage::Apply(const RegistryChange& change)
{
    const auto names = SplitRegistryPath(change.keyPath);
    if (!names) {
        return;
    }
    switch (change.kind) {
    case RegistryChange::Kind::CreateKey:
    case RegistryChange::Kind::SetValue: {
        RegistryImageKey* key = &m_root;
        for (const std::u16string& name : *names) {
            key = &key->CreateSubKey(name);
        }
        if (change.kind == RegistryChange::Kind::SetValue) {
            key->SetValue(change.value);
        }
        break;
    }
    case RegistryChange::Kind::DeleteTree: {
        if (names->empty()) {
            m_root.Clear();
            break;
        }
        RegistryImageKey* parent = &m_root;
        for (size_t i = 0; parent && i + 1 < names->size(); ++i) {
            parent = parent->FindSubKey((*names)[i]);
        }
        if (parent) {
            parent->RemoveSubKey(names->back());
        }
        break;
    }
    case RegistryChange::Kind::DeleteValue: {
        RegistryImageKey* key = &m_root;
        for (const std::u16string& name : *names) {
            key = key ? key->FindSubKey(name) : nullptr;
        }
        if (key) {
            key->DeleteValue(change.value.name);
        }
        break;
    }
    }
}

} // namespace Dravo::OS
