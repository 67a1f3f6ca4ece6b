// The changes of one data source's section in the installer's "ODBC.INI",
// gathered whole before anything is written and then saved as one change
// (OdbcDataSources.h): every change is checked against what the installer can
// keep before anything is written.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/OdbcDataSources.h"
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

/// An entry's name or value that a data source's section cannot hold so
/// that it reads back the same: nothing was written.
class SectionEntryNotKept : public std::runtime_error {
public:
    SectionEntryNotKept(Support::WideString key, bool valueAtFault, const std::string& why);
    [[nodiscard]] const Support::WideString& GetKey() const { return m_key; }
    /// True when the value is at fault, false when the name is.
    [[nodiscard]] bool IsValueAtFault() const { return m_valueAtFault; }
    [[nodiscard]] const std::string& GetReason() const { return m_reason; }

private:
    Support::WideString m_key;
    bool m_valueAtFault;
    std::string m_reason;
};

/// The save failed.
class SectionWriteFailed : public std::runtime_error {
public:
    using Outcome = OS::DataSourceSaveFailure::Outcome;
    SectionWriteFailed(Support::WideString key, Outcome outcome, std::string reason);
    /// The entry the installer refused; empty when the data source itself
    /// could not be made or its file not written.
    [[nodiscard]] const Support::WideString& GetKey() const { return m_key; }
    /// What is left of the save.
    [[nodiscard]] Outcome GetOutcome() const { return m_outcome; }
    /// The system's account of it, naming the file; may be empty.
    [[nodiscard]] const std::string& GetReason() const { return m_reason; }

private:
    Support::WideString m_key;
    Outcome m_outcome;
    std::string m_reason;
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

    /// Throws SectionEntryTooLong or SectionEntryNotKept for the first entry
    /// the section cannot keep.
    void Check() const;
    /// Saves the changes to the data source NAME of DRIVER in the scope as one
    /// change: checked first (as Check), then SectionWriteFailed when the save
    /// fails. A password set takes a plain one of the data source away.
    void Apply(const Support::WideString& name, const Support::WideString& driver, Start start,
        OS::DataSourceScope scope) const;
    /// The changes that make a data source anew under another name with
    /// every entry it had (but its driver entry) and these changes over them.
    [[nodiscard]] DataSourceChanges CopiedOver(
        const std::vector<std::pair<Support::WideString, Support::WideString>>& entries) const;

private:
    SectionChange* Find(const Support::WideString& key);

    std::vector<SectionChange> m_changes;
};

} // namespace Dravo::VezurAVUZ
