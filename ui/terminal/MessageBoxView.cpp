#include "ui/terminal/MessageBoxView.h"

#include <algorithm>

namespace Dravo::UI::Terminal {
namespace {

constexpr int32_t MAX_TEXT_WIDTH = 60;
constexpr int32_t MIN_TEXT_WIDTH = 20;

std::u32string_view IconMark(MessageBoxIcon icon)
{
    switch (icon) {
    case MessageBoxIcon::Information:
        return U"(i) ";
    case MessageBoxIcon::Warning:
        return U"(!) ";
    case MessageBoxIcon::Question:
        return U"(?) ";
    case MessageBoxIcon::Error:
        return U"(x) ";
    case MessageBoxIcon::None:
        break;
    }
    return U"";
}

} // namespace

std::vector<std::vector<Glyph>> WrapText(const Support::WideString& text, int32_t width, const DisplayOptions& options)
{
    const std::u32string codePoints = ToCodePoints(text);
    std::vector<std::vector<Glyph>> lines(1);
    int32_t lineWidth = 0;
    for (size_t i = 0; i < codePoints.size(); ++i) {
        const char32_t cp = codePoints[i];
        if (cp == U'\r' || cp == U'\n') {
            if (cp == U'\r' && i + 1 < codePoints.size() && codePoints[i + 1] == U'\n') {
                ++i;
            }
            lines.emplace_back();
            lineWidth = 0;
            continue;
        }
        std::vector<Glyph> glyphs;
        AppendGlyphs(cp, options, glyphs);
        for (const Glyph& glyph : glyphs) {
            if (lineWidth + glyph.width > width) {
                std::vector<Glyph>& line = lines.back();
                size_t breakAt = line.size();
                for (size_t k = line.size(); k > 0; --k) {
                    if (line[k - 1].ch == U' ' && !line[k - 1].escaped) {
                        breakAt = k;
                        break;
                    }
                }
                std::vector<Glyph> rest(line.begin() + static_cast<std::ptrdiff_t>(breakAt), line.end());
                line.resize(breakAt);
                lines.push_back(std::move(rest));
                lineWidth = WidthOf(lines.back());
            }
            if (glyph.ch == U' ' && lineWidth == 0 && !glyph.escaped && lines.size() > 1) {
                continue;
            }
            lines.back().push_back(glyph);
            lineWidth += glyph.width;
        }
    }
    return lines;
}

MessageBoxView::MessageBoxView(MessageBoxRequest request, const DisplayOptions& options)
    : m_request(std::move(request)), m_options(options)
{
    const auto buttons = ButtonsOf(m_request.buttons);
    m_buttons.assign(buttons.begin(), buttons.end());
    const MessageBoxResult defaultButton = DefaultButtonOf(m_request);
    m_focus = static_cast<size_t>(std::find(m_buttons.begin(), m_buttons.end(), defaultButton) - m_buttons.begin());
}

int32_t MessageBoxView::ButtonWidth() const
{
    size_t widest = 0;
    for (const MessageBoxResult button : m_buttons) {
        widest = std::max(widest, ButtonName(button).size());
    }
    return static_cast<int32_t>(widest) + 4;
}

int32_t MessageBoxView::ButtonColumn(size_t button) const
{
    const auto count = static_cast<int32_t>(m_buttons.size());
    const int32_t total = count * ButtonWidth() + (count - 1) * 2;
    return (m_placement.cols - total) / 2 + static_cast<int32_t>(button) * (ButtonWidth() + 2);
}

CellPoint MessageBoxView::GetMinimumSize() const
{
    const auto count = static_cast<int32_t>(m_buttons.size());
    return CellPoint{5, std::max(MIN_TEXT_WIDTH, count * ButtonWidth() + (count - 1) * 2) + 4};
}

bool MessageBoxView::Arrange(int32_t screenRows, int32_t screenCols)
{
    const CellPoint minimum = GetMinimumSize();
    const std::vector<Glyph> caption = ToGlyphs(m_request.caption, m_options);
    // As wide as the longest line wants, within limits.
    const Support::WideString shown =
        Support::WideString(std::u16string(IconMark(m_request.icon).begin(), IconMark(m_request.icon).end()))
        + m_request.text;
    int32_t widest = 0;
    for (const auto& line : WrapText(shown, MAX_TEXT_WIDTH, m_options)) {
        widest = std::max(widest, WidthOf(line));
    }
    const int32_t textWidth = std::clamp(std::max(widest, WidthOf(caption) + 2), MIN_TEXT_WIDTH,
        std::max(MIN_TEXT_WIDTH, std::min(MAX_TEXT_WIDTH, screenCols - 6)));
    const int32_t cols = std::max(textWidth + 4, minimum.col);
    m_lines = WrapText(shown, cols - 4, m_options);
    const int32_t rows = std::min(static_cast<int32_t>(m_lines.size()) + 4, std::max(5, screenRows));
    m_placement = CellRect{std::max(0, (screenRows - rows) / 2), std::max(0, (screenCols - cols) / 2), rows, cols};
    Scroll(m_first);
    return screenRows >= minimum.row && screenCols >= minimum.col;
}

void MessageBoxView::Scroll(int32_t first)
{
    m_first = std::clamp(first, 0, std::max(0, static_cast<int32_t>(m_lines.size()) - TextRows()));
    ++m_revision;
}

void MessageBoxView::Draw(Canvas& canvas) const
{
    const CellRect all{0, 0, m_placement.rows, m_placement.cols};
    canvas.Fill(all, Role::Dialog);
    canvas.Frame(all, Role::Dialog);
    const std::vector<Glyph> caption = ToGlyphs(m_request.caption, m_options);
    const int32_t captionWidth = std::min(WidthOf(caption), m_placement.cols - 6);
    const int32_t start = std::max(1, (m_placement.cols - captionWidth - 2) / 2);
    if (captionWidth > 0) {
        canvas.Text(0, start, 1, U" ", Role::Dialog);
        canvas.Text(0, start + 1, captionWidth, caption, Role::Title, CELL_BOLD);
        canvas.Text(0, start + 1 + captionWidth, 1, U" ", Role::Dialog);
    }
    const bool alarming = m_request.icon == MessageBoxIcon::Warning || m_request.icon == MessageBoxIcon::Error;
    for (int32_t row = 0; row < TextRows() && m_first + row < static_cast<int32_t>(m_lines.size()); ++row) {
        const bool mark = m_first + row == 0 && m_request.icon != MessageBoxIcon::None;
        const auto& line = m_lines[static_cast<size_t>(m_first + row)];
        canvas.Text(1 + row, 2, m_placement.cols - 4, line, Role::Label);
        if (mark) {
            canvas.Text(1 + row, 2, 3, IconMark(m_request.icon).substr(0, 3), alarming ? Role::Warning : Role::Title,
                CELL_BOLD);
        }
    }
    if (m_first > 0) {
        canvas.Text(1, m_placement.cols - 1, 1, m_options.unicode ? U"\u25B2" : U"^", Role::Dialog, CELL_BOLD);
    }
    if (m_first + TextRows() < static_cast<int32_t>(m_lines.size())) {
        canvas.Text(TextRows(), m_placement.cols - 1, 1, m_options.unicode ? U"\u25BC" : U"v", Role::Dialog, CELL_BOLD);
    }
    const int32_t buttonRow = m_placement.rows - 2;
    const int32_t width = ButtonWidth();
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const Role role = i == m_focus ? Role::ButtonFocused : Role::Button;
        const int32_t col = ButtonColumn(i);
        canvas.Fill(CellRect{buttonRow, col, 1, width}, role);
        canvas.Text(buttonRow, col, 1, U"<", role, CELL_BOLD);
        canvas.Text(buttonRow, col + width - 1, 1, U">", role, CELL_BOLD);
        const std::string_view name = ButtonName(m_buttons[i]);
        const std::u32string label(name.begin(), name.end());
        const int32_t labelCol = col + (width - static_cast<int32_t>(label.size())) / 2;
        canvas.Text(buttonRow, labelCol, static_cast<int32_t>(label.size()), label, role,
            i == m_focus ? CELL_BOLD : CELL_PLAIN);
    }
}

