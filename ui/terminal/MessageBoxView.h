// A message box in the terminal: the caption in the frame, the icon as a
// word-like mark ("(!)") so that it shows without colour, the text wrapped
// (and scrolled when long), and a row of buttons of equal width.
#pragma once

#include <optional>
#include <vector>

#include "ui/MessageBoxRequest.h"
#include "ui/terminal/DisplayText.h"
#include "ui/terminal/TerminalView.h"

namespace Dravo::UI::Terminal {

class MessageBoxView final : public TerminalView {
public:
    MessageBoxView(MessageBoxRequest request, const DisplayOptions& options);

    bool Arrange(int32_t screenRows, int32_t screenCols) override;
    [[nodiscard]] CellPoint GetMinimumSize() const override;
    [[nodiscard]] CellRect GetPlacement() const override { return m_placement; }
    void Draw(Canvas& canvas) const override;
    [[nodiscard]] std::optional<CellPoint> GetCursor() const override;
    [[nodiscard]] uint64_t GetRevision() const override { return m_revision; }
    void HandleEvent(const InputEvent& event, ViewServices& services) override;
    [[nodiscard]] bool IsDone() const override { return m_result.has_value(); }

    [[nodiscard]] std::optional<MessageBoxResult> GetResult() const { return m_result; }

private:
    [[nodiscard]] int32_t ButtonWidth() const;
    [[nodiscard]] int32_t ButtonColumn(size_t button) const;
    [[nodiscard]] int32_t TextRows() const { return std::max(1, m_placement.rows - 4); }
    void Scroll(int32_t first);

    MessageBoxRequest m_request;
    DisplayOptions m_options;
    std::vector<MessageBoxResult> m_buttons;
    size_t m_focus = 0;
    std::vector<std::vector<Glyph>> m_lines;
    int32_t m_first = 0;
    CellRect m_placement;
    std::optional<MessageBoxResult> m_result;
    uint64_t m_revision = 0;
};

/// Breaks text into lines of at most `width` columns: at line breaks, after
/// blanks where it can, inside words where it must.
std::vector<std::vector<Glyph>> WrapText(const Support::WideString& text, int32_t width, const DisplayOptions& options);

} // namespace Dravo::UI::Terminal
