#include "ui/win32/DialogTemplateBuilder.h"

#include <cstring>
#include <string_view>

#include <windows.h>

namespace Dravo::UI::Win32 {
namespace {

using Resources::ControlKind;
using Resources::ControlTemplate;

// The predefined window classes, by atom.
constexpr uint16_t BUTTON_CLASS = 0x0080;
constexpr uint16_t EDIT_CLASS = 0x0081;
constexpr uint16_t STATIC_CLASS = 0x0082;
constexpr uint16_t LISTBOX_CLASS = 0x0083;
constexpr uint16_t COMBOBOX_CLASS = 0x0085;

class ByteWriter {
public:
    void Word(uint16_t value) { Append(&value, sizeof value); }
    void Dword(uint32_t value) { Append(&value, sizeof value); }
    void Short(int16_t value) { Append(&value, sizeof value); }
    void Text(std::u16string_view text)
    {
        for (const char16_t unit : text) {
            Word(static_cast<uint16_t>(unit));
        }
        Word(0);
    }
    void AlignToDword()
    {
        while (m_bytes.size() % 4 != 0) {
            m_bytes.push_back(0);
        }
    }
    [[nodiscard]] std::vector<uint32_t> Finish()
    {
        AlignToDword();
        std::vector<uint32_t> words(m_bytes.size() / 4);
        std::memcpy(words.data(), m_bytes.data(), m_bytes.size());
        return words;
    }

private:
    void Append(const void* data, size_t size)
    {
        const auto* bytes = static_cast<const uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }

    std::vector<uint8_t> m_bytes;
};

int16_t Units(int32_t value)
{
    return static_cast<int16_t>(value);
}

} // namespace

NativeControlStyle GetNativeControlStyle(const ControlTemplate& control)
{
    NativeControlStyle native{STATIC_CLASS, WS_CHILD, 0};
    switch (control.kind) {
    case ControlKind::Label:
        native = {STATIC_CLASS, WS_CHILD | SS_LEFT | WS_GROUP, 0};
        break;
    case ControlKind::Edit: {
        uint32_t style = WS_CHILD | WS_TABSTOP | WS_BORDER | ES_LEFT;
        if (control.Has(Resources::STYLE_MULTI_LINE)) {
            style |= ES_MULTILINE | ES_WANTRETURN;
        } else {
            // A single line scrolls along as the user types past its width.
            style |= ES_AUTOHSCROLL;
        }
        if (control.Has(Resources::STYLE_PASSWORD)) {
            style |= ES_PASSWORD;
        }
        if (control.Has(Resources::STYLE_DIGITS_ONLY)) {
            style |= ES_NUMBER;
        }
        if (control.Has(Resources::STYLE_READ_ONLY)) {
            style |= ES_READONLY;
        }
        if (control.Has(Resources::STYLE_AUTO_HORIZONTAL_SCROLL)) {
            style |= ES_AUTOHSCROLL;
        }
        if (control.Has(Resources::STYLE_AUTO_VERTICAL_SCROLL)) {
            style |= ES_AUTOVSCROLL;
        }
        native = {EDIT_CLASS, style, 0};
        break;
    }
    case ControlKind::PushButton:
        native = {BUTTON_CLASS, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0};
        break;
    case ControlKind::DefaultPushButton:
        native = {BUTTON_CLASS, WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, 0};
        break;
    case ControlKind::CheckBox:
        native = {BUTTON_CLASS, WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
        break;
    case ControlKind::GroupBox:
        // A group box without a frame only groups: a plain caption.
        native = control.Has(Resources::STYLE_BORDERLESS) ? NativeControlStyle{STATIC_CLASS, WS_CHILD | SS_LEFT, 0}
                                                          : NativeControlStyle{BUTTON_CLASS, WS_CHILD | BS_GROUPBOX, 0};
        break;
    case ControlKind::DropDownList: {
        uint32_t style = WS_CHILD | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        if (control.Has(Resources::STYLE_SORTED)) {
            style |= CBS_SORT;
        }
        native = {COMBOBOX_CLASS, style, 0};
        break;
    }
    case ControlKind::ListBox: {
        uint32_t style = WS_CHILD | WS_TABSTOP | WS_BORDER | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
        if (control.Has(Resources::STYLE_SORTED)) {
            style |= LBS_SORT;
        }
        if (control.Has(Resources::STYLE_NOTIFY)) {
            style |= LBS_NOTIFY;
        }
        native = {LISTBOX_CLASS, style, 0};
        break;
    }
    }
    if (control.Has(Resources::STYLE_VERTICAL_SCROLL)) {
        native.style |= WS_VSCROLL;
    }
    if (control.Has(Resources::STYLE_BORDER)) {
        native.style |= WS_BORDER;
    }
    if (control.Has(Resources::STYLE_DISABLED)) {
        native.style |= WS_DISABLED;
    }
    if (!control.Has(Resources::STYLE_HIDDEN)) {
        native.style |= WS_VISIBLE;
    }
    return native;
}

std::vector<uint32_t> DialogTemplateBuilder::Build(const Resources::DialogTemplate& dialogTemplate)
{
    ByteWriter out;
    // DLGTEMPLATE; the dialog is placed by its handler, or centred by the
    // dialog manager when it does not move it. DS_SHELLFONT (with "MS Shell
    // Dlg") asks for the shell's dialog face, as the system's own dialogs use.
    out.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS | DS_CENTER);
    out.Dword(WS_EX_DLGMODALFRAME);
    out.Word(static_cast<uint16_t>(dialogTemplate.controls.size()));
    out.Short(0);
    out.Short(0);
    out.Short(Units(dialogTemplate.width));
    out.Short(Units(dialogTemplate.height));
    out.Word(0); // no menu
    out.Word(0); // the standard dialog class
    out.Text(dialogTemplate.title);
    out.Word(static_cast<uint16_t>(dialogTemplate.fontPointSize));
    out.Text(dialogTemplate.fontName);
    for (const ControlTemplate& control : dialogTemplate.controls) {
        out.AlignToDword();
        const NativeControlStyle native = GetNativeControlStyle(control);
        out.Dword(native.style);
        out.Dword(native.extendedStyle);
        out.Short(Units(control.rect.x));
        out.Short(Units(control.rect.y));
        out.Short(Units(control.rect.width));
        out.Short(Units(control.rect.height));
        out.Word(static_cast<uint16_t>(control.id)); // IDC_STATIC (-1) is 0xFFFF
        out.Word(0xFFFF);
        out.Word(native.classAtom);
        out.Text(control.text);
        out.Word(0); // no creation data
    }
    return out.Finish();
}

} // namespace Dravo::UI::Win32
