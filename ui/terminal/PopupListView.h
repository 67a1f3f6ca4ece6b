// The list a drop-down list opens: a framed pop-up below its field (above
// when there is no room) that returns the chosen entry.
#pragma once

#include <optional>
#include <vector>

#include "ui/terminal/DisplayText.h"
#include "ui/terminal/TerminalView.h"

namespace Dravo::UI::Terminal {

class PopupListView final : public TerminalView {
public:
    /// Shows at most this many entries at once.
    static constexpr int32_t MAX_VISIBLE = 10;

    PopupListView(std::vector<Support::WideString> items, int32_t selected, const CellRect& anchor,
        const DisplayOptions& options);

    bool Arrange(int32_t screenRows, int32_t screenCols) override;
    [[nodiscard]] CellPoint GetMinimumSize() const override { return CellPoint{3, 6}; }
    [[nodiscard]] CellRect GetPlacement() const override { return m_placement; }
    void Draw(Canvas& canvas) const override;
    [[nodiscard]] std::optional<CellPoint> GetCursor() const override;
    [[nodiscard]] uint64_t GetRevision() const override { return m_revision; }
    void HandleEvent(const InputEvent& event, ViewServices& services) override;
    [[nodiscard]] bool IsDone() const override { return m_done; }

    /// The chosen entry, or nothing when the pop-up closed without a choice.
    [[nodiscard]] std::optional<int32_t> GetResult() const { return m_result; }

private:
    void Highlight(int32_t entry);
    [[nodiscard]] int32_t VisibleRows() const { return std::max(1, m_placement.rows - 2); }

    std::vector<Support::WideString> m_items;
    int32_t m_highlight;
    int32_t m_first = 0;
    CellRect m_anchor;
    DisplayOptions m_options;
    CellRect m_placement;
    std::optional<int32_t> m_result;
    bool m_done = false;
    uint64_t m_revision = 0;
};

} // namespace Dravo::UI::Terminal
