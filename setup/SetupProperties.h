// The data-source properties unixODBC's property-based editors offer for this
// driver (ODBCINSTGetProperties): every entry of a data source that the
// data-source dialog edits as plain text or a choice, with the value a new
// data source gets, and the value lists of the choices and check boxes.
#pragma once

#include <vector>

#include "platform/InstallerProperties.h"

namespace Dravo::VezurAVUZ {

/// The properties in the dialogs' order. The passwords are left out: the
/// driver keeps them enciphered, which an editor of plain entries cannot do
/// (the dialog and the silent setup encipher "PWD").
[[nodiscard]] std::vector<OS::InstallerProperty> GetSetupProperties();

} // namespace Dravo::VezurAVUZ
