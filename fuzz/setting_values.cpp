// Stored setting texts as a hand-edited registry may hold them: the readers of
// server type, mechanism, transport and switches, the stored password forms
// and the log file size in bytes must take any text without raising, stay in
// their ranges, and round-trip what they write.
#include <cstddef>
#include <cstdint>
#include <string>

#include "driversupport/DSLogFileSize.h"
#include "settings/SOConnectionSettings.h"
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
            if (megabytes <= DSLogFileSize::MAX_MEGABYTES && !(DSLogFileSize::BytesToMegabytes(bytesText) == expected)) {
                __builtin_trap();
            }
        }
    } catch (const Support::NumberConversionException&) {
        // Not a size the logging dialog accepts.
    }
    return 0;
}
