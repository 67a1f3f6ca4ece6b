// The instance handle the program was started with; dialog templates and
// string resources are loaded through it on Windows.
#pragma once

namespace Dravo::VezurAVUZ {

using ModuleHandle = void*;

void SetModuleInstance(ModuleHandle instance);
/// nullptr until SetModuleInstance.
[[nodiscard]] ModuleHandle GetModuleInstance();
/// Unset again once the process state is forgotten.
[[nodiscard]] bool IsModuleInstanceSet();

} // namespace Dravo::VezurAVUZ
