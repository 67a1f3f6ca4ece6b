#include "ui/ControlState.h"

#include <algorithm>
#include <limits>

namespace Dravo::UI {

using Resources::ControlKind;
using Support::WideString;

ControlState::ControlState(const Resources::ControlTemplate& controlTemplate)
    : m_template(&controlTemplate), m_text(controlTemplate.text),
      m_enabled(!controlTemplate.Has(Resources::STYLE_DISABLED)),
      m_visible(!controlTemplate.Has(Resources::STYLE_HIDDEN))
{
}

bool HasCaption(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Label:
    case ControlKind::GroupBox:
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
    case ControlKind::CheckBox:
        return true;
    case ControlKind::Edit:
    case ControlKind::DropDownList:
    case ControlKind::ListBox:
        return false;
    }
    return false;
}

Support::WideString WithoutMnemonicMarks(const Support::WideString& caption)
{
    const std::u16string& text = caption.GetAsU16String();
    std::u16string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
        }
        plain.push_back(text[i]);
    }
    return Support::WideString(plain);
}

bool ControlState::IsButton() const
{
    return GetKind() == ControlKind::PushButton || GetKind() == ControlKind::DefaultPushButton;
}

bool ControlState::HasItems() const
{
    return GetKind() == ControlKind::DropDownList || GetKind() == ControlKind::ListBox;
}

bool ControlState::TakesFocus() const
{
    return GetKind() != ControlKind::Label && GetKind() != ControlKind::GroupBox;
}

void ControlState::SetTextLimit(int32_t limit)
{
    m_textLimit = limit <= 0 ? std::numeric_limits<int32_t>::max() : limit;
}

WideString ControlState::ClipToLimit(const WideString& text) const
{
    if (text.GetLength() <= m_textLimit) {
        return text;
    }
    int32_t length = m_textLimit;
    // A high surrogate at the cut would leave half a character behind.
    if (length > 0 && (text.CharAt(length - 1) & 0xFC00) == 0xD800) {
        --length;
    }
    return text.Substr(0, length);
}

int32_t ControlState::AddItem(const WideString& text)
{
    if (!HasItems()) {
        return -1;
    }
    const WideString entry = text.IsNull() ? WideString(u"") : text;
    auto position = m_items.end();
    if (Has(Resources::STYLE_SORTED)) {
        position = std::upper_bound(m_items.begin(), m_items.end(), entry,
            [](const WideString& a, const WideString& b) { return a.Compare(b, false) < 0; });
    }
    const auto index = static_cast<int32_t>(position - m_items.begin());
    m_items.insert(position, entry);
    if (m_selection >= index) {
        ++m_selection;
    }
    return index;
}

int32_t ControlState::DeleteItem(int32_t index)
{
    if (!HasItems() || index < 0 || index >= GetItemCount()) {
        return -1;
    }
    m_items.erase(m_items.begin() + index);
    if (m_selection == index) {
        m_selection = -1;
    } else if (m_selection > index) {
        --m_selection;
    }
    return GetItemCount();
}

void ControlState::ClearItems()
{
    m_items.clear();
    m_selection = -1;
}

template <typename Matches> int32_t ControlState::FindItem(int32_t startAfter, Matches matches) const
{
    const int32_t count = GetItemCount();
    if (count == 0) {
        return -1;
    }
    // Out-of-range starts search the whole box from the top, as native boxes do.
    const int32_t first = (startAfter < 0 || startAfter >= count) ? 0 : startAfter + 1;
    for (int32_t step = 0; step < count; ++step) {
        const int32_t index = (first + step) % count;
        if (matches(m_items[static_cast<size_t>(index)])) {
            return index;
        }
    }
    return -1;
}

int32_t ControlState::FindExactItem(int32_t startAfter, const WideString& text) const
{
    if (text.IsNull()) {
        return -1;
    }
    return FindItem(startAfter, [&text](const WideString& item) { return item.Compare(text, false) == 0; });
}

int32_t ControlState::FindPrefixItem(int32_t startAfter, const WideString& prefix) const
{
    if (prefix.IsNull()) {
        return -1;
    }
    return FindItem(startAfter, [&prefix](const WideString& item) { return item.StartsWith(prefix, false); });
}

int32_t ControlState::FindItemCaseSensitive(const WideString& text) const
{
    const auto found = std::find(m_items.begin(), m_items.end(), text);
    return found == m_items.end() ? -1 : static_cast<int32_t>(found - m_items.begin());
}

WideString ControlState::GetItemText(int32_t index) const
{
    if (index < 0 || index >= GetItemCount()) {
        return WideString(u"");
    }
    return m_items[static_cast<size_t>(index)];
}

bool ControlState::SetSelection(int32_t index)
{
    if (!HasItems() || index < 0 || index >= GetItemCount()) {
        m_selection = -1;
        return false;
    }
    m_selection = index;
    return true;
}

} // namespace Dravo::UI
