// dravo-spark-config --register-setup and --unregister-setup as a child,
// over unixODBC's real installer with its odbcinst.ini in a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/common/OdbcIniDirectory.h"
#include "tests/common/ProgramRun.h"

namespace Dravo::Test {
namespace {

class SetupRegistrationTest : public ::testing::Test {
protected:
    ProgramRun Run(const std::string& option) const
    {
        return RunProgram(BuiltProgram("bin/dravo-spark-config"), {option});
    }

    std::map<std::string, std::string> DriverEntry() const
    {
        return OdbcIniDirectory::Section(m_files.ReadFile("odbcinst.ini"), OdbcIniDirectory::PRODUCT_DRIVER);
    }

    /// The setup library beside the built program, as the program names it.
    static std::string BuiltLibrary()
    {
        return std::filesystem::weakly_canonical(BuiltProgram("lib/libdravosparksetup.so")).string();
    }

    OdbcIniDirectory m_files;
    // What unixODBC itself leaks is no finding of a sanitizer build.
    ScopedEnv m_leaks{"LSAN_OPTIONS", "suppressions=" + SourceDir() + "/tests/lsan.supp"};

private:
    static std::string SourceDir()
    {
        const char* source = std::getenv("DRAVO_SOURCE_DIR");
        return source ? source : ".";
    }
};

TEST_F(SetupRegistrationTest, RegistersWhereTheDriverHasNoSetupAndTakesAwayOnlyThat)
{
    const std::string before = m_files.ReadFile("odbcinst.ini");

    const ProgramRun added = Run("--register-setup");
    EXPECT_EQ(added.exitCode, 0) << added.errors;
    EXPECT_NE(added.output.find("was added"), std::string::npos) << added.output;
    auto entry = DriverEntry();
    EXPECT_EQ(entry["Setup"], BuiltLibrary());
    EXPECT_EQ(entry["SetupAddedBy"], "dravo-spark-config");
    EXPECT_EQ(entry["Driver"], OdbcIniDirectory::FindSqliteDriver());

    // Again: nothing to do, nothing written.
    const std::string registered = m_files.ReadFile("odbcinst.ini");
    const ProgramRun again = Run("--register-setup");
    EXPECT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_NE(again.output.find("already"), std::string::npos) << again.output;
    EXPECT_EQ(m_files.ReadFile("odbcinst.ini"), registered);

    const ProgramRun removed = Run("--unregister-setup");
    EXPECT_EQ(removed.exitCode, 0) << removed.errors;
    EXPECT_NE(removed.output.find("was taken away"), std::string::npos) << removed.output;
    entry = DriverEntry();
    EXPECT_EQ(entry.count("Setup"), 0U);
    EXPECT_EQ(entry.count("SetupAddedBy"), 0U);
    EXPECT_EQ(entry["Driver"], OdbcIniDirectory::FindSqliteDriver());
    EXPECT_EQ(OdbcIniDirectory::Section(m_files.ReadFile("odbcinst.ini"), OdbcIniDirectory::MISSING_LIBRARY_DRIVER),
        OdbcIniDirectory::Section(before, OdbcIniDirectory::MISSING_LIBRARY_DRIVER));

    const ProgramRun nothing = Run("--unregister-setup");
    EXPECT_EQ(nothing.exitCode, 0) << nothing.errors;
    EXPECT_NE(nothing.output.find("Nothing was changed"), std::string::npos) << nothing.output;
}

TEST_F(SetupRegistrationTest, LeavesTheFileAloneWithoutTheDriversEntry)
{
    const std::string withoutDriver = "[Other Driver]\nDriver=/usr/lib/libother.so\n";
    m_files.WriteFile("odbcinst.ini", withoutDriver);
    for (const char* option : {"--register-setup", "--unregister-setup"}) {
        const ProgramRun run = Run(option);
        EXPECT_EQ(run.exitCode, 0) << option << ": " << run.errors;
        EXPECT_NE(run.output.find("Nothing was changed"), std::string::npos) << option << ": " << run.output;
        EXPECT_EQ(m_files.ReadFile("odbcinst.ini"), withoutDriver) << option;
    }
}

TEST_F(SetupRegistrationTest, MakesNoDriversFileWhereThereIsNone)
{
    // unixODBC's reader would make an empty one for the question alone.
    std::filesystem::remove(m_files.Path() / "odbcinst.ini");
    for (const char* option : {"--register-setup", "--unregister-setup"}) {
        const ProgramRun run = Run(option);
        EXPECT_EQ(run.exitCode, 0) << option << ": " << run.errors;
        EXPECT_NE(run.output.find("Nothing was changed"), std::string::npos) << option << ": " << run.output;
        EXPECT_FALSE(std::filesystem::exists(m_files.Path() / "odbcinst.ini")) << option;
    }
}

TEST_F(SetupRegistrationTest, NeverTouchesASetupTheDriversPackageWrote)
{
    // Another library, the Setup64 of Red Hat's layout, and this very library
    // named by the driver's package: all theirs.
    for (const std::string& own : {std::string("Setup=/opt/dravo/lib/libdriversetup.so"),
             std::string("Setup64=/usr/lib64/libdriversetup.so"), "Setup=" + BuiltLibrary()}) {
        const std::string file = std::string("[") + OdbcIniDirectory::PRODUCT_DRIVER
            + "]\nDriver=" + OdbcIniDirectory::FindSqliteDriver() + "\n" + own + "\n";
        m_files.WriteFile("odbcinst.ini", file);
        for (const char* option : {"--register-setup", "--unregister-setup"}) {
            const ProgramRun run = Run(option);
            EXPECT_EQ(run.exitCode, 0) << own << " " << option << ": " << run.errors;
            EXPECT_NE(run.output.find("Nothing was changed"), std::string::npos)
                << own << " " << option << ": " << run.output;
            EXPECT_EQ(m_files.ReadFile("odbcinst.ini"), file) << own << " " << option;
        }
    }
}

TEST_F(SetupRegistrationTest, ASetupChangedAfterRegistrationStays)
{
    ASSERT_EQ(Run("--register-setup").exitCode, 0);
    std::string file = m_files.ReadFile("odbcinst.ini");
    const size_t at = file.find(BuiltLibrary());
    ASSERT_NE(at, std::string::npos) << file;
    file.replace(at, BuiltLibrary().size(), "/opt/dravo/lib/libdriversetup.so");
    m_files.WriteFile("odbcinst.ini", file);

    const ProgramRun removed = Run("--unregister-setup");
    EXPECT_EQ(removed.exitCode, 0) << removed.errors;
    EXPECT_NE(removed.output.find("stays"), std::string::npos) << removed.output;
    const auto entry = DriverEntry();
    EXPECT_EQ(entry.at("Setup"), "/opt/dravo/lib/libdriversetup.so");
    EXPECT_EQ(entry.count("SetupAddedBy"), 0U);
}

TEST_F(SetupRegistrationTest, TakesNoOtherOption)
{
    const std::string before = m_files.ReadFile("odbcinst.ini");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--register-setup", "--dsn", "Sales"}, {"--register-setup", "--unregister-setup"}}) {
        const ProgramRun run = RunProgram(BuiltProgram("bin/dravo-spark-config"), arguments);
        EXPECT_EQ(run.exitCode, 64) << run.errors;
    }
    EXPECT_EQ(m_files.ReadFile("odbcinst.ini"), before);
}

} // namespace
} // namespace Dravo::Test
