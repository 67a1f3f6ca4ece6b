#include "ui/terminal/DialogLayout.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "resources/ControlIds.h"

namespace Dravo::UI::Terminal {
namespace {

using Resources::ControlKind;
using Resources::ControlTemplate;

/// Body rows that must show for a scrolling dialog to be usable.
constexpr int32_t MIN_VIEWPORT_ROWS = 3;
/// Columns that must show for a dialog that scrolls across to be usable.
constexpr int32_t MIN_VIEW_COLS = 40;
/// Rows a shortened list keeps.
constexpr int32_t SHORT_LIST_ROWS = 3;
/// How far the gaps between controls may shrink on a narrow screen.
constexpr double MIN_GAP_SCALE = 0.35;

enum class Part : uint8_t { Single, Top, Bottom };

/// A vertical position, in dialog units, that needs a row of its own.
struct Anchor {
    int32_t du;
    bool border;
    size_t control;
    Part part;
};

bool IsMultiRow(const ControlTemplate& control)
{
    const bool tall = control.rect.height >= 20;
    return tall
        && (control.kind == ControlKind::ListBox
            || (control.kind == ControlKind::Edit && control.Has(Resources::STYLE_MULTI_LINE)));
}

bool IsFramedGroup(const ControlTemplate& control)
{
    return control.kind == ControlKind::GroupBox && !control.Has(Resources::STYLE_BORDERLESS);
}

/// Kinds whose text may run on to the right of their rectangle, up to the
/// next control on the row.
bool MayExtend(const ControlTemplate& control)
{
    return control.kind == ControlKind::Label || control.kind == ControlKind::CheckBox;
}

} // namespace

DialogLayout DialogLayout::Build(const Resources::DialogTemplate& dialogTemplate, int32_t multiRowCap)
{
    return Build(dialogTemplate, multiRowCap, 1.0, true);
}

DialogLayout DialogLayout::Build(
    const Resources::DialogTemplate& dialogTemplate, int32_t multiRowCap, double gapScale, bool spread)
{
    const auto& controls = dialogTemplate.controls;
    DialogLayout layout;
    layout.m_placements.resize(controls.size());
    if (controls.empty()) {
        layout.m_cols = 4;
        return layout;
    }

    // --- Rows -------------------------------------------------------------

    std::vector<Anchor> anchors;
    for (size_t i = 0; i < controls.size(); ++i) {
        const ControlTemplate& control = controls[i];
        if (control.kind == ControlKind::GroupBox) {
            if (IsFramedGroup(control)) {
                anchors.push_back({control.rect.y, true, i, Part::Top});
                anchors.push_back({control.rect.Bottom(), true, i, Part::Bottom});
            }
        } else if (IsMultiRow(control)) {
            anchors.push_back({control.rect.y + 4, false, i, Part::Top});
            anchors.push_back({control.rect.Bottom() - 4, false, i, Part::Bottom});
        } else {
            // Combo heights include their lists; a field is about 14 units.
            anchors.push_back({control.rect.y + std::min(control.rect.height, 14) / 2, false, i, Part::Single});
        }
    }
    std::stable_sort(anchors.begin(), anchors.end(), [](const Anchor& a, const Anchor& b) { return a.du < b.du; });

    // Anchors closer than a row share it; frame lines that meet share one.
    std::vector<size_t> clusterOf(anchors.size());
    std::vector<int32_t> clusterStart;
    std::vector<bool> clusterBorder;
    for (size_t a = 0; a < anchors.size(); ++a) {
        const bool joins = !clusterStart.empty() && clusterBorder.back() == anchors[a].border
            && anchors[a].du - clusterStart.back() < (anchors[a].border ? 9 : 8);
        if (!joins) {
            clusterStart.push_back(anchors[a].du);
            clusterBorder.push_back(anchors[a].border);
        }
        clusterOf[a] = clusterStart.size() - 1;
    }
    std::vector<int32_t> rowOf(clusterStart.size());
    for (size_t k = 0; k < rowOf.size(); ++k) {
        rowOf[k] = static_cast<int32_t>(k);
    }

    // Where each control's anchors landed.
    std::vector<size_t> topCluster(controls.size(), 0);
    std::vector<size_t> bottomCluster(controls.size(), 0);
    for (size_t a = 0; a < anchors.size(); ++a) {
        const size_t i = anchors[a].control;
        if (anchors[a].part != Part::Bottom) {
            topCluster[i] = clusterOf[a];
        }
        if (anchors[a].part != Part::Top) {
            bottomCluster[i] = clusterOf[a];
        }
    }

    // Multi-row controls get the rows they need, added below their last
    // neighbour; in order of their bottoms, so that a fix never undoes one
    // made before.
    std::vector<size_t> multiRow;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].kind != ControlKind::GroupBox && IsMultiRow(controls[i])) {
            multiRow.push_back(i);
        }
    }
    std::sort(
        multiRow.begin(), multiRow.end(), [&](size_t a, size_t b) { return bottomCluster[a] < bottomCluster[b]; });
    for (const size_t i : multiRow) {
        const int32_t natural = std::max(2, (controls[i].rect.height + 4) / 8);
        const int32_t wanted = std::min(natural, std::max(multiRowCap, 2));
        const int32_t span = rowOf[bottomCluster[i]] - rowOf[topCluster[i]] + 1;
        if (span < wanted) {
            for (size_t k = bottomCluster[i]; k < rowOf.size(); ++k) {
                rowOf[k] += wanted - span;
            }
        }
    }
    const int32_t totalRows = rowOf.empty() ? 0 : rowOf.back() + 1;

    // The footer starts at OK's row.
    int32_t footerStart = totalRows;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id == Resources::IDC_OK) {
            footerStart = rowOf[topCluster[i]];
        }
    }
    layout.m_bodyRows = footerStart;
    layout.m_footerRows = totalRows - footerStart;
    layout.m_viewportRows = layout.m_bodyRows;

    std::vector<int32_t> topRow(controls.size());
    std::vector<int32_t> bottomRow(controls.size());
    for (size_t i = 0; i < controls.size(); ++i) {
        topRow[i] = rowOf[topCluster[i]];
        bottomRow[i] = rowOf[bottomCluster[i]];
    }
    const auto drawn = [&](size_t i) {
        return controls[i].kind != ControlKind::GroupBox || IsFramedGroup(controls[i]);
    };
    const auto sameRegion = [&](size_t a, size_t b) {
        return (topRow[a] >= footerStart) == (topRow[b] >= footerStart);
    };
    const auto sharesRow = [&](size_t a, size_t b) {
        return sameRegion(a, b) && topRow[a] <= bottomRow[b] && topRow[b] <= bottomRow[a];
    };
    /// The innermost framed group around a control, if any.
    const auto enclosingGroup = [&](size_t i) -> std::optional<size_t> {
        std::optional<size_t> found;
        for (size_t g = 0; g < controls.size(); ++g) {
            if (g == i || !IsFramedGroup(controls[g]) || !sameRegion(g, i)) {
                continue;
            }
            const auto& outer = controls[g].rect;
            const auto& inner = controls[i].rect;
            if (outer.x < inner.x && outer.Right() > inner.x && topRow[g] < topRow[i] && bottomRow[g] > bottomRow[i]
                && (!found || controls[*found].rect.width > outer.width)) {
                found = g;
            }
        }
        return found;
    };

    // --- Columns ----------------------------------------------------------
    // Every left and right edge is a breakpoint. Between breakpoints the
    // template's proportions hold (scaled down when the screen is narrow);
    // captions widen the gaps they need, since a terminal's fixed-width
    // characters are wider than a dialog font's average.
    int32_t minX = std::numeric_limits<int32_t>::max();
    int32_t maxRight = 0;
    std::vector<int32_t> points;
    for (const auto& control : controls) {
        minX = std::min(minX, control.rect.x);
        maxRight = std::max(maxRight, control.rect.Right());
        points.push_back(control.rect.x);
        points.push_back(control.rect.Right());
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    const auto pointOf = [&](int32_t x) {
        return static_cast<size_t>(std::lower_bound(points.begin(), points.end(), x) - points.begin());
    };
    struct Constraint {
        size_t from;
        size_t to;
        int32_t width;
    };
    std::vector<Constraint> constraints;
    const auto require = [&](int32_t fromX, int32_t toX, int32_t width) {
        const size_t from = pointOf(fromX);
        const size_t to = pointOf(toX);
        if (from < to) {
            constraints.push_back({from, to, width});
        }
    };
    const DisplayOptions measure;
    for (size_t i = 0; i < controls.size(); ++i) {
        const ControlTemplate& control = controls[i];
        if (!drawn(i)) {
            continue;
        }
        const int32_t captionWidth =
            WidthOf(ParseCaption(Support::WideString(control.text), control.Has(Resources::STYLE_WINDOWS_ONLY), measure)
                        .glyphs);
        switch (control.kind) {
        case ControlKind::Edit:
            require(control.rect.x, control.rect.Right(), 6);
            break;
        case ControlKind::DropDownList:
            require(control.rect.x, control.rect.Right(), 8);
            break;
        case ControlKind::ListBox:
            require(control.rect.x, control.rect.Right(), 10);
            break;
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
            require(control.rect.x, control.rect.Right(), std::max(4, captionWidth + 2));
            break;
        case ControlKind::GroupBox:
            require(control.rect.x, control.rect.Right(), captionWidth + 6);
            break;
        case ControlKind::Label:
        case ControlKind::CheckBox:
            break;
        }
        if (MayExtend(control)) {
            // The caption runs to the next control on its row, or to the edge.
            const int32_t needed = captionWidth + (control.kind == ControlKind::CheckBox ? 4 : 0) + 1;
            std::optional<int32_t> nextX;
            for (size_t j = 0; j < controls.size(); ++j) {
                if (j != i && drawn(j) && controls[j].kind != ControlKind::GroupBox && sharesRow(i, j)
                    && controls[j].rect.x > control.rect.x && (!nextX || controls[j].rect.x < *nextX)) {
                    nextX = controls[j].rect.x;
                }
            }
            const auto group = enclosingGroup(i);
            require(control.rect.x,
                nextX       ? *nextX
                    : group ? controls[*group].rect.Right()
                            : maxRight,
                needed + (!nextX && group ? 1 : 0));
        }
        // Neighbours on a row keep a blank column between them.
        for (size_t j = 0; j < controls.size(); ++j) {
            if (j != i && drawn(j) && controls[j].kind != ControlKind::GroupBox && control.kind != ControlKind::GroupBox
                && sharesRow(i, j) && control.rect.Right() <= controls[j].rect.x) {
                require(control.rect.Right(), controls[j].rect.x, 1);
            }
        }
        // What sits in a frame keeps off its lines.
        if (const auto group = enclosingGroup(i); group && control.kind != ControlKind::GroupBox) {
            require(controls[*group].rect.x, control.rect.x, 1);
            require(control.rect.Right(), controls[*group].rect.Right(), 1);
        }
    }
    // Gaps start as designed. A caption that needs more room either widens
    // every gap it spans, each in proportion to its size (spread: the look
    // of the template), or pushes only the control after it (the narrowest
    // layout the captions allow).
    const auto natural = [minX](int32_t x) { return (x - minX + 2) / 4; };
    std::vector<int32_t> designed(points.size(), 0);
    std::vector<int32_t> gap(points.size(), 0);
    for (size_t p = 1; p < points.size(); ++p) {
        designed[p] = natural(points[p]) - natural(points[p - 1]);
        gap[p] = static_cast<int32_t>(designed[p] * gapScale);
    }
    std::vector<int32_t> columnAt(points.size(), 2);
    if (spread) {
        std::stable_sort(constraints.begin(), constraints.end(),
            [](const Constraint& a, const Constraint& b) { return a.to < b.to; });
        for (const Constraint& constraint : constraints) {
            int32_t have = 0;
            int32_t weight = 0;
            for (size_t p = constraint.from + 1; p <= constraint.to; ++p) {
                have += gap[p];
                weight += designed[p];
            }
            const int32_t total = constraint.width - have;
            int32_t missing = total;
            for (size_t p = constraint.from + 1; p <= constraint.to && missing > 0; ++p) {
                const int32_t share = std::min(weight > 0 ? total * designed[p] / weight : 0, missing);
                gap[p] += share;
                missing -= share;
            }
            if (missing > 0) {
                gap[constraint.to] += missing;
            }
        }
        for (size_t p = 1; p < points.size(); ++p) {
            columnAt[p] = columnAt[p - 1] + gap[p];
        }
    } else {
        for (size_t p = 1; p < points.size(); ++p) {
            columnAt[p] = columnAt[p - 1] + gap[p];
            for (const Constraint& constraint : constraints) {
                if (constraint.to == p) {
                    columnAt[p] = std::max(columnAt[p], columnAt[constraint.from] + constraint.width);
                }
            }
        }
    }
    const auto columnOf = [&](int32_t x) { return columnAt[pointOf(x)]; };
    layout.m_cols = columnOf(maxRight) + 2;

    for (size_t i = 0; i < controls.size(); ++i) {
        const ControlTemplate& control = controls[i];
        ControlPlacement& placement = layout.m_placements[i];
        placement.drawn = drawn(i);
        placement.inFooter = topRow[i] >= footerStart;
        const int32_t base = placement.inFooter ? footerStart : 0;
        const int32_t col = columnOf(control.rect.x);
        placement.rect = CellRect{
            topRow[i] - base, col, bottomRow[i] - topRow[i] + 1, std::max(1, columnOf(control.rect.Right()) - col)};
        if (!placement.drawn) {
            placement.rect.rows = 0;
        }
    }

    // Labels and check box captions may use the room up to the next control
    // on their row, or to the frame around them; so may drop-down lists,
    // whose entries are often longer than the template's box shows.
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!MayExtend(controls[i]) && controls[i].kind != ControlKind::DropDownList) {
            continue;
        }
        ControlPlacement& placement = layout.m_placements[i];
        int32_t limit = layout.m_cols - 2;
        for (size_t j = 0; j < controls.size(); ++j) {
            if (j != i && drawn(j) && controls[j].kind != ControlKind::GroupBox && sharesRow(i, j)
                && layout.m_placements[j].rect.col > placement.rect.col) {
                limit = std::min(limit, layout.m_placements[j].rect.col - 1);
            }
        }
        if (const auto group = enclosingGroup(i)) {
            limit = std::min(limit, layout.m_placements[*group].rect.Right() - 1);
        }
        placement.rect.cols = std::max(placement.rect.cols, limit - placement.rect.col);
    }
    return layout;
}

