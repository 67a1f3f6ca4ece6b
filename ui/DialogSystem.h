// The dialog toolkit as a whole: one object per backend (headless, terminal)
// that runs modal dialogs and the stand-alone boxes and choosers. Nothing in
// it is global, so several systems can live in one process.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "resources/DialogTemplates.h"
#include "support/WideString.h"
#include "ui/FileRequest.h"
#include "ui/Geometry.h"
#include "ui/MessageBoxRequest.h"

namespace Dravo::UI {

class DialogHandler;
class DialogHost;

enum class CursorShape : uint8_t { Arrow, Busy };

class DialogSystem {
public:
    DialogSystem() = default;
    DialogSystem(const DialogSystem&) = delete;
    DialogSystem& operator=(const DialogSystem&) = delete;
    virtual ~DialogSystem() = default;

    /// Runs the dialog of one of the program's templates modally and returns
    /// the code it ended with. With an owner, the owner takes no input until
    /// it returns. Exceptions from the handler close the dialog and pass
    /// through. Throws std::invalid_argument for a template the program does
    /// not have.
    int32_t RunModal(int32_t templateId, DialogHandler& handler, DialogHost* owner);
    /// As RunModal, from a template given as data (the template must outlive
    /// the dialog).
    virtual int32_t RunModalTemplate(
        const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, DialogHost* owner) = 0;

    /// Shows a message box owned by a dialog, or by nothing (nullptr), and
    /// returns the button pressed.
    virtual MessageBoxResult ShowMessageBox(const MessageBoxRequest& request, DialogHost* owner) = 0;

    /// The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<Support::WideString> ChooseFile(const FileRequest& request, DialogHost* owner) = 0;
    /// The chosen folder's full path, or nothing when the user cancelled.
    virtual std::optional<Support::WideString> ChooseFolder(const FolderRequest& request, DialogHost* owner) = 0;

    /// Shows the busy or the normal pointer; false when it cannot.
    virtual bool SetCursor(CursorShape shape) = 0;

    /// The whole screen, in dialog units.
    [[nodiscard]] virtual Rect GetDesktopRect() const = 0;

    /// An outcome a person reads in a dialog (a connection test's report),
    /// which a run driven by a script writes to its transcript as one line,
    /// "KIND TEXT", for whoever runs it to check. A person sees the dialog.
    virtual void Publish(std::string_view kind, const Support::WideString& text)
    {
        (void)kind;
        (void)text;
    }
};

} // namespace Dravo::UI
