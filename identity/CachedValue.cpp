#include "identity/CachedValue.h"

namespace Dravo::VezurAVUZ {
namespace {

// Constant-initialised, so usable whenever a cached value is made or goes.
std::mutex g_listLock;
CachedValueBase* g_first = nullptr;

} // namespace

CachedValueBase::CachedValueBase()
{
    std::lock_guard<std::mutex> guard(g_listLock);
    m_next = g_first;
    if (g_first) {
        g_first->m_previous = this;
    }
    g_first = this;
}

CachedValueBase::~CachedValueBase()
{
    std::lock_guard<std::mutex> guard(g_listLock);
    if (m_previous) {
        m_previous->m_next = m_next;
    } else {
        g_first = m_next;
    }
    if (m_next) {
        m_next->m_previous = m_previous;
    }
}

void ForgetCachedValues()
{
    std::lock_guard<std::mutex> guard(g_listLock);
    for (CachedValueBase* value = g_first; value; value = value->m_next) {
        value->Forget();
    }
}

} // namespace Dravo::VezurAVUZ