DialogLayout DialogLayout::Fit(const Resources::DialogTemplate& dialogTemplate, int32_t screenRows, int32_t screenCols)
{
    // The widest proportions that fit across, spread out if possible;
    // columns do not depend on rows.
    double scale = 1.0;
    bool spread = true;
    const int32_t allRows = std::numeric_limits<int32_t>::max();
    DialogLayout layout = Build(dialogTemplate, allRows, scale, spread);
    while (layout.m_cols > screenCols && (spread || scale > MIN_GAP_SCALE)) {
        if (scale > MIN_GAP_SCALE) {
            scale -= 0.1;
        } else {
            spread = false;
            scale = 1.0;
        }
        layout = Build(dialogTemplate, allRows, scale, spread);
    }
    if (layout.Rows() > screenRows) {
        layout = Build(dialogTemplate, SHORT_LIST_ROWS, scale, spread);
    }
    if (layout.Rows() > screenRows) {
        layout.m_viewportRows = std::max(0, screenRows - 2 - layout.m_footerRows);
    }
    if (layout.m_cols > screenCols) {
        layout.m_viewCols = std::max(0, screenCols);
    }
    layout.m_fits = layout.ViewCols() >= std::min(layout.m_cols, MIN_VIEW_COLS)
        && layout.m_viewportRows >= std::min(layout.m_bodyRows, MIN_VIEWPORT_ROWS) && layout.Rows() <= screenRows;
    return layout;
}

CellPoint DialogLayout::MinimumSize() const
{
    return CellPoint{2 + m_footerRows + std::min(m_bodyRows, MIN_VIEWPORT_ROWS), std::min(m_cols, MIN_VIEW_COLS)};
}

} // namespace Dravo::UI::Terminal
