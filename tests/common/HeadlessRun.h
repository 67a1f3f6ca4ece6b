// Test helper: runs dialog code on the headless backend, driven by a script,
// and keeps what a test checks afterwards (the result, the script's failure,
// the message boxes shown).
#pragma once

#include <cstdint>
#include <sstream>
#include <string>

#include "ui/headless/HeadlessDialogSystem.h"
#include "ui/headless/Script.h"
#include "ui/headless/ScriptError.h"
#include "ui/headless/ScriptRunner.h"

namespace Dravo::Test {

struct HeadlessRun {
    int32_t result = -1;
    /// Empty when the script ran to its end with every dialog closed.
    std::string error;
    /// One "message-box [CAPTION] TEXT -> ANSWER" line per message box.
    std::string transcript;
};

/// Calls body(system) with a headless dialog system playing the script, then
/// checks that the script was used up.
template <typename Body> HeadlessRun RunHeadless(const std::string& script, Body&& body)
{
    HeadlessRun run;
    std::ostringstream transcript;
    try {
        UI::ScriptRunner runner(UI::ParseScript(script, "test.script"), "test.script");
        UI::HeadlessDialogSystem system(runner, transcript);
        run.result = body(system);
        runner.Finish();
    } catch (const UI::ScriptError& error) {
        run.error = error.what();
    }
    run.transcript = transcript.str();
    return run;
}

} // namespace Dravo::Test
