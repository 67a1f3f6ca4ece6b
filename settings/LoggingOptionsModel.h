// The product's configuration store: it carries the driver's logging options
// for the settings model and holds the settings of a connection test. It has
// no default settings of its own.
#pragma once

#include "driversupport/DSDSNConfiguration.h"

namespace Dravo::VezurAVUZ {

class LoggingOptionsModel final : public DriverSupport::DSDSNConfiguration {
public:
    using DSDSNConfiguration::DSDSNConfiguration;
    ~LoggingOptionsModel() override;

    [[nodiscard]] DriverSupport::DSSettingList GetConnSettingDefaults() const override;
};

} // namespace Dravo::VezurAVUZ
