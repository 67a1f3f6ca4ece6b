// Names the setup library as the Setup of the driver's entry in unixODBC's
// odbcinst.ini, and takes it away again. The entry belongs to the driver's
// own package: a missing entry is left missing, a Setup (or Setup64) that
// someone else wrote is never replaced, and a removal takes away only what a
// registration added. What was added is told by a second entry written
// beside Setup, SetupAddedBy, which unixODBC keeps when it rewrites the file
// and ignores otherwise. Reads and writes go through the installer library,
// which finds the file as unixODBC does (ODBCSYSINI, ODBCINSTINI).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Dravo::VezurAVUZ {

class OdbcSetupRegistration {
public:
    enum class Outcome {
        /// Setup written now.
        Registered,
        /// Written before by a registration, and naming this library.
        AlreadyRegistered,
        /// The driver has no entry: nothing written.
        NoDriverEntry,
        /// The entry has a Setup of someone else's: nothing written.
        SetupOfOthers,
        /// Setup and the marker taken away.
        Unregistered,
        /// A registration added nothing that is still there.
        NothingToUnregister,
        /// Added by a registration, but changed since: the marker goes, Setup
        /// stays.
        ChangedSinceRegistered,
        /// The installer library is missing.
        InstallerUnavailable,
        /// The installer refused a write (told in the message).
        WriteFailed,
    };

    struct Result {
        Outcome outcome;
        /// One sentence for the user: what was found and done.
        std::string message;
    };

    /// driverName names the entry; libraryPath is what Setup is set to;
    /// otherPaths are other names of the same library (its place under
    /// another prefix) that count as this library's when removing.
    OdbcSetupRegistration(std::string driverName, std::string libraryPath, std::vector<std::string> otherPaths = {});

    [[nodiscard]] Result Register() const;
    [[nodiscard]] Result Unregister() const;

    /// The marker entry and its value.
    static constexpr const char* MARKER_NAME = "SetupAddedBy";
    static constexpr const char* MARKER_VALUE = "dravo-spark-config";

private:
    [[nodiscard]] std::string Read(const char* entry) const;
    /// Sets (or with nullptr removes) the entries of the driver's section as
    /// one change of the drivers file.
    [[nodiscard]] bool Write(std::vector<std::pair<const char*, const std::string*>> entries) const;
    [[nodiscard]] bool IsThisLibrary(const std::string& path) const;
    [[nodiscard]] std::string Entry() const;

    std::string m_driverName;
    std::string m_libraryPath;
    std::vector<std::string> m_otherPaths;
};

} // namespace Dravo::VezurAVUZ
