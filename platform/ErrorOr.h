// A result that is either a value or the Windows error code of the failure, so
// that callers cannot read a value that was never produced.
#pragma once

#include <utility>
#include <variant>

#include "platform/SystemError.h"

namespace Dravo::OS {

template <class T> class [[nodiscard]] ErrorOr {
public:
    ErrorOr(T value) : m_state(std::move(value)) {}
    /// A failure; the code must not be ERROR_SUCCESS_CODE.
    ErrorOr(ErrorCode error) : m_state(error) {}

    [[nodiscard]] bool HasValue() const noexcept { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const noexcept { return HasValue(); }
    /// ERROR_SUCCESS_CODE when there is a value.
    [[nodiscard]] ErrorCode GetError() const noexcept
    {
        const ErrorCode* error = std::get_if<ErrorCode>(&m_state);
        return error ? *error : ERROR_SUCCESS_CODE;
    }

    T& operator*() & { return std::get<T>(m_state); }
    const T& operator*() const& { return std::get<T>(m_state); }
    T&& operator*() && { return std::get<T>(std::move(m_state)); }
    T* operator->() { return &std::get<T>(m_state); }
    const T* operator->() const { return &std::get<T>(m_state); }

private:
    std::variant<T, ErrorCode> m_state;
};

} // namespace Dravo::OS
