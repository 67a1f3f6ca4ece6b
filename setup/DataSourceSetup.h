// ConfigDSN's work: adding, changing and removing one data source of the
// installer that called us, from the attributes alone or through the
// data-source dialog, each through a data-source session; this only tells
// its outcome in the installer's errors.
#pragma once

#include <functional>

#include "setup/AttributeList.h"
#include "support/WideString.h"

namespace Dravo::Support {
class DSIFileLogger;
}
namespace Dravo::VezurAVUZ {

class DialogBackend;

class DataSourceSetup {
public:
    /// DRIVER: the driver's name as the installer registered it, which new
    /// data sources are made for.
    DataSourceSetup(Support::DSIFileLogger& logger, Support::WideString driver);

    /// A data source named by "DSN", made anew from the defaults with the
    /// attributes over them; one of that name is replaced.
    void Add(const AttributeList& attributes);
    /// Changes the given entries of the existing data source "DSN".
    void Configure(const AttributeList& attributes);
    /// Removes the existing data source "DSN".
    void Remove(const AttributeList& attributes);

    /// The dialogs, asked for only once the request has been checked.
    using Dialogs = std::function<DialogBackend&()>;
    /// The data-source dialog, filled from the defaults and the attributes;
    /// OK saves what it shows, Cancel throws InstallerError (user canceled).
    void AddWithDialog(const Dialogs& dialogs, const AttributeList& attributes);
    /// The same, filled from the data source "DSN" and the attributes; a new
    /// name given in the dialog renames the data source.
    void ConfigureWithDialog(const Dialogs& dialogs, const AttributeList& attributes);

private:
    Support::DSIFileLogger& m_logger;
    Support::WideString m_driver;
};

} // namespace Dravo::VezurAVUZ
