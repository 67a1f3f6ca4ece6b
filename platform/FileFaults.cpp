#include "platform/FileFaults.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/Utf8.h"

namespace Dravo::OS {
namespace {

constexpr std::array<std::pair<FileOperation, std::string_view>, 15> OPERATION_NAMES{{
    {FileOperation::Open, "open"},
    {FileOperation::Read, "read"},
    {FileOperation::Write, "write"},
    {FileOperation::Seek, "seek"},
    {FileOperation::GetSize, "get-size"},
    {FileOperation::Flush, "flush"},
    {FileOperation::Lock, "lock"},
    {FileOperation::Unlock, "unlock"},
    {FileOperation::MakeDirectory, "create-directory"},
    {FileOperation::Rename, "rename"},
    {FileOperation::Remove, "remove"},
    {FileOperation::Link, "link"},
    {FileOperation::Truncate, "truncate"},
    {FileOperation::SetAttributes, "set-attributes"},
    {FileOperation::FlushDirectory, "flush-directory"},
}};

std::mutex s_hookLock;
// Made on first use: the test builds set it from their own static
// initialisers, which may run before this file's.
FileFaultHook& Hook()
{
    static FileFaultHook hook;
    return hook;
}
// Read without the lock on every operation: only tests set a hook or a budget.
std::atomic<bool> s_hookSet{false};
std::atomic<int64_t> s_writeBudget{-1};

/// One "fail=" entry of a described fault.
struct DescribedFault {
    FileOperation operation;
    std::u16string namePart;
    uint64_t nth;
    ErrorCode code;
    uint64_t seen = 0;
};

bool ParseNumber(std::string_view text, uint64_t& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

} // namespace

std::string_view FileOperationName(FileOperation operation)
{
    for (const auto& [known, name] : OPERATION_NAMES) {
        if (known == operation) {
            return name;
        }
    }
    return "?";
}

void SetFileFaultHook(FileFaultHook hook)
{
    std::lock_guard guard(s_hookLock);
    Hook() = std::move(hook);
    s_hookSet.store(static_cast<bool>(Hook()), std::memory_order_release);
}

void SetFileWriteBudget(int64_t bytes)
{
    s_writeBudget = bytes;
}

bool InstallFileFaults(std::string_view description, std::string& why)
{
    auto faults = std::make_shared<std::vector<DescribedFault>>();
    std::optional<int64_t> budget;
    for (const std::string_view entry : Split(description, ';')) {
        if (entry.empty()) {
            continue;
        }
        if (entry.rfind("write-budget=", 0) == 0) {
            uint64_t bytes = 0;
            if (!ParseNumber(entry.substr(13), bytes) || bytes > INT64_MAX) {
                why = "not a number of bytes: " + std::string(entry);
                return false;
            }
            budget = static_cast<int64_t>(bytes);
            continue;
        }
        const std::vector<std::string_view> parts =
            entry.rfind("fail=", 0) == 0 ? Split(entry.substr(5), ':') : std::vector<std::string_view>{};
        if (parts.size() != 4) {
            why = "not a fault: " + std::string(entry);
            return false;
        }
        const auto named = std::find_if(OPERATION_NAMES.begin(), OPERATION_NAMES.end(),
            [&](const auto& known) { return known.second == parts[0]; });
        DescribedFault fault{};
        uint64_t code = 0;
        if (named == OPERATION_NAMES.end() || !ParseNumber(parts[2], fault.nth) || !ParseNumber(parts[3], code)
            || code == 0 || code > UINT32_MAX || !AppendUtf16FromUtf8(parts[1], fault.namePart)) {
            why = "not a fault: " + std::string(entry);
            return false;
        }
        fault.operation = named->first;
        fault.code = static_cast<ErrorCode>(code);
        faults->push_back(std::move(fault));
    }
    if (budget) {
        SetFileWriteBudget(*budget);
    }
    if (!faults->empty()) {
        SetFileFaultHook([faults](FileOperation operation, const std::u16string& name) -> ErrorCode {
            for (DescribedFault& fault : *faults) {
                if (fault.operation != operation || name.find(fault.namePart) == std::u16string::npos) {
                    continue;
                }
                ++fault.seen;
                if (fault.nth == 0 || fault.seen == fault.nth) {
                    return fault.code;
                }
            }
            return ERROR_SUCCESS_CODE;
        });
    }
    return true;
}

ErrorCode InjectedFileFault(FileOperation operation, const std::u16string& name)
{
    if (!s_hookSet.load(std::memory_order_acquire)) {
        return ERROR_SUCCESS_CODE;
    }
    std::lock_guard guard(s_hookLock);
    return Hook() ? Hook()(operation, name) : ERROR_SUCCESS_CODE;
}

ErrorCode InjectedFileFault(FileOperation operation, std::string_view utf8Name)
{
    if (!s_hookSet.load(std::memory_order_acquire)) {
        return ERROR_SUCCESS_CODE;
    }
    return InjectedFileFault(operation, Utf16OrWidenedBytes(utf8Name));
}

size_t FileWriteAllowance(size_t wanted)
{
    int64_t budget = s_writeBudget.load();
    for (;;) {
        if (budget < 0) {
            return wanted;
        }
        const auto allowed = static_cast<int64_t>(std::min<uint64_t>(wanted, static_cast<uint64_t>(budget)));
        if (s_writeBudget.compare_exchange_weak(budget, budget - allowed)) {
            return static_cast<size_t>(allowed);
        }
    }
}

} // namespace Dravo::OS
