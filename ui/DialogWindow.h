// The one implementation of DialogHost over the template's controls, shared by
// the backends. It holds the dialog's state and carries out user actions with
// the notifications native controls send; a backend adds the drawing and the
// input, and the services (child dialogs, boxes, choosers) through its
// DialogSystem.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "resources/DialogTemplates.h"
#include "ui/ControlState.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"

namespace Dravo::UI {

/// Why a user action could not be carried out.
enum class UserActionError : uint8_t {
    None,
    NoSuchControl,
    Hidden,
    Disabled,
    ReadOnly,
    /// The control is not of a kind that takes this action.
    WrongKind,
    NoSuchEntry,
    NoSelection,
};

/// "no such control", "hidden", "disabled", ...
const char* DescribeUserActionError(UserActionError error);

class DialogWindow final : public DialogHost {
public:
    /// The template must outlive the window (templates are static data).
    DialogWindow(const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, DialogSystem& system,
        DialogHost* owner);

    // --- Lifetime, for the backend's modal loop --------------------------

    /// Runs OnInit, then focuses the first control that takes input unless
    /// the handler asked to keep its own focus.
    void Initialize();
    /// Runs OnDestroy once.
    void Destroy();
    [[nodiscard]] int32_t GetResult() const { return m_result; }
    void NotifyOtherMessage(OtherMessage message);

    // --- State, for drawing ---------------------------------------------

    [[nodiscard]] const Resources::DialogTemplate& GetTemplate() const { return *m_template; }
    [[nodiscard]] const std::vector<ControlState>& GetControls() const { return m_controls; }
    [[nodiscard]] const ControlState* FindControl(int32_t controlId) const;
    [[nodiscard]] DialogHost* GetOwner() const { return m_owner; }
    /// Changes whenever anything visible changes; backends redraw on change.
    [[nodiscard]] uint64_t GetRevision() const { return m_revision; }
    /// Moves the focus to the next (or previous) control that takes input, in
    /// template order, wrapping round. False when no control takes input.
    bool MoveFocus(bool forward);

    // --- What a user does: each raises what the native control raises ----

    /// Replaces an edit box's text (as select-all and paste: the digits-only
    /// style does not filter it), cut to the text limit; reports TextChanged.
    UserActionError TypeText(int32_t controlId, const Support::WideString& text);
    /// Chooses an entry of a drop-down list, or of a list box; reports
    /// SelectionChanged (list boxes only with the notify style).
    UserActionError SelectItem(int32_t controlId, int32_t index);
    /// Presses a button or toggles a check box, then reports Clicked. Ids 1
    /// and 2 without a control report Clicked as Enter and Escape do.
    UserActionError Click(int32_t controlId);
    /// Double-clicks the selected entry of a list box (notify style only).
    UserActionError DoubleClick(int32_t controlId);
    /// Enter outside a button: presses the default button if it takes input,
    /// or reports OK when the template has none.
    UserActionError PressEnter();
    /// Escape: reports Cancel.
    void PressEscape();

    // --- DialogHost -------------------------------------------------------

    [[nodiscard]] int32_t GetTemplateId() const override { return m_template->id; }
    [[nodiscard]] DialogSystem& GetSystem() override { return *m_system; }
    void SetTitle(const Support::WideString& title) override;
    [[nodiscard]] Support::WideString GetTitle() const override { return m_title; }
    void SetHint(const Support::WideString& text) override;
    [[nodiscard]] const Support::WideString& GetHint() const { return m_hint; }
    bool SetIcons(int32_t iconId) override;
    [[nodiscard]] Rect GetWindowRect() const override { return m_rect; }
    [[nodiscard]] std::optional<Rect> GetOwnerRect() const override;
    [[nodiscard]] Rect GetDesktopRect() const override { return m_system->GetDesktopRect(); }
    void MoveWindow(int32_t x, int32_t y) override;
    void EndDialog(int32_t result) override;
    [[nodiscard]] bool IsEnding() const override { return m_ended; }

    int32_t RunModalChild(int32_t templateId, DialogHandler& handler) override;
    MessageBoxResult ShowMessageBox(const MessageBoxRequest& request) override;
    std::optional<Support::WideString> ChooseFile(const FileRequest& request) override;
    std::optional<Support::WideString> ChooseFolder(const FolderRequest& request) override;
    [[nodiscard]] OS::ErrorCode SetCursor(CursorShape shape) override;

    void SetProperty(std::string_view name, void* value) override;
    [[nodiscard]] void* GetProperty(std::string_view name) const override;
    void* RemoveProperty(std::string_view name) override;

    [[nodiscard]] bool HasControl(int32_t controlId) const override;
    [[nodiscard]] Support::WideString GetText(int32_t controlId) const override;
    void SetText(int32_t controlId, const Support::WideString& text) override;
    void LimitText(int32_t controlId, int32_t maxLength) override;
    void Enable(int32_t controlId, bool enabled) override;
    [[nodiscard]] bool IsEnabled(int32_t controlId) const override;
    void Show(int32_t controlId, bool visible) override;
    [[nodiscard]] bool IsVisible(int32_t controlId) const override;
    void SetCheck(int32_t controlId, bool checked) override;
    [[nodiscard]] bool IsChecked(int32_t controlId) const override;
    void SetFocus(int32_t controlId) override;
    [[nodiscard]] std::optional<int32_t> GetFocus() const override { return m_focus; }

    int32_t AddItem(int32_t controlId, const Support::WideString& text) override;
    int32_t DeleteItem(int32_t controlId, int32_t index) override;
    void ClearItems(int32_t controlId) override;
    [[nodiscard]] int32_t FindExactItem(
        int32_t controlId, int32_t startAfter, const Support::WideString& text) const override;
    [[nodiscard]] int32_t FindPrefixItem(
        int32_t controlId, int32_t startAfter, const Support::WideString& prefix) const override;
    [[nodiscard]] int32_t GetItemCount(int32_t controlId) const override;
    [[nodiscard]] Support::WideString GetItemText(int32_t controlId, int32_t index) const override;
    [[nodiscard]] int32_t GetSelection(int32_t controlId) const override;
    bool SetSelection(int32_t controlId, int32_t index) override;

private:
    ControlState* Find(int32_t controlId);
    /// Checks that a control exists, is shown and enabled.
    UserActionError CheckInput(const ControlState* control) const;
    void Dispatch(int32_t controlId, Notification notification);
    void Changed() { ++m_revision; }
    /// Moves the focus on when the focused control stopped taking input.
    void KeepFocusUsable();

    const Resources::DialogTemplate* m_template;
    DialogHandler* m_handler;
    DialogSystem* m_system;
    DialogHost* m_owner;
    std::vector<ControlState> m_controls;
    Support::WideString m_title;
    Support::WideString m_hint;
    Rect m_rect;
    std::map<std::string, void*, std::less<>> m_properties;
    std::optional<int32_t> m_focus;
    bool m_ended = false;
    bool m_destroyed = false;
    int32_t m_result = 0;
    uint64_t m_revision = 0;
};

} // namespace Dravo::UI
