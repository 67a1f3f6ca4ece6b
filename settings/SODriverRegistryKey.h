// The driver key as the driver-wide settings and property sets write it: one
// REG_SZ value at a time, removals through a handle kept only for the call,
// and the registry error that a failed call raises.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// A value written, or removed when there is no text.
struct DriverValueChange {
    Support::WideString name;
    std::optional<Support::WideString> value;
};

class SODriverRegistryKey {
public:
    SODriverRegistryKey() = default;
    SODriverRegistryKey(const SODriverRegistryKey&) = delete;
    SODriverRegistryKey& operator=(const SODriverRegistryKey&) = delete;
    /// Closes the key if it is still open.
    ~SODriverRegistryKey();

    /// Creates the driver key when needed and stores the value as a REG_SZ
    /// with its terminating NUL. Raises the registry error on failure.
    void WriteValue(const Support::WideString& name, const Support::WideString& value);
    /// Deletes the value; a value (or a driver key) that is not there is no
    /// error. Raises the registry error when the key cannot be opened for
    /// writing or the value cannot be deleted.
    void RemoveValue(const Support::WideString& name);
    /// Why a value of this name could not be stored in the driver key so that
    /// it reads back the same (where the key is the driver's configuration
    /// file, a name with "=", say); nothing when it can.
    [[nodiscard]] static std::optional<std::string> WhyValueNameCannotBeStored(const Support::WideString& name);
    /// Waits until every change to the driver key's hive is on disk.
    void Flush();

    [[nodiscard]] bool IsOpen() const { return m_isOpen; }

    /// From now on writes and removals are kept instead of made, so that a
    /// save can be looked at before anything reaches the registry.
    void StartRecording();
    [[nodiscard]] bool IsRecording() const { return m_recording; }
    /// Ends the recording: the changes in the order of their first making, a
    /// later change of a name (in any case) replacing an earlier one.
    [[nodiscard]] std::vector<DriverValueChange> StopRecording();
    /// Makes the changes, in order.
    void Apply(const std::vector<DriverValueChange>& changes);

    /// ErrorException in its formatted form: state 63 ("HY000"), native code
    /// 1010, row and column -1, and the system's text for the code followed
    /// by the registry's own account of the failure (the hive file and line).
    [[noreturn]] static void RaiseRegistryError(OS::ErrorCode error);
    /// The same with an account of the failure kept from earlier.
    [[noreturn]] static void RaiseRegistryError(OS::ErrorCode error, const std::string& diagnostic);

private:
    void Close();

    void Record(const Support::WideString& name, std::optional<Support::WideString> value);

    OS::RegistryKey m_key;
    bool m_isOpen = false;
    bool m_recording = false;
    std::vector<DriverValueChange> m_recorded;
};

} // namespace Dravo::VezurAVUZ
