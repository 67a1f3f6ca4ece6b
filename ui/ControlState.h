// The state of one control, as every backend keeps it: text, limit, flags and
// entries, with the list rules of native combo and list boxes. Drawing and
// input belong to the backends.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/DialogTemplates.h"
#include "support/WideString.h"

namespace Dravo::UI {

/// Kinds whose text is a caption, where "&x" marks x as the mnemonic.
[[nodiscard]] bool HasCaption(Resources::ControlKind kind);
/// A caption as it reads: "&x" is x, "&&" is one "&".
[[nodiscard]] Support::WideString WithoutMnemonicMarks(const Support::WideString& caption);

class ControlState {
public:
    /// Native edit boxes start with this limit on typed text.
    static constexpr int32_t DEFAULT_TEXT_LIMIT = 30000;

    explicit ControlState(const Resources::ControlTemplate& controlTemplate);

    [[nodiscard]] const Resources::ControlTemplate& GetTemplate() const { return *m_template; }
    [[nodiscard]] int32_t GetId() const { return m_template->id; }
    [[nodiscard]] Resources::ControlKind GetKind() const { return m_template->kind; }
    [[nodiscard]] bool Has(Resources::ControlStyle style) const { return m_template->Has(style); }
    [[nodiscard]] bool IsEdit() const { return GetKind() == Resources::ControlKind::Edit; }
    [[nodiscard]] bool IsButton() const;
    [[nodiscard]] bool IsCheckBox() const { return GetKind() == Resources::ControlKind::CheckBox; }
    /// Drop-down lists and list boxes.
    [[nodiscard]] bool HasItems() const;
    /// Whether the user can move the focus to it (given it is enabled and visible).
    [[nodiscard]] bool TakesFocus() const;
    [[nodiscard]] bool TakesInput() const { return m_enabled && m_visible && TakesFocus(); }

    [[nodiscard]] const Support::WideString& GetText() const { return m_text; }
    void SetText(const Support::WideString& text) { m_text = text; }
    [[nodiscard]] int32_t GetTextLimit() const { return m_textLimit; }
    /// 0 lifts the limit.
    void SetTextLimit(int32_t limit);
    /// The text cut to the limit, never inside a surrogate pair.
    [[nodiscard]] Support::WideString ClipToLimit(const Support::WideString& text) const;

    [[nodiscard]] bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    [[nodiscard]] bool IsVisible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }
    [[nodiscard]] bool IsChecked() const { return m_checked; }
    void SetChecked(bool checked) { m_checked = checked; }

    [[nodiscard]] const std::vector<Support::WideString>& GetItems() const { return m_items; }
    [[nodiscard]] int32_t GetItemCount() const { return static_cast<int32_t>(m_items.size()); }
    /// See DialogHost::AddItem.
    int32_t AddItem(const Support::WideString& text);
    /// See DialogHost::DeleteItem.
    int32_t DeleteItem(int32_t index);
    void ClearItems();
    [[nodiscard]] int32_t FindExactItem(int32_t startAfter, const Support::WideString& text) const;
    [[nodiscard]] int32_t FindPrefixItem(int32_t startAfter, const Support::WideString& prefix) const;
    /// The index of the entry equal to the text, case-sensitively, or -1.
    [[nodiscard]] int32_t FindItemCaseSensitive(const Support::WideString& text) const;
    [[nodiscard]] Support::WideString GetItemText(int32_t index) const;
    [[nodiscard]] int32_t GetSelection() const { return m_selection; }
    /// -1 or a bad index clears the selection and gives false.
    bool SetSelection(int32_t index);
    /// The selected entry's text, or empty.
    [[nodiscard]] Support::WideString GetSelectedText() const { return GetItemText(m_selection); }

private:
    template <typename Matches> [[nodiscard]] int32_t FindItem(int32_t startAfter, Matches matches) const;

    const Resources::ControlTemplate* m_template;
    Support::WideString m_text;
    int32_t m_textLimit = DEFAULT_TEXT_LIMIT;
    bool m_enabled = true;
    bool m_visible = true;
    bool m_checked = false;
    std::vector<Support::WideString> m_items;
    int32_t m_selection = -1;
};

} // namespace Dravo::UI
