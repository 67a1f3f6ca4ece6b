// The headless backend: dialogs as state only, driven by a HeadlessDriver
// (usually the script runner). Every message box is written to the
// transcript as one line:
//
//   message-box [CAPTION] TEXT -> ANSWER
//
// and every outcome published as "KIND TEXT",
// with line breaks and other control characters shown as \r, \n, \t, \xNN.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include "ui/DialogSystem.h"

namespace Dravo::UI {

class DialogWindow;
class HeadlessDriver;

class HeadlessDialogSystem final : public DialogSystem {
public:
    /// Both must outlive the system.
    HeadlessDialogSystem(HeadlessDriver& driver, std::ostream& transcript);

    int32_t RunModalTemplate(
        const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, DialogHost* owner) override;
    MessageBoxResult ShowMessageBox(const MessageBoxRequest& request, DialogHost* owner) override;
    std::optional<Support::WideString> ChooseFile(const FileRequest& request, DialogHost* owner) override;
    std::optional<Support::WideString> ChooseFolder(const FolderRequest& request, DialogHost* owner) override;
    bool SetCursor(CursorShape shape) override;
    [[nodiscard]] Rect GetDesktopRect() const override;
    void Publish(std::string_view kind, const Support::WideString& text) override;

    [[nodiscard]] CursorShape GetCursor() const { return m_cursor; }
    /// The open dialogs, the topmost last.
    [[nodiscard]] const std::vector<DialogWindow*>& GetOpenDialogs() const { return m_open; }

private:
    HeadlessDriver* m_driver;
    std::ostream* m_transcript;
    std::vector<DialogWindow*> m_open;
    CursorShape m_cursor = CursorShape::Arrow;
};

/// The transcript form of a text: UTF-8 with control characters escaped.
std::string EscapeForTranscript(const Support::WideString& text);

} // namespace Dravo::UI
