#include "ui/terminal/Canvas.h"

#include <algorithm>

namespace Dravo::UI::Terminal {
namespace {

void AppendUtf8(char32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

Canvas::Canvas(int32_t rows, int32_t cols, Role fill)
    : m_rows(std::max(rows, 0)), m_cols(std::max(cols, 0)), m_clipLast(m_rows), m_clipColLast(m_cols),
      m_cells(static_cast<size_t>(m_rows) * static_cast<size_t>(m_cols), Cell{U' ', 1, fill, CELL_PLAIN, LINE_NONE})
{
}

const Cell& Canvas::At(int32_t row, int32_t col) const
{
    return m_cells[static_cast<size_t>(row) * static_cast<size_t>(m_cols) + static_cast<size_t>(col)];
}

bool Canvas::Visible(int32_t row, int32_t col) const
{
    return row >= m_clipFirst && row < m_clipLast && col >= m_clipColFirst && col < m_clipColLast && row >= 0
        && row < m_rows && col >= 0 && col < m_cols;
}

Cell* Canvas::Writable(int32_t row, int32_t col)
{
    if (!Visible(row, col)) {
        return nullptr;
    }
    Cell* cell = &m_cells[static_cast<size_t>(row) * static_cast<size_t>(m_cols) + static_cast<size_t>(col)];
    // Overwriting half of a wide character blanks the other half.
    if (cell->width == 0 && col > 0) {
        Cell& lead = m_cells[static_cast<size_t>(row) * static_cast<size_t>(m_cols) + static_cast<size_t>(col - 1)];
        lead = Cell{U' ', 1, lead.role, CELL_PLAIN, LINE_NONE};
    } else if (cell->width == 2 && col + 1 < m_cols) {
        Cell& tail = m_cells[static_cast<size_t>(row) * static_cast<size_t>(m_cols) + static_cast<size_t>(col + 1)];
        tail = Cell{U' ', 1, tail.role, CELL_PLAIN, LINE_NONE};
    }
    return cell;
}

void Canvas::Fill(const CellRect& rect, Role role)
{
    for (int32_t row = rect.row; row < rect.Bottom(); ++row) {
        for (int32_t col = rect.col; col < rect.Right(); ++col) {
            if (Cell* cell = Writable(row, col)) {
                *cell = Cell{U' ', 1, role, CELL_PLAIN, LINE_NONE};
            }
        }
    }
}

int32_t Canvas::Text(int32_t row, int32_t col, int32_t maxCols, const std::vector<Glyph>& glyphs, Role role,
    uint8_t flags, int32_t underlineIndex)
{
    int32_t used = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& glyph = glyphs[i];
        if (used + glyph.width > maxCols || col + used + glyph.width > m_cols) {
            break;
        }
        const uint8_t cellFlags =
            static_cast<uint8_t>(flags | (static_cast<int32_t>(i) == underlineIndex ? CELL_UNDERLINE : 0));
        if (Cell* cell = Writable(row, col + used)) {
            *cell = Cell{glyph.ch, glyph.width, role, cellFlags, LINE_NONE};
        }
        if (glyph.width == 2) {
            if (Cell* tail = Writable(row, col + used + 1)) {
                *tail = Cell{U' ', 0, role, cellFlags, LINE_NONE};
            }
        }
        used += glyph.width;
    }
    return used;
}

int32_t Canvas::Text(int32_t row, int32_t col, int32_t maxCols, std::u32string_view text, Role role, uint8_t flags)
{
    std::vector<Glyph> glyphs;
    glyphs.reserve(text.size());
    for (const char32_t ch : text) {
        glyphs.push_back(Glyph{ch, 1, false});
    }
    return Text(row, col, maxCols, glyphs, role, flags);
}

void Canvas::AddLines(int32_t row, int32_t col, uint8_t lines, Role role)
{
    if (Cell* cell = Writable(row, col)) {
        const uint8_t joined = cell->lines != LINE_NONE ? static_cast<uint8_t>(cell->lines | lines) : lines;
        *cell = Cell{LineCharacter(joined), 1, role, CELL_PLAIN, joined};
    }
}

void Canvas::HorizontalLine(int32_t row, int32_t col, int32_t cols, Role role)
{
    for (int32_t c = col; c < col + cols; ++c) {
        AddLines(row, c, LINE_LEFT | LINE_RIGHT, role);
    }
}

void Canvas::Frame(const CellRect& rect, Role role)
{
    if (rect.rows < 2 || rect.cols < 2) {
        return;
    }
    const int32_t bottom = rect.Bottom() - 1;
    const int32_t right = rect.Right() - 1;
    AddLines(rect.row, rect.col, LINE_DOWN | LINE_RIGHT, role);
    AddLines(rect.row, right, LINE_DOWN | LINE_LEFT, role);
    AddLines(bottom, rect.col, LINE_UP | LINE_RIGHT, role);
    AddLines(bottom, right, LINE_UP | LINE_LEFT, role);
    for (int32_t col = rect.col + 1; col < right; ++col) {
        AddLines(rect.row, col, LINE_LEFT | LINE_RIGHT, role);
        AddLines(bottom, col, LINE_LEFT | LINE_RIGHT, role);
    }
    for (int32_t row = rect.row + 1; row < bottom; ++row) {
        AddLines(row, rect.col, LINE_UP | LINE_DOWN, role);
        AddLines(row, right, LINE_UP | LINE_DOWN, role);
    }
}

void Canvas::ClipRows(int32_t first, int32_t last)
{
    m_clipFirst = std::max(first, 0);
    m_clipLast = std::min(last, m_rows);
}

void Canvas::ClipCols(int32_t first, int32_t last)
{
    m_clipColFirst = std::max(first, 0);
    m_clipColLast = std::min(last, m_cols);
}

void Canvas::ClearClip()
{
    m_clipFirst = 0;
    m_clipLast = m_rows;
    m_clipColFirst = 0;
    m_clipColLast = m_cols;
}

char32_t Canvas::LineCharacter(uint8_t lines)
{
    switch (lines) {
    case LINE_LEFT | LINE_RIGHT:
        return U'\u2500';
    case LINE_UP | LINE_DOWN:
        return U'\u2502';
    case LINE_DOWN | LINE_RIGHT:
        return U'\u250C';
    case LINE_DOWN | LINE_LEFT:
        return U'\u2510';
    case LINE_UP | LINE_RIGHT:
        return U'\u2514';
    case LINE_UP | LINE_LEFT:
        return U'\u2518';
    case LINE_UP | LINE_DOWN | LINE_RIGHT:
        return U'\u251C';
    case LINE_UP | LINE_DOWN | LINE_LEFT:
        return U'\u2524';
    case LINE_DOWN | LINE_LEFT | LINE_RIGHT:
        return U'\u252C';
    case LINE_UP | LINE_LEFT | LINE_RIGHT:
        return U'\u2534';
    case LINE_UP | LINE_DOWN | LINE_LEFT | LINE_RIGHT:
        return U'\u253C';
    case LINE_LEFT:
    case LINE_RIGHT:
        return U'\u2500';
    case LINE_UP:
    case LINE_DOWN:
        return U'\u2502';
    default:
        return U' ';
    }
}

std::string Canvas::RowText(int32_t row) const
{
    std::string text;
    for (int32_t col = 0; col < m_cols; ++col) {
        const Cell& cell = At(row, col);
        if (cell.width != 0) {
            AppendUtf8(cell.ch, text);
        }
    }
    return text;
}

} // namespace Dravo::UI::Terminal
