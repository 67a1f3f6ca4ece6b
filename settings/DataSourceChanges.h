// The changes of one data source's section in the installer's "ODBC.INI",
// gathered whole before anything is written and then applied as one: every
// change is checked against what the installer can keep before the first
// write, and when a write fails, what was written before is undone as far as
// the installer lets it be.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/WideString.h"

namespace Dravo::VezurAVUZ {

/// One entry written, or removed when there is no value.
struct SectionChange {
    Support::WideString key;
    std::optional<Support::WideString> value;
};

/// The installer cannot keep an entry whole: nothing was written.
class SectionEntryTooLong : public std::runtime_error {
public:
    SectionEntryTooLong(Support::WideString key, size_t limit);
    [[nodiscard]] const Support::WideString& GetKey() const { return m_key; }
    /// The longest name and value together, in bytes, that the installer keeps.
    [[nodiscard]] size_t GetLimit() const { return m_limit; }

private:
    Support::WideString m_key;
    size_t m_limit;
};

/// The installer refused a write.
class SectionWriteFailed : public std::runtime_error {
public:
    SectionWriteFailed(Support::WideString key, bool undone);
    /// The entry it refused; empty when it refused to make the data source.
    [[nodiscard]] const Support::WideString& GetKey() const { return m_key; }
    /// True when what had been written before was undone.
    [[nodiscard]] bool IsUndone() const { return m_undone; }

private:
    Support::WideString m_key;
    bool m_undone;
};

class DataSourceChanges {
public:
    enum class Start {
        /// The data source is made anew for the driver: whatever its section
        /// held before goes.
        Anew,
        /// The section keeps what the changes do not touch; it must exist.
        AsItIs,
    };

    /// A later change of a key replaces an earlier one (keys compare without
    /// regard to case); the key keeps its first spelling.
    void Write(const Support::WideString& key, const Support::WideString& value);
    void Remove(const Support::WideString& key);
    [[nodiscard]] const std::vector<SectionChange>& Get() const { return m_changes; }

    /// Applies the changes to the data source NAME of DRIVER. Throws
    /// SectionEntryTooLong before writing anything, and SectionWriteFailed
    /// when the installer refuses a write (after undoing what it can).
    void Apply(const Support::WideString& name, const Support::WideString& driver, Start start) const;

private:
    SectionChange* Find(const Support::WideString& key);

    std::vector<SectionChange> m_changes;
};

} // namespace Dravo::VezurAVUZ
