#include "settings/ProductSwitches.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "identity/ProductNames.h"
#include "tests/common/ProgramRun.h"
#include "tests/common/TempDir.h"
#include "identity/ProductDescriptionFile.h"

namespace {

using namespace Dravo::VezurAVUZ;
using Dravo::Support::WideString;

struct Reading {
    uint32_t mechanism;
    uint32_t transport;
    bool ssl;
};

Reading Normalised(uint32_t mechanism, uint32_t transport, bool ssl)
{
    NormaliseMechanism(mechanism, transport, ssl);
    return {mechanism, transport, ssl};
}

void ExpectReading(const Reading& actual, const Reading& expected, const char* what)
{
    EXPECT_EQ(actual.mechanism, expected.mechanism) << what;
    EXPECT_EQ(actual.transport, expected.transport) << what;
    EXPECT_EQ(actual.ssl, expected.ssl) << what;
}

TEST(ProductSwitchesTest, AttributeTextsAreReadStrictly)
{
    EXPECT_EQ(ReadDefaultAuthMech(u"8"), 8U);
    EXPECT_EQ(ReadDefaultAuthMech(u"0"), 0U);
    EXPECT_EQ(ReadDefaultAuthMech(u"9"), 2U);
    EXPECT_EQ(ReadDefaultAuthMech(u"10"), 2U);
    EXPECT_EQ(ReadDefaultAuthMech(u"x"), 2U);
    EXPECT_EQ(ReadDefaultAuthMech(u" 3"), 2U);
    EXPECT_EQ(ReadDefaultAuthMech(u"-1"), 2U);
    EXPECT_EQ(ReadDefaultAuthMech(u"65536"), 2U);
    EXPECT_EQ(ReadDefaultAuthMech(u""), 2U);
    EXPECT_EQ(ReadDefaultAuthMech(WideString()), 2U);

    EXPECT_EQ(ReadDefaultStringColumnLength(u"1024"), 1024);
    EXPECT_EQ(ReadDefaultStringColumnLength(u""), 255);
    EXPECT_EQ(ReadDefaultStringColumnLength(u"abc"), 255);
    EXPECT_EQ(ReadDefaultStringColumnLength(u"12x"), 255);
    EXPECT_EQ(ReadDefaultStringColumnLength(u"99999999999"), 255);
    // Not a usable column length, so the product's own default stays.
    EXPECT_EQ(ReadDefaultStringColumnLength(u"0"), 255);
    EXPECT_EQ(ReadDefaultStringColumnLength(u"-5"), 255);

    EXPECT_FALSE(ReadProductSwitch(std::nullopt, false));
    EXPECT_TRUE(ReadProductSwitch(std::nullopt, true));
    EXPECT_TRUE(ReadProductSwitch(WideString(u"1"), false));
    EXPECT_FALSE(ReadProductSwitch(WideString(u""), true));
    EXPECT_FALSE(ReadProductSwitch(WideString(u"true"), true));
    EXPECT_FALSE(ReadProductSwitch(WideString(u"01"), true));
    EXPECT_FALSE(ReadProductSwitch(WideString(u"1 "), true));
}

TEST(ProductSwitchesTest, TransportTableHasElevenMechanisms)
{
    // Rows: mechanisms 0..10; columns: Binary, SASL, HTTP.
    const bool allowed[11][3] = {{true, false, true}, {false, true, true}, {false, true, false}, {true, true, true},
        {false, true, false}, {false, false, true}, {false, false, true}, {false, false, true}, {false, false, true},
        {false, false, true}, {false, false, true}};
    for (uint32_t mechanism = 0; mechanism < 11; ++mechanism) {
        for (uint32_t transport = 0; transport < 3; ++transport) {
            EXPECT_EQ(IsTransportAllowed(mechanism, transport), allowed[mechanism][transport])
                << "mechanism " << mechanism << " transport " << transport;
        }
        EXPECT_FALSE(IsTransportAllowed(mechanism, 3));
    }
    for (const uint32_t unknown : {11U, 12U, 0xFFFFFFFFU}) {
        for (uint32_t transport = 0; transport < 3; ++transport) {
            EXPECT_FALSE(IsTransportAllowed(unknown, transport));
        }
    }
}

TEST(ProductSwitchesTest, FixTransportKeepsAllowedAndReplacesTheRest)
{
    const auto fixed = [](uint32_t mechanism, uint32_t transport) {
        FixTransport(mechanism, transport);
        return transport;
    };
    EXPECT_EQ(fixed(0, TRANSPORT_SASL), TRANSPORT_BINARY);
    EXPECT_EQ(fixed(0, TRANSPORT_HTTP), TRANSPORT_HTTP);
    EXPECT_EQ(fixed(1, TRANSPORT_BINARY), TRANSPORT_SASL);
    EXPECT_EQ(fixed(3, TRANSPORT_BINARY), TRANSPORT_BINARY);
    EXPECT_EQ(fixed(3, 9), TRANSPORT_SASL);
    EXPECT_EQ(fixed(10, TRANSPORT_SASL), TRANSPORT_HTTP);
}

TEST(ProductSwitchesTest, OlderMechanismsBecomeCurrentOnesWithTransportAndSsl)
{
    ExpectReading(Normalised(4, 0, false), {3, 1, true}, "4");
    ExpectReading(Normalised(7, 1, true), {3, 2, false}, "7");
    ExpectReading(Normalised(8, 0, false), {3, 2, true}, "8");
    ExpectReading(Normalised(9, 1, true), {1, 2, false}, "9");
    ExpectReading(Normalised(10, 1, false), {1, 2, true}, "10");
    ExpectReading(Normalised(5, 0, true), {5, 2, false}, "5");
    ExpectReading(Normalised(6, 1, false), {6, 2, true}, "6");
    ExpectReading(Normalised(2, 0, true), {2, 1, false}, "2");
    // 0, 1 and 3 keep SSL and only have their transport corrected.
    ExpectReading(Normalised(0, 1, true), {0, 0, true}, "0");
    ExpectReading(Normalised(1, 0, true), {1, 1, true}, "1");
    ExpectReading(Normalised(3, 2, false), {3, 2, false}, "3");
    ExpectReading(Normalised(3, 7, true), {3, 1, true}, "3 with a stray transport");
}

// Only a hand-edited value can hold a mechanism above 10; it reads like an
// unreadable one, as the product default mechanism (2 without a file).
TEST(ProductSwitchesTest, MechanismAboveTenIsTakenAsTheDefaultMechanism)
{
    ExpectReading(Normalised(11, 0, true), {2, 1, false}, "11");
    ExpectReading(Normalised(0xFFFFFFFFU, 2, true), {2, 1, false}, "max");
    uint32_t transport = TRANSPORT_HTTP;
    FixTransport(11, transport);
    EXPECT_EQ(transport, TRANSPORT_SASL);
}

TEST(ProductSwitchesTest, BuiltInValuesWithoutDescriptionFile)
{
    EXPECT_EQ(GetDefaultAuthMech(), 2U);
    EXPECT_EQ(GetDefaultStringColumnLength(), 255);
    EXPECT_FALSE(IsHDInsightSuppressed());
    EXPECT_FALSE(IsServiceDiscoverySuppressed());
    EXPECT_FALSE(GetProductSwitch(u"get-tbls-with-query", false));
    EXPECT_TRUE(GetProductSwitch(u"get-tbls-with-query", true));
    uint32_t mechanism = 6;
    SuppressHDInsightMechanism(mechanism);
    EXPECT_EQ(mechanism, 6U);

    // The driver is not installed beside this program: its folder is no
    // place for the driver's certificates.
    EXPECT_NE(GetDefaultTrustedCertsFile(), GetModuleDirectory() + u"cacerts.pem");
    EXPECT_FALSE(GetModuleDirectory().IsEmpty());

    EXPECT_FALSE(IsFullFeaturedServerType(0));
    EXPECT_FALSE(IsFullFeaturedServerType(1));
    EXPECT_TRUE(IsFullFeaturedServerType(2));
    EXPECT_TRUE(IsFullFeaturedServerType(3));
    EXPECT_FALSE(IsFullFeaturedServerType(4));
}

TEST(ProductSwitchesTest, TemporaryTablesAreOffUnlessATestSwitchesThemOn)
{
    EXPECT_FALSE(IsTempTableSupported());
    SetTempTableSupportedForTesting(true);
    EXPECT_TRUE(IsTempTableSupported());
    SetTempTableSupportedForTesting(false);
    EXPECT_FALSE(IsTempTableSupported());
    SetTempTableSupportedForTesting(std::nullopt);
    EXPECT_FALSE(IsTempTableSupported());
}

// With a description file: a copy of switches_probe beside it.
class ProductSwitchesFileTest : public ::testing::Test {
protected:
    std::map<std::string, std::string> RunProbe(const std::string& xml, const std::vector<std::string>& readings = {})
    {
        {
            std::ofstream out(m_directory / "VezurAVUZ.did", std::ios::binary);
            out << Dravo::DriverSupport::ProductDescriptionFile::Encipher(xml);
        }
        const auto probe =
            Dravo::Test::CopyProgramInto(Dravo::Test::BuiltProgram("tests/switches_probe"), m_directory.Path());
        const Dravo::Test::ProgramRun run = Dravo::Test::RunProgram(probe, readings);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        std::map<std::string, std::string> values;
        std::istringstream lines(run.output);
        std::string line;
        while (std::getline(lines, line)) {
            const size_t equals = line.find('=');
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
        return values;
    }

    Dravo::Test::TempDir m_directory;
};

TEST_F(ProductSwitchesFileTest, AttributesSetTheSwitches)
{
    // Certificates beside the program are not the driver's.
    std::ofstream(m_directory / "cacerts.pem") << "not the driver's\n";
    const auto values = RunProbe("<product>\n"
                                 "  <dsn-auth-mech>8</dsn-auth-mech>\n"
                                 "  <default-string-column-length>4096</default-string-column-length>\n"
                                 "  <supress-hdinsight>1</supress-hdinsight>\n"
                                 "  <supress-service-discovery>true</supress-service-discovery>\n"
                                 "  <get-tbls-with-query></get-tbls-with-query>\n"
                                 "</product>\n",
        {"6,0,0", "5,1,1", "11,0,0"});
    EXPECT_EQ(values.at("default-auth-mech"), "8");
    EXPECT_EQ(values.at("default-string-column-length"), "4096");
    EXPECT_EQ(values.at("hdinsight-suppressed"), "1");
    EXPECT_EQ(values.at("service-discovery-suppressed"), "0");
    // Present but empty: off, whatever the default.
    EXPECT_EQ(values.at("get-tbls-with-query"), "0");
    EXPECT_EQ(values.at("get-tbls-with-query-default-on"), "0");
    EXPECT_EQ(values.at("temp-table"), "0");
    EXPECT_NE(values.at("trusted-certs"), m_directory.Path().string() + "/cacerts.pem");
    // Normalisation first (SSL from 6), then suppression.
    EXPECT_EQ(values.at("6,0,0"), "3,2,1");
    EXPECT_EQ(values.at("5,1,1"), "3,2,0");
    // Above 10: the product default 8, which reads as 3 over HTTP with SSL.
    EXPECT_EQ(values.at("11,0,0"), "3,2,1");
}

TEST_F(ProductSwitchesFileTest, OnlyTheExactTextOneSwitchesOn)
{
    auto values =
        RunProbe("<p><supress-hdinsight>01</supress-hdinsight><supress-service-discovery>1</supress-service-discovery>"
                 "<get-tbls-with-query>1</get-tbls-with-query><dsn-auth-mech>9</dsn-auth-mech></p>",
            {"6,0,0"});
    EXPECT_EQ(values.at("hdinsight-suppressed"), "0");
    EXPECT_EQ(values.at("service-discovery-suppressed"), "1");
    EXPECT_EQ(values.at("get-tbls-with-query"), "1");
    EXPECT_EQ(values.at("default-auth-mech"), "2");
    EXPECT_EQ(values.at("6,0,0"), "6,2,1");

    values = RunProbe("<p><default-string-column-length>x</default-string-column-length></p>");
    EXPECT_EQ(values.at("default-string-column-length"), "255");
    EXPECT_EQ(values.at("get-tbls-with-query"), "0");
    EXPECT_EQ(values.at("get-tbls-with-query-default-on"), "1");
}

} // namespace
