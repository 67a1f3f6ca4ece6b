// A value computed on first use under its own lock and kept for the life of
// the process, or until ForgetCachedValues. Each cached name has its own lock
// so that computing one may ask for another.
#pragma once

#include <mutex>
#include <optional>
#include <utility>

namespace Dravo::VezurAVUZ {

/// Every cached value is listed, so that a library of ours, which keeps
/// nothing between calls, can forget them all at the end of a call.
class CachedValueBase {
public:
    CachedValueBase(const CachedValueBase&) = delete;
    CachedValueBase& operator=(const CachedValueBase&) = delete;

protected:
    CachedValueBase();
    virtual ~CachedValueBase();
    virtual void Forget() = 0;

private:
    friend void ForgetCachedValues();
    CachedValueBase* m_previous = nullptr;
    CachedValueBase* m_next = nullptr;
};

/// Forgets every cached value: each is computed anew on its next use. No
/// reference to one may be in use.
void ForgetCachedValues();

template <typename T>
class CachedValue final : public CachedValueBase {
public:
    CachedValue() = default;
    ~CachedValue() override = default;

    /// Computes the value on the first call; a computation that raises leaves
    /// nothing cached, so the next call tries again. The reference stays valid
    /// until the value is forgotten.
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
    void Forget() override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_value.reset();
    }

    std::mutex m_lock;
    std::optional<T> m_value;
};

} // namespace Dravo::VezurAVUZ
