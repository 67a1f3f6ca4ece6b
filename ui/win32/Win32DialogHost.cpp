#include "ui/win32/Win32DialogHost.h"

#include <string>

#include "resources/ControlIds.h"
#include "ui/headless/ScriptRunner.h"
#include "ui/win32/Win32DialogSystem.h"

namespace Dravo::UI::Win32 {
namespace {

// A system metric for the window's monitor: under per-monitor DPI awareness
// GetSystemMetrics answers for the primary one. Windows before 10 1607 have
// only that.
int MetricForWindow(HWND window, int metric)
{
    using MetricForDpi = int(WINAPI*)(int, UINT);
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const HMODULE user = ::GetModuleHandleW(L"user32.dll");
    static const auto metricForDpi =
        reinterpret_cast<MetricForDpi>(reinterpret_cast<void*>(::GetProcAddress(user, "GetSystemMetricsForDpi")));
    static const auto dpiForWindow =
        reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(::GetProcAddress(user, "GetDpiForWindow")));
    if (metricForDpi && dpiForWindow && window) {
        if (const UINT dpi = dpiForWindow(window); dpi != 0) {
            return metricForDpi(metric, dpi);
        }
    }
    return ::GetSystemMetrics(metric);
}

using Resources::ControlKind;
using Support::WideString;

// Posted to a scripted dialog whenever it waits for the next line.
constexpr UINT SCRIPT_STEP_MESSAGE = WM_APP + 1;

std::wstring Wide(const WideString& text)
{
    if (text.IsNull() || text.GetLength() == 0) {
        return std::wstring();
    }
    const char16_t* units = text.GetUnits();
    return std::wstring(units, units + text.GetLength());
}

WideString FromWindowText(const std::wstring& text)
{
    return WideString(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

std::wstring WindowText(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::wstring PropertyName(std::string_view name)
{
    return std::wstring(name.begin(), name.end());
}

} // namespace

Win32DialogHost::Win32DialogHost(const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler,
    Win32DialogSystem& system, Win32DialogHost* owner)
    : m_template(&dialogTemplate), m_handler(&handler), m_system(&system), m_owner(owner)
{
}

INT_PTR CALLBACK Win32DialogHost::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Win32DialogHost* host = nullptr;
    if (message == WM_INITDIALOG) {
        host = reinterpret_cast<Win32DialogHost*>(lParam);
        host->m_window = window;
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        host = reinterpret_cast<Win32DialogHost*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    return host ? host->Handle(message, wParam, lParam) : FALSE;
}

template <class Call> void Win32DialogHost::Guarded(Call call)
{
    if (m_failure) {
        return;
    }
    ++m_depth;
    try {
        call();
    } catch (...) {
        // No exception may cross the dialog manager's frames: keep it, close
        // the dialog, and throw it again where the dialog was started.
        m_failure = std::current_exception();
        m_ending = true;
        m_result = -1;
    }
    --m_depth;
}

void Win32DialogHost::CloseIfEnding()
{
    if (m_ending && m_window) {
        ::EndDialog(m_window, m_result);
    }
}

INT_PTR Win32DialogHost::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        // Edit boxes start with the same limit as in every other backend.
        for (const auto& control : m_template->controls) {
            if (control.kind == ControlKind::Edit) {
                ::SendMessageW(Control(control.id), EM_LIMITTEXT, 30000, 0);
            }
        }
        // Every dialog shows the product's icon in its caption; a handler may set another.
        (void)SetIcons(Resources::IDI_PRODUCT);
        bool focusFirst = true;
        Guarded([&] { focusFirst = m_handler->OnInit(*this); });
        if (!m_ending && m_system->GetScriptRunner()) {
            ::PostMessageW(m_window, SCRIPT_STEP_MESSAGE, 0, 0);
        }
        CloseIfEnding();
        return focusFirst ? TRUE : FALSE;
    }
    case WM_DPICHANGED:
        if (m_iconId != 0) {
            (void)SetIcons(m_iconId);
        }
        // The dialog manager moves and scales the window as usual.
        return FALSE;
    case WM_COMMAND: {
        const bool fromUser = m_depth == 0;
        Guarded([&] {
            OnCommand(static_cast<int32_t>(LOWORD(wParam)), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            if (fromUser && !m_ending) {
                m_handler->OnOtherMessage(*this, OtherMessage::InputProcessed);
            }
        });
        CloseIfEnding();
        return TRUE;
    }
    case SCRIPT_STEP_MESSAGE:
        OnScriptStep();
        return TRUE;
    case WM_CLOSE:
        // The close box and Alt+F4 ask for Cancel, as Escape does.
        ::SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        return TRUE;
    case WM_DESTROY:
        if (!m_failure) {
            Guarded([&] { m_handler->OnDestroy(*this); });
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void Win32DialogHost::OnScriptStep()
{
    ScriptRunner* runner = m_system->GetScriptRunner();
    if (!runner || m_ending) {
        return;
    }
    Guarded([&] {
        runner->ActOn(*this);
        if (!m_ending) {
            m_handler->OnOtherMessage(*this, OtherMessage::InputProcessed);
        }
    });
    if (m_ending) {
        CloseIfEnding();
        return;
    }
    ::PostMessageW(m_window, SCRIPT_STEP_MESSAGE, 0, 0);
}

void Win32DialogHost::OnCommand(int32_t controlId, UINT code, HWND control)
{
    const Resources::ControlTemplate* found = FindTemplate(controlId);
    if (!control || !found) {
        // Enter and Escape (and menu or accelerator commands) name OK or Cancel.
        if (controlId == Resources::IDC_OK || controlId == Resources::IDC_CANCEL) {
            m_handler->OnCommand(*this, controlId, Notification::Clicked);
        }
        return;
    }
    switch (found->kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
    case ControlKind::CheckBox:
        if (code == BN_CLICKED) {
            m_handler->OnCommand(*this, controlId, Notification::Clicked);
        }
        return;
    case ControlKind::Edit:
        if (code == EN_CHANGE) {
            m_handler->OnCommand(*this, controlId, Notification::TextChanged);
        } else if (code == EN_SETFOCUS) {
            m_handler->OnOtherMessage(*this, OtherMessage::FocusChanged);
        }
        return;
    case ControlKind::DropDownList:
        if (code == CBN_SELCHANGE) {
            m_handler->OnCommand(*this, controlId, Notification::SelectionChanged);
        } else if (code == CBN_SETFOCUS) {
            m_handler->OnOtherMessage(*this, OtherMessage::FocusChanged);
        }
        return;
    case ControlKind::ListBox:
        if (code == LBN_SELCHANGE) {
            m_handler->OnCommand(*this, controlId, Notification::SelectionChanged);
        } else if (code == LBN_DBLCLK) {
            m_handler->OnCommand(*this, controlId, Notification::DoubleClicked);
        } else if (code == LBN_SETFOCUS) {
            m_handler->OnOtherMessage(*this, OtherMessage::FocusChanged);
        }
        return;
    case ControlKind::Label:
    case ControlKind::GroupBox:
        return;
    }
}

DialogSystem& Win32DialogHost::GetSystem()
{
    return *m_system;
}

void Win32DialogHost::SetTitle(const WideString& title)
{
    ::SetWindowTextW(m_window, Wide(title).c_str());
}

WideString Win32DialogHost::GetTitle() const
{
    return FromWindowText(WindowText(m_window));
}

bool Win32DialogHost::SetIcons(int32_t iconId)
{
    // The module that holds this code: the setup library's dialogs run in
    // another program, whose resources are not ours.
    HMODULE instance = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&Wide), &instance)) {
        return false;
    }
    const auto load = [&](int metricX, int metricY) {
        return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
            MetricForWindow(m_window, metricX), MetricForWindow(m_window, metricY), LR_DEFAULTCOLOR | LR_SHARED));
    };
    HICON small = load(SM_CXSMICON, SM_CYSMICON);
    HICON large = load(SM_CXICON, SM_CYICON);
    if (!small || !large) {
        return false;
    }
    m_iconId = iconId;
    ::SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    ::SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    return true;
}

