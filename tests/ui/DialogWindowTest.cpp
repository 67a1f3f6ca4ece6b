// The host behaviour dialog code relies on, checked on the program's own
// templates through the headless backend.
#include <functional>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "resources/ControlIds.h"
#include "ui/DialogHost.h"
#include "ui/DialogWindow.h"
#include "ui/headless/HeadlessDialogSystem.h"
#include "ui/headless/ScriptRunner.h"

namespace Dravo::Test {
namespace {

using namespace Dravo::Resources;
using Support::WideString;
using UI::DialogHost;
using UI::Notification;

/// Runs a probe in OnInit, records commands, ends on OK or Cancel.
class ProbeDialog final : public UI::DialogHandler {
public:
    explicit ProbeDialog(std::function<void(DialogHost&)> probe) : m_probe(std::move(probe)) {}

    bool OnInit(DialogHost& host) override
    {
        m_probe(host);
        return true;
    }
    void OnCommand(DialogHost& host, int32_t controlId, Notification notification) override
    {
        commands.emplace_back(controlId, notification);
        if (controlId == IDC_OK || controlId == IDC_CANCEL) {
            host.EndDialog(controlId == IDC_OK ? 1 : 0);
        }
    }

    std::vector<std::pair<int32_t, Notification>> commands;

private:
    std::function<void(DialogHost&)> m_probe;
};

struct Headless {
    explicit Headless(const std::string& script = "") : runner(UI::ParseScript(script, "t"), "t"), system(runner, out)
    {
    }

