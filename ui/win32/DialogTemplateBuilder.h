// Dialog templates in the memory layout that DialogBoxIndirectParamW takes
// (DLGTEMPLATE and DLGITEMTEMPLATE records), built from the program's
// template tables, with window styles chosen from the control kinds.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/DialogTemplates.h"

namespace Dravo::UI::Win32 {

/// The window class atom and styles of one control.
struct NativeControlStyle {
    uint16_t classAtom;
    uint32_t style;
    uint32_t extendedStyle;
};

NativeControlStyle GetNativeControlStyle(const Resources::ControlTemplate& control);

/// The template's bytes, DWORD-aligned as the dialog manager requires.
class DialogTemplateBuilder {
public:
    static std::vector<uint32_t> Build(const Resources::DialogTemplate& dialogTemplate);
};

} // namespace Dravo::UI::Win32
