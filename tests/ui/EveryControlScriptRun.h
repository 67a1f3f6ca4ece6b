// The every-control dialog run by a script on one backend, and what it left.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/ui/EveryControlDialog.h"
#include "ui/headless/ScriptError.h"
#include "ui/headless/ScriptRunner.h"

namespace Dravo::Test {

struct ScriptRun {
    int32_t result = -1;
    /// Empty when the script ran to its end.
    std::string error;
    int32_t errorLine = 0;
    std::string transcript;
    std::vector<std::string> log;
    EveryControlResult state;
    int otherMessages = 0;
};

/// Runs SCRIPT over the every-control dialog on the dialog system SYSTEM
/// (constructed from the script runner and a transcript stream).
template <class System>
ScriptRun RunEveryControlScript(const std::string& script, const Support::WideString& initialName)
{
    ScriptRun run;
    std::ostringstream transcript;
    EveryControlDialog dialog(initialName);
    try {
        UI::ScriptRunner runner(UI::ParseScript(script, "test.script"), "test.script");
        System system(runner, transcript);
        run.result = system.RunModalTemplate(EveryControlTemplate(), dialog, nullptr);
        EXPECT_TRUE(system.GetOpenDialogs().empty());
        runner.Finish();
    } catch (const UI::ScriptError& error) {
        run.error = error.what();
        run.errorLine = error.GetLine();
    }
    run.transcript = transcript.str();
    run.log = dialog.GetLog();
    run.state = dialog.GetResult();
    run.otherMessages = dialog.GetOtherMessageCount();
    return run;
}

} // namespace Dravo::Test
