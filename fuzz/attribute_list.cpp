// The attribute list an ODBC installer hands to the setup library
// ("key=value\0...\0\0", UTF-16 units taken from pairs of input bytes), and
// the session's checks of the attributes it holds: each either gives entries that keep
// the list's rules or refuses with the installer's error, and never crashes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/SettingsSession.h"
#include "setup/AttributeList.h"
#include "setup/InstallerError.h"

namespace {

using Dravo::VezurAVUZ::AttributeList;
using Dravo::VezurAVUZ::InstallerError;
using Dravo::VezurAVUZ::InstallerErrorCode;
using Dravo::VezurAVUZ::SessionFailure;

void CheckEntries(const AttributeList& list)
{
    for (size_t index = 0; index < list.GetEntries().size(); ++index) {
        const auto& entry = list.GetEntries()[index];
        const std::u16string key = entry.key.GetAsU16String();
        if (key.empty() || key.find(u'=') != std::u16string::npos || key.find(u'\0') != std::u16string::npos) {
            std::abort();
        }
        for (const char16_t unit : entry.value.GetAsU16String()) {
            if ((unit < 0x20 && unit != u'\t') || unit == 0x7F) {
                std::abort();
            }
        }
        // Keys are unique without regard to case: each finds itself.
        if (list.Find(key) != &entry.value) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string units;
    for (size_t index = 0; index + 1 < size; index += 2) {
        units.push_back(static_cast<char16_t>(data[index] | (data[index + 1] << 8)));
    }
    // As it lies in memory: the installer's list always has its end.
    units.append(2, u'\0');
    try {
        const AttributeList list = AttributeList::Parse(AttributeList::Measure(units.c_str()));
        CheckEntries(list);
        Dravo::VezurAVUZ::StoredSettings attributes;
        for (const auto& entry : list.GetEntries()) {
            attributes.emplace_back(entry.key, entry.value);
        }
        Dravo::VezurAVUZ::CheckInstallerAttributes(attributes, {});
    } catch (const InstallerError& error) {
        if (error.GetCode() != InstallerErrorCode::InvalidKeywordValue || error.GetMessage().IsEmpty()) {
            std::abort();
        }
    } catch (const SessionFailure& failure) {
        if (failure.GetKind() != SessionFailure::Kind::Refused || std::string(failure.what()).empty()) {
            std::abort();
        }
    }
    return 0;
}
