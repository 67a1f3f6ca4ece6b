// What the real dialog manager makes of the templates' captions. Every one
// is measured in the face the dialog gets at 96 DPI: a label, check box,
// button or group box whose text is wider than the control loses its last
// letters or its second line on the user's screen. And Alt with a marked
// letter reaches the control it names.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "resources/ControlIds.h"
#include "resources/DialogTemplates.h"
#include "ui/win32/DialogTemplateBuilder.h"

namespace Dravo::UI::Win32 {
namespace {

using Resources::ControlKind;
using Resources::ControlTemplate;
using Resources::DialogTemplate;

// With DS_SHELLFONT, Windows and Wine both draw "MS Shell Dlg" in Tahoma
// (Wine in its own copy, from the prefix's Fonts folder).
constexpr std::u16string_view DIALOG_FACE = u"Tahoma";

// Windows' Tahoma and Wine's differ by a pixel here and there, and a text
// that fills its control to the last pixel is cut by a user's larger font
// smoothing or a translation's longer word: a caption keeps a tenth of its
// width, and at least two pixels, to spare.
LONG WithMargin(LONG width)
{
    return width + std::max<LONG>(2, width / 10);
}

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
    const std::vector<uint32_t> memory = DialogTemplateBuilder::Build(original);
    HWND dialog = ::CreateDialogIndirectParamW(
        ::GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(memory.data()), nullptr, Procedure, 0);
    if (!dialog) {
        return "dialog " + std::to_string(original.id) + " cannot be made: error " + std::to_string(::GetLastError())
            + "\n";
    }
    std::ostringstream problems;
    // The measure holds only in the face it is meant for. The face's name
    // is the one asked for; its family says which font was given.
    HDC dc = ::GetDC(dialog);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
    std::wstring family;
    if (const UINT size = ::GetOutlineTextMetricsW(dc, 0, nullptr); size > 0) {
        std::vector<char> buffer(size);
        auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
        if (::GetOutlineTextMetricsW(dc, size, metrics) > 0) {
            family =
                reinterpret_cast<const wchar_t*>(buffer.data() + reinterpret_cast<uintptr_t>(metrics->otmpFamilyName));
        }
    }
    ::SelectObject(dc, previous);
    ::ReleaseDC(dialog, dc);
    if (Wide(DIALOG_FACE) != family) {
        problems << "dialog " << original.id << " is drawn in \"" << std::string(family.begin(), family.end())
                 << "\", not " << Narrow(DIALOG_FACE) << " (the Wine prefix lacks Wine's fonts)\n";
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
            // Measured within the width less the margin, so that a label
            // which would wrap only without it counts as too tall.
            const LONG usable = available - (WithMargin(available) - available);
            const SIZE needed = Measure(control, Wide(item.text), usable, wraps);
            const bool tooTall = wraps && needed.cy > client.bottom;
            if (WithMargin(needed.cx) > available || tooTall) {
                problems << "dialog " << original.id << ", \"" << Narrow(item.text)
                         << "\": " << Measure(control, Wide(item.text), 0, false).cx << " pixels on one line, "
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

int32_t g_lastCommand = 0;

INT_PTR CALLBACK RecordingProcedure(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND) {
        g_lastCommand = LOWORD(wParam);
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

TEST(DialogTextFitTest, AltWithALabelsLetterFocusesItsBoxAndAButtonsLetterPressesIt)
{
    const DialogTemplate& original = *Resources::FindDialogTemplate(Resources::IDD_DSN_CONFIGURATION);
    const std::vector<uint32_t> memory = DialogTemplateBuilder::Build(original);
    HWND dialog = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
        reinterpret_cast<const DLGTEMPLATE*>(memory.data()), nullptr, RecordingProcedure, 0);
    ASSERT_NE(dialog, nullptr) << ::GetLastError();
    ::ShowWindow(dialog, SW_SHOW);
    int checked = 0;
    for (size_t index = 0; index < original.controls.size(); ++index) {
        const ControlTemplate& item = original.controls[index];
        const size_t mark = item.text.find(u'&');
        if (mark == std::u16string_view::npos || item.Has(Resources::STYLE_DISABLED)) {
            continue;
        }
        SCOPED_TRACE(Narrow(item.text));
        ::SetFocus(::GetDlgItem(dialog, Resources::IDC_MAIN_DSN));
        g_lastCommand = 0;
        MSG message{::GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(item.text[mark + 1]), 1 << 29, 0, {}};
        EXPECT_TRUE(::IsDialogMessageW(dialog, &message));
        if (item.kind == ControlKind::Label) {
            // The next control in the template is the box the label names.
            ASSERT_LT(index + 1, original.controls.size());
            EXPECT_EQ(::GetDlgCtrlID(::GetFocus()), original.controls[index + 1].id);
        } else if (item.kind == ControlKind::PushButton) {
            EXPECT_EQ(g_lastCommand, item.id);
        } else {
            EXPECT_EQ(::GetFocus(), ::GetDlgItem(dialog, item.id));
        }
        ++checked;
    }
    EXPECT_GT(checked, 15);
    ::DestroyWindow(dialog);
}

} // namespace
} // namespace Dravo::UI::Win32
