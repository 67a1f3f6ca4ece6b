#include "app/ProgramOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Dravo::VezurAVUZ {
namespace {

ProgramOptions ParseArguments(std::vector<std::string> arguments)
{
    return ProgramOptions::Parse(arguments);
}

TEST(ProgramOptionsTest, NoArgumentMeansTheTerminalDialog)
{
    const ProgramOptions options = ParseArguments({});
    EXPECT_EQ(options.action, ProgramOptions::Action::Configure);
    EXPECT_FALSE(options.scriptPath);
    EXPECT_FALSE(options.registryRoot);
    EXPECT_FALSE(options.dataSourceName);
}

TEST(ProgramOptionsTest, ValuesComeSeparateOrAfterAnEqualsSign)
{
    const ProgramOptions options = ParseArguments({"--script", "-", "--registry-root=/tmp/a=b", "--dsn", "My DSN"});
    EXPECT_EQ(options.action, ProgramOptions::Action::Configure);
    EXPECT_EQ(options.scriptPath, "-");
    EXPECT_EQ(options.registryRoot, "/tmp/a=b");
    EXPECT_EQ(options.dataSourceName, "My DSN");
}

TEST(ProgramOptionsTest, HelpWinsOverVersionAndOtherOptions)
{
    EXPECT_EQ(ParseArguments({"--version", "--help"}).action, ProgramOptions::Action::Help);
    EXPECT_EQ(ParseArguments({"--script", "x", "-h"}).action, ProgramOptions::Action::Help);
    EXPECT_EQ(ParseArguments({"--version"}).action, ProgramOptions::Action::Version);
}

TEST(ProgramOptionsTest, MistakesAreRefusedWithAReason)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {{"--scrpit", "x"}, "unknown option '--scrpit'"},
        {{"config.txt"}, "unknown option 'config.txt'"},
        {{"--script"}, "option '--script' needs a value"},
        {{"--registry-root="}, "option '--registry-root' needs a non-empty value"},
        {{"--script", "a", "--script=b"}, "option '--script' given twice"},
        // A refused command line is refused even when help is asked for too.
        {{"--help", "--bogus"}, "unknown option '--bogus'"},
        {{"set"}, "'set' needs at least one NAME=VALUE"},
        {{"unset", "--json"}, "'unset' needs at least one NAME"},
        {{"apply", "a.ini", "b.ini"}, "'apply' needs exactly one FILE"},
        {{"check", "AuthMech"}, "'check' takes no arguments, but was given 'AuthMech'"},
        {{"get", "--exact"}, "option '--exact' does not go with 'get'"},
        {{"--diff"}, "option '--diff' belongs to a subcommand (get, set, unset, apply, check, settings, remove)"},
        {{"remove"}, "'remove' removes a data source: give it with --dsn NAME"},
        {{"set", "A=1", "--script", "x"}, "'set' works without a dialog; it takes no '--script'"},
        {{"set", "--password-stdin", "--password-file", "p"},
            "options '--password-stdin' and '--password-file' exclude each other"},
        {{"set", "A=1", "--json=yes"}, "option '--json' takes no value"},
    };
    for (const Case& refused : cases) {
        const ProgramOptions options = ParseArguments(refused.arguments);
        EXPECT_EQ(options.action, ProgramOptions::Action::Invalid) << refused.reason;
        EXPECT_EQ(options.error, refused.reason);
    }
}

TEST(ProgramOptionsTest, ASubcommandTakesTheWordsAfterItAndItsOptionsAnywhere)
{
    const ProgramOptions options =
        ParseArguments({"--json", "set", "AuthMech=Kerberos", "--registry-root", "/r", "UID=a b", "--check"});
    ASSERT_EQ(options.action, ProgramOptions::Action::Settings) << options.error;
    EXPECT_EQ(options.settings.command, SettingsCommandOptions::Command::Set);
    EXPECT_EQ(options.settings.arguments, (std::vector<std::string>{"AuthMech=Kerberos", "UID=a b"}));
    EXPECT_TRUE(options.settings.json);
    EXPECT_TRUE(options.settings.checkOnly);
    EXPECT_EQ(options.registryRoot, "/r");
    EXPECT_EQ(ParseArguments({"settings", "--help"}).action, ProgramOptions::Action::Help);
}

TEST(ProgramOptionsTest, UsageNamesEveryOptionAndExitCode)
{
    const std::string usage = GetUsageText("dravo-spark-config");
    for (const char* text : {"--script FILE", "--registry-root", "--dsn NAME", "--help", "--version",
             "1 after OK, 0 after Cancel", "set NAME=VALUE", "apply FILE", "--password-stdin", "65 when a value"}) {
        EXPECT_NE(usage.find(text), std::string::npos) << text;
    }
}

#ifndef _WIN32
// The Windows program's text names the registry instead (tests/app/win32).
TEST(ProgramOptionsTest, UsageNamesTheFilesTheDriverReads)
{
    const std::string usage = GetUsageText("dravo-spark-config");
    for (const char* text : {"--registry-root DIR", "dravo-spark-config(1)", "SPARKINI", "/etc/vezuravuz.ini",
             "~/.vezuravuz.ini", "DIR/vezuravuz.ini"}) {
        EXPECT_NE(usage.find(text), std::string::npos) << text;
    }
}
#endif

} // namespace
} // namespace Dravo::VezurAVUZ
