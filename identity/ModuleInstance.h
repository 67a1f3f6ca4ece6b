// The instance handle the program was started with; dialog templates and
// string resources are loaded through it on Windows.
#pragma once

namespace Dravo::VezurAVUZ {

using ModuleHandle = void*;

void SetModuleInstance(ModuleHandle instance);
/// nullptr until SetModuleInstance.
[[nodiscard]] ModuleHandle GetModuleInstance();
[[nodiscard]] bool IsModuleInstanceSet();
/// Back to unset, for a library of ours that keeps nothing between calls.
void ForgetModuleInstance();

} // namespace Dravo::VezurAVUZ
