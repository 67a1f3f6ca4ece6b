// dravo-spark-config sharing the driver's configuration file with other
// writers: another process changes the file while the dialog is open, and two
// tools save at once, in every interleaving. Each save is read again under
// the file's lock and merged onto it as it is at that moment: whatever the
// other writer stored and the tool does not write survives, and a value both
// write holds the one written last.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <optional>
#include <set>
#include <random>
#include <string>
#include <vector>

#include "tests/reliability/SyscallTracer.h"
#include "tests/reliability/ToolFaultFixture.h"

namespace Dravo::Test {
namespace {

namespace fs = std::filesystem;

constexpr const char* DRIVER_KEY_NAME = "HKLM\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver";

/// Adds a server-side property through Advanced Options.
std::string AddProperty(const std::string& name, const std::string& value)
{
    return "click 1029\nclick 1078\nclick 1080\ntype 1050 " + name + "\ntype 1052 " + value
        + "\nclick 1\nclick 1\nclick 1\n";
}

/// One tool switches to Kerberos and adds a property; the other to a user
/// name, with more rows per block and a property of its own.
const std::string FIRST_TOOL = std::string(KERBEROS_SCRIPT).insert(0, AddProperty("FromFirst", "1"));
const std::string SECOND_TOOL = "select 1040 User Name\ntype 1044 bob\nclick 1029\ntype 1033 7000\nclick 1\n"
    + AddProperty("FromSecond", "2") + "click 1\n";

class ConcurrentSaveTest : public ToolFaultFixture {
protected:
    /// Each value after two saves: one that either save stores (a value a
    /// save leaves absent only counts where it was there before, since a
    /// save removes only what it loaded), or the old one where neither
    /// touches it.
    static void ExpectEitherSave(const ConfigurationContents& before, const Reference& first, const Reference& second,
        const ConfigurationContents& after, const std::string& context)
    {
        ASSERT_TRUE(after.Parsed()) << context << ": " << after.Error();
        using Values = ConfigurationContents::Values;
        std::set<std::u16string> names;
        for (const Values* values : {&before.GetValues(), &first.values, &second.values, &after.GetValues()}) {
            for (const auto& [name, text] : *values) {
                names.insert(name);
            }
        }
        const auto find = [](const Values& values, const std::u16string& name) {
            const auto found = values.find(name);
            return found == values.end() ? std::optional<std::string>() : std::optional(found->second);
        };
        for (const std::u16string& name : names) {
            const auto old = find(before.GetValues(), name);
            std::vector<std::optional<std::string>> allowed;
            for (const Reference* save : {&first, &second}) {
                const auto stored = find(save->values, name);
                if (stored != old || old) {
                    allowed.push_back(stored);
                }
            }
            if (allowed.empty()) {
                allowed.push_back(old);
            }
            const auto now = find(after.GetValues(), name);
            EXPECT_NE(std::find(allowed.begin(), allowed.end(), now), allowed.end())
                << context << ": " << ConfigurationContents::Describe(name) << (now ? " holds a value" : " is absent")
                << " that neither save explains";
        }
        // Neither save touches what lies outside the driver's section.
        EXPECT_EQ(after.Bytes().rfind("; Dravo Spark ODBC Driver, driver-wide settings\r\n[ODBC]\r\n", 0), 0U)
            << context;
        EXPECT_TRUE(after.Bytes().ends_with("\r\n# kept as it is\r\n[Other]\r\nSetting=kept as it is\r\n")) << context;
    }
};

TEST_F(ConcurrentSaveTest, ChangesMadeWhileTheDialogIsOpenSurviveTheSave)
{
    WriteConfiguration(MachineConfigurationText());
    EnableTraceLog(m_root);
    SyscallTracer tool(Program(), Arguments(m_root), m_environment, KERBEROS_SCRIPT);
    ASSERT_TRUE(tool.RunTo(SaveBegins(tool))) << tool.Finish().errors;

    // Another administrator, meanwhile: a new value of their own, a property
    // the tool never loaded, a setting the tool writes too, and a value
    // removed; then an import, which replaces the file as a whole.
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"ADD", DRIVER_KEY_NAME, "/v", "AddedMeanwhile", "/d", "by dravo-reg", "/f"},
             {"ADD", DRIVER_KEY_NAME, "/v", "SSP_AddedMeanwhile", "/d", "1", "/f"},
             {"ADD", DRIVER_KEY_NAME, "/v", "RowsFetchedPerBlock", "/d", "9999", "/f"},
             {"DELETE", DRIVER_KEY_NAME, "/v", "VendorExtra", "/f"},
         }) {
        const ProgramRun changed = Reg(command);
        ASSERT_EQ(changed.exitCode, 0) << changed.output << changed.errors;
    }
    WriteFileBytes(m_home / "import.reg",
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver]\r\n"
        "\"Imported\"=\"from Windows\"\r\n"
        "\"SSP_property2\"=-\r\n");
    const ProgramRun imported = Reg({"IMPORT", (m_home / "import.reg").string()});
    ASSERT_EQ(imported.exitCode, 0) << imported.output << imported.errors;

    const ProgramRun run = tool.Finish();
    ASSERT_EQ(run.exitCode, EXIT_SAVED) << run.errors;
    const ConfigurationContents after = Contents();
    ASSERT_TRUE(after.Parsed()) << after.Error();
    EXPECT_EQ(after.Text(u"AuthMech"), "1");
    EXPECT_EQ(after.Text(u"KrbRealm"), "EXAMPLE.COM");
    EXPECT_EQ(after.Text(u"AddedMeanwhile"), "by dravo-reg");
    EXPECT_EQ(after.Text(u"Imported"), "from Windows");
    EXPECT_EQ(after.Text(u"SSP_AddedMeanwhile"), "1") << "a property the tool never loaded is not removed";
    EXPECT_EQ(after.Text(u"SSP_property1"), "value 1");
    // The tool writes the properties it loaded: one removed meanwhile is back.
    EXPECT_EQ(after.Text(u"SSP_property2"), "value 2");
    EXPECT_EQ(after.Text(u"VendorExtra"), "<absent>") << "the tool does not write what it does not know";
    // The tool writes every advanced option: the value it loaded wins.
    EXPECT_EQ(after.Text(u"RowsFetchedPerBlock"), "5000");
    EXPECT_TRUE(after.Bytes().ends_with("\r\n# kept as it is\r\n[Other]\r\nSetting=kept as it is\r\n"))
        << after.Bytes();
    EXPECT_NE(after.Bytes().find("\r\n; the transport the cluster was set up with\r\n"), std::string::npos);
}

