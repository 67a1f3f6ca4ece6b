// The driver object of a connection test: it hands a set of connection
// settings to a driver through the system's ODBC driver manager, as one
// connection string, and tells what the connected driver reports of itself.
// Nothing stays connected after a test.
#pragma once

#include "driversupport/DSDSNConfiguration.h"
#include "support/WideString.h"

namespace Dravo::DriverSupport {

/// What a connected driver reports of itself.
struct DSDriverVersions {
    /// The ODBC version the driver supports, e.g. "03.80".
    Support::WideString odbcVersion;
    /// The driver's own version.
    Support::WideString driverVersion;
};

class DSConnectionTester {
public:
    /// The driver as its installer entry names it; the data source whose
    /// section the driver may read for settings the test does not give (none
    /// when empty).
    DSConnectionTester(Support::WideString driverName, Support::WideString dataSourceName);

    /// "DRIVER={name};DSN=name;" (the driver name always in braces) and then every setting as "key=value;" in
    /// the map's order. A value that holds ";", a brace or surrounding blanks
    /// is enclosed in braces with its "}" doubled. The settings' own "DRIVER"
    /// and "DSN" entries are left out: the ones above decide. Raises
    /// ErrorException for a setting that no connection string can carry (a
    /// name with "=", ";" or a brace, an empty name, a NUL character, or the
    /// file keywords FILEDSN and SAVEFILE).
    [[nodiscard]] Support::WideString BuildConnectionString(const DSConnectionSettingsMap& settings) const;

    /// Connects with the settings, reads the driver's versions and
    /// disconnects. A failure raises ErrorException whose text carries the
    /// driver manager's diagnostic records, "[SQLSTATE] message" one a line,
    /// with the first record's state and native error in the exception.
    [[nodiscard]] DSDriverVersions Connect(const DSConnectionSettingsMap& settings) const;

    [[nodiscard]] const Support::WideString& GetDriverName() const { return m_driverName; }
    [[nodiscard]] const Support::WideString& GetDataSourceName() const { return m_dataSourceName; }

private:
    Support::WideString m_driverName;
    Support::WideString m_dataSourceName;
};

} // namespace Dravo::DriverSupport
