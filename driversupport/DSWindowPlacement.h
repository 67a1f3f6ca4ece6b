// Where the configuration dialogs open: centred over their owner, or over the
// desktop when they have none, and never partly off the desktop.
#pragma once

#include "ui/DialogHost.h"

namespace Dravo::DriverSupport {

/// Centres the dialog over its owner (or the desktop); a side that would
/// leave the desktop is moved back to the desktop's edge.
void CentreOverOwner(UI::DialogHost& host);

} // namespace Dravo::DriverSupport
