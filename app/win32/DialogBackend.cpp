// Where the program's dialogs are shown on Windows: real dialogs, for a person
// or, with --script, driven by the script through their controls' messages.
#include "app/DialogBackend.h"

#include <istream>

#include "app/ScriptedDialogBackend.h"
#include "ui/headless/Script.h"
#include "ui/win32/Win32DialogSystem.h"

namespace Dravo::VezurAVUZ {
namespace {

class WindowsBackend final : public DialogBackend {
public:
    WindowsBackend() = default;
    explicit WindowsBackend(void* ownerWindow) : m_system(ownerWindow) {}

    UI::DialogSystem& GetSystem() override { return m_system; }
    [[nodiscard]] bool ShowsErrorsInMessageBoxes() const override { return true; }
    void Finish() override {}

private:
    UI::Win32::Win32DialogSystem m_system;
};

} // namespace

std::unique_ptr<DialogBackend> DialogBackend::CreateHeadless(
    const std::string& scriptPath, std::istream& standardInput, std::ostream& transcript)
{
    UI::Script script = UI::LoadScriptFile(scriptPath, standardInput);
    return std::make_unique<ScriptedDialogBackend<UI::Win32::Win32DialogSystem>>(
        std::move(script), scriptPath, transcript);
}

std::unique_ptr<DialogBackend> DialogBackend::CreateTerminal()
{
    return std::make_unique<WindowsBackend>();
}

std::unique_ptr<DialogBackend> DialogBackend::CreateForOwner(void* ownerWindow)
{
    return std::make_unique<WindowsBackend>(ownerWindow);
}

} // namespace Dravo::VezurAVUZ
