// The dialog a script acts on: what the script runner reads and does, so that
// the same scripts drive the headless dialogs and real windows alike.
#pragma once

#include <cstdint>
#include <vector>

#include "support/WideString.h"
#include "ui/DialogWindow.h"

namespace Dravo::UI {

class ScriptTarget {
public:
    ScriptTarget() = default;
    ScriptTarget(const ScriptTarget&) = delete;
    ScriptTarget& operator=(const ScriptTarget&) = delete;
    virtual ~ScriptTarget() = default;

    [[nodiscard]] virtual int32_t GetTemplateId() const = 0;
    [[nodiscard]] virtual Support::WideString GetTitle() const = 0;
    /// The line below the dialog; none where the backend has no such line.
    [[nodiscard]] virtual Support::WideString GetHint() const { return Support::WideString(u""); }
    [[nodiscard]] virtual bool HasControl(int32_t controlId) const = 0;
    [[nodiscard]] virtual Support::WideString GetText(int32_t controlId) const = 0;
    [[nodiscard]] virtual bool IsEnabled(int32_t controlId) const = 0;
    [[nodiscard]] virtual bool IsVisible(int32_t controlId) const = 0;
    [[nodiscard]] virtual bool IsChecked(int32_t controlId) const = 0;
    [[nodiscard]] virtual std::vector<Support::WideString> GetItems(int32_t controlId) const = 0;
    /// The selected entry's index, or -1.
    [[nodiscard]] virtual int32_t GetSelection(int32_t controlId) const = 0;

    // What a user does, each with the notifications the control sends (see DialogWindow).
    virtual UserActionError TypeText(int32_t controlId, const Support::WideString& text) = 0;
    virtual UserActionError SelectItem(int32_t controlId, int32_t index) = 0;
    virtual UserActionError Click(int32_t controlId) = 0;
    virtual UserActionError DoubleClick(int32_t controlId) = 0;
};

} // namespace Dravo::UI
