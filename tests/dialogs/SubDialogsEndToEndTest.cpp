// Every sub-dialog through the real program: dravo-spark-config run as a
// child with a script and a private registry root, the hive read back after.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "support/WideString.h"
#include "tests/common/ProgramRun.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

constexpr std::u16string_view DRIVER_KEY_PATH = u"SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";

using Values = std::map<std::string, std::string>;

class SubDialogsEndToEndTest : public ::testing::Test {
protected:
    void WriteMachineHive(const Values& values) const
    {
        std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n";
        for (const auto& [name, value] : values) {
            text += "\"" + name + "\"=\"" + value + "\"\r\n";
        }
        std::ofstream(HivePath(), std::ios::binary) << text;
    }

    [[nodiscard]] std::string HiveBytes() const
    {
        std::ifstream in(HivePath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    [[nodiscard]] std::filesystem::path HivePath() const { return m_root / "HKEY_LOCAL_MACHINE.reg"; }

    [[nodiscard]] Values ReadDriverKey() const
    {
        OS::SetRegistryRoot(m_root.Path().string());
        OS::DiscardRegistryCache();
        Values values;
        if (auto key = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, DRIVER_KEY_PATH)) {
            for (uint32_t index = 0;; ++index) {
                auto value = key->EnumValue(index);
                if (!value) {
                    break;
                }
                values[Support::WideString(value->name).GetAsUTF8()]
                    = Support::WideString(OS::GetRegistryStringText(value->data)).GetAsUTF8();
            }
        }
        OS::SetRegistryRoot("");
        OS::DiscardRegistryCache();
        return values;
    }

    ProgramRun RunScript(const std::string& script)
    {
        const std::filesystem::path scriptFile = m_scripts / "script.txt";
        std::ofstream(scriptFile, std::ios::binary) << script;
        return RunProgram(BuiltProgram("bin/dravo-spark-config"),
            {"--registry-root", m_root.Path().string(), "--script", scriptFile.string()});
    }

    TempDir m_root;
    TempDir m_scripts;
};

const Values STARTING_HIVE = {{"SparkServerType", "3"}, {"AuthMech", "3"}, {"ThriftTransport", "2"},
    {"HTTPPath", "/cliservice"}, {"http.header.X-Old", "1"}, {"SSP_Old", "1"}, {"SSP_Keep", "k"},
    {"RowsFetchedPerBlock", "500"}, {"SSL", "0"}};

/// Changes something in every sub-dialog and confirms it.
const std::string EVERY_SUB_DIALOG
    = "expect dialog 1092\n"
      "click 1029\n"
      "expect dialog 129\n"
      "type 1033 2000\n"
      "click 1019\n"
      "click 1078\n"
      "expect dialog 132\n"
      "select 1084 Old=1\n"
      "click 1082\n"
      "answer Yes\n"
      "click 1080\n"
      "type 1050 New\n"
      "type 1052 2\n"
      "click 1\n"
      "click 1085\n"
      "click 1\n"
      "click 1\n"
      "click 1095\n"
      "expect dialog 1091\n"
      "click 1107\n"
      "type 1057 /etc/ssl/ca.pem\n"
      "click 1103\n"
      "type 1105 /keys/client.pem\n"
      "type 1110 /keys/client.key\n"
      "type 1113 key secret\n"
      "click 1115\n"
      "click 1\n"
      "click 1098\n"
      "expect dialog 9110\n"
      "type 1002  /gateway \n"
      "select 1084 X-Old=1\n"
      "click 1082\n"
      "answer Yes\n"
      "click 1080\n"
      "type 1050 X-New\n"
      "type 1052 v\n"
      "click 1\n"
      "click 1\n"
      "click 1118\n"
      "expect dialog 9109\n"
      "expect 1003 hidden\n"
      "select 8014 LOG_DEBUG\n"
      "type 8013 /var/log/dravo\n"
      "type 8012 5\n"
      "type 8011 3\n"
      "click 1\n"
      "expect dialog 1092\n";

TEST_F(SubDialogsEndToEndTest, EverySubDialogIsSavedAfterOkInTheMainDialog)
{
    WriteMachineHive(STARTING_HIVE);
    const ProgramRun run = RunScript(EVERY_SUB_DIALOG + "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.output << run.errors;

    const Values hive = ReadDriverKey();
    const Values expected = {{"RowsFetchedPerBlock", "2000"}, {"UseNativeQuery", "1"}, {"SSP_New", "2"},
        {"SSP_Keep", "k"}, {"LCaseSspKeyName", "0"}, {"ApplySSPWithQueries", "1"}, {"SSL", "1"},
        {"TrustedCerts", "/etc/ssl/ca.pem"}, {"TwoWaySSL", "1"}, {"ClientCert", "/keys/client.pem"},
        {"ClientPrivateKey", "/keys/client.key"}, {"CAIssuedCertNamesMismatch", "0"},
        {"AllowSelfSignedServerCert", "0"}, {"HTTPPath", "/gateway"}, {"http.header.X-New", "v"},
        {"LogLevel", "5"}, {"LogPath", "/var/log/dravo"}, {"LogFileCount", "5"}, {"LogFileSize", "3145728"}};
    for (const auto& [name, value] : expected) {
        ASSERT_EQ(hive.count(name), 1U) << name;
        EXPECT_EQ(hive.at(name), value) << name;
    }
    EXPECT_EQ(hive.count("SSP_Old"), 0U);
    EXPECT_EQ(hive.count("http.header.X-Old"), 0U);
    ASSERT_EQ(hive.count("EncryptedClientPrivateKeyPWD"), 1U);
    EXPECT_EQ(hive.at("EncryptedClientPrivateKeyPWD").substr(0, 1), "_");
    EXPECT_EQ(hive.at("EncryptedClientPrivateKeyPWD").find("secret"), std::string::npos);
}

TEST_F(SubDialogsEndToEndTest, CancellingTheMainDialogAfterConfirmedSubDialogsWritesNothing)
{
    WriteMachineHive(STARTING_HIVE);
    const std::string before = HiveBytes();
    const ProgramRun run = RunScript(EVERY_SUB_DIALOG + "click 2\n");
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_EQ(HiveBytes(), before);
}

TEST_F(SubDialogsEndToEndTest, CancelledSubDialogsChangeNothing)
{
    WriteMachineHive(STARTING_HIVE);
    const std::string before = HiveBytes();
    const std::string cancelEverySubDialog
        = "click 1029\n"
          "type 1033 2000\n"
          "click 1078\n"
          "click 1082\n"
          "answer Yes\n"
          "click 2\n"
          "click 2\n"
          "click 1095\n"
          "click 1107\n"
          "click 2\n"
          "click 1098\n"
          "type 1002 /changed\n"
          "click 2\n"
          "click 1118\n"
          "select 8014 LOG_TRACE\n"
          "click 2\n";
    ProgramRun run = RunScript(cancelEverySubDialog + "click 2\n");
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_EQ(HiveBytes(), before);

    // Confirming the main dialog afterwards writes the settings as they were.
    run = RunScript(cancelEverySubDialog + "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.output << run.errors;
    const Values hive = ReadDriverKey();
    EXPECT_EQ(hive.at("RowsFetchedPerBlock"), "500");
    EXPECT_EQ(hive.at("SSP_Old"), "1");
    EXPECT_EQ(hive.at("SSL"), "0");
    EXPECT_EQ(hive.at("HTTPPath"), "/cliservice");
    EXPECT_EQ(hive.at("LogLevel"), "0");
}

} // namespace
} // namespace Dravo::Test
