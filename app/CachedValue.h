// A value computed on first use under its own lock and kept for the life of
// the process. Each cached name has its own lock so that computing one may
// ask for another.
#pragma once

#include <mutex>
#include <optional>
#include <utility>

namespace Dravo::VezurAVUZ {

template <typename T>
class CachedValue {
public:
    /// Computes the value on the first call; a computation that raises leaves
    /// nothing cached, so the next call tries again. The reference stays valid
    /// for the object's life.
    template <typename Compute>
    const T& Get(Compute&& compute)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_value) {
            m_value.emplace(std::forward<Compute>(compute)());
        }
        return *m_value;
    }

private:
    std::mutex m_lock;
    std::optional<T> m_value;
};

} // namespace Dravo::VezurAVUZ
