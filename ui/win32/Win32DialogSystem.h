// The Windows backend of the dialog toolkit: real dialogs built in memory from
// the program's templates and run with DialogBoxIndirectParamW, MessageBoxW,
// the common file choosers (GetOpenFileNameW, GetSaveFileNameW), the shell's
// folder chooser (SHBrowseForFolderW) and the system's cursors.
//
// With a script runner, the same dialogs are real windows that the script
// drives through their controls' messages; message boxes and choosers are
// then answered by the script and written to the transcript as the headless
// backend does.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include "ui/DialogSystem.h"

namespace Dravo::UI {
class ScriptRunner;
}

namespace Dravo::UI::Win32 {

class Win32DialogHost;

class Win32DialogSystem final : public DialogSystem {
public:
    /// Interactive: a person answers everything.
    Win32DialogSystem();
    /// Interactive, with the dialogs and boxes that have no owner of their
    /// own owned by a window of another program (an HWND).
    explicit Win32DialogSystem(void* outsideOwner);
    /// Scripted: both must outlive the system.
    Win32DialogSystem(ScriptRunner& runner, std::ostream& transcript);

    int32_t RunModalTemplate(
        const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, DialogHost* owner) override;
    MessageBoxResult ShowMessageBox(const MessageBoxRequest& request, DialogHost* owner) override;
    std::optional<Support::WideString> ChooseFile(const FileRequest& request, DialogHost* owner) override;
    std::optional<Support::WideString> ChooseFolder(const FolderRequest& request, DialogHost* owner) override;
    bool SetCursor(CursorShape shape) override;
    [[nodiscard]] Rect GetDesktopRect() const override;
    void Publish(std::string_view kind, const Support::WideString& text) override;

    [[nodiscard]] ScriptRunner* GetScriptRunner() const { return m_runner; }
    /// The open dialogs, the topmost last.
    [[nodiscard]] const std::vector<Win32DialogHost*>& GetOpenDialogs() const { return m_open; }

private:
    void* m_outsideOwner = nullptr;
    ScriptRunner* m_runner = nullptr;
    std::ostream* m_transcript = nullptr;
    std::vector<Win32DialogHost*> m_open;
};

} // namespace Dravo::UI::Win32
