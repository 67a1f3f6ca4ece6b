#include "ui/win32/Win32DialogSystem.h"

#include <stdexcept>
#include <string>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include "ui/headless/HeadlessDialogSystem.h"
#include "ui/headless/ScriptRunner.h"
#include "ui/win32/DialogTemplateBuilder.h"
#include "ui/win32/Win32DialogHost.h"

namespace Dravo::UI::Win32 {
namespace {

using Support::WideString;

std::wstring Wide(const WideString& text)
{
    if (text.IsNull() || text.GetLength() == 0) {
        return std::wstring();
    }
    const char16_t* units = text.GetUnits();
    return std::wstring(units, units + text.GetLength());
}

WideString FromWide(const wchar_t* text)
{
    return WideString(std::u16string_view(reinterpret_cast<const char16_t*>(text), std::wstring_view(text).size()));
}

/// The owner's window; without an owner, the window of another program
/// that the dialogs belong to, if any.
HWND WindowOf(DialogHost* owner, void* outsideOwner)
{
    auto* host = dynamic_cast<Win32DialogHost*>(owner);
    return host ? host->GetWindow() : static_cast<HWND>(outsideOwner);
}

UINT MessageBoxFlags(const MessageBoxRequest& request)
{
    UINT flags = MB_SETFOREGROUND;
    switch (request.buttons) {
    case MessageBoxButtons::Ok:
        flags |= MB_OK;
        break;
    case MessageBoxButtons::OkCancel:
        flags |= MB_OKCANCEL;
        break;
    case MessageBoxButtons::AbortRetryIgnore:
        flags |= MB_ABORTRETRYIGNORE;
        break;
    case MessageBoxButtons::YesNoCancel:
        flags |= MB_YESNOCANCEL;
        break;
    case MessageBoxButtons::YesNo:
        flags |= MB_YESNO;
        break;
    case MessageBoxButtons::RetryCancel:
        flags |= MB_RETRYCANCEL;
        break;
    }
    switch (request.icon) {
    case MessageBoxIcon::None:
        break;
    case MessageBoxIcon::Information:
        flags |= MB_ICONINFORMATION;
        break;
    case MessageBoxIcon::Warning:
        flags |= MB_ICONWARNING;
        break;
    case MessageBoxIcon::Question:
        flags |= MB_ICONQUESTION;
        break;
    case MessageBoxIcon::Error:
        flags |= MB_ICONERROR;
        break;
    }
    // The default button by its place among the box's buttons.
    const MessageBoxResult wanted = DefaultButtonOf(request);
    const auto buttons = ButtonsOf(request.buttons);
    for (size_t place = 0; place < buttons.size(); ++place) {
        if (buttons[place] == wanted) {
            const UINT defaults[] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3};
            flags |= place < 3 ? defaults[place] : MB_DEFBUTTON1;
        }
    }
    return flags;
}

/// "Name\0*.a;*.b\0...\0\0", as the common file dialogs take filters.
std::wstring FilterText(const std::vector<FileFilter>& filters)
{
    std::wstring text;
    for (const FileFilter& filter : filters) {
        text += Wide(filter.name);
        text.push_back(L'\0');
        text += Wide(filter.pattern);
        text.push_back(L'\0');
    }
    text.push_back(L'\0');
    return text;
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data) {
        ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

/// Common Controls 6 (the program's manifest asks for it) draws the themed
/// controls once registered.
void InitializeCommonControls()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
}

} // namespace

Win32DialogSystem::Win32DialogSystem()
{
    InitializeCommonControls();
}

Win32DialogSystem::Win32DialogSystem(void* outsideOwner) : m_outsideOwner(outsideOwner)
{
    InitializeCommonControls();
}

Win32DialogSystem::Win32DialogSystem(ScriptRunner& runner, std::ostream& transcript)
    : m_runner(&runner), m_transcript(&transcript)
{
    InitializeCommonControls();
}

int32_t Win32DialogSystem::RunModalTemplate(
    const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, DialogHost* owner)
{
    const std::vector<uint32_t> memory = DialogTemplateBuilder::Build(dialogTemplate);
    Win32DialogHost host(dialogTemplate, handler, *this, dynamic_cast<Win32DialogHost*>(owner));
    m_open.push_back(&host);
    const INT_PTR result =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(memory.data()),
            WindowOf(owner, m_outsideOwner), &Win32DialogHost::DialogProcedure, reinterpret_cast<LPARAM>(&host));
    const DWORD error = ::GetLastError();
    m_open.pop_back();
    if (std::exception_ptr failure = host.TakeFailure()) {
        std::rethrow_exception(failure);
    }
    if (result == -1 && !host.GetWindow()) {
        // No window at all: without a display Wine and Windows give 1400 here.
        throw std::runtime_error("The dialog " + std::to_string(dialogTemplate.id) + " could not be created (error "
            + std::to_string(error) + ")");
    }
    return static_cast<int32_t>(result);
}

