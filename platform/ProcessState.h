// Process-wide state, kept in one place: every piece joins one list when it
// comes to hold something, so that a library of ours that is loaded and
// unloaded many times in one process can give it all back at the end of each
// call, and leave nothing behind that points into its unloaded code.
#pragma once

#include <mutex>
#include <utility>
#include <vector>

namespace Dravo::OS {

/// One piece of process-wide state. Its constructor is constant and its
/// destructor does nothing of its own, so that a piece declared at namespace
/// scope is usable at any time, even while the process ends.
class ProcessStatePiece {
public:
    /// A registered piece and whether it holds something now.
    struct Entry {
        const char* name;
        bool held;
    };

    /// Gives back what every registered piece holds, the most recently made
    /// first (it may use the older ones, as a static object may use those
    /// made before it). Each piece is made anew on its next use. Nobody may
    /// be using any of them.
    static void ForgetAll();
    /// Every registered piece, the most recently made first.
    [[nodiscard]] static std::vector<Entry> ListAll();

    ProcessStatePiece(const ProcessStatePiece&) = delete;
    ProcessStatePiece& operator=(const ProcessStatePiece&) = delete;

    /// What the piece keeps, in words, for the listing.
    [[nodiscard]] const char* GetName() const { return m_name; }
    /// Whether it holds anything now.
    [[nodiscard]] virtual bool IsHeld() const = 0;

protected:
    constexpr explicit ProcessStatePiece(const char* name) : m_name(name) {}
    ~ProcessStatePiece() = default;

    /// Puts the piece first in the list; called whenever it comes to hold
    /// something, so that the list is in the order the state was made.
    void Register();
    /// Leaves the list, for a piece that is destroyed after all.
    void Unregister();
    /// Gives back what the piece holds.
    virtual void Forget() = 0;

private:
    /// Takes the piece out of the list; the caller holds the list's lock.
    void Unlink();

    const char* m_name;
    ProcessStatePiece* m_previous = nullptr;
    ProcessStatePiece* m_next = nullptr;
    bool m_registered = false;
};

/// A T made on first use and never destroyed but by forgetting the process
/// state. Declared at namespace scope.
template <class T> class ProcessState final : public ProcessStatePiece {
public:
    constexpr explicit ProcessState(const char* name) : ProcessStatePiece(name) {}

    /// The state, made now from ARGS when there is none. The reference is
    /// valid until the state is forgotten.
    template <class... Args> T& Get(Args&&... args)
    {
        std::lock_guard lock(m_lock);
        if (!m_value) {
            m_value = new T(std::forward<Args>(args)...);
            Register();
        }
        return *m_value;
    }

    /// The state, or nullptr when there is none; nothing is made.
    [[nodiscard]] T* Find()
    {
        std::lock_guard lock(m_lock);
        return m_value;
    }

    [[nodiscard]] bool IsHeld() const override
    {
        std::lock_guard lock(m_lock);
        return m_value != nullptr;
    }

private:
    void Forget() override
    {
        T* value = nullptr;
        {
            std::lock_guard lock(m_lock);
            value = m_value;
            m_value = nullptr;
        }
        delete value;
    }

    mutable std::mutex m_lock;
    T* m_value = nullptr;
};

} // namespace Dravo::OS
