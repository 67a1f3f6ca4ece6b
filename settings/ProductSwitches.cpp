#include "settings/ProductSwitches.h"

#include <array>
#include <atomic>

#include "identity/CachedValue.h"
#include "identity/ProductIdentity.h"
#include "identity/ProductNames.h"
#include "platform/TrustedCertificates.h"
#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

namespace {

constexpr uint32_t BUILT_IN_AUTH_MECH = 2;
constexpr uint32_t FIRST_NON_DEFAULT_AUTH_MECH = 9;
constexpr int32_t BUILT_IN_STRING_COLUMN_LENGTH = 255;

// Bit t set: transport t allowed; index: mechanism.
constexpr std::array<uint8_t, MECHANISM_COUNT> ALLOWED_TRANSPORTS = {
    0b101, 0b110, 0b010, 0b111, 0b010, 0b100, 0b100, 0b100, 0b100, 0b100, 0b100};
constexpr std::array<uint32_t, MECHANISM_COUNT> DEFAULT_TRANSPORT = {0, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2};

// -1 follows the product, 0 off, 1 on.
std::atomic<int> g_tempTableOverride{-1};

uint32_t KnownMechanism(uint32_t mechanism)
{
    return mechanism < MECHANISM_COUNT ? mechanism : GetDefaultAuthMech();
}

} // namespace

uint32_t ReadDefaultAuthMech(const WideString& attribute)
{
    if (attribute.IsEmpty()) {
        return BUILT_IN_AUTH_MECH;
    }
    try {
        const uint32_t mechanism = Support::NumberConverter::ConvertWStringToUInt16(attribute);
        return mechanism < FIRST_NON_DEFAULT_AUTH_MECH ? mechanism : BUILT_IN_AUTH_MECH;
    } catch (const Support::ErrorException&) {
        return BUILT_IN_AUTH_MECH;
    }
}

int32_t ReadDefaultStringColumnLength(const WideString& attribute)
{
    if (attribute.IsEmpty()) {
        return BUILT_IN_STRING_COLUMN_LENGTH;
    }
    try {
        const int32_t length = Support::NumberConverter::ConvertWStringToInt32(attribute);
        // A column length must be positive; the save would otherwise store
        // a nonsensical default for every user.
        return length > 0 ? length : BUILT_IN_STRING_COLUMN_LENGTH;
    } catch (const Support::ErrorException&) {
        return BUILT_IN_STRING_COLUMN_LENGTH;
    }
}

bool ReadProductSwitch(const std::optional<WideString>& attribute, bool defaultValue)
{
    return attribute ? *attribute == u"1" : defaultValue;
}

uint32_t GetDefaultAuthMech()
{
    return ReadDefaultAuthMech(GetProductAttribute(u"dsn-auth-mech"));
}

int32_t GetDefaultStringColumnLength()
{
    static CachedValue<int32_t> length{"default string column length"};
    return length.Get(
        [] { return ReadDefaultStringColumnLength(GetProductAttribute(u"default-string-column-length")); });
}

bool IsHDInsightSuppressed()
{
    return GetProductAttribute(u"supress-hdinsight") == u"1";
}

bool IsServiceDiscoverySuppressed()
{
    return GetProductAttribute(u"supress-service-discovery") == u"1";
}

bool GetProductSwitch(const WideString& attributeName, bool defaultValue)
{
    return ReadProductSwitch(FindProductAttribute(attributeName), defaultValue);
}

bool IsTempTableSupported()
{
    return g_tempTableOverride.load() == 1;
}

void SetTempTableSupportedForTesting(std::optional<bool> supported)
{
    g_tempTableOverride.store(supported ? (*supported ? 1 : 0) : -1);
}

const WideString& GetDefaultTrustedCertsFile()
{
    static CachedValue<WideString> path{"default trusted certificates file"};
    return path.Get([] {
        return WideString(OS::GetDefaultTrustedCertificatesFile(
            GetDriverName().GetAsU16String(), GetModuleDirectory().GetAsU16String()));
    });
}

bool IsFullFeaturedServerType(uint32_t serverType)
{
    return serverType == 2 || serverType == 3;
}

bool IsTransportAllowed(uint32_t mechanism, uint32_t transport)
{
    if (mechanism >= MECHANISM_COUNT || transport > TRANSPORT_HTTP) {
        return false;
    }
    return (ALLOWED_TRANSPORTS[mechanism] >> transport & 1U) != 0;
}

void FixTransport(uint32_t mechanism, uint32_t& transport)
{
    const uint32_t known = KnownMechanism(mechanism);
    if (!IsTransportAllowed(known, transport)) {
        transport = DEFAULT_TRANSPORT[known];
    }
}

void NormaliseMechanism(uint32_t& mechanism, uint32_t& transport, bool& ssl)
{
    const uint32_t m = KnownMechanism(mechanism);
    switch (m) {
    case 2:
    case 5:
    case 7:
    case 9:
        ssl = false;
        break;
    case 4:
    case 6:
    case 8:
    case 10:
        ssl = true;
        break;
    default:
        break;
    }
    FixTransport(m, transport);
    switch (m) {
    case 4:
    case 7:
    case 8:
        mechanism = 3;
        break;
    case 9:
    case 10:
        mechanism = 1;
        break;
    default:
        mechanism = m;
        break;
    }
}

bool IsMechanismAccepted(uint32_t mechanism)
{
    if (mechanism == 5 || mechanism == 6) {
        return !IsHDInsightSuppressed();
    }
    return mechanism <= 10;
}

void SuppressHDInsightMechanism(uint32_t& mechanism)
{
    if ((mechanism == 5 || mechanism == 6) && IsHDInsightSuppressed()) {
        mechanism = 3;
    }
}

} // namespace Dravo::VezurAVUZ
