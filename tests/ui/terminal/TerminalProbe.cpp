// Runs a test dialog with the terminal backend, for the tests that drive it
// in a real terminal under tmux. After the terminal is given back it prints
// what the dialog held, one "key=value" per line, on standard output.
//
//   ui_terminal_probe [--template ID] [--name-hex HEX] [--no-mouse] [--busy]
//
// Without --template it runs the every-control test dialog; with it, the
// program's template of that id under a handler that only closes. --busy
// leaves the busy indicator on from the start.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "resources/ControlIds.h"
#include "tests/ui/EveryControlDialog.h"
#include "ui/DialogHost.h"
#include "ui/terminal/TerminalDialogSystem.h"
#include "ui/terminal/TerminalSession.h"

namespace {

using namespace Dravo;

/// Fills the lists so that the layout shows entries, and closes on OK or Cancel.
class CloseOnlyDialog final : public UI::DialogHandler {
public:
    bool OnInit(UI::DialogHost& host) override
    {
        for (const int32_t id : {Resources::IDC_MAIN_SERVER_TYPE, Resources::IDC_MAIN_MECHANISM,
                 Resources::IDC_MAIN_TRANSPORT, Resources::IDC_LOG_LEVEL, Resources::IDC_PROPERTY_LIST}) {
            for (const char16_t* item : {u"First entry", u"Second entry", u"Third entry"}) {
                host.AddItem(id, Support::WideString(item));
            }
            host.SetSelection(id, 0);
        }
        host.SetText(Resources::IDC_TEST_RESULTS_TEXT,
            Support::WideString(u"SUCCESS! \r\n\r\nSuccessfully connected to data source!\r\n\r\nODBC Version: 03.80"));
        return true;
    }
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override
    {
        if (notification == UI::Notification::Clicked
            && (controlId == Resources::IDC_OK || controlId == Resources::IDC_CANCEL)) {
            host.EndDialog(controlId == Resources::IDC_OK ? 1 : 0);
        }
    }
};

/// Passes everything on, and turns the busy indicator on at the start.
class BusyDialog final : public UI::DialogHandler {
public:
    explicit BusyDialog(UI::DialogHandler& inner) : m_inner(inner) {}
    bool OnInit(UI::DialogHost& host) override
    {
        const bool result = m_inner.OnInit(host);
        (void)host.SetCursor(UI::CursorShape::Busy);
        return result;
    }
    void OnCommand(UI::DialogHost& host, int32_t controlId, UI::Notification notification) override
    {
        m_inner.OnCommand(host, controlId, notification);
    }
    void OnDestroy(UI::DialogHost& host) override
    {
        (void)host.SetCursor(UI::CursorShape::Arrow);
        m_inner.OnDestroy(host);
    }

private:
    UI::DialogHandler& m_inner;
};

std::string FromHex(const char* hex)
{
    std::string bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        bytes += static_cast<char>(std::strtol(std::string(hex + i, 2).c_str(), nullptr, 16));
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    int32_t templateId = 0;
    Support::WideString name(u"start");
    UI::Terminal::TerminalOptions options;
    bool busy = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--template" && i + 1 < argc) {
            templateId = std::atoi(argv[++i]);
        } else if (argument == "--name-hex" && i + 1 < argc) {
            // Bytes as given: invalid UTF-8 becomes U+FFFD here, control
            // characters stay for the terminal to escape.
            name = Support::WideString(FromHex(argv[++i]));
        } else if (argument == "--no-mouse") {
            options.mouse = false;
        } else if (argument == "--busy") {
            busy = true;
        } else {
            std::cerr << "usage: ui_terminal_probe [--template ID] [--name-hex HEX] [--no-mouse] [--busy]\n";
            return 2;
        }
    }

    Test::EveryControlDialog dialog(name);
    CloseOnlyDialog closeOnly;
    BusyDialog busyDialog(dialog);
    int32_t result = -1;
    try {
        UI::Terminal::TerminalSession session(options);
        UI::Terminal::TerminalDialogSystem system(session);
        result = templateId != 0 ? system.RunModal(templateId, closeOnly, nullptr)
                                 : system.RunModalTemplate(Test::EveryControlTemplate(),
                                     busy ? static_cast<UI::DialogHandler&>(busyDialog) : dialog, nullptr);
    } catch (const UI::Terminal::TerminalError& error) {
        std::cerr << "ui_terminal_probe: " << error.what() << '\n';
        return 3;
    } catch (const UI::Terminal::TerminalInterrupted& stop) {
        std::cout << "interrupted=" << stop.GetSignal() << "\nend" << std::endl;
        return 128 + stop.GetSignal();
    }
    std::cout << "result=" << result << '\n';
    if (templateId == 0) {
        const Test::EveryControlResult& state = dialog.GetResult();
        std::cout << "name=" << state.name << "\npassword=" << state.password << "\nport=" << state.port
                  << "\nextras=" << (state.extras ? 1 : 0) << "\ncolour=" << state.colour << "\nitem=" << state.item
                  << "\nstatus=" << state.status << "\nfile=" << state.file << '\n';
    }
    std::cout << "end" << std::endl;
    return 0;
}
