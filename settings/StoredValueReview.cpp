#include "settings/StoredValueReview.h"

#include <limits>
#include <optional>

#include "driversupport/DSKeys.h"
#include "driversupport/DSLogFileSize.h"
#include "settings/NumberReading.h"
#include "settings/ProductSwitches.h"
#include "settings/SOConnectionSettings.h"
#include "settings/SettingsCatalogue.h"
#include "support/ErrorException.h"
#include "support/LogLevel.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::NumberConverter;
using Support::WideString;

using Values = std::vector<std::pair<WideString, WideString>>;

WideString Number(uint64_t value)
{
    return NumberConverter::ConvertUInt64ToWString(value);
}

/// "Kerberos (1)" for a choice's value.
WideString Describe(std::u16string_view name, uint64_t value)
{
    const SettingRule* rule = FindSettingRule(name);
    const WideString number = Number(value);
    const std::u16string_view label = rule ? FindChoiceLabel(*rule, number.GetAsU16String()) : std::u16string_view();
    return label.empty() ? number : WideString(label) + u" (" + number + u")";
}

/// The stored text as the driver reads it (settings/NumberReading).
template <class Integer> std::optional<Integer> Strict(const WideString& text)
{
    if constexpr (std::is_same_v<Integer, uint32_t>) {
        return ReadStoredUInt32(text);
    } else if constexpr (std::is_same_v<Integer, int32_t>) {
        return ReadStoredInt32(text);
    } else if constexpr (std::is_same_v<Integer, int16_t>) {
        return ReadStoredInt16(text);
    } else {
        return ReadStoredUInt16(text);
    }
}

class Review {
public:
    Review(const Values& stored, SettingScope scope) : m_stored(stored), m_scope(scope) {}

    std::vector<StoredValueFinding> Run()
    {
        ReviewMainDialog();
        ReviewCombinations();
        for (const auto& [name, value] : m_stored) {
            const SettingRule* rule = FindSettingRule(name.GetAsU16String());
            if (!rule || !ScopeHolds(m_scope, *rule) || value.IsEmpty()) {
                continue;
            }
            ReviewValue(*rule, value);
        }
        // In the order of the values, whichever check found them; then
        // those of settings that are not stored at all.
        std::vector<StoredValueFinding> ordered;
        for (const auto& [name, value] : m_stored) {
            for (const StoredValueFinding& finding : m_findings) {
                if (IsSameSettingName(finding.name, name)) {
                    ordered.push_back(finding);
                }
            }
        }
        for (const StoredValueFinding& finding : m_findings) {
            if (!Find(finding.name.GetAsU16String())) {
                ordered.push_back(finding);
            }
        }
        return ordered;
    }

private:
    [[nodiscard]] const WideString* Find(std::u16string_view name) const
    {
        for (const auto& [key, value] : m_stored) {
            if (IsSameSettingName(key, WideString(name))) {
                return &value;
            }
        }
        return nullptr;
    }

    [[nodiscard]] WideString Value(std::u16string_view name) const
    {
        const WideString* value = Find(name);
        return value ? *value : WideString(u"");
    }

    void Add(std::u16string_view name, const WideString& shown, const WideString& reason)
    {
        for (const auto& [key, value] : m_stored) {
            if (IsSameSettingName(key, WideString(name))) {
                m_findings.push_back(StoredValueFinding{key, value, shown, reason});
                return;
            }
        }
    }

    /// The same for a setting that may not be stored at all.
    void AddEvenIfAbsent(std::u16string_view name, const WideString& shown, const WideString& reason)
    {
        if (Find(name)) {
            Add(name, shown, reason);
        } else {
            m_findings.push_back(StoredValueFinding{WideString(name), WideString(u""), shown, reason});
        }
    }

    /// A text setting is missing when it is absent, empty or blank.
    [[nodiscard]] bool Missing(std::u16string_view name) const { return Value(name).Trim().IsEmpty(); }

