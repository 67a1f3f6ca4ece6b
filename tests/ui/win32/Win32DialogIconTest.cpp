// The dialogs' icon comes from the module that holds the dialog code (this
// test program carries it as the program and the setup library do), and the
// window shows it in both sizes.
#include <gtest/gtest.h>

#include <windows.h>

#include "resources/ControlIds.h"
#include "tests/ui/EveryControlDialog.h"
#include "ui/DialogHandler.h"
#include "ui/win32/Win32DialogHost.h"
#include "ui/win32/Win32DialogSystem.h"

namespace Dravo::UI::Win32 {
namespace {

class IconDialog final : public DialogHandler {
public:
    bool OnInit(DialogHost& host) override
    {
        loaded = host.SetIcons(Resources::IDI_PRODUCT);
        const HWND window = dynamic_cast<Win32DialogHost&>(host).GetWindow();
        small = ::SendMessageW(window, WM_GETICON, ICON_SMALL, 0) != 0;
        big = ::SendMessageW(window, WM_GETICON, ICON_BIG, 0) != 0;
        missing = host.SetIcons(Resources::IDI_PRODUCT + 1);
        host.EndDialog(1);
        return true;
    }
    void OnCommand(DialogHost&, int32_t, Notification) override {}

    bool loaded = false;
    bool small = false;
    bool big = false;
    bool missing = true;
};

TEST(Win32DialogIconTest, TheWindowShowsTheProductIcon)
{
    Win32DialogSystem system;
    IconDialog dialog;
    EXPECT_EQ(system.RunModalTemplate(::Dravo::Test::EveryControlTemplate(), dialog, nullptr), 1);
    EXPECT_TRUE(dialog.loaded);
    EXPECT_TRUE(dialog.small);
    EXPECT_TRUE(dialog.big);
    EXPECT_FALSE(dialog.missing) << "an icon this module does not carry was loaded";
}

// A dialog whose handler sets no icon (SSL Options, HTTP Properties, Edit
// Property) shows the product's all the same.
class PlainDialog final : public DialogHandler {
public:
    bool OnInit(DialogHost& host) override
    {
        const HWND window = dynamic_cast<Win32DialogHost&>(host).GetWindow();
        small = ::SendMessageW(window, WM_GETICON, ICON_SMALL, 0) != 0;
        host.EndDialog(1);
        return true;
    }
    void OnCommand(DialogHost&, int32_t, Notification) override {}

    bool small = false;
};

TEST(Win32DialogIconTest, EveryDialogShowsTheProductIcon)
{
    Win32DialogSystem system;
    PlainDialog dialog;
    EXPECT_EQ(system.RunModalTemplate(::Dravo::Test::EveryControlTemplate(), dialog, nullptr), 1);
    EXPECT_TRUE(dialog.small);
}

} // namespace
} // namespace Dravo::UI::Win32
