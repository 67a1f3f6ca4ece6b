// One dialog as a real window: every DialogHost operation goes to the
// window's controls as the messages of the native controls (WM_SETTEXT,
// CB_ADDSTRING, LB_FINDSTRING, ...), and their notifications (EN_CHANGE,
// CBN_SELCHANGE, LBN_SELCHANGE, LBN_DBLCLK, BN_CLICKED) reach the handler as
// the toolkit's Notification values. Also the script's view of the window.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include <windows.h>

#include "resources/DialogTemplates.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"
#include "ui/headless/ScriptTarget.h"

namespace Dravo::UI::Win32 {

class Win32DialogSystem;

class Win32DialogHost final : public DialogHost, public ScriptTarget {
public:
    Win32DialogHost(const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, Win32DialogSystem& system,
        Win32DialogHost* owner);

    /// The dialog procedure of every dialog of this backend.
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    [[nodiscard]] HWND GetWindow() const { return m_window; }
    [[nodiscard]] Win32DialogHost* GetOwnerHost() const { return m_owner; }
    /// An exception that left a handler; the dialog ended with it.
    [[nodiscard]] std::exception_ptr TakeFailure() { return std::exchange(m_failure, nullptr); }

    // --- DialogHost and ScriptTarget --------------------------------------
    [[nodiscard]] int32_t GetTemplateId() const override { return m_template->id; }
    [[nodiscard]] DialogSystem& GetSystem() override;
    void SetTitle(const Support::WideString& title) override;
    [[nodiscard]] Support::WideString GetTitle() const override;
    bool SetIcons(int32_t iconId) override;
    [[nodiscard]] Rect GetWindowRect() const override;
    [[nodiscard]] std::optional<Rect> GetOwnerRect() const override;
    [[nodiscard]] Rect GetDesktopRect() const override;
    void MoveWindow(int32_t x, int32_t y) override;
    void EndDialog(int32_t result) override;
    [[nodiscard]] bool IsEnding() const override { return m_ending; }
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
    [[nodiscard]] std::optional<int32_t> GetFocus() const override;
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

    // --- ScriptTarget: what a user does, through the controls' messages ---
    [[nodiscard]] std::vector<Support::WideString> GetItems(int32_t controlId) const override;
    UserActionError TypeText(int32_t controlId, const Support::WideString& text) override;
    UserActionError SelectItem(int32_t controlId, int32_t index) override;
    UserActionError Click(int32_t controlId) override;
    UserActionError DoubleClick(int32_t controlId) override;

private:
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int32_t controlId, UINT code, HWND control);
    void OnScriptStep();
    /// Runs a call into the handler; an exception ends the dialog and is kept.
    template <class Call> void Guarded(Call call);
    void CloseIfEnding();

    [[nodiscard]] HWND Control(int32_t controlId) const;
    [[nodiscard]] const Resources::ControlTemplate* FindTemplate(int32_t controlId) const;
    [[nodiscard]] bool IsList(int32_t controlId) const;
    [[nodiscard]] bool IsCombo(int32_t controlId) const;
    UserActionError CheckInput(int32_t controlId) const;
    /// Pixels to dialog units, by this dialog's font.
    [[nodiscard]] Rect ToDialogUnits(const RECT& pixels) const;

    const Resources::DialogTemplate* m_template;
    DialogHandler* m_handler;
    Win32DialogSystem* m_system;
    Win32DialogHost* m_owner;
    HWND m_window = nullptr;
    bool m_ending = false;
    int32_t m_result = 0;
    /// The caption's icon, loaded again at the size of another monitor's DPI.
    int32_t m_iconId = 0;
    /// Depth of handler calls, so that input counts as processed once the outermost returns.
    int m_depth = 0;
    std::exception_ptr m_failure;

    friend class Win32DialogSystem;
};

} // namespace Dravo::UI::Win32
