#include "identity/ModuleInstance.h"

#include <mutex>

#include "platform/ProcessState.h"

namespace Dravo::VezurAVUZ {

namespace {

struct ModuleInformation {
    std::mutex lock;
    ModuleHandle instance = nullptr;
};

// Made by SetModuleInstance: there is none until then.
OS::ProcessState<ModuleInformation> g_module{"module instance"};

} // namespace

void SetModuleInstance(ModuleHandle instance)
{
    ModuleInformation& module = g_module.Get();
    std::lock_guard<std::mutex> guard(module.lock);
    module.instance = instance;
}

ModuleHandle GetModuleInstance()
{
    ModuleInformation* module = g_module.Find();
    if (!module) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(module->lock);
    return module->instance;
}

bool IsModuleInstanceSet()
{
    return g_module.Find() != nullptr;
}

} // namespace Dravo::VezurAVUZ
