// Fits a dialog template into character cells. A dialog unit is a quarter of
// a column across and an eighth of a row down; templates taller than a
// terminal are compacted: controls side by side share a row, empty rows are
// dropped, group frames take one row each (frames that meet share it), and
// lists shrink when space is short. The row holding OK and everything below
// it form the footer, which stays put while the body above it scrolls. A
// dialog wider than the screen scrolls across as a whole.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/DialogTemplates.h"
#include "ui/terminal/Canvas.h"
#include "ui/terminal/DisplayText.h"

namespace Dravo::UI::Terminal {

struct ControlPlacement {
    /// Rows count from the top of the body, or of the footer; columns from
    /// the dialog's left edge (its frame is column 0).
    CellRect rect;
    bool inFooter = false;
    /// False for borderless group boxes, which only group.
    bool drawn = true;
};

class DialogLayout {
public:
    /// Lists and multi-line boxes keep at most multiRowCap rows.
    static DialogLayout Build(const Resources::DialogTemplate& dialogTemplate, int32_t multiRowCap);
    /// The roomiest layout for a screen: full lists when they fit, then
    /// short lists, then a scrolling body.
    static DialogLayout Fit(const Resources::DialogTemplate& dialogTemplate, int32_t screenRows, int32_t screenCols);

    /// Whole window, frame included.
    [[nodiscard]] int32_t Rows() const { return 2 + m_viewportRows + m_footerRows; }
    /// Columns of the whole layout, frame included.
    [[nodiscard]] int32_t Cols() const { return m_cols; }
    /// Columns of the window (less than Cols when the dialog scrolls across).
    [[nodiscard]] int32_t ViewCols() const { return m_viewCols > 0 ? m_viewCols : m_cols; }
    [[nodiscard]] int32_t BodyRows() const { return m_bodyRows; }
    /// Body rows shown at once (less than BodyRows when the body scrolls).
    [[nodiscard]] int32_t ViewportRows() const { return m_viewportRows; }
    [[nodiscard]] int32_t FooterRows() const { return m_footerRows; }
    [[nodiscard]] bool Fits() const { return m_fits; }
    /// The smallest screen (rows, cols) this template fits on.
    [[nodiscard]] CellPoint MinimumSize() const;
    /// One per template control, in template order.
    [[nodiscard]] const std::vector<ControlPlacement>& Placements() const { return m_placements; }

private:
    /// gapScale shrinks the blank space between controls (1: as designed);
    /// spread widens gaps evenly where captions need room, else only where
    /// they must.
    static DialogLayout Build(
        const Resources::DialogTemplate& dialogTemplate, int32_t multiRowCap, double gapScale, bool spread);

    int32_t m_cols = 0;
    int32_t m_viewCols = 0;
    int32_t m_bodyRows = 0;
    int32_t m_viewportRows = 0;
    int32_t m_footerRows = 0;
    bool m_fits = true;
    std::vector<ControlPlacement> m_placements;
};

} // namespace Dravo::UI::Terminal
