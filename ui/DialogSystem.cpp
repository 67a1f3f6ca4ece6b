#include "ui/DialogSystem.h"

#include <stdexcept>
#include <string>

namespace Dravo::UI {

int32_t DialogSystem::RunModal(int32_t templateId, DialogHandler& handler, DialogHost* owner)
{
    const Resources::DialogTemplate* dialogTemplate = Resources::FindDialogTemplate(templateId);
    if (!dialogTemplate) {
        throw std::invalid_argument("the program has no dialog template " + std::to_string(templateId));
    }
    return RunModalTemplate(*dialogTemplate, handler, owner);
}

} // namespace Dravo::UI