/// Two tools at their first write, then run one write at a time in a random
/// order (the seed reproduces it); in the end, also the two left to run
/// freely side by side.
TEST_F(ConcurrentSaveTest, TwoToolsSavingAtOnceLoseNothingInAnyInterleaving)
{
    const std::string initial = MachineConfigurationText();
    const Reference first = SaveWithoutFault(initial, FIRST_TOOL);
    const Reference second = SaveWithoutFault(initial, SECOND_TOOL);
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));

    for (int round = 0; round < 8; ++round) {
        const std::string context = "round " + std::to_string(round);
        SCOPED_TRACE(context);
        WriteConfiguration(initial);
        const ConfigurationContents before = Contents();
        SyscallTracer a(Program(), Arguments(m_root), m_environment, FIRST_TOOL);
        SyscallTracer b(Program(), Arguments(m_root), m_environment, SECOND_TOOL);
        ASSERT_TRUE(a.RunTo(IsWriterLock)) << a.Finish().errors;
        ASSERT_TRUE(b.RunTo(IsWriterLock)) << b.Finish().errors;
        // At a lock's entry neither holds a lock (a save takes the lock once,
        // at its end), so one may run while the other waits there.
        while (a.Running() || b.Running()) {
            SyscallTracer& next = !b.Running() || (a.Running() && random() % 2 == 0) ? a : b;
            next.RunTo(IsWriterLock);
            ASSERT_TRUE(Contents().Parsed()) << context << ": " << Contents().Error();
        }
        const ProgramRun runA = a.Finish();
        const ProgramRun runB = b.Finish();
        EXPECT_EQ(runA.exitCode, EXIT_SAVED) << runA.errors;
        EXPECT_EQ(runB.exitCode, EXIT_SAVED) << runB.errors;
        const ConfigurationContents after = Contents();
        ExpectEitherSave(before, first, second, after, context);
        EXPECT_EQ(after.Text(u"SSP_FromFirst"), "1");
        EXPECT_EQ(after.Text(u"SSP_FromSecond"), "2");
        EXPECT_EQ(after.Text(u"KrbRealm"), "EXAMPLE.COM");
        EXPECT_EQ(after.Text(u"UID"), "bob");
    }

    for (int round = 0; round < 4; ++round) {
        const std::string context = "free round " + std::to_string(round);
        SCOPED_TRACE(context);
        WriteConfiguration(initial);
        const ConfigurationContents before = Contents();
        auto runA = std::async(std::launch::async, [&] { return RunScript(FIRST_TOOL); });
        auto runB = std::async(std::launch::async, [&] { return RunScript(SECOND_TOOL); });
        EXPECT_EQ(runA.get().exitCode, EXIT_SAVED);
        EXPECT_EQ(runB.get().exitCode, EXIT_SAVED);
        const ConfigurationContents after = Contents();
        ExpectEitherSave(before, first, second, after, context);
        EXPECT_EQ(after.Text(u"SSP_FromFirst"), "1");
        EXPECT_EQ(after.Text(u"SSP_FromSecond"), "2");
    }
}

} // namespace
} // namespace Dravo::Test
