// A dialog's window as its handler sees it: the controls of its template, and
// the services a dialog asks for (child dialogs, message boxes, choosers).
// Every backend keeps the behaviour of native controls that dialog code
// relies on; the rules are stated with each operation.
//
// Controls are named by their template id. An id the template does not have
// is accepted everywhere: setters do nothing and getters give the empty value
// (empty text, false, -1 for an index, 0 for a count).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "support/WideString.h"
#include "ui/DialogSystem.h"
#include "ui/FileRequest.h"
#include "ui/Geometry.h"
#include "ui/MessageBoxRequest.h"

namespace Dravo::UI {

class DialogHandler;

class DialogHost {
public:
    DialogHost() = default;
    DialogHost(const DialogHost&) = delete;
    DialogHost& operator=(const DialogHost&) = delete;
    virtual ~DialogHost() = default;

    // --- The window -------------------------------------------------------

    [[nodiscard]] virtual int32_t GetTemplateId() const = 0;
    /// The toolkit that runs this dialog, for boxes and choosers with no owner.
    [[nodiscard]] virtual DialogSystem& GetSystem() = 0;

    virtual void SetTitle(const Support::WideString& title) = 0;
    [[nodiscard]] virtual Support::WideString GetTitle() const = 0;
    /// One short line about the dialog's state (what OK still needs, say),
    /// shown beside the dialog by backends that have room for it; an empty
    /// text removes it.
    virtual void SetHint(const Support::WideString& text) { (void)text; }
    /// Sets the window's small and large icon from an icon resource; false
    /// when the icon cannot be loaded (this program carries none).
    virtual bool SetIcons(int32_t iconId) = 0;

    /// The window's place and size on the screen, in dialog units.
    [[nodiscard]] virtual Rect GetWindowRect() const = 0;
    /// The owner's window, or nothing for a dialog without an owner.
    [[nodiscard]] virtual std::optional<Rect> GetOwnerRect() const = 0;
    /// The whole screen, in dialog units.
    [[nodiscard]] virtual Rect GetDesktopRect() const = 0;
    /// Moves the window's top-left corner; backends that cannot place windows
    /// freely keep its centre where the move puts it.
    virtual void MoveWindow(int32_t x, int32_t y) = 0;

    /// Ends the dialog with a result code; it closes when the handler that
    /// called this returns (at once when called during OnInit).
    virtual void EndDialog(int32_t result) = 0;
    [[nodiscard]] virtual bool IsEnding() const = 0;

    // --- Services owned by this dialog -----------------------------------

    /// Runs a child dialog modally; this dialog takes no input meanwhile.
    virtual int32_t RunModalChild(int32_t templateId, DialogHandler& handler) = 0;
    virtual MessageBoxResult ShowMessageBox(const MessageBoxRequest& request) = 0;
    virtual std::optional<Support::WideString> ChooseFile(const FileRequest& request) = 0;
    virtual std::optional<Support::WideString> ChooseFolder(const FolderRequest& request) = 0;
    /// As DialogSystem::SetCursor.
    [[nodiscard]] virtual OS::ErrorCode SetCursor(CursorShape shape) = 0;

    // --- Window properties: named pointers the dialog keeps, not owned ---

    virtual void SetProperty(std::string_view name, void* value) = 0;
    /// The pointer stored under the name, or nullptr.
    [[nodiscard]] virtual void* GetProperty(std::string_view name) const = 0;
    /// Removes the property and returns what it held.
    virtual void* RemoveProperty(std::string_view name) = 0;

    template <typename T> [[nodiscard]] T* GetPropertyAs(std::string_view name) const
    {
        return static_cast<T*>(GetProperty(name));
    }

    // --- Controls ----------------------------------------------------------

    [[nodiscard]] virtual bool HasControl(int32_t controlId) const = 0;

    /// The caption of a label, button, check box or group box, the text of an
    /// edit box (password boxes give their real text), the selected entry of a
    /// drop-down list; empty for list boxes.
    [[nodiscard]] virtual Support::WideString GetText(int32_t controlId) const = 0;
    /// Sets a caption or an edit box's text. An edit box then reports
    /// TextChanged before this returns, even when the text is the same; the
    /// text limit does not apply. A drop-down list selects the entry of that
    /// text (case-insensitive), silently.
    virtual void SetText(int32_t controlId, const Support::WideString& text) = 0;
    /// Limits what the user can type into an edit box, in UTF-16 code units;
    /// 0 lifts the limit. Edit boxes start limited to 30000.
    virtual void LimitText(int32_t controlId, int32_t maxLength) = 0;

    /// Disabled controls are drawn dim and take no input.
    virtual void Enable(int32_t controlId, bool enabled) = 0;
    [[nodiscard]] virtual bool IsEnabled(int32_t controlId) const = 0;
    /// Hidden controls are not drawn and take no input.
    virtual void Show(int32_t controlId, bool visible) = 0;
    [[nodiscard]] virtual bool IsVisible(int32_t controlId) const = 0;

    /// Check boxes only; setting the state reports nothing.
    virtual void SetCheck(int32_t controlId, bool checked) = 0;
    [[nodiscard]] virtual bool IsChecked(int32_t controlId) const = 0;

    virtual void SetFocus(int32_t controlId) = 0;
    /// The focused control, or nothing.
    [[nodiscard]] virtual std::optional<int32_t> GetFocus() const = 0;

    // --- Combo and list boxes: none of these reports a notification --------

    /// Appends an entry, or inserts it in case-insensitive order when the box
    /// is sorted (after entries that compare equal). Returns its index, or -1.
    /// The selected entry stays selected.
    virtual int32_t AddItem(int32_t controlId, const Support::WideString& text) = 0;
    /// Removes an entry; returns the number left, or -1 for a bad index.
    /// Removing the selected entry leaves nothing selected.
    virtual int32_t DeleteItem(int32_t controlId, int32_t index) = 0;
    /// Removes every entry.
    virtual void ClearItems(int32_t controlId) = 0;
    /// The index of the entry whose whole text equals the text, ignoring
    /// letter case, searching from the entry after startAfter to the end and
    /// on from the top (-1: the whole box from the top); -1 when none does.
    [[nodiscard]] virtual int32_t FindExactItem(
        int32_t controlId, int32_t startAfter, const Support::WideString& text) const = 0;
    /// As FindExactItem, for the first entry that begins with the prefix.
    [[nodiscard]] virtual int32_t FindPrefixItem(
        int32_t controlId, int32_t startAfter, const Support::WideString& prefix) const = 0;
    [[nodiscard]] virtual int32_t GetItemCount(int32_t controlId) const = 0;
    /// The entry's text; empty for a bad index.
    [[nodiscard]] virtual Support::WideString GetItemText(int32_t controlId, int32_t index) const = 0;
    /// The selected entry's index, or -1.
    [[nodiscard]] virtual int32_t GetSelection(int32_t controlId) const = 0;
    /// Selects an entry silently; -1 or a bad index clears the selection and
    /// gives false.
    virtual bool SetSelection(int32_t controlId, int32_t index) = 0;
};

} // namespace Dravo::UI
