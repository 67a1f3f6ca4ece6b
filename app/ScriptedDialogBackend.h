// A dialog backend whose dialogs are driven by a script (--script): the same
// on every dialog system the script runner can act on.
#pragma once

#include <ostream>
#include <string>
#include <utility>

#include "app/DialogBackend.h"
#include "ui/headless/Script.h"
#include "ui/headless/ScriptRunner.h"

namespace Dravo::VezurAVUZ {

/// SYSTEM is a dialog system constructed from the script runner and the
/// transcript stream.
template <class System> class ScriptedDialogBackend final : public DialogBackend {
public:
    ScriptedDialogBackend(UI::Script script, const std::string& sourceName, std::ostream& transcript)
        : m_runner(std::move(script), sourceName), m_system(m_runner, transcript)
    {
    }

    UI::DialogSystem& GetSystem() override { return m_system; }
    [[nodiscard]] bool ShowsErrorsInMessageBoxes() const override { return false; }
    void Finish() override { m_runner.Finish(); }

private:
    UI::ScriptRunner m_runner;
    System m_system;
};

} // namespace Dravo::VezurAVUZ
