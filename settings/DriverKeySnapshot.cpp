#include "settings/DriverKeySnapshot.h"

#include <mutex>
#include <vector>

#include "identity/ProductNames.h"
#include "platform/ProcessState.h"
#include "platform/Registry.h"
#include "support/ErrorException.h"
#include "support/RegistryReader.h"

namespace Dravo::VezurAVUZ {
namespace {

using Support::WideString;

struct SnapshotState {
    std::mutex lock;
    std::shared_ptr<const DriverKeySnapshot> snapshot;
};

// Never destroyed but by forgetting the process state, so that no exit-time
// destructor runs while another static still reads it.
OS::ProcessState<SnapshotState> g_state{"driver key snapshot"};

SnapshotState& State()
{
    return g_state.Get();
}

} // namespace

std::shared_ptr<const DriverKeySnapshot> DriverKeySnapshot::Get()
{
    SnapshotState& state = State();
    const std::lock_guard guard(state.lock);
    if (!state.snapshot) {
        state.snapshot = Read();
    }
    return state.snapshot;
}

void DriverKeySnapshot::ResetForTesting()
{
    SnapshotState& state = State();
    const std::lock_guard guard(state.lock);
    state.snapshot.reset();
}

std::shared_ptr<const DriverKeySnapshot> DriverKeySnapshot::Read()
{
    auto snapshot = std::make_shared<DriverKeySnapshot>();
    const WideString& path = GetDriverKeyPath();
    // The reader cannot tell a key that is not there (a machine without the
    // driver's settings: every default applies) from a hive that cannot be
    // read, which must be reported rather than taken for empty.
    const auto probe = OS::RegistryKey::Open(OS::RegistryHive::LocalMachine, path.GetAsU16String());
    if (!probe) {
        const OS::ErrorCode error = probe.GetError();
        if (error != OS::ERROR_FILE_NOT_FOUND_CODE && error != OS::ERROR_PATH_NOT_FOUND_CODE) {
            snapshot->m_readError = error;
            snapshot->m_readDiagnostic = OS::GetRegistryDiagnostic();
        }
        return snapshot;
    }
    std::vector<Support::RegistryEntry> entries;
    try {
        Support::RegistryReader::ReadValues(Support::RegistryReader::LOCAL_MACHINE, path, entries);
    } catch (const Support::ErrorException&) {
        snapshot->m_readError = OS::ERROR_CANTREAD_CODE;
        snapshot->m_readDiagnostic = OS::GetRegistryDiagnostic();
        return snapshot;
    }
    for (Support::RegistryEntry& entry : entries) {
        snapshot->m_values.emplace(std::move(entry.name), std::move(entry.value));
    }
    return snapshot;
}

const WideString* DriverKeySnapshot::Find(const WideString& name) const
{
    const auto found = m_values.find(name);
    return found == m_values.end() ? nullptr : &found->second;
}

} // namespace Dravo::VezurAVUZ
