// Identity tests run a copy of identity_probe in a private directory, with or
// without a description file beside it, so that no process-wide state of this
// test process is involved.
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

using Names = std::map<std::string, std::string>;

Names ParseLines(const std::string& output)
{
    Names names;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            names[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return names;
}

class ProductIdentityTest : public ::testing::Test {
protected:
    void PlaceDescription(const std::string& xml)
    {
        std::ofstream out(m_directory / "VezurAVUZ.did", std::ios::binary);
        out << Dravo::DriverSupport::ProductDescriptionFile::Encipher(xml);
    }

    Names RunProbe(const std::vector<std::string>& arguments = {})
    {
        const auto probe =
            Dravo::Test::CopyProgramInto(Dravo::Test::BuiltProgram("tests/identity_probe"), m_directory.Path());
        const Dravo::Test::ProgramRun run = Dravo::Test::RunProgram(probe, arguments);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        return ParseLines(run.output);
    }

    std::string DirectoryText() const { return m_directory.Path().string() + "/"; }

    Dravo::Test::TempDir m_directory;
};

TEST_F(ProductIdentityTest, WithoutDescriptionFileTheBuiltInNamesApply)
{
    const Names names = RunProbe();
    EXPECT_EQ(names.at("module-instance-set"), "1");
    EXPECT_EQ(names.at("identity-set"), "1");
    EXPECT_EQ(names.at("settings-key"), "SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver|");
    EXPECT_EQ(names.at("vendor"), "Dravo");
    EXPECT_EQ(names.at("driver"), "Dravo Spark ODBC Driver");
    EXPECT_EQ(names.at("version"), "1.1.1.1001");
    EXPECT_EQ(names.at("compact"), "DravoSparkODBCDriver");
    EXPECT_EQ(names.at("vendor-driver-path"), "Dravo\\Dravo Spark ODBC Driver");
    EXPECT_EQ(names.at("driver-key-path"), "SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver");
    EXPECT_EQ(names.at("module-directory"), DirectoryText());
    EXPECT_EQ(names.at("description-file"), DirectoryText() + "VezurAVUZ.did");
    EXPECT_EQ(names.at("log-file"), "DravoSparkODBCDriver_DriverConfig.log");
}

TEST_F(ProductIdentityTest, DescriptionFileRenamesVendorDriverAndVersion)
{
    PlaceDescription("<product>\n"
                     "  <vendor-name>Acme</vendor-name>\n"
                     "  <driver-name>My Driver: x/y</driver-name>\n"
                     "  <version-number>2.0.0.7</version-number>\n"
                     "</product>\n");
    const Names names = RunProbe();
    EXPECT_EQ(names.at("vendor"), "Acme");
    EXPECT_EQ(names.at("driver"), "My Driver: x/y");
    EXPECT_EQ(names.at("version"), "2.0.0.7");
    EXPECT_EQ(names.at("compact"), "MyDriverxy");
    EXPECT_EQ(names.at("log-file"), "MyDriverxy_DriverConfig.log");
    // A registry path: the name is kept as it is, slash included.
    EXPECT_EQ(names.at("driver-key-path"), "SOFTWARE\\Acme\\My Driver: x/y\\Driver");
    EXPECT_EQ(names.at("vendor-driver-path"), "Acme\\My Driver: x/y");
    EXPECT_EQ(names.at("settings-key"), "SOFTWARE\\Acme\\My Driver: x/y\\Driver|");
}

TEST_F(ProductIdentityTest, EmptyOrUnreadableAttributesKeepTheBuiltInNames)
{
    PlaceDescription("<product><vendor-name>   </vendor-name><Driver-Name>Wrong Case</Driver-Name></product>");
    Names names = RunProbe();
    EXPECT_EQ(names.at("vendor"), "Dravo");
    EXPECT_EQ(names.at("driver"), "Dravo Spark ODBC Driver");

    // A line break would reach odbc.ini's Driver= entry as lines of its own.
    PlaceDescription("<product><driver-name>Evil&#13;Setup=/tmp/x.so</driver-name></product>");
    EXPECT_EQ(RunProbe().at("driver"), "Dravo Spark ODBC Driver");

    std::ofstream(m_directory / "VezurAVUZ.did", std::ios::binary) << "garbage that is not enciphered";
    names = RunProbe();
    EXPECT_EQ(names.at("vendor"), "Dravo");
    EXPECT_EQ(names.at("log-file"), "DravoSparkODBCDriver_DriverConfig.log");
}

TEST_F(ProductIdentityTest, OnlyTheFirstIdentitySticks)
{
    const Names names = RunProbe({"twice"});
    EXPECT_EQ(names.at("driver"), "First Driver");
    EXPECT_EQ(names.at("version"), "9.9");
    EXPECT_EQ(names.at("driver-key-path"), "SOFTWARE\\Dravo\\First Driver\\Driver");
}

/// The driver key lives in the file the identity's own names point to, so a
/// product built with other names finds its own file.
TEST_F(ProductIdentityTest, TheIdentitysNamesFindTheDriversConfigurationFile)
{
    const Dravo::Test::ScopedEnv noRoot("DRAVO_REGISTRY_ROOT", std::nullopt);
    const Dravo::Test::ScopedEnv home("HOME", "/home/someone");
    const Dravo::Test::ScopedEnv noFile("SPARKINI", std::nullopt);
    Names names = RunProbe();
    EXPECT_EQ(names.at("machine-file"), "/etc/vezuravuz.ini");
    EXPECT_EQ(names.at("user-file"), "/home/someone/.vezuravuz.ini");
    names = RunProbe({"twice"});
    EXPECT_EQ(names.at("machine-file"), "/etc/first.ini");
    EXPECT_EQ(names.at("user-file"), "/home/someone/.first.ini");
    {
        const Dravo::Test::ScopedEnv named("FIRSTINI", "/opt/first/odbc.ini");
        names = RunProbe({"twice"});
        EXPECT_EQ(names.at("machine-file"), "/opt/first/odbc.ini");
        EXPECT_EQ(names.at("user-file"), "/opt/first/odbc.ini");
    }
    {
        const Dravo::Test::ScopedEnv root("DRAVO_REGISTRY_ROOT", "/srv/registry");
        names = RunProbe();
        EXPECT_EQ(names.at("machine-file"), "/srv/registry/vezuravuz.ini");
        EXPECT_EQ(names.at("user-file"), "/srv/registry/.vezuravuz.ini");
        const Dravo::Test::ScopedEnv named("SPARKINI", "/home/someone/spark.ini");
        names = RunProbe();
        EXPECT_EQ(names.at("machine-file"), "/home/someone/spark.ini") << "the driver reads no other file then";
    }
}

TEST(CompactDriverNameTest, RemovesExactlyTheTwentyTwoCharacters)
{
    using Dravo::VezurAVUZ::MakeCompactDriverName;
    EXPECT_EQ(MakeCompactDriverName(u" #%&{}\\<>*?/$!'\":@+`|="), u"");
    EXPECT_EQ(MakeCompactDriverName(u"a b#c%d&e{f}g\\h<i>j*k?l/m$n!o'p\"q:r@s+t`u|v=w"), u"abcdefghijklmnopqrstuvw");
    // Everything else stays, in order.
    EXPECT_EQ(MakeCompactDriverName(u"x.y-z_(1)[2];~^,\u00e9\t"), u"x.y-z_(1)[2];~^,\u00e9\t");
    EXPECT_EQ(MakeCompactDriverName(Dravo::Support::WideString()), u"");
}

} // namespace
