#include "ui/DialogWindow.h"

#include <algorithm>
#include <utility>

#include "resources/ControlIds.h"

namespace Dravo::UI {

using Resources::ControlKind;
using Support::WideString;

const char* DescribeUserActionError(UserActionError error)
{
    switch (error) {
    case UserActionError::None:
        return "done";
    case UserActionError::NoSuchControl:
        return "the dialog has no such control";
    case UserActionError::Hidden:
        return "the control is hidden";
    case UserActionError::Disabled:
        return "the control is disabled";
    case UserActionError::ReadOnly:
        return "the control is read-only";
    case UserActionError::WrongKind:
        return "the control does not take this action";
    case UserActionError::NoSuchEntry:
        return "the control has no such entry";
    case UserActionError::NoSelection:
        return "no entry is selected";
    }
    return "unknown error";
}

DialogWindow::DialogWindow(
    const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, DialogSystem& system, DialogHost* owner)
    : m_template(&dialogTemplate), m_handler(&handler), m_system(&system), m_owner(owner), m_title(dialogTemplate.title)
{
    m_controls.reserve(dialogTemplate.controls.size());
    for (const auto& control : dialogTemplate.controls) {
        m_controls.emplace_back(control);
    }
    const Rect desktop = system.GetDesktopRect();
    m_rect = Rect{desktop.x + (desktop.width - dialogTemplate.width) / 2,
        desktop.y + (desktop.height - dialogTemplate.height) / 2, dialogTemplate.width, dialogTemplate.height};
}

void DialogWindow::Initialize()
{
    const bool focusFirst = m_handler->OnInit(*this);
    if (focusFirst || !m_focus) {
        m_focus.reset();
        MoveFocus(true);
    }
    Changed();
}

void DialogWindow::Destroy()
{
    if (!m_destroyed) {
        m_destroyed = true;
        m_handler->OnDestroy(*this);
    }
}

void DialogWindow::NotifyOtherMessage(OtherMessage message)
{
    m_handler->OnOtherMessage(*this, message);
}

const ControlState* DialogWindow::FindControl(int32_t controlId) const
{
    if (controlId == Resources::IDC_STATIC) {
        return nullptr;
    }
    const auto found = std::find_if(m_controls.begin(), m_controls.end(),
        [controlId](const ControlState& control) { return control.GetId() == controlId; });
    return found == m_controls.end() ? nullptr : &*found;
}

ControlState* DialogWindow::Find(int32_t controlId)
{
    return const_cast<ControlState*>(std::as_const(*this).FindControl(controlId));
}

bool DialogWindow::MoveFocus(bool forward)
{
    const auto count = static_cast<int32_t>(m_controls.size());
    if (count == 0) {
        return false;
    }
    int32_t start = forward ? -1 : count;
    if (m_focus) {
        for (int32_t i = 0; i < count; ++i) {
            if (m_controls[static_cast<size_t>(i)].GetId() == *m_focus) {
                start = i;
                break;
            }
        }
    }
    for (int32_t step = 1; step <= count; ++step) {
        const int32_t index = ((start + (forward ? step : -step)) % count + count) % count;
        const ControlState& control = m_controls[static_cast<size_t>(index)];
        if (control.TakesInput() && control.GetId() != Resources::IDC_STATIC) {
            if (m_focus != control.GetId()) {
                m_focus = control.GetId();
                Changed();
            }
            return true;
        }
    }
    if (m_focus) {
        m_focus.reset();
        Changed();
    }
    return false;
}

void DialogWindow::KeepFocusUsable()
{
    if (m_focus) {
        const ControlState* focused = FindControl(*m_focus);
        if (!focused || !focused->TakesInput()) {
            MoveFocus(true);
        }
    }
}

UserActionError DialogWindow::CheckInput(const ControlState* control) const
{
    if (!control) {
        return UserActionError::NoSuchControl;
    }
    if (!control->IsVisible()) {
        return UserActionError::Hidden;
    }
    if (!control->IsEnabled()) {
        return UserActionError::Disabled;
    }
    return UserActionError::None;
}

void DialogWindow::Dispatch(int32_t controlId, Notification notification)
{
    m_handler->OnCommand(*this, controlId, notification);
}

UserActionError DialogWindow::TypeText(int32_t controlId, const WideString& text)
{
    ControlState* control = Find(controlId);
    if (const auto error = CheckInput(control); error != UserActionError::None) {
        return error;
    }
    if (!control->IsEdit()) {
        return UserActionError::WrongKind;
    }
    if (control->Has(Resources::STYLE_READ_ONLY)) {
        return UserActionError::ReadOnly;
    }
    control->SetText(control->ClipToLimit(text.IsNull() ? WideString(u"") : text));
    Changed();
    Dispatch(controlId, Notification::TextChanged);
    return UserActionError::None;
}

UserActionError DialogWindow::SelectItem(int32_t controlId, int32_t index)
{
    ControlState* control = Find(controlId);
    if (const auto error = CheckInput(control); error != UserActionError::None) {
        return error;
    }
    if (!control->HasItems()) {
        return UserActionError::WrongKind;
    }
    if (index < 0 || index >= control->GetItemCount()) {
        return UserActionError::NoSuchEntry;
    }
    control->SetSelection(index);
    Changed();
    if (control->GetKind() == ControlKind::DropDownList || control->Has(Resources::STYLE_NOTIFY)) {
        Dispatch(controlId, Notification::SelectionChanged);
    }
    return UserActionError::None;
}

UserActionError DialogWindow::Click(int32_t controlId)
{
    ControlState* control = Find(controlId);
    if (!control && (controlId == Resources::IDC_OK || controlId == Resources::IDC_CANCEL)) {
        Dispatch(controlId, Notification::Clicked);
        return UserActionError::None;
    }
    if (const auto error = CheckInput(control); error != UserActionError::None) {
        return error;
    }
    if (control->IsCheckBox()) {
        control->SetChecked(!control->IsChecked());
        Changed();
    } else if (!control->IsButton()) {
        return UserActionError::WrongKind;
    }
    // A click takes the focus, as on a native dialog; Enter does not.
    SetFocus(controlId);
    Dispatch(controlId, Notification::Clicked);
    return UserActionError::None;
}

UserActionError DialogWindow::DoubleClick(int32_t controlId)
{
    ControlState* control = Find(controlId);
    if (const auto error = CheckInput(control); error != UserActionError::None) {
        return error;
    }
    if (control->GetKind() != ControlKind::ListBox) {
        return UserActionError::WrongKind;
    }
    if (control->GetSelection() < 0) {
        return UserActionError::NoSelection;
    }
    if (control->Has(Resources::STYLE_NOTIFY)) {
        Dispatch(controlId, Notification::DoubleClicked);
    }
    return UserActionError::None;
}

UserActionError DialogWindow::PressEnter()
{
    const auto defaultButton = std::find_if(m_controls.begin(), m_controls.end(),
        [](const ControlState& control) { return control.GetKind() == ControlKind::DefaultPushButton; });
    if (defaultButton == m_controls.end()) {
        Dispatch(Resources::IDC_OK, Notification::Clicked);
        return UserActionError::None;
    }
    // A disabled default button keeps Enter from confirming a dialog whose
    // rules refuse OK.
    if (const auto error = CheckInput(&*defaultButton); error != UserActionError::None) {
        return error;
    }
    Dispatch(defaultButton->GetId(), Notification::Clicked);
    return UserActionError::None;
}

void DialogWindow::PressEscape()
{
    Dispatch(Resources::IDC_CANCEL, Notification::Clicked);
}

void DialogWindow::SetTitle(const WideString& title)
{
    m_title = title.IsNull() ? WideString(u"") : title;
    Changed();
}

void DialogWindow::SetHint(const WideString& text)
{
    const WideString hint = text.IsNull() ? WideString(u"") : text;
    if (hint != m_hint) {
        m_hint = hint;
        Changed();
    }
}

bool DialogWindow::SetIcons(int32_t iconId)
{
    // The program's resources hold no icons.
    (void)iconId;
    return false;
}

std::optional<Rect> DialogWindow::GetOwnerRect() const
{
    if (!m_owner) {
        return std::nullopt;
    }
    return m_owner->GetWindowRect();
}

void DialogWindow::MoveWindow(int32_t x, int32_t y)
{
    m_rect.x = x;
    m_rect.y = y;
    Changed();
}

void DialogWindow::EndDialog(int32_t result)
{
    m_ended = true;
    m_result = result;
}

int32_t DialogWindow::RunModalChild(int32_t templateId, DialogHandler& handler)
{
    const int32_t result = m_system->RunModal(templateId, handler, this);
    Changed();
    return result;
}

MessageBoxResult DialogWindow::ShowMessageBox(const MessageBoxRequest& request)
{
    const MessageBoxResult result = m_system->ShowMessageBox(request, this);
    Changed();
    return result;
}

std::optional<WideString> DialogWindow::ChooseFile(const FileRequest& request)
{
    auto result = m_system->ChooseFile(request, this);
    Changed();
    return result;
}

std::optional<WideString> DialogWindow::ChooseFolder(const FolderRequest& request)
{
    auto result = m_system->ChooseFolder(request, this);
    Changed();
    return result;
}

OS::ErrorCode DialogWindow::SetCursor(CursorShape shape)
{
    return m_system->SetCursor(shape);
}

void DialogWindow::SetProperty(std::string_view name, void* value)
{
    m_properties.insert_or_assign(std::string(name), value);
}

void* DialogWindow::GetProperty(std::string_view name) const
{
    const auto found = m_properties.find(name);
    return found == m_properties.end() ? nullptr : found->second;
}

void* DialogWindow::RemoveProperty(std::string_view name)
{
    const auto found = m_properties.find(name);
    if (found == m_properties.end()) {
        return nullptr;
    }
    void* value = found->second;
    m_properties.erase(found);
    return value;
}

bool DialogWindow::HasControl(int32_t controlId) const
{
    return FindControl(controlId) != nullptr;
}

WideString DialogWindow::GetText(int32_t controlId) const
{
    const ControlState* control = FindControl(controlId);
    if (!control || control->GetKind() == ControlKind::ListBox) {
        return WideString(u"");
    }
    if (control->GetKind() == ControlKind::DropDownList) {
        return control->GetSelectedText();
    }
    return control->GetText().IsNull() ? WideString(u"") : control->GetText();
}

void DialogWindow::SetText(int32_t controlId, const WideString& text)
{
    ControlState* control = Find(controlId);
    if (!control || control->GetKind() == ControlKind::ListBox) {
        return;
    }
    const WideString value = text.IsNull() ? WideString(u"") : text;
    if (control->GetKind() == ControlKind::DropDownList) {
        control->SetSelection(control->FindExactItem(-1, value));
        Changed();
        return;
    }
    control->SetText(value);
    Changed();
    if (control->IsEdit()) {
        Dispatch(controlId, Notification::TextChanged);
    }
}

void DialogWindow::LimitText(int32_t controlId, int32_t maxLength)
{
    if (ControlState* control = Find(controlId); control && control->IsEdit()) {
        control->SetTextLimit(maxLength);
    }
}

void DialogWindow::Enable(int32_t controlId, bool enabled)
{
    if (ControlState* control = Find(controlId); control && control->IsEnabled() != enabled) {
        control->SetEnabled(enabled);
        Changed();
        KeepFocusUsable();
    }
}

bool DialogWindow::IsEnabled(int32_t controlId) const
{
    const ControlState* control = FindControl(controlId);
    return control && control->IsEnabled();
}

void DialogWindow::Show(int32_t controlId, bool visible)
{
    if (ControlState* control = Find(controlId); control && control->IsVisible() != visible) {
        control->SetVisible(visible);
        Changed();
        KeepFocusUsable();
    }
}

bool DialogWindow::IsVisible(int32_t controlId) const
{
    const ControlState* control = FindControl(controlId);
    return control && control->IsVisible();
}

void DialogWindow::SetCheck(int32_t controlId, bool checked)
{
    if (ControlState* control = Find(controlId); control && control->IsCheckBox()) {
        control->SetChecked(checked);
        Changed();
    }
}

bool DialogWindow::IsChecked(int32_t controlId) const
{
    const ControlState* control = FindControl(controlId);
    return control && control->IsChecked();
}

void DialogWindow::SetFocus(int32_t controlId)
{
    const ControlState* control = FindControl(controlId);
    if (control && control->TakesInput()) {
        m_focus = controlId;
        Changed();
    }
}

int32_t DialogWindow::AddItem(int32_t controlId, const WideString& text)
{
    ControlState* control = Find(controlId);
    if (!control) {
        return -1;
    }
    Changed();
    return control->AddItem(text);
}

int32_t DialogWindow::DeleteItem(int32_t controlId, int32_t index)
{
    ControlState* control = Find(controlId);
    if (!control) {
        return -1;
    }
    Changed();
    return control->DeleteItem(index);
}

void DialogWindow::ClearItems(int32_t controlId)
{
    if (ControlState* control = Find(controlId)) {
        control->ClearItems();
        Changed();
    }
}

int32_t DialogWindow::FindExactItem(int32_t controlId, int32_t startAfter, const WideString& text) const
{
    const ControlState* control = FindControl(controlId);
    return control ? control->FindExactItem(startAfter, text) : -1;
}

int32_t DialogWindow::FindPrefixItem(int32_t controlId, int32_t startAfter, const WideString& prefix) const
{
    const ControlState* control = FindControl(controlId);
    return control ? control->FindPrefixItem(startAfter, prefix) : -1;
}

int32_t DialogWindow::GetItemCount(int32_t controlId) const
{
    const ControlState* control = FindControl(controlId);
    return control ? control->GetItemCount() : 0;
}

WideString DialogWindow::GetItemText(int32_t controlId, int32_t index) const
{
    const ControlState* control = FindControl(controlId);
    return control ? control->GetItemText(index) : WideString(u"");
}

int32_t DialogWindow::GetSelection(int32_t controlId) const
{
    const ControlState* control = FindControl(controlId);
    return control ? control->GetSelection() : -1;
}

bool DialogWindow::SetSelection(int32_t controlId, int32_t index)
{
    ControlState* control = Find(controlId);
    if (!control) {
        return false;
    }
    Changed();
    return control->SetSelection(index);
}

} // namespace Dravo::UI
