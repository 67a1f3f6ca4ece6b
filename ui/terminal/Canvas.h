// A grid of character cells that views draw on, with a role per cell that
// the session turns into colours or monochrome attributes. Drawing needs no
// terminal, so views can be drawn and checked in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/terminal/DisplayText.h"

namespace Dravo::UI::Terminal {

/// What a cell shows; the session maps each role to colours (or monochrome
/// attributes) through its theme.
enum class Role : uint8_t {
    Screen,
    Dialog,
    Title,
    Label,
    Disabled,
    Field,
    FieldFocused,
    FieldDisabled,
    Button,
    ButtonFocused,
    ButtonDisabled,
    Selection,
    SelectionFocused,
    Busy,
    Warning,
    Count,
};

/// Extra attributes of a cell.
enum CellFlag : uint8_t {
    CELL_PLAIN = 0,
    CELL_BOLD = 1U << 0,
    CELL_UNDERLINE = 1U << 1,
};

/// Directions of frame lines meeting in a cell; overlapping frames join.
enum LineMask : uint8_t {
    LINE_NONE = 0,
    LINE_UP = 1U << 0,
    LINE_DOWN = 1U << 1,
    LINE_LEFT = 1U << 2,
    LINE_RIGHT = 1U << 3,
};

struct Cell {
    char32_t ch = U' ';
    /// 1; 2 for the first cell of a wide character; 0 for its second cell.
    uint8_t width = 1;
    Role role = Role::Dialog;
    uint8_t flags = CELL_PLAIN;
    /// Frame lines; when set the cell shows the matching line character.
    uint8_t lines = LINE_NONE;
};

struct CellPoint {
    int32_t row = 0;
    int32_t col = 0;
    friend bool operator==(const CellPoint&, const CellPoint&) = default;
};

struct CellRect {
    int32_t row = 0;
    int32_t col = 0;
    int32_t rows = 0;
    int32_t cols = 0;

    [[nodiscard]] int32_t Bottom() const { return row + rows; }
    [[nodiscard]] int32_t Right() const { return col + cols; }
    [[nodiscard]] bool Contains(CellPoint point) const
    {
        return point.row >= row && point.row < Bottom() && point.col >= col && point.col < Right();
    }
    friend bool operator==(const CellRect&, const CellRect&) = default;
};

class Canvas {
public:
    Canvas() = default;
    Canvas(int32_t rows, int32_t cols, Role fill);

    [[nodiscard]] int32_t Rows() const { return m_rows; }
    [[nodiscard]] int32_t Cols() const { return m_cols; }
    [[nodiscard]] const Cell& At(int32_t row, int32_t col) const;

    /// Fills a rectangle (clipped to the canvas) with blanks of a role.
    void Fill(const CellRect& rect, Role role);
    /// Draws glyphs from (row, col) within maxCols columns, never splitting a
    /// wide character; returns the columns used. The glyph at underlineIndex
    /// is underlined (-1: none).
    int32_t Text(int32_t row, int32_t col, int32_t maxCols, const std::vector<Glyph>& glyphs, Role role,
        uint8_t flags = CELL_PLAIN, int32_t underlineIndex = -1);
    /// ASCII or already safe text.
    int32_t Text(
        int32_t row, int32_t col, int32_t maxCols, std::u32string_view text, Role role, uint8_t flags = CELL_PLAIN);
    /// A frame around a rectangle; frames that share cells join (a frame's
    /// bottom on another's top makes tees).
    void Frame(const CellRect& rect, Role role);
    void HorizontalLine(int32_t row, int32_t col, int32_t cols, Role role);
    /// Restricts drawing to rows [first, last); drawing outside is dropped.
    void ClipRows(int32_t first, int32_t last);
    /// The same for columns [first, last).
    void ClipCols(int32_t first, int32_t last);
    /// Drawing reaches the whole canvas again.
    void ClearClip();

    /// The row as UTF-8 (frame lines as box-drawing characters), for tests.
    [[nodiscard]] std::string RowText(int32_t row) const;
    /// The character a line mask draws as.
    static char32_t LineCharacter(uint8_t lines);

private:
    [[nodiscard]] bool Visible(int32_t row, int32_t col) const;
    Cell* Writable(int32_t row, int32_t col);
    void AddLines(int32_t row, int32_t col, uint8_t lines, Role role);

    int32_t m_rows = 0;
    int32_t m_cols = 0;
    int32_t m_clipFirst = 0;
    int32_t m_clipLast = 0;
    int32_t m_clipColFirst = 0;
    int32_t m_clipColLast = 0;
    std::vector<Cell> m_cells;
};

} // namespace Dravo::UI::Terminal
