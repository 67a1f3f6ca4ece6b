// Process-wide state that is made on first use and never destroyed, so that
// nothing running while the process ends finds it gone, unless a library of
// ours gives it back: a library that is loaded and unloaded many times in one
// process must leave nothing behind that points into its unloaded code.
#pragma once

#include <mutex>

namespace Dravo::OS {

/// Declared at namespace scope; constant-initialised and without a
/// destructor of its own, so it is usable at any time.
template <class T>
class ProcessState {
public:
    constexpr ProcessState() = default;
    ProcessState(const ProcessState&) = delete;
    ProcessState& operator=(const ProcessState&) = delete;

    /// The state, made now when there is none.
    T& Get()
    {
        std::lock_guard lock(m_lock);
        if (!m_value) {
            m_value = new T();
        }
        return *m_value;
    }

    /// Destroys the state; the next Get makes it anew. Nobody may be using it.
    void Release()
    {
        T* value = nullptr;
        {
            std::lock_guard lock(m_lock);
            value = m_value;
            m_value = nullptr;
        }
        delete value;
    }

private:
    std::mutex m_lock;
    T* m_value = nullptr;
};

} // namespace Dravo::OS
