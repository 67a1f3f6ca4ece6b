#include "settings/SettingsCatalogue.h"

#include "settings/ProductSwitches.h"
#include "support/ErrorException.h"
#include "support/NumberConverter.h"

namespace Dravo::VezurAVUZ {

using Support::NumberConverter;
using Support::WideString;

bool IsSwitchOn(const WideString& value)
{
    return value == WideString(SWITCH_ON);
}

WideString MakeSwitchValue(bool on)
{
    return WideString(on ? SWITCH_ON : SWITCH_OFF);
}

uint32_t ReadServerType(const WideString& value)
{
    // Compared as text, not as numbers: only the exact digits select a type.
    if (value == WideString(u"3")) {
        return SERVER_TYPE_SPARK_THRIFT;
    }
    if (value == WideString(u"2")) {
        return SERVER_TYPE_SHARK2;
    }
    return SERVER_TYPE_SHARK;
}

uint32_t ReadAuthMech(const WideString& value)
{
    try {
        return NumberConverter::ConvertWStringToUInt16(value, true);
    } catch (const Support::ErrorException&) {
        return GetDefaultAuthMech();
    }
}

uint32_t ReadThriftTransport(const WideString& value)
{
    try {
        const int32_t transport = NumberConverter::ConvertWStringToInt32(value, true);
        if (transport >= 0 && transport <= static_cast<int32_t>(TRANSPORT_HTTP)) {
            return static_cast<uint32_t>(transport);
        }
    } catch (const Support::ErrorException&) {
        // Falls through to the default transport.
    }
    return TRANSPORT_SASL;
}

uint32_t ReadServiceDiscoveryMode(const WideString& value)
{
    return value == WideString(u"1") ? SERVICE_DISCOVERY_ZOOKEEPER : SERVICE_DISCOVERY_NONE;
}

WideString GetDefaultPort(uint32_t mechanism)
{
    switch (mechanism) {
    case AUTH_MECH_HDINSIGHT_SERVICE:
        return WideString(u"443");
    case AUTH_MECH_HDINSIGHT_EMULATOR:
        return WideString(u"10001");
    default:
        return WideString(u"10000");
    }
}

} // namespace Dravo::VezurAVUZ
