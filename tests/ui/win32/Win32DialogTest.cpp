// The every-control dialog as a real Windows dialog, driven by the same
// scripts as the headless one: the handler must see the same notifications
// and leave the same state with native controls as with the toolkit's own.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "tests/ui/EveryControlDialog.h"
#include "tests/ui/EveryControlScriptRun.h"
#include "ui/headless/HeadlessDialogSystem.h"
#include "ui/headless/ScriptError.h"
#include "ui/headless/ScriptRunner.h"
#include "ui/win32/Win32DialogSystem.h"

namespace Dravo::Test {
namespace {

using UI::ParseScript;
using UI::ScriptError;
using UI::ScriptRunner;

/// Runs the script on real windows, and checks that the headless dialog
/// did exactly the same.
ScriptRun RunOnWindows(
    const std::string& script, const Support::WideString& initialName = Support::WideString(u"start"))
{
    const ScriptRun windows = RunEveryControlScript<UI::Win32::Win32DialogSystem>(script, initialName);
    const ScriptRun headless = RunEveryControlScript<UI::HeadlessDialogSystem>(script, initialName);
    EXPECT_EQ(windows.result, headless.result);
    EXPECT_EQ(windows.error, headless.error);
    EXPECT_EQ(windows.transcript, headless.transcript);
    EXPECT_EQ(windows.log, headless.log);
    EXPECT_EQ(windows.state.name, headless.state.name);
    EXPECT_EQ(windows.state.password, headless.state.password);
    EXPECT_EQ(windows.state.port, headless.state.port);
    EXPECT_EQ(windows.state.extras, headless.state.extras);
    EXPECT_EQ(windows.state.colour, headless.state.colour);
    EXPECT_EQ(windows.state.item, headless.state.item);
    EXPECT_EQ(windows.state.status, headless.state.status);
    // Every input is reported as processed there too; real windows also
    // report the focus the dialog manager moves by itself (on opening, and
    // back to the owner after a child).
    EXPECT_GE(windows.otherMessages, headless.otherMessages);
    return windows;
}

TEST(Win32DialogTest, OpeningStateAndProgrammaticTextMatchTheToolkit)
{
    const ScriptRun run = RunOnWindows("expect dialog 60001\n"
                                       "expect title Every Control\n"
                                       "expect 101 text start\n"
                                       "expect 108 items alpha|Beta|Gamma\n"
                                       "expect 108 selected Beta\n"
                                       "expect 108 disabled\n"
                                       "expect 109 selected \n"
                                       "expect 106 unchecked\n"
                                       "click 2\n");
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, (std::vector<std::string>{"101 TextChanged", "2 Clicked"}));

    // Text set by the program passes the limit the user is held to.
    const ScriptRun longName = RunOnWindows("click 1\n", Support::WideString(u"longer than ten"));
    EXPECT_EQ(longName.state.name, "longer than ten");
}

TEST(Win32DialogTest, TypingClickingAndChoosingNotifyAsNativeControlsDo)
{
    const ScriptRun typed = RunOnWindows("type 101 \n"
                                         "expect 1 disabled\n"
                                         "type 101 abcdefghijklmnop\n"
                                         "expect 101 text abcdefghij\n"
                                         "type 103 secret words\n"
                                         "type 105 70x00\n"
                                         "click 1\n");
    EXPECT_EQ(typed.error, "");
    EXPECT_EQ(typed.state.name, "abcdefghij");
    EXPECT_EQ(typed.state.password, "secret words");
    EXPECT_EQ(typed.state.port, "70x00");

    const ScriptRun clicked = RunOnWindows("click 106\n"
                                           "expect 106 checked\n"
                                           "select 108 Gamma\n"
                                           "select 109 item 03\n"
                                           "dblclick 109\n"
                                           "expect 111 text opened item 03\n"
                                           "click 106\n"
                                           "expect 109 disabled\n"
                                           "click 1\n");
    EXPECT_EQ(clicked.error, "");
    EXPECT_EQ(clicked.state.colour, "Gamma");
    EXPECT_EQ(clicked.state.item, "item 03");
}

TEST(Win32DialogTest, BoxesChildrenAndFailuresBehaveAsHeadless)
{
    const ScriptRun boxes = RunOnWindows("click 106\n"
                                         "answer Yes\n"
                                         "click 110\n"
                                         "click 110\n"
                                         "answer No\n"
                                         "click 2\n");
    EXPECT_EQ(boxes.error, "");
    EXPECT_EQ(boxes.transcript,
        "message-box [Extras] Apply the extras? -> Yes\n"
        "message-box [Extras] Apply the extras? -> No\n");

    const ScriptRun child = RunOnWindows("click 115\n"
                                         "expect dialog 60002\n"
                                         "type 201 k2\n"
                                         "click 1\n"
                                         "expect 111 text child 1 k2\n"
                                         "click 1\n");
    EXPECT_EQ(child.error, "");
    EXPECT_EQ(child.result, 1);

    // A line that fails inside the child closes both windows and names the line.
    const ScriptRun blocked = RunOnWindows("click 115\nclick 106\n");
    EXPECT_EQ(blocked.errorLine, 2);
    EXPECT_NE(blocked.error.find("no such control in dialog 60002"), std::string::npos) << blocked.error;

    const ScriptRun disabled = RunOnWindows("click 110\n");
    EXPECT_EQ(disabled.errorLine, 1);
    EXPECT_NE(disabled.error.find("disabled"), std::string::npos) << disabled.error;
}

/// Refuses every change of the name box; OnInit sets it.
class RefusingDialog final : public UI::DialogHandler {
public:
    bool OnInit(UI::DialogHost& host) override
    {
        host.SetText(ID_NAME, Support::WideString(u"x"));
        carriedOn = true;
        return true;
    }
    void OnCommand(UI::DialogHost&, int32_t controlId, UI::Notification notification) override
    {
        if (controlId == ID_NAME && notification == UI::Notification::TextChanged) {
            throw std::runtime_error("refused");
        }
    }
    bool carriedOn = false;
};

template <class System> void ExpectTheRefusalToReachTheCaller()
{
    RefusingDialog dialog;
    std::ostringstream transcript;
    ScriptRunner runner(ParseScript("", "empty.script"), "empty.script");
    System system(runner, transcript);
    EXPECT_THROW(system.RunModalTemplate(EveryControlTemplate(), dialog, nullptr), std::runtime_error);
    EXPECT_FALSE(dialog.carriedOn);
    EXPECT_TRUE(system.GetOpenDialogs().empty());
}

TEST(Win32DialogTest, AnExceptionFromANotificationStopsTheCodeThatCausedIt)
{
    ExpectTheRefusalToReachTheCaller<UI::HeadlessDialogSystem>();
    ExpectTheRefusalToReachTheCaller<UI::Win32::Win32DialogSystem>();
}

} // namespace
} // namespace Dravo::Test
