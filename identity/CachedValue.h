// A value computed on first use under its own lock and kept until the process
// state is forgotten. Each cached name has its own lock so that computing one
// may ask for another.
#pragma once

#include <mutex>
#include <optional>
#include <utility>

#include "platform/ProcessState.h"

namespace Dravo::VezurAVUZ {

/// Declared as a static local: made on first use, destroyed when the process
/// or the library ends, and leaving the list then.
template <typename T> class CachedValue final : public OS::ProcessStatePiece {
public:
    explicit CachedValue(const char* name) : ProcessStatePiece(name) {}
    ~CachedValue() { Unregister(); }
    CachedValue(const CachedValue&) = delete;
    CachedValue& operator=(const CachedValue&) = delete;

    /// Computes the value on the first call; a computation that raises leaves
    /// nothing cached, so the next call tries again. The reference stays valid
    /// until the value is forgotten.
    template <typename Compute> const T& Get(Compute&& compute)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_value) {
            m_value.emplace(std::forward<Compute>(compute)());
            Register();
        }
        return *m_value;
    }

    [[nodiscard]] bool IsHeld() const override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_value.has_value();
    }

private:
    void Forget() override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_value.reset();
    }

    mutable std::mutex m_lock;
    std::optional<T> m_value;
};

} // namespace Dravo::VezurAVUZ
