// Writes the text format of registry export files ("Windows Registry Editor
// Version 5.00"), as UTF-8 with "\r\n" line ends, in the shapes the Windows
// exporter uses, so that what we write can be read by a person and imported
// on Windows. Every value is written so that it parses back to the same bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryImage.h"
#include "platform/RegistryTypes.h"

namespace Dravo::OS {

class RegistryFileWriter {
public:
    static constexpr std::string_view HEADER = "Windows Registry Editor Version 5.00";

    /// Appends to the given text.
    explicit RegistryFileWriter(std::string& out) : m_out(out) {}

    /// The header line and the blank line after it.
    void WriteHeader();
    void WriteBlankLine() { m_out += "\r\n"; }
    /// "[HKEY_...\path]", or "[-HKEY_...\path]" for a deletion.
    void WriteKey(RegistryHive hive, std::u16string_view path, bool deletion = false);
    void WriteValue(const RegistryValue& value);
    /// "name"=- (the value's removal).
    void WriteValueDeletion(std::u16string_view name);

    /// A sequence of changes, with a key section wherever the key changes.
    void WriteChanges(const std::vector<RegistryChange>& changes);
    /// A key with its values, then each subkey the same way, every key after a
    /// blank line; the root key of a hive (empty path) only when it has values.
    void WriteTree(const RegistryImageKey& key, RegistryHive hive, const std::u16string& path);

private:
    void WriteName(std::u16string_view name);
    void WriteHexData(const std::string& prefix, const std::vector<uint8_t>& data);

    std::string& m_out;
};

} // namespace Dravo::OS
