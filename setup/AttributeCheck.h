// The checks a data source's attributes pass before anything is written:
// what the data-source dialog would refuse or could never produce.
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
/// that is not a number from 0 to 65535; an unknown server type, mechanism,
/// transport or discovery mode; a transport the mechanism does not allow; a
/// switch other than 0 or 1; a number out of range; an empty host; Kerberos
/// without host FQDN or service name, ZooKeeper without a namespace; a stored
/// password that is not one this driver enciphered. Combinations are judged
/// on the data source as it will be: given values over stored ones.
void CheckDataSourceAttributes(const AttributeList& attributes, const StoredValueLookup& stored);

} // namespace Dravo::VezurAVUZ
