// What File does the same way on every system: ownership of the descriptor.
#include "platform/File.h"

#include <utility>

namespace Dravo::OS {

File::File(File&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)), m_writable(other.m_writable), m_name(std::move(other.m_name))
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
