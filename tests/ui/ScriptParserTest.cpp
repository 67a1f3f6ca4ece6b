// The script language: what parses, into what, and which lines are refused.
#include <gtest/gtest.h>

#include "ui/headless/Script.h"
#include "ui/headless/ScriptError.h"

namespace Dravo::Test {
namespace {

using UI::ExpectKind;
using UI::ParseScript;
using UI::ScriptVerb;

TEST(ScriptParserTest, FreeTextRunsToTheLineEndAfterOneBlank)
{
    const UI::Script script = ParseScript("  # comment\r\n"
                                          "\n"
                                          "type 1041  two  blanks \r\n"
                                          "type\t1041\n"
                                          "select 1040 User Name and Password\n"
                                          "expect title Dravo Spark ODBC Driver Configuration\n"
                                          "expect 1093 items Binary|HTTP|SASL\n"
                                          "expect 1084 items \n"
                                          "expect 9128 contains FAILED!\n"
                                          "choose /tmp/a file.sdc\n"
                                          "choose -\n"
                                          "answer retry\n"
                                          "dblclick 1084\n"
                                          "expect dialog 1092\n"
                                          "expect 1 disabled",
        "s");
    ASSERT_EQ(script.commands.size(), 13U);
    EXPECT_EQ(script.lineCount, 15);
    const auto& type = script.commands[0];
    EXPECT_EQ(type.line, 3);
    EXPECT_EQ(type.verb, ScriptVerb::Type);
    EXPECT_EQ(type.id, 1041);
    EXPECT_EQ(type.text, " two  blanks ");
    EXPECT_EQ(type.source, "type 1041  two  blanks ");
    EXPECT_EQ(script.commands[1].text, "");
    EXPECT_EQ(script.commands[2].text, "User Name and Password");
    EXPECT_EQ(script.commands[3].expect, ExpectKind::Title);
    EXPECT_EQ(script.commands[3].text, "Dravo Spark ODBC Driver Configuration");
    EXPECT_EQ(script.commands[4].items, (std::vector<std::string>{"Binary", "HTTP", "SASL"}));
    EXPECT_TRUE(script.commands[5].items.empty());
    EXPECT_EQ(script.commands[6].expect, ExpectKind::Contains);
    EXPECT_EQ(script.commands[7].text, "/tmp/a file.sdc");
    EXPECT_FALSE(script.commands[7].cancel);
    EXPECT_TRUE(script.commands[8].cancel);
    EXPECT_EQ(script.commands[9].answer, UI::MessageBoxResult::Retry);
    EXPECT_EQ(script.commands[10].verb, ScriptVerb::DoubleClick);
    EXPECT_EQ(script.commands[11].expect, ExpectKind::Dialog);
    EXPECT_EQ(script.commands[11].id, 1092);
    EXPECT_EQ(script.commands[12].expect, ExpectKind::Disabled);
}

TEST(ScriptParserTest, BadLinesAreRefusedWithTheirNumber)
{
    struct Case {
        const char* script;
        int32_t line;
        const char* message;
    };
    const Case cases[] = {
        {"click 1\npress 1\n", 2, "unknown command \"press\""},
        {"click\n", 1, "expected a control id"},
        {"click 1x\n", 1, "found \"1x\""},
        {"click -1\n", 1, "(0 to 65535)"},
        {"click 65536\n", 1, "(0 to 65535)"},
        {"click 99999999999999999999\n", 1, "(0 to 65535)"},
        {"click 1 now\n", 1, "unexpected text"},
        {"answer Maybe\n", 1, "\"Maybe\" is not a button"},
        {"answer\n", 1, "is not a button"},
        {"choose\n", 1, "choose needs a path"},
        {"expect 1 shiny\n", 1, "needs text, contains"},
        {"expect dialog\n", 1, "a dialog template id"},
        {"expect\n", 1, "a control id, dialog or title"},
        {"# ok\ntype 1 \xC3(\n", 2, "not valid UTF-8 (at byte 8)"},
        {"type 1 \xED\xA0\x80\n", 1, "not valid UTF-8"},
        {"type 1 \xC0\xAF\n", 1, "not valid UTF-8"},
        {"type 1 \xF4\x90\x80\x80\n", 1, "not valid UTF-8"},
        {"type 1 \xE2\x82\n", 1, "not valid UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        try {
            (void)ParseScript(c.script, "file.txt");
            ADD_FAILURE() << "parsed";
        } catch (const UI::ScriptError& error) {
            EXPECT_EQ(error.GetLine(), c.line);
            const std::string what = error.what();
            EXPECT_EQ(what.rfind("file.txt:" + std::to_string(c.line) + ": ", 0), 0U) << what;
            EXPECT_NE(what.find(c.message), std::string::npos) << what;
        }
    }
    const std::string withNul("type 1 a\0b\n", 11);
    EXPECT_THROW((void)ParseScript(withNul, "f"), UI::ScriptError);
}

TEST(ScriptParserTest, WellFormedMultiByteTextIsKept)
{
    const UI::Script script = ParseScript("type 1041 \xE2\x82\xAC \xF0\x9F\x98\x80 \x1B[2J\n", "s");
    ASSERT_EQ(script.commands.size(), 1U);
    EXPECT_EQ(script.commands[0].text, "\xE2\x82\xAC \xF0\x9F\x98\x80 \x1B[2J");
}

} // namespace
} // namespace Dravo::Test

namespace Dravo::Test {
namespace {

TEST(ScriptParserTest, ScriptFilesThatCannotBeReadAreNamed)
{
    try {
        (void)UI::LoadScriptFile("/nonexistent/dir/run.script");
        ADD_FAILURE() << "loaded";
    } catch (const UI::ScriptError& error) {
        EXPECT_EQ(error.GetLine(), 0);
        EXPECT_EQ(std::string(error.what()).rfind("/nonexistent/dir/run.script: cannot open the script: ", 0), 0U)
            << error.what();
    }
}

} // namespace
} // namespace Dravo::Test