    /// States of several settings together that the dialogs do not save as
    /// they are, and that every change made without a dialog refuses.
    void ReviewCombinations()
    {
        using namespace DriverSupport;
        if (IsFullFeaturedServerType(ReadServerType(Value(KEY_SPARK_SERVER_TYPE)))) {
            if (m_mechanism == AUTH_MECH_KERBEROS && (Missing(KEY_KRB_HOST_FQDN) || Missing(KEY_KRB_SERVICE_NAME))) {
                AddEvenIfAbsent(KEY_AUTH_MECH, Number(m_mechanism),
                    u"is Kerberos without " + Names({KEY_KRB_HOST_FQDN, KEY_KRB_SERVICE_NAME})
                        + u"; the main dialog keeps OK disabled and every change is refused until "
                        + (Missing(KEY_KRB_HOST_FQDN) && Missing(KEY_KRB_SERVICE_NAME) ? u"both are" : u"it is")
                        + u" given");
            }
            if (m_ssl) {
                if (IsSwitchOn(Value(KEY_TWO_WAY_SSL))
                    && (Missing(KEY_CLIENT_CERT) || Missing(KEY_CLIENT_PRIVATE_KEY))) {
                    Add(KEY_TWO_WAY_SSL, WideString(SWITCH_ON),
                        u"is on without " + Names({KEY_CLIENT_CERT, KEY_CLIENT_PRIVATE_KEY})
                            + u"; the SSL Options dialog keeps OK disabled and every change is refused until "
                            + (Missing(KEY_CLIENT_CERT) && Missing(KEY_CLIENT_PRIVATE_KEY) ? u"both are" : u"it is")
                            + u" given");
                }
                if (Missing(KEY_TRUSTED_CERTS) && !GetDefaultTrustedCertsFile().IsEmpty()) {
                    AddEvenIfAbsent(KEY_TRUSTED_CERTS, GetDefaultTrustedCertsFile(),
                        u"is empty while SSL is on; the SSL Options dialog shows the driver's file, "
                            + GetDefaultTrustedCertsFile() + u", and its OK saves it");
                }
            }
        }
        if (m_scope != SettingScope::Driver) {
            return;
        }
        const int32_t level = Support::ParseLogLevel(Value(KEY_LOG_LEVEL).GetAsUTF8());
        const bool countMissing = Find(KEY_LOG_FILE_COUNT) && Missing(KEY_LOG_FILE_COUNT);
        const bool sizeMissing = Find(KEY_LOG_FILE_SIZE) && Missing(KEY_LOG_FILE_SIZE);
        if (level != static_cast<int32_t>(Support::LogLevel::Off)
            && (Missing(KEY_LOG_PATH) || countMissing || sizeMissing)) {
            std::vector<std::u16string_view> missing;
            if (Missing(KEY_LOG_PATH)) {
                missing.push_back(KEY_LOG_PATH);
            }
            if (countMissing) {
                missing.push_back(KEY_LOG_FILE_COUNT);
            }
            if (sizeMissing) {
                missing.push_back(KEY_LOG_FILE_SIZE);
            }
            AddEvenIfAbsent(KEY_LOG_LEVEL, Number(static_cast<uint64_t>(level)),
                u"is " + WideString(Support::GetLogLevelEnumeratorText(level)) + u" without " + List(missing)
                    + u"; the logging dialog refuses OK and every change is refused until it is given");
        }
    }

    /// "KrbHostFQDN and KrbServiceName", of those missing.
    [[nodiscard]] WideString Names(std::initializer_list<std::u16string_view> names) const
    {
        std::vector<std::u16string_view> missing;
        for (const std::u16string_view name : names) {
            if (Missing(name)) {
                missing.push_back(name);
            }
        }
        return List(missing);
    }

