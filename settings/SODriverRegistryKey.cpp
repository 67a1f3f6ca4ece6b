#include "settings/SODriverRegistryKey.h"

#include <string>
#include <utility>

#include "identity/ProductNames.h"
#include "support/ErrorException.h"
#include "support/SystemErrorText.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

/// The native error code of every registry error the settings raise.
constexpr int32_t REGISTRY_ERROR_NATIVE_CODE = 1010;

std::u16string DriverKeyPath()
{
    return GetDriverKeyPath().GetAsU16String();
}

} // namespace

SODriverRegistryKey::~SODriverRegistryKey()
{
    Close();
}

void SODriverRegistryKey::WriteValue(const WideString& name, const WideString& value)
{
    if (m_recording) {
        Record(name, value.IsNull() ? WideString(u"") : value);
        return;
    }
    auto key = OS::RegistryKey::Create(OS::RegistryHive::LocalMachine, DriverKeyPath());
    if (!key) {
        RaiseRegistryError(key.GetError());
    }
    const OS::ErrorCode error = key->SetStringValue(name.GetAsU16String(), value.GetAsU16String());
    if (error != OS::ERROR_SUCCESS_CODE) {
        RaiseRegistryError(error);
    }
}

void SODriverRegistryKey::RemoveValue(const WideString& name)
{
    if (m_recording) {
        Record(name, std::nullopt);
        return;
    }
    if (!m_isOpen) {
        auto key = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, DriverKeyPath(), OS::RegistryAccess::Full);
        if (!key) {
            // Without the key there is no value to remove.
            if (key.GetError() == OS::ERROR_FILE_NOT_FOUND_CODE) {
                return;
            }
            RaiseRegistryError(key.GetError());
        }
        m_key = std::move(*key);
        m_isOpen = true;
    }
    const OS::ErrorCode error = m_key.DeleteValue(name.GetAsU16String());
    Close();
    if (error != OS::ERROR_SUCCESS_CODE && error != OS::ERROR_FILE_NOT_FOUND_CODE) {
        RaiseRegistryError(error);
    }
}

std::optional<std::string> SODriverRegistryKey::WhyValueNameCannotBeStored(const WideString& name)
{
    return OS::WhyRegistryKeyCannotHoldValueName(
        OS::RegistryHive::LocalMachine, DriverKeyPath(), name.GetAsU16String());
}

void SODriverRegistryKey::Flush()
{
    if (m_recording) {
        return;
    }
    auto key = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, DriverKeyPath());
    if (!key) {
        // Nothing was written, so there is nothing to wait for.
        if (key.GetError() == OS::ERROR_FILE_NOT_FOUND_CODE) {
            return;
        }
        RaiseRegistryError(key.GetError());
    }
    if (const OS::ErrorCode error = key->Flush(); error != OS::ERROR_SUCCESS_CODE) {
        RaiseRegistryError(error);
    }
}

void SODriverRegistryKey::StartRecording()
{
    m_recorded.clear();
    m_recording = true;
}

std::vector<DriverValueChange> SODriverRegistryKey::StopRecording()
{
    m_recording = false;
    return std::exchange(m_recorded, {});
}

void SODriverRegistryKey::Apply(const std::vector<DriverValueChange>& changes)
{
    for (const DriverValueChange& change : changes) {
        if (change.value) {
            WriteValue(change.name, *change.value);
        } else {
            RemoveValue(change.name);
        }
    }
}

void SODriverRegistryKey::Record(const WideString& name, std::optional<WideString> value)
{
    for (DriverValueChange& change : m_recorded) {
        if (change.name.IsEqual(name, false)) {
            change.value = std::move(value);
            return;
        }
    }
    m_recorded.push_back(DriverValueChange{name, std::move(value)});
}

void SODriverRegistryKey::RaiseRegistryError(OS::ErrorCode error)
{
    RaiseRegistryError(error, OS::GetRegistryDiagnostic());
}

void SODriverRegistryKey::RaiseRegistryError(OS::ErrorCode error, const std::string& diagnostic)
{
    WideString text = Support::FormatSystemError(error);
    if (!diagnostic.empty()) {
        text += WideString(diagnostic);
    }
    throw Support::ErrorException(Support::DIAG_GENERAL_ERROR, REGISTRY_ERROR_NATIVE_CODE, text, -1, -1);
}

void SODriverRegistryKey::Close()
{
    m_key.Close();
    m_isOpen = false;
}

} // namespace Dravo::VezurAVUZ
