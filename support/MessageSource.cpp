#include "support/MessageSource.h"

#include <atomic>

namespace Dravo::Support {
namespace {

std::atomic<IMessageSource*> s_processMessageSource{nullptr};

} // namespace

IMessageSource* GetProcessMessageSource()
{
    return s_processMessageSource.load();
}

void SetProcessMessageSource(IMessageSource* source)
{
    s_processMessageSource.store(source);
}

void MessageFileRegistry::RegisterMessages(const std::string& fileName, const std::vector<int32_t>& componentIds)
{
    for (int32_t id : componentIds) {
        m_files.emplace(id, fileName);
    }
}

std::string MessageFileRegistry::GetFileName(int32_t componentId) const
{
    auto found = m_files.find(componentId);
    return found == m_files.end() ? std::string() : found->second;
}

} // namespace Dravo::Support