    std::ostringstream out;
    UI::ScriptRunner runner;
    UI::HeadlessDialogSystem system;
};

TEST(DialogWindowTest, AbsentControlsAcceptEverythingAndGiveEmptyValues)
{
    Headless headless;
    ProbeDialog dialog([](DialogHost& host) {
        for (const int32_t id : {IDC_MAIN_HOST, IDC_MAIN_PORT, IDC_MAIN_DSN, IDC_MAIN_TEST, IDC_MAIN_SERVICE_DISCOVERY,
                 IDC_MAIN_ZOOKEEPER_NAMESPACE}) {
            EXPECT_FALSE(host.HasControl(id)) << id;
        }
        host.SetText(IDC_MAIN_ZOOKEEPER_NAMESPACE, WideString(u"zk"));
        host.Enable(IDC_MAIN_SERVICE_DISCOVERY, true);
        EXPECT_EQ(host.AddItem(IDC_MAIN_SERVICE_DISCOVERY, WideString(u"ZooKeeper")), -1);
        EXPECT_EQ(host.GetSelection(IDC_MAIN_SERVICE_DISCOVERY), -1);
        EXPECT_EQ(host.GetItemCount(IDC_MAIN_SERVICE_DISCOVERY), 0);
        EXPECT_EQ(host.GetText(IDC_MAIN_ZOOKEEPER_NAMESPACE).GetAsUTF8(), "");
        EXPECT_FALSE(host.GetText(IDC_MAIN_ZOOKEEPER_NAMESPACE).IsNull());
        EXPECT_FALSE(host.IsEnabled(IDC_MAIN_SERVICE_DISCOVERY));
        host.EndDialog(7);
    });
    // Ending in OnInit closes the dialog before any script line is needed.
    EXPECT_EQ(headless.system.RunModal(IDD_DRIVER_CONFIGURATION, dialog, nullptr), 7);
    EXPECT_TRUE(dialog.commands.empty());
}

TEST(DialogWindowTest, ProgrammaticChangesReportOnlyEditText)
{
    Headless headless("click 2\n");
    ProbeDialog dialog([](DialogHost& host) {
        host.SetText(IDC_MAIN_REALM, WideString(u"REALM"));
        host.SetText(IDC_MAIN_REALM, WideString(u"REALM"));
        host.SetText(IDC_MAIN_TRANSPORT_LABEL, WideString(u"Transport:"));
        host.AddItem(IDC_MAIN_TRANSPORT, WideString(u"SASL"));
        host.AddItem(IDC_MAIN_TRANSPORT, WideString(u"Binary"));
        host.AddItem(IDC_MAIN_TRANSPORT, WideString(u"HTTP"));
        EXPECT_TRUE(host.SetSelection(IDC_MAIN_TRANSPORT, 2));
        EXPECT_EQ(host.GetText(IDC_MAIN_TRANSPORT).GetAsUTF8(), "SASL");
        host.SetText(IDC_MAIN_TRANSPORT, WideString(u"http"));
        EXPECT_EQ(host.GetSelection(IDC_MAIN_TRANSPORT), 1);
        host.SetCheck(IDC_MAIN_SAVE_PASSWORD, true);
        EXPECT_TRUE(host.IsChecked(IDC_MAIN_SAVE_PASSWORD));
        EXPECT_FALSE(host.SetSelection(IDC_MAIN_TRANSPORT, 3));
        EXPECT_EQ(host.GetSelection(IDC_MAIN_TRANSPORT), -1);
    });
    EXPECT_EQ(headless.system.RunModal(IDD_DRIVER_CONFIGURATION, dialog, nullptr), 0);
    using C = std::pair<int32_t, Notification>;
    EXPECT_EQ(dialog.commands,
        (std::vector<C>{{IDC_MAIN_REALM, Notification::TextChanged}, {IDC_MAIN_REALM, Notification::TextChanged},
            {IDC_CANCEL, Notification::Clicked}}));
}

TEST(DialogWindowTest, EnterPressesOnlyAnEnabledDefaultButtonAndEscapeAlwaysCancels)
{
    Headless headless;
    ProbeDialog dialog([](DialogHost&) {});
    const Resources::DialogTemplate& logging = *FindDialogTemplate(IDD_LOGGING_OPTIONS);
    UI::DialogWindow window(logging, dialog, headless.system, nullptr);
    window.Enable(IDC_OK, false);
    EXPECT_EQ(window.PressEnter(), UI::UserActionError::Disabled);
    EXPECT_TRUE(dialog.commands.empty());
    window.Enable(IDC_OK, true);
    EXPECT_EQ(window.PressEnter(), UI::UserActionError::None);
    window.Enable(IDC_CANCEL, false);
    window.PressEscape();
    using C = std::pair<int32_t, Notification>;
    EXPECT_EQ(dialog.commands, (std::vector<C>{{IDC_OK, Notification::Clicked}, {IDC_CANCEL, Notification::Clicked}}));

    // The test results dialog has no Cancel button: Escape and "click 2" still cancel.
    Headless escape("click 2\n");
    ProbeDialog results([](DialogHost&) {});
    EXPECT_EQ(escape.system.RunModal(IDD_TEST_RESULTS, results, nullptr), 0);
}

TEST(DialogWindowTest, HiddenAndDisabledControlsTakeNoInputAndLoseTheFocus)
{
    Headless headless;
    ProbeDialog dialog([](DialogHost&) {});
    UI::DialogWindow window(*FindDialogTemplate(IDD_LOGGING_OPTIONS), dialog, headless.system, nullptr);
    window.Initialize();
    EXPECT_EQ(window.GetFocus(), IDC_LOG_LEVEL);
    window.Enable(IDC_LOG_LEVEL, false);
    EXPECT_EQ(window.GetFocus(), IDC_LOG_PATH);
    window.Show(IDC_LOG_PATH, false);
    EXPECT_EQ(window.GetFocus(), IDC_LOG_BROWSE);
    EXPECT_EQ(window.TypeText(IDC_LOG_PATH, WideString(u"/tmp")), UI::UserActionError::Hidden);
    EXPECT_EQ(window.SelectItem(IDC_LOG_LEVEL, 0), UI::UserActionError::Disabled);
    window.Show(IDC_LOG_IMPORT, false);
    EXPECT_EQ(window.Click(IDC_LOG_IMPORT), UI::UserActionError::Hidden);
    EXPECT_TRUE(window.MoveFocus(false));
    EXPECT_EQ(window.GetFocus(), IDC_CANCEL);
    EXPECT_TRUE(dialog.commands.empty());
}

TEST(DialogWindowTest, WindowGeometryAndPropertiesBelongToEachDialog)
{
    Headless headless("click 2\nclick 2\n");
    int store = 0;
    UI::Rect childRect;
    std::optional<UI::Rect> childOwner;
    ProbeDialog child([&](DialogHost& host) {
        childRect = host.GetWindowRect();
        childOwner = host.GetOwnerRect();
        EXPECT_EQ(host.GetProperty("InputMap"), nullptr);
    });
    ProbeDialog parent([&](DialogHost& host) {
        host.SetProperty("InputMap", &store);
        EXPECT_EQ(host.GetPropertyAs<int>("InputMap"), &store);
        EXPECT_FALSE(host.GetOwnerRect().has_value());
        const UI::Rect desktop = host.GetDesktopRect();
        EXPECT_EQ(host.GetWindowRect().width, 289);
        host.MoveWindow(desktop.x, desktop.y);
        EXPECT_EQ(host.GetWindowRect(), (UI::Rect{desktop.x, desktop.y, 289, 125}));
        EXPECT_FALSE(host.SetIcons(IDI_PRODUCT));
        EXPECT_EQ(host.SetCursor(UI::CursorShape::Busy), OS::ERROR_SUCCESS_CODE);
    });
    // The parent runs the child from a command, as product dialogs do.
    struct Opener final : UI::DialogHandler {
        ProbeDialog* inner;
        ProbeDialog* child;
        bool OnInit(DialogHost& host) override { return inner->OnInit(host); }
        void OnCommand(DialogHost& host, int32_t id, Notification n) override
        {
            if (id == IDC_CANCEL) {
                EXPECT_EQ(host.RunModalChild(IDD_EDIT_PROPERTY, *child), 0);
            }
            inner->OnCommand(host, id, n);
        }
    } handler;
    handler.inner = &parent;
    handler.child = &child;
    EXPECT_EQ(headless.system.RunModal(IDD_LOGGING_OPTIONS, handler, nullptr), 0);
    ASSERT_TRUE(childOwner.has_value());
    EXPECT_EQ(childOwner->width, 289);
    EXPECT_EQ(childRect.width, 300);
    EXPECT_EQ(headless.system.GetCursor(), UI::CursorShape::Busy);
    EXPECT_THROW(headless.system.RunModal(4242, parent, nullptr), std::invalid_argument);
}

TEST(DialogWindowTest, ExceptionsFromHandlersCloseTheDialogAndPassThrough)
{
    Headless headless("click 1\n");
    struct Throwing final : UI::DialogHandler {
        bool OnInit(DialogHost&) override { return true; }
        void OnCommand(DialogHost&, int32_t, Notification) override { throw std::runtime_error("boom"); }
    } handler;
    EXPECT_THROW(headless.system.RunModal(IDD_EDIT_PROPERTY, handler, nullptr), std::runtime_error);
    EXPECT_TRUE(headless.system.GetOpenDialogs().empty());
}

} // namespace
} // namespace Dravo::Test
