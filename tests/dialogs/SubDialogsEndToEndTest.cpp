// Every sub-dialog through the real program: dravo-spark-config run as a
// child with a script and a private registry root, the driver's configuration
// file read back after.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/DriverConfigurationFile.h"
#include "tests/common/ProgramRun.h"
#include "tests/common/TempDir.h"

namespace Dravo::Test {
namespace {

using Values = std::map<std::string, std::string>;

class SubDialogsEndToEndTest : public ::testing::Test {
protected:
    void WriteConfiguration(const Values& values) const
    {
        std::ofstream(ConfigurationPath(), std::ios::binary) << DriverSectionText(values);
    }

    [[nodiscard]] std::string ConfigurationBytes() const
    {
        std::ifstream in(ConfigurationPath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    [[nodiscard]] std::filesystem::path ConfigurationPath() const { return MachineConfigurationFile(m_root.Path()); }

    [[nodiscard]] Values ReadDriverKey() const { return ReadDriverSection(ConfigurationPath()); }

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

const Values STARTING_CONFIGURATION = {{"SparkServerType", "3"}, {"AuthMech", "3"}, {"ThriftTransport", "2"},
    {"HTTPPath", "/cliservice"}, {"http.header.X-Old", "1"}, {"SSP_Old", "1"}, {"SSP_Keep", "k"},
    {"RowsFetchedPerBlock", "500"}, {"SSL", "0"}};

/// Changes something in every sub-dialog and confirms it.
const std::string EVERY_SUB_DIALOG = "expect dialog 1092\n"
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
    WriteConfiguration(STARTING_CONFIGURATION);
    const ProgramRun run = RunScript(EVERY_SUB_DIALOG + "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.output << run.errors;

    const Values saved = ReadDriverKey();
    const Values expected = {{"RowsFetchedPerBlock", "2000"}, {"UseNativeQuery", "1"}, {"SSP_New", "2"},
        {"SSP_Keep", "k"}, {"LCaseSspKeyName", "0"}, {"ApplySSPWithQueries", "1"}, {"SSL", "1"},
        {"TrustedCerts", "/etc/ssl/ca.pem"}, {"TwoWaySSL", "1"}, {"ClientCert", "/keys/client.pem"},
        {"ClientPrivateKey", "/keys/client.key"}, {"CAIssuedCertNamesMismatch", "0"},
        {"AllowSelfSignedServerCert", "0"}, {"HTTPPath", "/gateway"}, {"http.header.X-New", "v"}, {"LogLevel", "5"},
        {"LogPath", "/var/log/dravo"}, {"LogFileCount", "5"}, {"LogFileSize", "3145728"}};
    for (const auto& [name, value] : expected) {
        ASSERT_EQ(saved.count(name), 1U) << name;
        EXPECT_EQ(saved.at(name), value) << name;
    }
    EXPECT_EQ(saved.count("SSP_Old"), 0U);
    EXPECT_EQ(saved.count("http.header.X-Old"), 0U);
    ASSERT_EQ(saved.count("EncryptedClientPrivateKeyPWD"), 1U);
    EXPECT_EQ(saved.at("EncryptedClientPrivateKeyPWD").substr(0, 1), "_");
    EXPECT_EQ(saved.at("EncryptedClientPrivateKeyPWD").find("secret"), std::string::npos);
}

TEST_F(SubDialogsEndToEndTest, CancellingTheMainDialogAfterConfirmedSubDialogsWritesNothing)
{
    WriteConfiguration(STARTING_CONFIGURATION);
    const std::string before = ConfigurationBytes();
    const ProgramRun run = RunScript(EVERY_SUB_DIALOG + "click 2\n");
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_EQ(ConfigurationBytes(), before);
}

TEST_F(SubDialogsEndToEndTest, CancelledSubDialogsChangeNothing)
{
    WriteConfiguration(STARTING_CONFIGURATION);
    const std::string before = ConfigurationBytes();
    const std::string cancelEverySubDialog = "click 1029\n"
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
    EXPECT_EQ(ConfigurationBytes(), before);

    // Confirming the main dialog afterwards writes the settings as they were.
    run = RunScript(cancelEverySubDialog + "click 1\n");
    ASSERT_EQ(run.exitCode, 1) << run.output << run.errors;
    const Values saved = ReadDriverKey();
    EXPECT_EQ(saved.at("RowsFetchedPerBlock"), "500");
    EXPECT_EQ(saved.at("SSP_Old"), "1");
    EXPECT_EQ(saved.at("SSL"), "0");
    EXPECT_EQ(saved.at("HTTPPath"), "/cliservice");
    EXPECT_EQ(saved.at("LogLevel"), "0");
}

} // namespace
} // namespace Dravo::Test