void Win32DialogSystem::Publish(std::string_view kind, const Support::WideString& text)
{
    if (m_runner) {
        *m_transcript << kind << ' ' << EscapeForTranscript(text) << '\n' << std::flush;
    }
}

MessageBoxResult Win32DialogSystem::ShowMessageBox(const MessageBoxRequest& request, DialogHost* owner)
{
    if (m_runner) {
        const MessageBoxResult answer = m_runner->AnswerMessageBox(request);
        *m_transcript << "message-box [" << EscapeForTranscript(request.caption) << "] "
                      << EscapeForTranscript(request.text) << " -> " << ButtonName(answer) << '\n'
                      << std::flush;
        return answer;
    }
    const std::wstring text = Wide(request.text);
    const std::wstring caption = Wide(request.caption);
    HWND window = WindowOf(owner, m_outsideOwner);
    const int answer = ::MessageBoxW(
        window, text.c_str(), caption.c_str(), MessageBoxFlags(request) | (window ? MB_APPLMODAL : MB_TASKMODAL));
    return answer == 0 ? MessageBoxResult::Cancel : static_cast<MessageBoxResult>(answer);
}

std::optional<WideString> Win32DialogSystem::ChooseFile(const FileRequest& request, DialogHost* owner)
{
    if (m_runner) {
        return m_runner->AnswerFileRequest(request);
    }
    std::wstring path(32768, L'\0');
    const std::wstring initial = Wide(request.initialFile);
    initial.copy(path.data(), std::min(initial.size(), path.size() - 1));
    const std::wstring filter = FilterText(request.filters);
    const std::wstring title = Wide(request.title);
    const std::wstring extension = Wide(request.defaultExtension);
    const std::wstring directory = Wide(request.initialDirectory);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = WindowOf(owner, m_outsideOwner);
    dialog.lpstrFilter = request.filters.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (request.Has(FILE_FLAG_PATH_MUST_EXIST)) {
        dialog.Flags |= OFN_PATHMUSTEXIST;
    }
    if (request.Has(FILE_FLAG_FILE_MUST_EXIST)) {
        dialog.Flags |= OFN_FILEMUSTEXIST;
    }
    if (request.Has(FILE_FLAG_PROMPT_TO_CREATE)) {
        dialog.Flags |= OFN_CREATEPROMPT;
    }
    if (request.Has(FILE_FLAG_READ_ONLY_CHECKED)) {
        dialog.Flags = (dialog.Flags & ~static_cast<DWORD>(OFN_HIDEREADONLY)) | OFN_READONLY;
    }
    if (request.Has(FILE_FLAG_OVERWRITE_PROMPT)) {
        dialog.Flags |= OFN_OVERWRITEPROMPT;
    }
    const BOOL chosen =
        request.kind == FileRequestKind::Save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
    if (!chosen) {
        return std::nullopt;
    }
    return FromWide(path.c_str());
}

std::optional<WideString> Win32DialogSystem::ChooseFolder(const FolderRequest& request, DialogHost* owner)
{
    if (m_runner) {
        return m_runner->AnswerFolderRequest(request);
    }
    const std::wstring title = Wide(request.title);
    const std::wstring initial = Wide(request.initialFolder);
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW browse{};
    browse.hwndOwner = WindowOf(owner, m_outsideOwner);
    browse.pszDisplayName = display;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    if (!initial.empty()) {
        browse.lpfn = BrowseCallback;
        browse.lParam = reinterpret_cast<LPARAM>(initial.c_str());
    }
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
    if (!chosen) {
        return std::nullopt;
    }
    std::wstring path(32768, L'\0');
    const BOOL converted =
        ::SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
    ::CoTaskMemFree(chosen);
    if (!converted) {
        return std::nullopt;
    }
    return FromWide(path.c_str());
}

OS::ErrorCode Win32DialogSystem::SetCursor(CursorShape shape)
{
    HCURSOR cursor = ::LoadCursorW(nullptr, shape == CursorShape::Busy ? IDC_WAIT : IDC_ARROW);
    if (!cursor) {
        // A failure must not read as success, whatever the system recorded.
        const DWORD error = ::GetLastError();
        return error != 0 ? error : OS::ERROR_RESOURCE_NAME_NOT_FOUND_CODE;
    }
    ::SetCursor(cursor);
    return OS::ERROR_SUCCESS_CODE;
}

Rect Win32DialogSystem::GetDesktopRect() const
{
    if (!m_open.empty()) {
        return m_open.back()->GetDesktopRect();
    }
    RECT pixels{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &pixels, 0);
    const LONG units = ::GetDialogBaseUnits();
    const LONG baseX = LOWORD(units) > 0 ? LOWORD(units) : 1;
    const LONG baseY = HIWORD(units) > 0 ? HIWORD(units) : 1;
    return Rect{pixels.left * 4 / baseX, pixels.top * 8 / baseY, (pixels.right - pixels.left) * 4 / baseX,
        (pixels.bottom - pixels.top) * 8 / baseY};
}

} // namespace Dravo::UI::Win32
