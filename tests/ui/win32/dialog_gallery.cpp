// Shows each of the program's dialog templates in turn as Windows draws it,
// for screenshots: prints "ready ID LEFT TOP WIDTH HEIGHT" (the window in
// screen pixels) and waits for a line on standard input before the next.
#include <cstdio>
#include <iostream>
#include <string>

#include <windows.h>
#include <commctrl.h>

#include "resources/DialogTemplates.h"
#include "ui/win32/DialogTemplateBuilder.h"

namespace {

INT_PTR CALLBACK Procedure(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

void PumpUntilIdle()
{
    MSG message;
    for (int round = 0; round < 50; ++round) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::Sleep(20);
    }
}

} // namespace

int main()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    for (const auto& dialogTemplate : Dravo::Resources::AllDialogTemplates()) {
        const auto memory = Dravo::UI::Win32::DialogTemplateBuilder::Build(dialogTemplate);
        HWND window = ::CreateDialogIndirectParamW(
            ::GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(memory.data()), nullptr, Procedure, 0);
        if (!window) {
            std::fprintf(stderr, "dialog %d: error %lu\n", dialogTemplate.id, ::GetLastError());
            return 1;
        }
        ::SetWindowPos(window, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        PumpUntilIdle();
        RECT rect{};
        ::GetWindowRect(window, &rect);
        std::printf("ready %d %ld %ld %ld %ld\n", dialogTemplate.id, rect.left, rect.top, rect.right - rect.left,
            rect.bottom - rect.top);
        std::fflush(stdout);
        std::string line;
        std::getline(std::cin, line);
        ::DestroyWindow(window);
        PumpUntilIdle();
    }
    return 0;
}
