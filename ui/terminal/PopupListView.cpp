#include "ui/terminal/PopupListView.h"

#include <algorithm>

namespace Dravo::UI::Terminal {

PopupListView::PopupListView(
    std::vector<Support::WideString> items, int32_t selected, const CellRect& anchor, const DisplayOptions& options)
    : m_items(std::move(items)), m_highlight(std::max(0, selected)), m_anchor(anchor), m_options(options)
{
}

bool PopupListView::Arrange(int32_t screenRows, int32_t screenCols)
{
    const auto count = static_cast<int32_t>(m_items.size());
    int32_t widest = 0;
    for (const auto& item : m_items) {
        widest = std::max(widest, WidthOf(ToGlyphs(item, m_options)));
    }
    const int32_t cols = std::min(std::max(m_anchor.cols, widest + 4), screenCols);
    int32_t rows = std::min(std::min(count, MAX_VISIBLE) + 2, screenRows);
    int32_t row = m_anchor.Bottom();
    if (row + rows > screenRows) {
        // Above the field when it does not fit below.
        row = m_anchor.row - rows >= 0 ? m_anchor.row - rows : std::max(0, screenRows - rows);
    }
    rows = std::max(rows, 3);
    m_placement = CellRect{row, std::clamp(m_anchor.col, 0, std::max(0, screenCols - cols)), rows, cols};
    Highlight(m_highlight);
    ++m_revision;
    return screenRows >= 3 && screenCols >= 6;
}

void PopupListView::Highlight(int32_t entry)
{
    const auto count = static_cast<int32_t>(m_items.size());
    m_highlight = std::clamp(entry, 0, std::max(0, count - 1));
    const int32_t rows = VisibleRows();
    if (m_highlight < m_first) {
        m_first = m_highlight;
    } else if (m_highlight >= m_first + rows) {
        m_first = m_highlight - rows + 1;
    }
    m_first = std::clamp(m_first, 0, std::max(0, count - rows));
    ++m_revision;
}

void PopupListView::Draw(Canvas& canvas) const
{
    const CellRect all{0, 0, m_placement.rows, m_placement.cols};
    canvas.Fill(all, Role::Field);
    canvas.Frame(all, Role::Field);
    const auto count = static_cast<int32_t>(m_items.size());
    for (int32_t row = 0; row < VisibleRows() && m_first + row < count; ++row) {
        const int32_t entry = m_first + row;
        const bool highlighted = entry == m_highlight;
        const Role role = highlighted ? Role::SelectionFocused : Role::Field;
        canvas.Fill(CellRect{row + 1, 1, 1, m_placement.cols - 2}, role);
        canvas.Text(row + 1, 2, m_placement.cols - 4, ToGlyphs(m_items[static_cast<size_t>(entry)], m_options), role,
            highlighted ? CELL_BOLD : CELL_PLAIN);
    }
    if (m_first > 0) {
        canvas.Text(1, m_placement.cols - 1, 1, m_options.unicode ? U"\u25B2" : U"^", Role::Field, CELL_BOLD);
    }
    if (m_first + VisibleRows() < count) {
        canvas.Text(m_placement.rows - 2, m_placement.cols - 1, 1, m_options.unicode ? U"\u25BC" : U"v", Role::Field,
            CELL_BOLD);
    }
}

std::optional<CellPoint> PopupListView::GetCursor() const
{
    return CellPoint{1 + m_highlight - m_first, 2};
}

void PopupListView::HandleEvent(const InputEvent& event, ViewServices& services)
{
    const auto count = static_cast<int32_t>(m_items.size());
    if (event.type == EventType::Mouse) {
        const CellPoint point{event.position.row - m_placement.row, event.position.col - m_placement.col};
        const bool inside = CellRect{1, 1, VisibleRows(), m_placement.cols - 2}.Contains(point);
        if (event.mouse == MouseAction::WheelUp || event.mouse == MouseAction::WheelDown) {
            Highlight(m_highlight + (event.mouse == MouseAction::WheelUp ? -1 : 1));
        } else if (!inside) {
            if (event.mouse != MouseAction::Release) {
                m_done = true;
            }
        } else if (m_first + point.row - 1 < count) {
            Highlight(m_first + point.row - 1);
            if (event.mouse != MouseAction::Press) {
                m_result = m_highlight;
                m_done = true;
            }
        }
        return;
    }
    if (event.type != EventType::Key) {
        return;
    }
    if (event.IsCancel() || event.IsKey(Key::Tab) || event.IsKey(Key::BackTab) || (event.IsKey(Key::Up) && event.alt)) {
        m_done = true;
        return;
    }
    switch (event.key) {
    case Key::Enter:
        if (count > 0) {
            m_result = m_highlight;
        }
        m_done = true;
        return;
    case Key::Up:
        Highlight(m_highlight - 1);
        return;
    case Key::Down:
        Highlight(m_highlight + 1);
        return;
    case Key::PageUp:
        Highlight(m_highlight - VisibleRows());
        return;
    case Key::PageDown:
        Highlight(m_highlight + VisibleRows());
        return;
    case Key::Home:
        Highlight(0);
        return;
    case Key::End:
        Highlight(count - 1);
        return;
    case Key::Character: {
        if (event.character == U' ') {
            if (count > 0) {
                m_result = m_highlight;
            }
            m_done = true;
            return;
        }
        const char32_t letter = FoldLetter(event.character);
        for (int32_t step = 1; step <= count; ++step) {
            const int32_t entry = (m_highlight + step) % count;
            const std::u32string text = ToCodePoints(m_items[static_cast<size_t>(entry)]);
            if (!text.empty() && FoldLetter(text.front()) == letter) {
                Highlight(entry);
                return;
            }
        }
        services.Beep();
        return;
    }
    default:
        return;
    }
}

} // namespace Dravo::UI::Terminal
