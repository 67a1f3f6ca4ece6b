// How stored texts are read, and the label tables the dialogs fill their
// lists from.
#include <gtest/gtest.h>

#include "settings/SettingsCatalogue.h"

namespace Dravo::Test {
namespace {

using Support::WideString;
using namespace VezurAVUZ;

TEST(SettingsCatalogueTest, StoredTextsAreReadAsTheReadingRulesSay)
{
    EXPECT_EQ(ReadServerType(WideString(u"3")), 3U);
    EXPECT_EQ(ReadServerType(WideString(u"2")), 2U);
    for (const WideString& other :
        {WideString(u"03"), WideString(u" 3"), WideString(u"1"), WideString(u"4"), WideString(u""), WideString()}) {
        EXPECT_EQ(ReadServerType(other), 1U) << other.GetAsUTF8();
    }

    EXPECT_EQ(ReadAuthMech(WideString(u"7")), 7U);
    EXPECT_EQ(ReadAuthMech(WideString(u"0")), 0U);
    EXPECT_EQ(ReadAuthMech(WideString(u"99")), 99U);
    for (const WideString& other :
        {WideString(u"abc"), WideString(u""), WideString(u"65536"), WideString(u"-1"), WideString(u"3 ")}) {
        EXPECT_EQ(ReadAuthMech(other), 2U) << other.GetAsUTF8();
    }

    EXPECT_EQ(ReadThriftTransport(WideString(u"0")), 0U);
    EXPECT_EQ(ReadThriftTransport(WideString(u"2")), 2U);
    for (const WideString& other :
        {WideString(u"5"), WideString(u"-1"), WideString(u"3"), WideString(u"x"), WideString(u"")}) {
        EXPECT_EQ(ReadThriftTransport(other), 1U) << other.GetAsUTF8();
    }

    EXPECT_EQ(ReadServiceDiscoveryMode(WideString(u"1")), 1U);
    EXPECT_EQ(ReadServiceDiscoveryMode(WideString(u"01")), 0U);
    EXPECT_EQ(ReadServiceDiscoveryMode(WideString(u"2")), 0U);

    EXPECT_TRUE(IsSwitchOn(WideString(u"1")));
    for (const WideString& off :
        {WideString(u"true"), WideString(u"01"), WideString(u"1 "), WideString(u""), WideString(), WideString(u"0")}) {
        EXPECT_FALSE(IsSwitchOn(off)) << off.GetAsUTF8();
    }
    EXPECT_EQ(MakeSwitchValue(true).GetAsUTF8(), "1");
    EXPECT_EQ(MakeSwitchValue(false).GetAsUTF8(), "0");
}

TEST(SettingsCatalogueTest, LabelTablesAreIndexedByTheStoredValue)
{
    ASSERT_EQ(AUTH_MECH_LABELS.size(), 11U);
    EXPECT_EQ(AUTH_MECH_LABELS[AUTH_MECH_USER_NAME_PASSWORD], u"User Name and Password");
    EXPECT_EQ(AUTH_MECH_LABELS[AUTH_MECH_KERBEROS_HTTPS], u"Kerberos over HTTPS");
    EXPECT_EQ(SERVER_TYPE_LABELS[SERVER_TYPE_SPARK_THRIFT - 1], u"SparkThriftServer (Spark 1.1 and later)");
    EXPECT_EQ(THRIFT_TRANSPORT_LABELS[2], u"HTTP");
    EXPECT_EQ(SERVICE_DISCOVERY_MODE_LABELS[SERVICE_DISCOVERY_ZOOKEEPER], u"ZooKeeper");

    EXPECT_EQ(GetDefaultPort(AUTH_MECH_HDINSIGHT_SERVICE).GetAsUTF8(), "443");
    EXPECT_EQ(GetDefaultPort(AUTH_MECH_HDINSIGHT_EMULATOR).GetAsUTF8(), "10001");
    for (const uint32_t mechanism : {0U, 1U, 3U, 10U, 99U}) {
        EXPECT_EQ(GetDefaultPort(mechanism).GetAsUTF8(), "10000") << mechanism;
    }
}

} // namespace
} // namespace Dravo::Test