    static WideString List(const std::vector<std::u16string_view>& names)
    {
        WideString text(u"");
        for (size_t index = 0; index < names.size(); ++index) {
            text += WideString(index == 0               ? u""
                            : index + 1 == names.size() ? u" and "
                                                        : u", ")
                + WideString(names[index]);
        }
        return text;
    }

    /// Server type, mechanism, transport and SSL, read and normalised as the
    /// main dialog reads them.
    void ReviewMainDialog()
    {
        const WideString typeText = Value(KEY_SPARK_SERVER_TYPE);
        const uint32_t type = ReadServerType(typeText);
        if (Find(KEY_SPARK_SERVER_TYPE) && typeText != Number(type)) {
            Add(KEY_SPARK_SERVER_TYPE, Number(type),
                u"is not a server type; the dialog shows " + Describe(KEY_SPARK_SERVER_TYPE, type));
        }

        const WideString mechanismText = Value(KEY_AUTH_MECH);
        const WideString transportText = Value(KEY_THRIFT_TRANSPORT);
        const WideString sslText = Value(KEY_SSL);
        const uint32_t readMechanism = ReadAuthMech(mechanismText);
        uint32_t mechanism = readMechanism;
        uint32_t transport = ReadThriftTransport(transportText);
        bool ssl = IsSwitchOn(sslText);
        NormaliseMechanism(mechanism, transport, ssl);
        SuppressHDInsightMechanism(mechanism);
        m_mechanism = mechanism;
        m_ssl = ssl;

        if (Find(KEY_AUTH_MECH) && mechanismText != Number(mechanism)) {
            WideString reason;
            const std::optional<uint16_t> number = Strict<uint16_t>(mechanismText);
            const WideString shown = Describe(KEY_AUTH_MECH, mechanism);
            if (!number) {
                reason = u"is not a mechanism; the dialog shows the default mechanism, " + shown;
            } else if (*number >= MECHANISM_COUNT) {
                reason = u"has no mechanism; the dialog shows the default mechanism, " + shown;
            } else if (*number == AUTH_MECH_USER_NAME_PASSWORD_SSL || *number >= AUTH_MECH_HTTP) {
                reason = u"is an older mechanism; the dialog shows " + shown + u" over "
                    + Describe(KEY_THRIFT_TRANSPORT, transport) + u" with SSL " + (ssl ? u"on" : u"off");
            } else if (*number != mechanism) {
                reason = u"is a mechanism this product hides; the dialog shows " + shown;
            } else {
                reason = u"is read as " + shown;
            }
            Add(KEY_AUTH_MECH, Number(mechanism), reason);
        }
        if (Find(KEY_THRIFT_TRANSPORT) && transportText != Number(transport)) {
            const uint32_t read = ReadThriftTransport(transportText);
            const WideString reason = transportText != Number(read)
                ? u"is not a transport; the dialog shows " + Describe(KEY_THRIFT_TRANSPORT, transport)
                : u"is not a transport of the mechanism " + Describe(KEY_AUTH_MECH, mechanism) + u"; the dialog shows "
                    + Describe(KEY_THRIFT_TRANSPORT, transport);
            Add(KEY_THRIFT_TRANSPORT, Number(transport), reason);
        }
        if (Find(KEY_SSL) && !sslText.IsEmpty() && sslText != MakeSwitchValue(ssl)) {
            const WideString reason = sslText != WideString(SWITCH_ON) && sslText != WideString(SWITCH_OFF)
                ? WideString(u"is neither 0 nor 1; the dialog shows SSL off")
                : u"does not go with the mechanism " + Describe(KEY_AUTH_MECH, readMechanism)
                    + u"; the dialog shows SSL " + (ssl ? u"on" : u"off");
            Add(KEY_SSL, MakeSwitchValue(ssl), reason);
        }
        if (mechanism == AUTH_MECH_HDINSIGHT_SERVICE) {
            for (const std::u16string_view allowance :
                {KEY_CA_ISSUED_CERT_NAMES_MISMATCH, KEY_ALLOW_SELF_SIGNED_SERVER_CERT}) {
                if (IsSwitchOn(Value(allowance))) {
                    Add(allowance, WideString(SWITCH_OFF),
                        u"is never on with the mechanism " + Describe(KEY_AUTH_MECH, mechanism)
                            + u"; the dialog shows it off");
                }
            }
        }
    }

