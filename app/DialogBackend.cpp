#include "app/DialogBackend.h"

#include <istream>

#include "ui/headless/HeadlessDialogSystem.h"
#include "app/ScriptedDialogBackend.h"
#include "ui/headless/Script.h"
#include "ui/terminal/TerminalDialogSystem.h"
#include "ui/terminal/TerminalSession.h"

namespace Dravo::VezurAVUZ {
namespace {

class TerminalBackend final : public DialogBackend {
public:
    TerminalBackend() : m_session(UI::Terminal::TerminalOptions{}), m_system(m_session) {}

    UI::DialogSystem& GetSystem() override { return m_system; }
    [[nodiscard]] bool ShowsErrorsInMessageBoxes() const override { return true; }
    [[nodiscard]] bool OwnsTerminal() const override { return true; }
    void Finish() override {}

    int32_t RunDialog(const std::function<int32_t()>& runModal) override
    {
        try {
            return runModal();
        } catch (const UI::Terminal::TerminalInterrupted& interrupted) {
            throw DialogInterrupted(interrupted.GetSignal());
        }
    }

    void ShowStatusLine(const std::string& text) override { m_system.SetStatusLine(Support::WideString(text)); }
    void ShowNotice(const std::string& text) override { m_system.SetNoticeLine(Support::WideString(text)); }

private:
    // Declared first so that it is destroyed last: the terminal is given back
    // only after everything drawn on it is gone.
    UI::Terminal::TerminalSession m_session;
    UI::Terminal::TerminalDialogSystem m_system;
};

} // namespace

std::unique_ptr<DialogBackend> DialogBackend::CreateHeadless(
    const std::string& scriptPath, std::istream& standardInput, std::ostream& transcript)
{
    UI::Script script = UI::LoadScriptFile(scriptPath, standardInput);
    return std::make_unique<ScriptedDialogBackend<UI::HeadlessDialogSystem>>(std::move(script), scriptPath, transcript);
}

std::unique_ptr<DialogBackend> DialogBackend::CreateTerminal()
{
    try {
        return std::make_unique<TerminalBackend>();
    } catch (const UI::Terminal::TerminalError& error) {
        throw DialogBackendUnavailable(error.what());
    }
}

std::unique_ptr<DialogBackend> DialogBackend::CreateForOwner(void* ownerWindow)
{
    // A terminal has no windows to belong to.
    (void)ownerWindow;
    return CreateTerminal();
}

} // namespace Dravo::VezurAVUZ
