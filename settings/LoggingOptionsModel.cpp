#include "settings/LoggingOptionsModel.h"

namespace Dravo::VezurAVUZ {

LoggingOptionsModel::~LoggingOptionsModel() = default;

DriverSupport::DSSettingList LoggingOptionsModel::GetConnSettingDefaults() const
{
    return {};
}

} // namespace Dravo::VezurAVUZ
