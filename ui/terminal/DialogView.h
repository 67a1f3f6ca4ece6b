// A dialog window in the terminal: draws the controls of a DialogWindow in its
// layout and turns keys and mouse clicks into the user actions of the window
// (which raise the notifications the dialog's handler sees).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ui/DialogWindow.h"
#include "ui/terminal/DialogLayout.h"
#include "ui/terminal/DisplayText.h"
#include "ui/terminal/TerminalView.h"

namespace Dravo::UI::Terminal {

class DialogView final : public TerminalView {
public:
    DialogView(DialogWindow& window, const DisplayOptions& options);

    bool Arrange(int32_t screenRows, int32_t screenCols) override;
    [[nodiscard]] CellPoint GetMinimumSize() const override { return m_layout.MinimumSize(); }
    [[nodiscard]] CellRect GetPlacement() const override { return m_placement; }
    void Draw(Canvas& canvas) const override;
    [[nodiscard]] std::optional<CellPoint> GetCursor() const override;
    [[nodiscard]] uint64_t GetRevision() const override { return m_window->GetRevision() + m_revision; }
    void HandleEvent(const InputEvent& event, ViewServices& services) override;
    [[nodiscard]] bool IsDone() const override { return m_window->IsEnding(); }
    void SetActive(bool active) override
    {
        m_active = active;
        Changed();
    }
    void FitOver(const CellRect& below, int32_t screenCols) override;
    void SetCovered(std::optional<CellRect> cover) override
    {
        m_cover = cover;
        Changed();
    }

    [[nodiscard]] const DialogLayout& GetLayout() const { return m_layout; }
    /// The first body row shown.
    [[nodiscard]] int32_t GetScroll() const { return m_scroll; }
    /// Where a control shows within the view, or nothing when it is scrolled
    /// out of sight.
    [[nodiscard]] std::optional<CellRect> VisibleRect(size_t index) const;

private:
    /// Scroll positions and the edit cursor, per control.
    struct ControlView {
        /// Edit boxes: cursor, in code points.
        int32_t cursor = -1;
        /// Edit boxes: first column shown; lists: first entry shown.
        int32_t first = 0;
    };

    [[nodiscard]] std::optional<size_t> FocusIndex() const;
    [[nodiscard]] const ControlState& Control(size_t index) const { return m_window->GetControls()[index]; }
    void Changed() { ++m_revision; }
    void KeepFocusInSight();
    void KeepSelectionInSight(size_t index);
    [[nodiscard]] int32_t ListRows(size_t index) const;

    void DrawControl(Canvas& canvas, size_t index, const CellRect& rect) const;
    void FillDisabledField(Canvas& canvas, const CellRect& rect) const;
    void DrawEdit(Canvas& canvas, size_t index, const CellRect& rect, bool focused) const;
    void DrawMultiLineEdit(Canvas& canvas, size_t index, const CellRect& rect) const;
    void DrawList(Canvas& canvas, size_t index, const CellRect& rect, bool focused) const;
    [[nodiscard]] std::vector<Glyph> EditGlyphs(size_t index, std::vector<int32_t>* columnOfCodePoint) const;
    [[nodiscard]] std::vector<std::vector<Glyph>> WrappedLines(size_t index, int32_t width) const;

    void Act(UserActionError result, ViewServices& services);
    void MoveFocus(bool forward);
    void Focus(size_t index);
    void MoveAlongButtonRow(size_t index, bool right);
    bool HandleMnemonic(char32_t letter, ViewServices& services);
    void HandleEditKey(size_t index, const InputEvent& event, ViewServices& services);
    void HandleListKey(size_t index, const InputEvent& event, ViewServices& services);
    void OpenPopup(size_t index, ViewServices& services);
    void HandleMouse(const InputEvent& event, ViewServices& services);
    void SelectInList(size_t index, int32_t entry, ViewServices& services);

    DialogWindow* m_window;
    DisplayOptions m_options;
    DialogLayout m_layout;
    CellRect m_placement;
    int32_t m_scroll = 0;
    /// The first layout column shown after the frame, when the dialog is
    /// wider than the screen.
    int32_t m_scrollCols = 0;
    /// Blank columns inside the frame on the left, where the window is wider
    /// than its layout to cover the dialog below it.
    int32_t m_padCols = 0;
    /// The placement Arrange gave, before any widening.
    CellRect m_arranged;
    std::optional<CellRect> m_cover;
    std::vector<ControlView> m_views;
    uint64_t m_revision = 0;
    bool m_active = true;
};

} // namespace Dravo::UI::Terminal
