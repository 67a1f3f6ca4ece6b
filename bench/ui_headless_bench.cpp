// The whole program run headless: template 1092 under a handler that only
// closes, driven by a script. With --floor it exits at the start of main, so
// that the same binary, with the same libraries loaded, gives the floor that
// process start-up costs. ui_headless_bench.sh times both.
//
//   ui_headless_bench SCRIPT|-      run the dialog; exit code: its result, 2 for a failed script
//   ui_headless_bench --floor       load and exit
#include <cstring>
#include <iostream>

#include "resources/ControlIds.h"
#include "ui/DialogHandler.h"
#include "ui/DialogHost.h"
#include "ui/headless/HeadlessDialogSystem.h"
#include "ui/headless/Script.h"
#include "ui/headless/ScriptError.h"
#include "ui/headless/ScriptRunner.h"

namespace {

class CloseOnlyDialog final : public Dravo::UI::DialogHandler {
public:
    bool OnInit(Dravo::UI::DialogHost&) override { return true; }
    void OnCommand(Dravo::UI::DialogHost& host, int32_t controlId, Dravo::UI::Notification) override
    {
        if (controlId == Dravo::Resources::IDC_OK || controlId == Dravo::Resources::IDC_CANCEL) {
            host.EndDialog(controlId == Dravo::Resources::IDC_OK ? 1 : 0);
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: ui_headless_bench SCRIPT|-|--floor\n";
        return 64;
    }
    if (std::strcmp(argv[1], "--floor") == 0) {
        return 0;
    }
    try {
        Dravo::UI::ScriptRunner runner(Dravo::UI::LoadScriptFile(argv[1]), argv[1]);
        Dravo::UI::HeadlessDialogSystem system(runner, std::cout);
        CloseOnlyDialog dialog;
        const int32_t result = system.RunModal(Dravo::Resources::IDD_DRIVER_CONFIGURATION, dialog, nullptr);
        runner.Finish();
        return result;
    } catch (const Dravo::UI::ScriptError& error) {
        std::cerr << error.what() << '\n';
        return Dravo::UI::SCRIPT_FAILURE_EXIT_CODE;
    }
}
