#include "platform/ProcessState.h"

namespace Dravo::OS {
namespace {

// Constant-initialised where the C++ runtime allows it, so usable whenever a
// piece registers or goes.
std::mutex g_listLock;
ProcessStatePiece* g_newest = nullptr;

} // namespace

void ProcessStatePiece::Register()
{
    std::lock_guard lock(g_listLock);
    if (g_newest == this) {
        return;
    }
    if (m_registered) {
        Unlink();
    }
    m_next = g_newest;
    if (g_newest) {
        g_newest->m_previous = this;
    }
    g_newest = this;
    m_registered = true;
}

void ProcessStatePiece::Unregister()
{
    std::lock_guard lock(g_listLock);
    if (m_registered) {
        Unlink();
        m_registered = false;
    }
}

void ProcessStatePiece::Unlink()
{
    if (m_previous) {
        m_previous->m_next = m_next;
    } else {
        g_newest = m_next;
    }
    if (m_next) {
        m_next->m_previous = m_previous;
    }
    m_previous = nullptr;
    m_next = nullptr;
}

// The list's lock is not held while a piece is called: a piece takes its own
// lock, and registers under it.
void ProcessStatePiece::ForgetAll()
{
    ProcessStatePiece* piece = nullptr;
    {
        std::lock_guard lock(g_listLock);
        piece = g_newest;
    }
    while (piece) {
        piece->Forget();
        std::lock_guard lock(g_listLock);
        piece = piece->m_next;
    }
}

std::vector<ProcessStatePiece::Entry> ProcessStatePiece::ListAll()
{
    std::vector<Entry> entries;
    ProcessStatePiece* piece = nullptr;
    {
        std::lock_guard lock(g_listLock);
        piece = g_newest;
    }
    while (piece) {
        entries.push_back(Entry{piece->GetName(), piece->IsHeld()});
        std::lock_guard lock(g_listLock);
        piece = piece->m_next;
    }
    return entries;
}

} // namespace Dravo::OS
