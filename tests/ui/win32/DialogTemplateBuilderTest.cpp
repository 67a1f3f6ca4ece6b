// The in-memory templates: the records the dialog manager reads.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/ui/EveryControlDialog.h"
#include "ui/win32/DialogTemplateBuilder.h"

namespace Dravo::UI::Win32 {
namespace {

using Resources::ControlKind;
using Resources::ControlTemplate;

TEST(DialogTemplateBuilderTest, HeaderHoldsSizeTitleAndFont)
{
    const Resources::DialogTemplate& every = ::Dravo::Test::EveryControlTemplate();
    const std::vector<uint32_t> memory = DialogTemplateBuilder::Build(every);
    const auto* header = reinterpret_cast<const DLGTEMPLATE*>(memory.data());
    // The shell's dialog face, not the old bitmap-era mapping of the name.
    EXPECT_EQ(header->style & DS_SHELLFONT, static_cast<DWORD>(DS_SHELLFONT));
    EXPECT_TRUE(header->style & DS_MODALFRAME);
    EXPECT_EQ(header->cdit, every.controls.size());
    EXPECT_EQ(header->cx, every.width);
    EXPECT_EQ(header->cy, every.height);
    // Menu and class words, then the title and the font.
    const auto* words = reinterpret_cast<const wchar_t*>(header + 1);
    EXPECT_EQ(words[0], 0);
    EXPECT_EQ(words[1], 0);
    const std::wstring title(words + 2);
    EXPECT_EQ(title, std::wstring(every.title.begin(), every.title.end()));
    const wchar_t* font = words + 2 + title.size() + 1;
    EXPECT_EQ(font[0], every.fontPointSize);
    EXPECT_EQ(std::wstring(font + 1), L"MS Shell Dlg");
}

TEST(DialogTemplateBuilderTest, ControlKindsChooseClassesAndStyles)
{
    const auto style = [](ControlKind kind, uint32_t styles) {
        return GetNativeControlStyle(ControlTemplate{7, kind, styles, u"", {0, 0, 10, 10}});
    };
    EXPECT_EQ(style(ControlKind::Edit, Resources::STYLE_PASSWORD).style & ES_PASSWORD, static_cast<DWORD>(ES_PASSWORD));
    EXPECT_EQ(style(ControlKind::Edit, Resources::STYLE_DIGITS_ONLY).style & ES_NUMBER, static_cast<DWORD>(ES_NUMBER));
    EXPECT_EQ(style(ControlKind::CheckBox, 0).style & 0xF, static_cast<DWORD>(BS_AUTOCHECKBOX));
    EXPECT_EQ(style(ControlKind::DefaultPushButton, 0).style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(style(ControlKind::DropDownList, Resources::STYLE_SORTED).style & (CBS_DROPDOWNLIST | CBS_SORT),
        static_cast<DWORD>(CBS_DROPDOWNLIST | CBS_SORT));
    EXPECT_EQ(style(ControlKind::ListBox, Resources::STYLE_NOTIFY).style & LBS_NOTIFY, static_cast<DWORD>(LBS_NOTIFY));
    EXPECT_EQ(style(ControlKind::ListBox, 0).classAtom, 0x0083);
    EXPECT_TRUE(style(ControlKind::Label, 0).style & WS_VISIBLE);
    EXPECT_FALSE(style(ControlKind::Label, Resources::STYLE_HIDDEN).style & WS_VISIBLE);
    EXPECT_TRUE(style(ControlKind::PushButton, Resources::STYLE_DISABLED).style & WS_DISABLED);
}

} // namespace
} // namespace Dravo::UI::Win32