    void ReviewValue(const SettingRule& rule, const WideString& value)
    {
        using namespace DriverSupport;
        const std::u16string_view key = rule.name;
        if (key == KEY_SPARK_SERVER_TYPE || key == KEY_AUTH_MECH || key == KEY_THRIFT_TRANSPORT || key == KEY_SSL) {
            return;
        }
        switch (rule.kind) {
        case SettingKind::Switch:
            if (value != WideString(SWITCH_ON) && value != WideString(SWITCH_OFF)) {
                // These two boxes show checked for anything but "0".
                const bool checked = key == KEY_LCASE_SSP_KEY_NAME || key == KEY_APPLY_SSP_WITH_QUERIES;
                Add(key, MakeSwitchValue(checked),
                    WideString(checked ? u"is neither 0 nor 1; the dialog shows it checked"
                                       : u"is neither 0 nor 1; the dialog shows it unchecked"));
            }
            return;
        case SettingKind::Password: {
            WideString secret = value;
            if (!SOConnectionSettings::DecryptSetting(secret)) {
                Add(key, WideString(u""), WideString(u"cannot be deciphered; the dialog shows an empty password"));
            }
            return;
        }
        case SettingKind::Text:
        case SettingKind::File:
            if (rule.maxLength > 0 && value.GetLength() > rule.maxLength) {
                Add(key, value.Substr(0, rule.maxLength),
                    u"is longer than the " + Number(static_cast<uint64_t>(rule.maxLength))
                        + u" characters the dialog takes; it shows and saves the first ones");
            } else if (const WideString trimmed = value.Trim(); trimmed != value) {
                const WideString dialog = rule.dialog == u"Main" ? WideString(u"the main dialog")
                    : rule.dialog.empty()                        ? WideString(u"the dialog")
                                                                 : u"the " + WideString(rule.dialog) + u" dialog";
                Add(key, trimmed, u"begins or ends with a blank; OK in " + dialog + u" saves it without");
            }
            return;
        case SettingKind::Choice:
            if (key == KEY_LOG_LEVEL) {
                ReviewLogLevel(value);
            } else if (FindChoiceLabel(rule, value.GetAsU16String()).empty()) {
                Add(key, WideString(rule.defaultValue),
                    u"is not one of the values; the dialog shows " + WideString(rule.defaultValue));
            }
            return;
        case SettingKind::Number:
            ReviewNumber(rule, value);
            return;
        case SettingKind::Property:
            return;
        }
    }

    void ReviewLogLevel(const WideString& value)
    {
        const int32_t level = Support::ParseLogLevel(value.GetAsUTF8());
        const WideString enumerator(Support::GetLogLevelEnumeratorText(level));
        const WideString setting(Support::GetLogLevelSettingName(level));
        if (value == Number(static_cast<uint64_t>(level)) || value.IsEqual(enumerator, false)
            || value.IsEqual(setting, false)) {
            return;
        }
        Add(DriverSupport::KEY_LOG_LEVEL, Number(static_cast<uint64_t>(level)),
            u"is not a log level; the dialog shows " + enumerator);
    }

