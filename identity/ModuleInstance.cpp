#include "identity/ModuleInstance.h"

#include <mutex>

namespace Dravo::VezurAVUZ {

namespace {

struct ModuleInformation {
    std::mutex lock;
    ModuleHandle instance = nullptr;
    bool isSet = false;
};

ModuleInformation& Module()
{
    static ModuleInformation information;
    return information;
}

} // namespace

void SetModuleInstance(ModuleHandle instance)
{
    ModuleInformation& module = Module();
    std::lock_guard<std::mutex> guard(module.lock);
    module.instance = instance;
    module.isSet = true;
}

ModuleHandle GetModuleInstance()
{
    ModuleInformation& module = Module();
    std::lock_guard<std::mutex> guard(module.lock);
    return module.instance;
}

void ForgetModuleInstance()
{
    ModuleInformation& module = Module();
    std::lock_guard<std::mutex> guard(module.lock);
    module.instance = nullptr;
    module.isSet = false;
}

bool IsModuleInstanceSet()
{
    ModuleInformation& module = Module();
    std::lock_guard<std::mutex> guard(module.lock);
    return module.isSet;
}

} // namespace Dravo::VezurAVUZ
