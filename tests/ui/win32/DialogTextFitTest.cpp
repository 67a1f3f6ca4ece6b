// Every caption of every template measured by the real dialog manager in the
// font Windows draws the templates' "MS Shell Dlg" with: a label, check box,
// button or group box whose text is wider than the control loses its last
// letters or its second line on the user's screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "resources/DialogTemplates.h"
#include "ui/win32/DialogTemplateBuilder.h"

namespace Dravo::UI::Win32 {
namespace {

using Resources::ControlKind;
using Resources::ControlTemplate;
using Resources::DialogTemplate;

// Windows maps "MS Shell Dlg" to Microsoft Sans Serif, whose widths are those
// of MS Sans Serif; Wine has its own copy of that face (Wine itself maps the
// name to its Tahoma, which is wider).
constexpr std::u16string_view WINDOWS_DIALOG_FACE = u"MS Sans Serif";

INT_PTR CALLBACK Procedure(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::wstring Wide(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

std::string Narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

/// The pixels the text takes when drawn as the control draws it, within
/// WIDTH for a label (which wraps), on one line otherwise.
SIZE Measure(HWND control, const std::wstring& text, LONG width, bool wraps)
{
    HDC dc = ::GetDC(control);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT rect{0, 0, width, 0};
    ::DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    ::SelectObject(dc, previous);
    ::ReleaseDC(control, dc);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

/// The pixels a control keeps for its text beside what it draws itself.
LONG Margin(HWND control, ControlKind kind)
{
    switch (kind) {
    case ControlKind::CheckBox:
        // The box and the gap after it.
        return ::GetSystemMetrics(SM_CXMENUCHECK) + 4;
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
        // The edges and the focus rectangle on either side.
        return 2 * (::GetSystemMetrics(SM_CXEDGE) + 2);
    case ControlKind::GroupBox:
        // The caption is set into the frame by about a character.
        return 2 * Measure(control, L"x", 0, false).cx + 8;
    default:
        return 0;
    }
}

/// One line for each caption that does not fit.
std::string CaptionsThatDoNotFit(const DialogTemplate& original)
{
    DialogTemplate dialogTemplate = original;
    dialogTemplate.fontName = WINDOWS_DIALOG_FACE;
    const std::vector<uint32_t> memory = DialogTemplateBuilder::Build(dialogTemplate);
    HWND dialog = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
        reinterpret_cast<const DLGTEMPLATE*>(memory.data()), nullptr, Procedure, 0);
    if (!dialog) {
        return "dialog " + std::to_string(original.id) + " cannot be made: error " + std::to_string(::GetLastError())
            + "\n";
    }
    std::ostringstream problems;
    // The measure holds only in the face it is meant for.
    HDC dc = ::GetDC(dialog);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    ::SelectObject(dc, previous);
    ::ReleaseDC(dialog, dc);
    if (Wide(WINDOWS_DIALOG_FACE) != face) {
        problems << "dialog " << original.id << " is drawn in " << Narrow(std::u16string(face, face + std::wcslen(face)))
                 << ", not " << Narrow(WINDOWS_DIALOG_FACE) << " (the Wine prefix lacks Wine's fonts)\n";
    }

    // The dialog manager makes the controls in template order.
    HWND control = ::GetWindow(dialog, GW_CHILD);
    for (const ControlTemplate& item : original.controls) {
        if (!control) {
            problems << "dialog " << original.id << " has fewer windows than controls\n";
            break;
        }
        const bool captioned = item.kind == ControlKind::Label || item.kind == ControlKind::CheckBox
            || item.kind == ControlKind::PushButton || item.kind == ControlKind::DefaultPushButton
            || item.kind == ControlKind::GroupBox;
        if (captioned && !item.text.empty()) {
            RECT client{};
            ::GetClientRect(control, &client);
            const bool wraps = item.kind == ControlKind::Label
                || (item.kind == ControlKind::GroupBox && item.Has(Resources::STYLE_BORDERLESS));
            const LONG available = client.right - Margin(control, item.kind);
            const SIZE needed = Measure(control, Wide(item.text), available, wraps);
            const bool tooTall = wraps && needed.cy > client.bottom;
            if (needed.cx > available || tooTall) {
                problems << "dialog " << original.id << ", \"" << Narrow(item.text) << "\": "
                         << Measure(control, Wide(item.text), 0, false).cx << " pixels on one line, "
                         << (wraps ? std::to_string(needed.cy / std::max<LONG>(1, Measure(control, L"x", 0, false).cy))
                                 + " lines, "
                                   : std::string())
                         << "in " << available << " x " << client.bottom << " (" << item.rect.width << " x "
                         << item.rect.height << " dialog units)\n";
            }
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
    }
    ::DestroyWindow(dialog);
    return problems.str();
}

TEST(DialogTextFitTest, EveryCaptionFitsItsControlInTheWindowsDialogFont)
{
    std::string problems;
    for (const DialogTemplate& dialogTemplate : Resources::AllDialogTemplates()) {
        problems += CaptionsThatDoNotFit(dialogTemplate);
    }
    EXPECT_EQ(problems, "");
}

} // namespace
} // namespace Dravo::UI::Win32
