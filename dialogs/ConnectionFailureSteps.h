// What the Test Results dialog adds below the driver's message when the
// driver's test fails: the steps of the connection diagnosis that failed for
// the same settings, each with its hint.
#pragma once

#include "driversupport/DSTestResultDialog.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// The lines for the data source DATA_SOURCE_NAME (may be empty) of the
/// driver DRIVER_NAME.
[[nodiscard]] DriverSupport::DSFailureSteps MakeConnectionFailureSteps(
    const Support::WideString& driverName, const Support::WideString& dataSourceName);

} // namespace Dravo::VezurAVUZ