    void ReviewNumber(const SettingRule& rule, const WideString& value)
    {
        using namespace DriverSupport;
        const std::u16string_view key = rule.name;
        const auto report = [&](uint64_t shown, std::u16string_view why) {
            Add(key, Number(shown), WideString(why) + u"; the dialog shows " + Number(shown));
        };
        if (key == KEY_PORT) {
            if (!Strict<uint16_t>(value)) {
                report(std::stoul(GetDefaultPort(ReadAuthMech(Value(KEY_AUTH_MECH))).GetAsUTF8()),
                    u"is not a port number");
            }
        } else if (key == KEY_DEFAULT_STRING_COLUMN_LENGTH) {
            const auto length = Strict<uint32_t>(value);
            if (!length || *length == 0 || *length > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
                report(static_cast<uint64_t>(GetDefaultStringColumnLength()), u"is not a length the driver can use");
            }
        } else if (key == KEY_BINARY_COLUMN_LENGTH) {
            if (!Strict<uint32_t>(value)) {
                report(DEFAULT_BINARY_COLUMN_LENGTH, u"is not a number");
            }
        } else if (key == KEY_DECIMAL_COLUMN_SCALE) {
            const auto scale = Strict<int16_t>(value);
            if (!scale || *scale < 0) {
                report(DEFAULT_DECIMAL_COLUMN_SCALE, u"is not a scale");
            } else if (static_cast<uint32_t>(*scale) > MAX_DECIMAL_COLUMN_SCALE) {
                // Only the Advanced Options dialog's OK lowers it; every
                // other save keeps it.
                Add(key, value,
                    u"is above " + Number(MAX_DECIMAL_COLUMN_SCALE) + u", the largest scale: set and apply refuse it, "
                        + u"and OK in the Advanced Options dialog stores " + Number(MAX_DECIMAL_COLUMN_SCALE));
            }
        } else if (key == KEY_ROWS_FETCHED_PER_BLOCK) {
            const auto rows = Strict<uint32_t>(value);
            if (!rows) {
                report(DEFAULT_ROWS_FETCHED_PER_BLOCK, u"is not a number");
            } else if (*rows == 0) {
                Add(key, Number(DEFAULT_ROWS_FETCHED_PER_BLOCK),
                    u"is not a number of rows; the dialog saves " + Number(DEFAULT_ROWS_FETCHED_PER_BLOCK));
            }
        } else if (key == KEY_ASYNC_EXEC_POLL_INTERVAL) {
            const auto interval = Strict<int32_t>(value);
            if (!interval || *interval < 0) {
                report(DEFAULT_ASYNC_EXEC_POLL_INTERVAL, u"is not an interval");
            }
        } else if (key == KEY_SOCKET_TIMEOUT) {
            if (!Strict<uint32_t>(value)) {
                report(DEFAULT_SOCKET_TIMEOUT, u"is not a number");
            }
        } else if (key == KEY_LOG_FILE_COUNT) {
            if (!Strict<uint32_t>(value)) {
                Add(key, WideString(u""), WideString(u"is not a number of files; the logging dialog refuses it"));
            }
        } else if (key == KEY_LOG_FILE_SIZE) {
            const std::optional<uint64_t> bytes = DSLogFileSize::ParseByteCount(value);
            const WideString shownBytes = DSLogFileSize::MegabytesToBytes(DSLogFileSize::BytesToMegabytes(value));
            if (!bytes || *bytes > rule.maximum) {
                Add(key, shownBytes,
                    u"is not a size up to " + Number(DSLogFileSize::MAX_MEGABYTES)
                        + u" MB; the dialog shows the default, 20 MB");
            } else if (*bytes % DSLogFileSize::BYTES_PER_MEGABYTE != 0) {
                Add(key, shownBytes,
                    u"is not a whole number of megabytes; the dialog shows " + DSLogFileSize::BytesToMegabytes(value)
                        + u" MB");
            }
        }
    }

    const Values& m_stored;
    SettingScope m_scope;
    /// The mechanism and SSL as the main dialog shows them.
    uint32_t m_mechanism = 0;
    bool m_ssl = false;
    std::vector<StoredValueFinding> m_findings;
};

} // namespace

std::vector<StoredValueFinding> ReviewStoredValues(const Values& stored, SettingScope scope)
{
    return Review(stored, scope).Run();
}

} // namespace Dravo::VezurAVUZ