std::optional<CellPoint> MessageBoxView::GetCursor() const
{
    return CellPoint{m_placement.rows - 2, ButtonColumn(m_focus) + 1};
}

void MessageBoxView::HandleEvent(const InputEvent& event, ViewServices& services)
{
    if (event.type == EventType::Mouse) {
        if (event.mouse == MouseAction::WheelUp || event.mouse == MouseAction::WheelDown) {
            Scroll(m_first + (event.mouse == MouseAction::WheelUp ? -1 : 1));
            return;
        }
        const int32_t row = event.position.row - m_placement.row;
        const int32_t col = event.position.col - m_placement.col;
        for (size_t i = 0; i < m_buttons.size(); ++i) {
            if (row == m_placement.rows - 2 && col >= ButtonColumn(i) && col < ButtonColumn(i) + ButtonWidth()) {
                m_focus = i;
                ++m_revision;
                if (event.mouse != MouseAction::Press) {
                    m_result = m_buttons[i];
                }
            }
        }
        return;
    }
    if (event.type != EventType::Key) {
        return;
    }
    if (event.IsCancel()) {
        // Boxes that must be answered (Yes/No) ignore Escape.
        if (const auto answer = EscapeAnswerOf(m_request.buttons)) {
            m_result = answer;
        } else {
            services.Beep();
        }
        return;
    }
    const auto count = m_buttons.size();
    switch (event.key) {
    case Key::Enter:
        m_result = m_buttons[m_focus];
        return;
    case Key::Tab:
    case Key::Right:
        m_focus = (m_focus + 1) % count;
        break;
    case Key::BackTab:
    case Key::Left:
        m_focus = (m_focus + count - 1) % count;
        break;
    case Key::Up:
        Scroll(m_first - 1);
        return;
    case Key::Down:
        Scroll(m_first + 1);
        return;
    case Key::PageUp:
        Scroll(m_first - TextRows());
        return;
    case Key::PageDown:
        Scroll(m_first + TextRows());
        return;
    case Key::Character: {
        if (event.character == U' ') {
            m_result = m_buttons[m_focus];
            return;
        }
        // Each button answers to its first letter, as native boxes do.
        const char32_t letter = FoldLetter(event.character);
        for (const MessageBoxResult button : m_buttons) {
            if (FoldLetter(static_cast<char32_t>(ButtonName(button).front())) == letter) {
                m_result = button;
                return;
            }
        }
        services.Beep();
        return;
    }
    default:
        return;
    }
    ++m_revision;
}

} // namespace Dravo::UI::Terminal
