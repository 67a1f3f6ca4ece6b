// Stored setting texts as a hand-edited registry may hold them: the readers of
// server type, mechanism, transport and switches, the stored password forms
// and the log file size in bytes must take any text without raising, stay in
// their ranges, and round-trip what they write. The same texts given to the
// command line: the setting rules take them or refuse them without raising,
// what they take is taken again unchanged, and the dialogs show it as stored.
#include <cstddef>
#include <cstdint>
#include <string>

#include "driversupport/DSLogFileSize.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingChecks.h"
#include "settings/SettingRules.h"
#include "settings/StoredValueReview.h"
#include "settings/SettingsCatalogue.h"
#include "support/ErrorException.h"
#include "support/NumberConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Dravo;
    using DriverSupport::DSLogFileSize;
    using Support::WideString;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const WideString text(bytes);

    const uint32_t serverType = VezurAVUZ::ReadServerType(text);
    const uint32_t transport = VezurAVUZ::ReadThriftTransport(text);
    if (serverType < 1 || serverType > 3 || transport > 2 || VezurAVUZ::ReadServiceDiscoveryMode(text) > 1
        || VezurAVUZ::ReadAuthMech(text) > 65535) {
        __builtin_trap();
    }

    // A stored password either deciphers or is left exactly as it was.
    WideString stored = text;
    if (!VezurAVUZ::SOConnectionSettings::DecryptSetting(stored) && !(stored == text)) {
        __builtin_trap();
    }
    // What is enciphered deciphers to the same text.
    WideString secret(text.GetAsUTF8());
    const WideString plain = secret;
    VezurAVUZ::SOConnectionSettings::EncryptSetting(secret);
    if (!VezurAVUZ::SOConnectionSettings::DecryptSetting(secret) || !(secret.GetAsUTF8() == plain.GetAsUTF8())) {
        __builtin_trap();
    }

    // Any stored size reads as megabytes the logging dialog accepts; any
    // accepted size survives bytes and back.
    const auto loaded = DSLogFileSize::ParseByteCount(DSLogFileSize::BytesToMegabytes(text));
    if (!loaded || *loaded > DSLogFileSize::MAX_MEGABYTES) {
        __builtin_trap();
    }
    try {
        const WideString bytesText = DSLogFileSize::MegabytesToBytes(text);
        if (!text.IsEmpty()) {
            const uint32_t megabytes = Support::NumberConverter::ConvertWStringToUInt32(text, true);
            const WideString expected = Support::NumberConverter::ConvertUInt32ToWString(megabytes);
            if (megabytes <= DSLogFileSize::MAX_MEGABYTES
                && !(DSLogFileSize::BytesToMegabytes(bytesText) == expected)) {
                __builtin_trap();
            }
        }
    } catch (const Support::NumberConversionException&) {
        // Not a size the logging dialog accepts.
    }

    using VezurAVUZ::SettingKind;
    for (const VezurAVUZ::SettingRule& rule : VezurAVUZ::GetSettingRules()) {
        const WideString name =
            rule.kind == SettingKind::Property ? WideString(rule.name) + text : WideString(rule.name);
        const auto checked = VezurAVUZ::CheckSettingValue(rule, name, text, VezurAVUZ::SettingCheckMode::Dialogs);
        (void)VezurAVUZ::CheckSettingValue(rule, name, text, VezurAVUZ::SettingCheckMode::Attributes);
        if (checked.refusal) {
            if (checked.refusal->reason.IsEmpty()) {
                __builtin_trap();
            }
            continue;
        }
        const auto again =
            VezurAVUZ::CheckSettingValue(rule, name, checked.stored, VezurAVUZ::SettingCheckMode::Dialogs);
        if (again.refusal || !(again.stored == checked.stored)) {
            __builtin_trap();
        }
        // What is taken is shown as stored; the transport and SSL depend on
        // the mechanism, and a password is given in plain text.
        if (rule.kind == SettingKind::Password || rule.name == VezurAVUZ::KEY_THRIFT_TRANSPORT
            || rule.name == VezurAVUZ::KEY_SSL) {
            continue;
        }
        // A value alone may still want others (Kerberos's names, a log
        // path): that is said, but the value itself is shown as it is.
        for (const VezurAVUZ::StoredValueFinding& finding :
            VezurAVUZ::ReviewStoredValues({{name, checked.stored}}, rule.scope)) {
            if (!(finding.shown == checked.stored)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