Rect Win32DialogHost::ToDialogUnits(const RECT& pixels) const
{
    RECT base{0, 0, 4, 8};
    if (!m_window || !::MapDialogRect(m_window, &base) || base.right <= 0 || base.bottom <= 0) {
        const LONG units = ::GetDialogBaseUnits();
        base.right = LOWORD(units);
        base.bottom = HIWORD(units);
    }
    return Rect{pixels.left * 4 / base.right, pixels.top * 8 / base.bottom,
        (pixels.right - pixels.left) * 4 / base.right, (pixels.bottom - pixels.top) * 8 / base.bottom};
}

Rect Win32DialogHost::GetWindowRect() const
{
    RECT pixels{};
    ::GetWindowRect(m_window, &pixels);
    return ToDialogUnits(pixels);
}

std::optional<Rect> Win32DialogHost::GetOwnerRect() const
{
    if (!m_owner) {
        return std::nullopt;
    }
    RECT pixels{};
    ::GetWindowRect(m_owner->m_window, &pixels);
    return ToDialogUnits(pixels);
}

Rect Win32DialogHost::GetDesktopRect() const
{
    RECT pixels{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &pixels, 0);
    return ToDialogUnits(pixels);
}

void Win32DialogHost::MoveWindow(int32_t x, int32_t y)
{
    RECT base{0, 0, 4, 8};
    ::MapDialogRect(m_window, &base);
    ::SetWindowPos(
        m_window, nullptr, x * base.right / 4, y * base.bottom / 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32DialogHost::EndDialog(int32_t result)
{
    m_ending = true;
    m_result = result;
    // The dialog manager closes it once the current message has been handled.
    ::EndDialog(m_window, result);
}

int32_t Win32DialogHost::RunModalChild(int32_t templateId, DialogHandler& handler)
{
    return m_system->RunModal(templateId, handler, this);
}

MessageBoxResult Win32DialogHost::ShowMessageBox(const MessageBoxRequest& request)
{
    return m_system->ShowMessageBox(request, this);
}

std::optional<WideString> Win32DialogHost::ChooseFile(const FileRequest& request)
{
    return m_system->ChooseFile(request, this);
}

std::optional<WideString> Win32DialogHost::ChooseFolder(const FolderRequest& request)
{
    return m_system->ChooseFolder(request, this);
}

OS::ErrorCode Win32DialogHost::SetCursor(CursorShape shape)
{
    return m_system->SetCursor(shape);
}

void Win32DialogHost::SetProperty(std::string_view name, void* value)
{
    ::SetPropW(m_window, PropertyName(name).c_str(), static_cast<HANDLE>(value));
}

void* Win32DialogHost::GetProperty(std::string_view name) const
{
    return ::GetPropW(m_window, PropertyName(name).c_str());
}

void* Win32DialogHost::RemoveProperty(std::string_view name)
{
    return ::RemovePropW(m_window, PropertyName(name).c_str());
}

const Resources::ControlTemplate* Win32DialogHost::FindTemplate(int32_t controlId) const
{
    return controlId == Resources::IDC_STATIC ? nullptr : m_template->FindControl(controlId);
}

HWND Win32DialogHost::Control(int32_t controlId) const
{
    return FindTemplate(controlId) ? ::GetDlgItem(m_window, controlId) : nullptr;
}

bool Win32DialogHost::IsList(int32_t controlId) const
{
    const Resources::ControlTemplate* control = FindTemplate(controlId);
    return control && control->kind == ControlKind::ListBox;
}

bool Win32DialogHost::IsCombo(int32_t controlId) const
{
    const Resources::ControlTemplate* control = FindTemplate(controlId);
    return control && control->kind == ControlKind::DropDownList;
}

bool Win32DialogHost::HasControl(int32_t controlId) const
{
    return Control(controlId) != nullptr;
}

WideString Win32DialogHost::GetText(int32_t controlId) const
{
    HWND control = Control(controlId);
    if (!control || IsList(controlId)) {
        return WideString(u"");
    }
    if (IsCombo(controlId)) {
        return GetItemText(controlId, GetSelection(controlId));
    }
    return FromWindowText(WindowText(control));
}

void Win32DialogHost::SetText(int32_t controlId, const WideString& text)
{
    HWND control = Control(controlId);
    if (!control || IsList(controlId)) {
        return;
    }
    if (IsCombo(controlId)) {
        SetSelection(controlId, FindExactItem(controlId, -1, text));
        return;
    }
    // An edit box sends EN_CHANGE for it, before this returns. A handler that
    // throws meanwhile stops its caller too, as it would without the window
    // system's frames between them.
    const bool failedBefore = static_cast<bool>(m_failure);
    ::SetWindowTextW(control, Wide(text).c_str());
    if (!failedBefore && m_failure) {
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    }
}

void Win32DialogHost::LimitText(int32_t controlId, int32_t maxLength)
{
    const Resources::ControlTemplate* found = FindTemplate(controlId);
    if (found && found->kind == ControlKind::Edit) {
        ::SendMessageW(Control(controlId), EM_LIMITTEXT, static_cast<WPARAM>(maxLength < 0 ? 0 : maxLength), 0);
    }
}

void Win32DialogHost::Enable(int32_t controlId, bool enabled)
{
    if (HWND control = Control(controlId)) {
        ::EnableWindow(control, enabled ? TRUE : FALSE);
    }
}

bool Win32DialogHost::IsEnabled(int32_t controlId) const
{
    HWND control = Control(controlId);
    return control && ::IsWindowEnabled(control);
}

void Win32DialogHost::Show(int32_t controlId, bool visible)
{
    if (HWND control = Control(controlId)) {
        ::ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    }
}

bool Win32DialogHost::IsVisible(int32_t controlId) const
{
    // The control's own flag: the dialog itself is not shown yet during OnInit.
    HWND control = Control(controlId);
    return control && (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32DialogHost::SetCheck(int32_t controlId, bool checked)
{
    if (HWND control = Control(controlId)) {
        ::SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

bool Win32DialogHost::IsChecked(int32_t controlId) const
{
    HWND control = Control(controlId);
    return control && ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogHost::SetFocus(int32_t controlId)
{
    if (HWND control = Control(controlId)) {
        ::SendMessageW(m_window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
}

std::optional<int32_t> Win32DialogHost::GetFocus() const
{
    HWND focus = ::GetFocus();
    // The edit field inside a combo box has the focus for its box.
    while (focus && ::GetParent(focus) != m_window) {
        focus = ::GetParent(focus);
    }
    if (!focus) {
        return std::nullopt;
    }
    return ::GetDlgCtrlID(focus);
}

int32_t Win32DialogHost::AddItem(int32_t controlId, const WideString& text)
{
    HWND control = Control(controlId);
    if (!control || !(IsList(controlId) || IsCombo(controlId))) {
        return -1;
    }
    const std::wstring item = Wide(text);
    const LRESULT index = ::SendMessageW(
        control, IsList(controlId) ? LB_ADDSTRING : CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    return index < 0 ? -1 : static_cast<int32_t>(index);
}

int32_t Win32DialogHost::DeleteItem(int32_t controlId, int32_t index)
{
    HWND control = Control(controlId);
    if (!control || !(IsList(controlId) || IsCombo(controlId)) || index < 0) {
        return -1;
    }
    const LRESULT left =
        ::SendMessageW(control, IsList(controlId) ? LB_DELETESTRING : CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    return left < 0 ? -1 : static_cast<int32_t>(left);
}

void Win32DialogHost::ClearItems(int32_t controlId)
{
    if (HWND control = Control(controlId); control && (IsList(controlId) || IsCombo(controlId))) {
        ::SendMessageW(control, IsList(controlId) ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0);
    }
}

int32_t Win32DialogHost::FindExactItem(int32_t controlId, int32_t startAfter, const WideString& text) const
{
    HWND control = Control(controlId);
    if (!control || !(IsList(controlId) || IsCombo(controlId))) {
        return -1;
    }
    const std::wstring item = Wide(text);
    const LRESULT index = ::SendMessageW(control, IsList(controlId) ? LB_FINDSTRINGEXACT : CB_FINDSTRINGEXACT,
        static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(item.c_str()));
    return index < 0 ? -1 : static_cast<int32_t>(index);
}

int32_t Win32DialogHost::FindPrefixItem(int32_t controlId, int32_t startAfter, const WideString& prefix) const
{
    HWND control = Control(controlId);
    if (!control || !(IsList(controlId) || IsCombo(controlId))) {
        return -1;
    }
    const std::wstring item = Wide(prefix);
    const LRESULT index = ::SendMessageW(control, IsList(controlId) ? LB_FINDSTRING : CB_FINDSTRING,
        static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(item.c_str()));
    return index < 0 ? -1 : static_cast<int32_t>(index);
}

int32_t Win32DialogHost::GetItemCount(int32_t controlId) const
{
    HWND control = Control(controlId);
    if (!control || !(IsList(controlId) || IsCombo(controlId))) {
        return 0;
    }
    const LRESULT count = ::SendMessageW(control, IsList(controlId) ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int32_t>(count);
}

WideString Win32DialogHost::GetItemText(int32_t controlId, int32_t index) const
{
    HWND control = Control(controlId);
    if (!control || index < 0 || !(IsList(controlId) || IsCombo(controlId))) {
        return WideString(u"");
    }
    const bool list = IsList(controlId);
    const LRESULT length =
        ::SendMessageW(control, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) {
        return WideString(u"");
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = ::SendMessageW(
        control, list ? LB_GETTEXT : CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return FromWindowText(text);
}

int32_t Win32DialogHost::GetSelection(int32_t controlId) const
{
    HWND control = Control(controlId);
    if (!control || !(IsList(controlId) || IsCombo(controlId))) {
        return -1;
    }
    const LRESULT index = ::SendMessageW(control, IsList(controlId) ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
    return index < 0 ? -1 : static_cast<int32_t>(index);
}

bool Win32DialogHost::SetSelection(int32_t controlId, int32_t index)
{
    HWND control = Control(controlId);
    if (!control || !(IsList(controlId) || IsCombo(controlId))) {
        return false;
    }
    const int32_t count = GetItemCount(controlId);
    const WPARAM wanted = index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1);
    ::SendMessageW(control, IsList(controlId) ? LB_SETCURSEL : CB_SETCURSEL, wanted, 0);
    return index >= 0 && index < count;
}

std::vector<WideString> Win32DialogHost::GetItems(int32_t controlId) const
{
    std::vector<WideString> items;
    const int32_t count = GetItemCount(controlId);
    for (int32_t index = 0; index < count; ++index) {
        items.push_back(GetItemText(controlId, index));
    }
    return items;
}

UserActionError Win32DialogHost::CheckInput(int32_t controlId) const
{
    if (!HasControl(controlId)) {
        return UserActionError::NoSuchControl;
    }
    if (!IsVisible(controlId)) {
        return UserActionError::Hidden;
    }
    if (!IsEnabled(controlId)) {
        return UserActionError::Disabled;
    }
    return UserActionError::None;
}

UserActionError Win32DialogHost::TypeText(int32_t controlId, const WideString& text)
{
    if (const auto error = CheckInput(controlId); error != UserActionError::None) {
        return error;
    }
    const Resources::ControlTemplate* found = FindTemplate(controlId);
    if (found->kind != ControlKind::Edit) {
        return UserActionError::WrongKind;
    }
    HWND control = Control(controlId);
    if (::GetWindowLongW(control, GWL_STYLE) & ES_READONLY) {
        return UserActionError::ReadOnly;
    }
    // Select all and paste: the box cuts the text to its limit and sends
    // EN_CHANGE; the digits-only style filters typed characters only.
    const std::wstring typed = Wide(text);
    ::SendMessageW(control, EM_SETSEL, 0, -1);
    if (typed.empty() && ::GetWindowTextLengthW(control) == 0) {
        // Nothing to replace: the box would stay silent, a user's edit is not.
        ::SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(controlId, EN_CHANGE), reinterpret_cast<LPARAM>(control));
        return UserActionError::None;
    }
    ::SendMessageW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));
    return UserActionError::None;
}

UserActionError Win32DialogHost::SelectItem(int32_t controlId, int32_t index)
{
    if (const auto error = CheckInput(controlId); error != UserActionError::None) {
        return error;
    }
    if (!IsList(controlId) && !IsCombo(controlId)) {
        return UserActionError::WrongKind;
    }
    if (index < 0 || index >= GetItemCount(controlId)) {
        return UserActionError::NoSuchEntry;
    }
    HWND control = Control(controlId);
    SetSelection(controlId, index);
    // A user's choice notifies; a list box only with the notify style.
    const Resources::ControlTemplate* found = FindTemplate(controlId);
    if (IsCombo(controlId)) {
        ::SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    } else if (found->Has(Resources::STYLE_NOTIFY)) {
        ::SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(controlId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    }
    return UserActionError::None;
}

UserActionError Win32DialogHost::Click(int32_t controlId)
{
    if (!HasControl(controlId) && (controlId == Resources::IDC_OK || controlId == Resources::IDC_CANCEL)) {
        // As Enter and Escape do in a dialog without those buttons.
        ::SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), 0);
        return UserActionError::None;
    }
    if (const auto error = CheckInput(controlId); error != UserActionError::None) {
        return error;
    }
    const Resources::ControlTemplate* found = FindTemplate(controlId);
    if (found->kind != ControlKind::PushButton && found->kind != ControlKind::DefaultPushButton
        && found->kind != ControlKind::CheckBox) {
        return UserActionError::WrongKind;
    }
    // The button's own click: a check box toggles itself, then BN_CLICKED.
    ::SendMessageW(Control(controlId), BM_CLICK, 0, 0);
    return UserActionError::None;
}

UserActionError Win32DialogHost::DoubleClick(int32_t controlId)
{
    if (const auto error = CheckInput(controlId); error != UserActionError::None) {
        return error;
    }
    const Resources::ControlTemplate* found = FindTemplate(controlId);
    if (found->kind != ControlKind::ListBox) {
        return UserActionError::WrongKind;
    }
    if (GetSelection(controlId) < 0) {
        return UserActionError::NoSelection;
    }
    if (found->Has(Resources::STYLE_NOTIFY)) {
        ::SendMessageW(
            m_window, WM_COMMAND, MAKEWPARAM(controlId, LBN_DBLCLK), reinterpret_cast<LPARAM>(Control(controlId)));
    }
    return UserActionError::None;
}

} // namespace Dravo::UI::Win32
