// What File does the same way on every system: ownership of the descriptor
// and the test hook for injected faults.
#include "platform/File.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "platform/FileFault.h"

namespace Dravo::OS {
namespace {

std::mutex s_hookLock;
FileFaultHook s_hook;
// Read without the lock on every operation: a hook is set only by tests.
std::atomic<bool> s_hookSet{false};

} // namespace

ErrorCode InjectedFileFault(FileOperation operation, const std::u16string& name)
{
    if (!s_hookSet.load(std::memory_order_acquire)) {
        return ERROR_SUCCESS_CODE;
    }
    std::lock_guard<std::mutex> guard(s_hookLock);
    return s_hook ? s_hook(operation, name) : ERROR_SUCCESS_CODE;
}

void SetFileFaultHook(FileFaultHook hook)
{
    std::lock_guard<std::mutex> guard(s_hookLock);
    s_hook = std::move(hook);
    s_hookSet.store(static_cast<bool>(s_hook), std::memory_order_release);
}

File::File(File&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)),
      m_writable(other.m_writable),
      m_name(std::move(other.m_name))
{
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_writable = other.m_writable;
        m_name = std::move(other.m_name);
    }
    return *this;
}

File::~File()
{
    Close();
}

} // namespace Dravo::OS
