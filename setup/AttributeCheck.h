// The checks a data source's attributes pass before anything is written: the
// setting rules shared with the dialogs and the command line, judged as the
// setup library writes attributes (as given).
#pragma once

#include <functional>
#include <string_view>

#include "setup/AttributeList.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// The value the data source holds now under a key, or nullptr (always for a
/// data source that is made anew).
using StoredValueLookup = std::function<const Support::WideString*(std::u16string_view key)>;

/// Throws InstallerError (invalid keyword value) for the first fault: a port
/// that is not a number from 0 to 65535; a server type, mechanism, transport
/// or discovery mode the dialogs do not offer; a transport the mechanism does
/// not allow; a switch other than 0 or 1; a number out of its range; an empty
/// host; Kerberos without host FQDN or service name, ZooKeeper without a
/// namespace, two-way SSL without its files; a stored password that is not
/// one this driver enciphered. Combinations are judged on the data source as
/// it will be: given values over stored ones.
void CheckDataSourceAttributes(const AttributeList& attributes, const StoredValueLookup& stored);

} // namespace Dravo::VezurAVUZ
