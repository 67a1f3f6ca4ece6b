// What the terminal system shows: a dialog, a pop-up list, a message box or a
// chooser. A view lays itself out for the screen, draws itself on a canvas
// and handles input; the system owns the loop, the windows and the redraws.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "support/WideString.h"
#include "ui/MessageBoxRequest.h"
#include "ui/terminal/Canvas.h"
#include "ui/terminal/InputEvent.h"

namespace Dravo::UI::Terminal {

/// What a view may ask of the system while it handles an event.
class ViewServices {
public:
    ViewServices() = default;
    ViewServices(const ViewServices&) = delete;
    ViewServices& operator=(const ViewServices&) = delete;
    virtual ~ViewServices() = default;

    /// Runs a pop-up list below (or above) an anchor on the screen; the chosen
    /// index, or nothing when it was closed without a choice.
    virtual std::optional<int32_t> RunPopupList(
        const std::vector<Support::WideString>& items, int32_t selected, const CellRect& anchor) = 0;
    virtual MessageBoxResult AskMessageBox(const MessageBoxRequest& request) = 0;
    /// Refused input.
    virtual void Beep() = 0;
};

class TerminalView {
public:
    TerminalView() = default;
    TerminalView(const TerminalView&) = delete;
    TerminalView& operator=(const TerminalView&) = delete;
    virtual ~TerminalView() = default;

    /// Lays the view out for the screen; false when the screen is too small.
    virtual bool Arrange(int32_t screenRows, int32_t screenCols) = 0;
    /// The smallest screen (rows, cols) the view fits on.
    [[nodiscard]] virtual CellPoint GetMinimumSize() const = 0;
    /// Where the view sits on the screen.
    [[nodiscard]] virtual CellRect GetPlacement() const = 0;
    /// Draws on a canvas of the placement's size.
    virtual void Draw(Canvas& canvas) const = 0;
    /// Where the cursor shows, within the view.
    [[nodiscard]] virtual std::optional<CellPoint> GetCursor() const = 0;
    /// Changes whenever the drawing would change.
    [[nodiscard]] virtual uint64_t GetRevision() const = 0;
    virtual void HandleEvent(const InputEvent& event, ViewServices& services) = 0;
    [[nodiscard]] virtual bool IsDone() const = 0;
    /// False while another view lies above this one: it shows no focus then.
    virtual void SetActive(bool active) { (void)active; }
    /// Called after Arrange when the view opens over another at below: the
    /// view may move or widen so that its frame sits cleanly on that one.
    virtual void FitOver(const CellRect& below, int32_t screenCols)
    {
        (void)below;
        (void)screenCols;
    }
    /// Where a dialog above covers this view, on the screen (nothing when
    /// none does): controls it would cut are left out rather than shown in
    /// pieces beside it.
    virtual void SetCovered(std::optional<CellRect> cover) { (void)cover; }
};

} // namespace Dravo::UI::Terminal
