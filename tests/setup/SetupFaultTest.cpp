// The setup library when a save of a data source goes wrong: the disk fills
// at every point of it, a step fails, or two installers save at once. The
// test build of the library takes its file faults from DRAVO_FILE_FAULTS.
// Every other data source stays as it was, and nothing is reported as done
// that was not.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/setup/SetupFixture.h"

namespace Dravo::Test {
namespace {

constexpr int REQUEST_FAILED = 11;

class SetupFaultTest : public SetupFixture {
protected:
    SetupFaultTest() : SetupFixture(BuiltProgram("tests/libdravosparksetup_with_file_faults.so")) {}

    /// An odbc.ini of many data sources, as unixODBC writes it.
    static std::string ManyDataSources(int count)
    {
        std::string ini;
        for (int i = 0; i < count; ++i) {
            ini += "[DS" + std::to_string(i) + "]\nDriver=" + std::string(DRIVER) + "\nHost=host" + std::to_string(i)
                + ".example.com\nPort=10000\n\n";
        }
        return ini;
    }

    ProbeResult ConfigureWithFaults(
        const std::string& faults, const std::string& action, const std::vector<std::string>& attributes) const
    {
        std::vector<std::string> arguments = {action, DRIVER};
        arguments.insert(arguments.end(), attributes.begin(), attributes.end());
        ToolRunOptions options;
        options.arguments = arguments;
        options.environment = Environment();
        options.environment["DRAVO_FILE_FAULTS"] = faults;
        return Parse(RunTool(BuiltProgram("tests/setup_probe"), options));
    }
};

TEST_F(SetupFaultTest, ASaveThatRunsOutOfSpaceAnywhereLeavesEveryOtherDataSourceAndSaysSo)
{
    const std::string ini = ManyDataSources(300);
    const struct {
        const char* action;
        std::vector<std::string> attributes;
    } requests[] = {
        {"add", {"DSN=NewOne", "Host=new.example.com", "SparkServerType=3", "AuthMech=3", "UID=alice"}},
        {"config", {"DSN=DS10", "DESCRIPTION=changed"}},
        {"remove", {"DSN=DS299"}},
    };
    for (const auto& request : requests) {
        SCOPED_TRACE(request.action);
        size_t failures = 0;
        for (size_t room = 0;; room += 2053) {
            m_ini.WriteFile("user/odbc.ini", ini);
            const ProbeResult result =
                ConfigureWithFaults("write-budget=" + std::to_string(room), request.action, request.attributes);
            if (result.succeeded) {
                break;
            }
            ++failures;
            ASSERT_FALSE(result.errors.empty()) << testing::PrintToString(result);
            EXPECT_EQ(result.errors.front().first, REQUEST_FAILED);
            EXPECT_NE(result.errors.front().second.find("No space left on device"), std::string::npos)
                << testing::PrintToString(result);
            EXPECT_NE(result.errors.front().second.find("Nothing was written."), std::string::npos)
                << testing::PrintToString(result);
            ASSERT_EQ(UserIni(), ini);
            ASSERT_LT(room, 64U * 1024);
        }
        EXPECT_EQ(failures, (UserIni().size() + 2052) / 2053);
        for (const int i : {0, 150, 298}) {
            EXPECT_EQ(UserSection("DS" + std::to_string(i)), OdbcIniDirectory::Section(ini, "DS" + std::to_string(i)));
        }
    }
}

TEST_F(SetupFaultTest, AStepThatFailsIsReportedWithTheFileAndNothingIsWritten)
{
    const std::string ini = ManyDataSources(3);
    for (const char* fault : {"fail=rename:.tmp-:1:19", "fail=flush:.tmp-:1:1117", "fail=open:.tmp-:1:5"}) {
        SCOPED_TRACE(fault);
        m_ini.WriteFile("user/odbc.ini", ini);
        const ProbeResult result = ConfigureWithFaults(fault, "config", {"DSN=DS1", "Port=443"});
        EXPECT_FALSE(result.succeeded);
        ASSERT_FALSE(result.errors.empty()) << testing::PrintToString(result);
        EXPECT_EQ(result.errors.front().first, REQUEST_FAILED);
        EXPECT_NE(
            result.errors.front().second.find((m_ini.Path() / "user" / "odbc.ini").string() + ": "), std::string::npos)
            << testing::PrintToString(result);
        EXPECT_NE(result.errors.front().second.find("Nothing was written."), std::string::npos)
            << testing::PrintToString(result);
        EXPECT_EQ(UserIni(), ini);
    }
}

TEST_F(SetupFaultTest, TwoInstallersSavingAtOnceKeepEachOthersDataSources)
{
    m_ini.WriteFile("user/odbc.ini", ManyDataSources(50));
    std::vector<ProbeResult> results(8);
    std::vector<std::thread> savers;
    for (size_t i = 0; i < results.size(); ++i) {
        savers.emplace_back([&, i] {
            results[i] = Configure({}, "add", {"DSN=Parallel" + std::to_string(i), "Host=h" + std::to_string(i)});
        });
    }
    for (std::thread& saver : savers) {
        saver.join();
    }
    for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_TRUE(results[i].succeeded) << testing::PrintToString(results[i]);
        EXPECT_EQ(UserSection("Parallel" + std::to_string(i))["Host"], "h" + std::to_string(i));
    }
    EXPECT_EQ(UserSection("DS49")["Host"], "host49.example.com");
}

} // namespace
} // namespace Dravo::Test
