// The every-control dialog driven by scripts on the headless backend.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/common/TempDir.h"
#include "tests/ui/EveryControlDialog.h"
#include "tests/ui/EveryControlScriptRun.h"
#include "ui/headless/HeadlessDialogSystem.h"
#include "ui/headless/ScriptError.h"
#include "ui/headless/ScriptRunner.h"

namespace Dravo::Test {
namespace {

using UI::HeadlessDialogSystem;
using UI::ParseScript;
using UI::ScriptError;
using UI::ScriptRunner;

ScriptRun RunScript(const std::string& script, const Support::WideString& initialName = Support::WideString(u"start"))
{
    return RunEveryControlScript<HeadlessDialogSystem>(script, initialName);
}

TEST(HeadlessScriptTest, InitialisationRaisesTextChangedButNoSelectionChanges)
{
    const ScriptRun run = RunScript("# the dialog as it opens\n"
                                    "expect dialog 60001\n"
                                    "expect title Every Control\n"
                                    "expect 101 text start\n"
                                    "expect 108 items alpha|Beta|Gamma\n"
                                    "expect 108 selected Beta\n"
                                    "expect 108 disabled\n"
                                    "expect 109 selected \n"
                                    "expect 106 unchecked\n"
                                    "expect 1 enabled\n"
                                    "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.result, 0);
    ASSERT_EQ(run.log.size(), 2U);
    EXPECT_EQ(run.log[0], "101 TextChanged");
    EXPECT_EQ(run.log[1], "2 Clicked");
}

TEST(HeadlessScriptTest, TypingReportsEachChangeAndKeepsToTheLimit)
{
    const ScriptRun run = RunScript("type 101 \n"
                                    "expect 1 disabled\n"
                                    "type 101 abcdefghijklmnop\n"
                                    "expect 101 text abcdefghij\n"
                                    "expect 1 enabled\n"
                                    "type 103 secret words\n"
                                    "type 105 70x00\n"
                                    "click 1\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.state.name, "abcdefghij");
    EXPECT_EQ(run.state.password, "secret words");
    // A pasted text is not filtered by the digits-only style.
    EXPECT_EQ(run.state.port, "70x00");
    EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "101 TextChanged"), 3);
}

TEST(HeadlessScriptTest, ProgrammaticTextIgnoresTheLimit)
{
    const ScriptRun run = RunScript("click 1\n", Support::WideString(u"longer than ten"));
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.state.name, "longer than ten");
}

TEST(HeadlessScriptTest, CheckBoxTogglesThenNotifiesAndRulesFollow)
{
    const ScriptRun run = RunScript("click 106\n"
                                    "expect 106 checked\n"
                                    "expect 108 enabled\n"
                                    "expect 111 text extras on\n"
                                    "select 108 Gamma\n"
                                    "expect 111 text colour Gamma\n"
                                    "select 109 item 03\n"
                                    "expect 111 text item item 03\n"
                                    "dblclick 109\n"
                                    "expect 111 text opened item 03\n"
                                    "click 106\n"
                                    "expect 106 unchecked\n"
                                    "expect 109 disabled\n"
                                    "click 1\n");
    ASSERT_EQ(run.error, "");
    EXPECT_FALSE(run.state.extras);
    EXPECT_EQ(run.state.colour, "Gamma");
    EXPECT_EQ(run.state.item, "item 03");
    const std::vector<std::string> commands(run.log.begin() + 1, run.log.end());
    EXPECT_EQ(commands,
        (std::vector<std::string>{"106 Clicked", "108 SelectionChanged", "109 SelectionChanged", "109 DoubleClicked",
            "106 Clicked", "1 Clicked"}));
}

TEST(HeadlessScriptTest, LinesThatCannotBeCarriedOutStopTheRun)
{
    struct Case {
        const char* script;
        int32_t line;
        const char* message;
    };
    const Case cases[] = {
        {"type 101 \nclick 1\n", 2, "click 1: the control is disabled"},
        {"select 108 Beta\n", 1, "the control is disabled"},
        {"click 106\nselect 108 beta\n", 2, "no entry \"beta\" (it holds \"alpha|Beta|Gamma\")"},
        {"type 112 x\n", 1, "the control is read-only"},
        {"click 101\n", 1, "does not take this action"},
        {"click 999\n", 1, "no such control"},
        {"click 106\ndblclick 109\n", 2, "no entry is selected"},
        {"expect 101 text nope\n", 1, "the text is \"start\""},
        {"expect 999 enabled\n", 1, "no control 999 in dialog 60001 \"Every Control\""},
        {"expect dialog 1092\n", 1, "the topmost dialog is dialog 60001"},
        {"click 106\nexpect 109 items a|b\n", 2, "the entries are \"item 01|item 02|"},
        {"expect 106 checked\n", 1, "the control is unchecked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const ScriptRun run = RunScript(c.script);
        EXPECT_EQ(run.errorLine, c.line);
        EXPECT_NE(run.error.find(c.message), std::string::npos) << run.error;
        EXPECT_EQ(run.error.rfind("test.script:" + std::to_string(c.line) + ": ", 0), 0U) << run.error;
    }
}

TEST(HeadlessScriptTest, ScriptsMustEndExactlyWhenTheDialogsDo)
{
    const ScriptRun open = RunScript("type 101 abc\n# nothing closes it\n");
    EXPECT_EQ(open.errorLine, 2);
    EXPECT_NE(open.error.find("the script ended while dialog 60001 \"Every Control\" is open"), std::string::npos);

    const ScriptRun leftOver = RunScript("click 1\nexpect 101 text x\n");
    EXPECT_EQ(leftOver.result, 1);
    EXPECT_EQ(leftOver.errorLine, 2);
    EXPECT_NE(leftOver.error.find("no dialog is open"), std::string::npos);

    const ScriptRun unusedAnswer = RunScript("answer Yes\nclick 1\n");
    EXPECT_EQ(unusedAnswer.errorLine, 1);
    EXPECT_NE(unusedAnswer.error.find("no message box came"), std::string::npos);
}

TEST(HeadlessScriptTest, MessageBoxesAreAnsweredAndTranscribed)
{
    const ScriptRun run = RunScript("click 106\n"
                                    "answer Yes\n"
                                    "click 110\n"
                                    "expect 111 text answer Yes\n"
                                    "click 110\n"
                                    "answer yes\n"
                                    "expect 111 text answer Yes\n"
                                    "click 110\n"
                                    "expect 111 text answer No\n"
                                    "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.transcript,
        "message-box [Extras] Apply the extras? -> Yes\n"
        "message-box [Extras] Apply the extras? -> Yes\n"
        "message-box [Extras] Apply the extras? -> No\n");

    const ScriptRun wrong = RunScript("click 106\nanswer OK\nclick 110\n");
    EXPECT_EQ(wrong.errorLine, 2);
    EXPECT_NE(wrong.error.find("offers Yes No"), std::string::npos) << wrong.error;
    EXPECT_EQ(wrong.transcript, "");
}

TEST(HeadlessScriptTest, ChoosersTakePathsThatTheRequestAllows)
{
    const TempDir dir;
    std::ofstream(dir / "notes.txt") << "x";
    const std::string file = (dir / "notes.txt").string();
    const std::string folder = dir.Path().string();

    const ScriptRun run = RunScript("choose " + file + "\nclick 113\nexpect 112 text " + file
        + "\n"
          "click 113\nchoose -\nexpect 112 text "
        + file
        + "\n"
          "choose "
        + folder + "\nclick 114\nexpect 112 text " + folder
        + "\n"
          "click 2\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.state.file, folder);

    const ScriptRun missing = RunScript("choose " + folder + "/absent.txt\nclick 113\n");
    EXPECT_EQ(missing.errorLine, 1);
    EXPECT_NE(missing.error.find("existing files only"), std::string::npos) << missing.error;

    const ScriptRun notFolder = RunScript("click 114\nchoose " + file + "\n");
    EXPECT_EQ(notFolder.errorLine, 2);
    EXPECT_NE(notFolder.error.find("there is no directory"), std::string::npos) << notFolder.error;

    const ScriptRun unanswered = RunScript("click 113\nclick 2\n");
    EXPECT_EQ(unanswered.error, "");
    EXPECT_EQ(unanswered.state.file, "");
}

TEST(HeadlessScriptTest, AModalChildTakesTheLinesUntilItCloses)
{
    const ScriptRun run = RunScript("click 115\n"
                                    "expect dialog 60002\n"
                                    "expect 201 text key\n"
                                    "type 201 k2\n"
                                    "click 1\n"
                                    "expect dialog 60001\n"
                                    "expect 111 text child 1 k2\n"
                                    "click 115\n"
                                    "click 2\n"
                                    "expect 111 text child 0 \n"
                                    "click 1\n");
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.result, 1);

    const ScriptRun blocked = RunScript("click 115\nclick 106\n");
    EXPECT_EQ(blocked.errorLine, 2);
    EXPECT_NE(blocked.error.find("no such control in dialog 60002"), std::string::npos) << blocked.error;
}

TEST(HeadlessScriptTest, OtherMessagesFollowEveryInput)
{
    EveryControlDialog dialog;
    std::ostringstream transcript;
    ScriptRunner runner(ParseScript("click 106\nexpect 106 checked\ntype 101 x\nclick 1\n", "s"), "s");
    HeadlessDialogSystem system(runner, transcript);
    EXPECT_EQ(system.RunModalTemplate(EveryControlTemplate(), dialog, nullptr), 1);
    // One after each of the two inputs that left the dialog open.
    EXPECT_EQ(dialog.GetOtherMessageCount(), 2);
}

TEST(HeadlessScriptTest, EscapeForTranscriptKeepsEachBoxOnOneLine)
{
    EXPECT_EQ(UI::EscapeForTranscript(Support::WideString(u"FAILED!\r\n\r\nx\t\x1B[31m\u00e9\\")),
        "FAILED!\\r\\n\\r\\nx\\t\\x1B[31m\xC3\xA9\\");
}

} // namespace
} // namespace Dravo::Test
