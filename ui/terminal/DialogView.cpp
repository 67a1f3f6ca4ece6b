#include "ui/terminal/DialogView.h"

#include <algorithm>

namespace Dravo::UI::Terminal {
namespace {

using Resources::ControlKind;

/// UTF-16 length of code points, which is what text limits count.
int32_t Utf16Length(const std::u32string& text)
{
    int32_t length = 0;
    for (const char32_t cp : text) {
        length += cp >= 0x10000 ? 2 : 1;
    }
    return length;
}

bool IsDigit(char32_t ch)
{
    return ch >= U'0' && ch <= U'9';
}

} // namespace

DialogView::DialogView(DialogWindow& window, const DisplayOptions& options)
    : m_window(&window), m_options(options), m_views(window.GetControls().size())
{
}

bool DialogView::Arrange(int32_t screenRows, int32_t screenCols)
{
    m_layout = DialogLayout::Fit(m_window->GetTemplate(), screenRows, screenCols);
    // The window keeps its centre where the dialog code put it.
    const Rect rect = m_window->GetWindowRect();
    const int32_t centreRow = (rect.y + rect.height / 2) / 8;
    const int32_t centreCol = (rect.x + rect.width / 2) / 4;
    const int32_t rows = m_layout.Rows();
    const int32_t cols = m_layout.ViewCols();
    m_placement = CellRect{std::clamp(centreRow - rows / 2, 0, std::max(0, screenRows - rows)),
        std::clamp(centreCol - cols / 2, 0, std::max(0, screenCols - cols)), rows, cols};
    m_padCols = 0;
    m_arranged = m_placement;
    m_scroll = std::clamp(m_scroll, 0, std::max(0, m_layout.BodyRows() - m_layout.ViewportRows()));
    m_scrollCols = std::clamp(m_scrollCols, 0, std::max(0, m_layout.Cols() - m_layout.ViewCols()));
    KeepFocusInSight();
    Changed();
    return m_layout.Fits();
}

void DialogView::FitOver(const CellRect& below, int32_t screenCols)
{
    // Clean is a frame outside the one below, or inside it with a column of
    // its own to spare; otherwise frames run side by side ("││") or one
    // column of the dialog below shows beside this one. Then this window
    // widens to cover the one below, with a column to spare where the
    // screen has it.
    m_placement = m_arranged;
    m_padCols = 0;
    const int32_t left = m_placement.col - below.col;
    const int32_t right = below.Right() - m_placement.Right();
    if ((left >= 2 && right >= 2) || (left < 0 && right < 0)) {
        Changed();
        return;
    }
    const int32_t cols = std::min(std::max(m_placement.cols, below.cols + 2), std::max(screenCols, m_placement.cols));
    const int32_t col = std::clamp(below.col - (cols - below.cols) / 2, 0, std::max(0, screenCols - cols));
    m_padCols = (cols - m_placement.cols) / 2;
    m_placement.col = col;
    m_placement.cols = cols;
    Changed();
}

std::optional<size_t> DialogView::FocusIndex() const
{
    const auto focus = m_window->GetFocus();
    if (!focus) {
        return std::nullopt;
    }
    const auto& controls = m_window->GetControls();
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].GetId() == *focus) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<CellRect> DialogView::VisibleRect(size_t index) const
{
    const ControlPlacement& placement = m_layout.Placements()[index];
    if (!placement.drawn) {
        return std::nullopt;
    }
    CellRect rect = placement.rect;
    rect.col -= m_scrollCols;
    if (rect.Right() <= 1 || rect.col >= m_layout.ViewCols() - 1) {
        return std::nullopt;
    }
    rect.col += m_padCols;
    if (placement.inFooter) {
        rect.row += 1 + m_layout.ViewportRows();
        return rect;
    }
    if (rect.Bottom() <= m_scroll || rect.row >= m_scroll + m_layout.ViewportRows()) {
        return std::nullopt;
    }
    rect.row += 1 - m_scroll;
    return rect;
}

void DialogView::KeepFocusInSight()
{
    const auto focus = FocusIndex();
    if (!focus) {
        return;
    }
    const ControlPlacement& placement = m_layout.Placements()[*focus];
    // Across: the whole control if it fits, else its start.
    const int32_t inner = std::max(1, m_layout.ViewCols() - 2);
    int32_t scrollCols = m_scrollCols;
    if (placement.rect.Right() - 1 > scrollCols + inner) {
        scrollCols = placement.rect.Right() - 1 - inner;
    }
    if (placement.rect.col - 1 < scrollCols) {
        scrollCols = placement.rect.col - 1;
    }
    scrollCols = std::clamp(scrollCols, 0, std::max(0, m_layout.Cols() - m_layout.ViewCols()));
    if (scrollCols != m_scrollCols) {
        m_scrollCols = scrollCols;
        Changed();
    }
    if (placement.inFooter) {
        return;
    }
    const int32_t viewport = m_layout.ViewportRows();
    int32_t scroll = m_scroll;
    if (placement.rect.Bottom() > scroll + viewport) {
        scroll = placement.rect.Bottom() - viewport;
    }
    if (placement.rect.row < scroll) {
        scroll = placement.rect.row;
    }
    scroll = std::clamp(scroll, 0, std::max(0, m_layout.BodyRows() - viewport));
    if (scroll != m_scroll) {
        m_scroll = scroll;
        Changed();
    }
}

int32_t DialogView::ListRows(size_t index) const
{
    return std::max(1, m_layout.Placements()[index].rect.rows);
}

void DialogView::KeepSelectionInSight(size_t index)
{
    const ControlState& control = Control(index);
    const int32_t selection = control.GetSelection();
    if (control.GetKind() != ControlKind::ListBox || selection < 0) {
        return;
    }
    ControlView& view = m_views[index];
    const int32_t rows = ListRows(index);
    if (selection < view.first) {
        view.first = selection;
    } else if (selection >= view.first + rows) {
        view.first = selection - rows + 1;
    }
    Changed();
}

// --- Drawing ----------------------------------------------------------------

void DialogView::Draw(Canvas& canvas) const
{
    const int32_t rows = m_layout.Rows();
    const int32_t cols = m_placement.cols;
    // The layout's columns, after the blank ones of a widened window.
    const int32_t contentCols = m_layout.ViewCols();
    const int32_t pad = m_padCols;
    canvas.Fill(CellRect{0, 0, rows, cols}, Role::Dialog);
    canvas.Frame(CellRect{0, 0, rows, cols}, Role::Dialog);
    const std::vector<Glyph> title = ToGlyphs(m_window->GetTitle(), m_options);
    const int32_t titleWidth = std::min(WidthOf(title), std::max(0, cols - 6));
    const int32_t titleStart = std::max(1, (cols - titleWidth - 2) / 2);
    canvas.Text(0, titleStart, 1, U" ", Role::Dialog);
    const int32_t used = canvas.Text(0, titleStart + 1, titleWidth, title, Role::Title, CELL_BOLD);
    canvas.Text(0, titleStart + 1 + used, 1, U" ", Role::Dialog);

    // A control that a dialog above would cut, or touch, is left out, so
    // that none of it shows in pieces beside that dialog's frame.
    const auto covered = [&](const CellRect& rect) {
        if (!m_cover) {
            return false;
        }
        const CellRect onScreen{m_placement.row + rect.row, m_placement.col + rect.col, rect.rows, rect.cols};
        return onScreen.row < m_cover->Bottom() && m_cover->row < onScreen.Bottom()
            && onScreen.col < m_cover->Right() + 1 && m_cover->col - 1 < onScreen.Right();
    };
    const auto& controls = m_window->GetControls();
    // Frames first, so that what sits in a group draws over nothing of it.
    for (const bool groups : {true, false}) {
        canvas.ClipRows(1, 1 + m_layout.ViewportRows());
        canvas.ClipCols(1 + pad, pad + contentCols - 1);
        for (size_t i = 0; i < controls.size(); ++i) {
            const ControlPlacement& placement = m_layout.Placements()[i];
            if ((controls[i].GetKind() == ControlKind::GroupBox) != groups || !placement.drawn || placement.inFooter) {
                continue;
            }
            CellRect rect = placement.rect;
            rect.row += 1 - m_scroll;
            rect.col += pad - m_scrollCols;
            if (groups || !covered(rect)) {
                DrawControl(canvas, i, rect);
            }
        }
        canvas.ClipRows(0, rows);
        for (size_t i = 0; i < controls.size(); ++i) {
            const ControlPlacement& placement = m_layout.Placements()[i];
            if ((controls[i].GetKind() == ControlKind::GroupBox) != groups || !placement.drawn || !placement.inFooter) {
                continue;
            }
            CellRect rect = placement.rect;
            rect.row += 1 + m_layout.ViewportRows();
            rect.col += pad - m_scrollCols;
            if (groups || !covered(rect)) {
                DrawControl(canvas, i, rect);
            }
        }
        canvas.ClearClip();
    }
    if (m_scrollCols > 0) {
        canvas.Text(rows - 1, pad + 1, 1, m_options.unicode ? U"\u25C0" : U"<", Role::Dialog, CELL_BOLD);
    }
    if (m_scrollCols + contentCols < m_layout.Cols()) {
        canvas.Text(rows - 1, pad + contentCols - 2, 1, m_options.unicode ? U"\u25B6" : U">", Role::Dialog, CELL_BOLD);
    }
    if (m_scroll > 0) {
        canvas.Text(1, cols - 1, 1, m_options.unicode ? U"\u25B2" : U"^", Role::Dialog, CELL_BOLD);
    }
    if (m_scroll + m_layout.ViewportRows() < m_layout.BodyRows()) {
        canvas.Text(
            m_layout.ViewportRows(), cols - 1, 1, m_options.unicode ? U"\u25BC" : U"v", Role::Dialog, CELL_BOLD);
    }
}

void DialogView::DrawControl(Canvas& canvas, size_t index, const CellRect& rect) const
{
    const ControlState& control = Control(index);
    if (!control.IsVisible()) {
        return;
    }
    const bool focused = m_active && FocusIndex() == index;
    const bool enabled = control.IsEnabled();
    const Role textRole = enabled ? Role::Label : Role::Disabled;
    switch (control.GetKind()) {
    case ControlKind::GroupBox: {
        canvas.Frame(rect, Role::Dialog);
        const Caption caption = ParseCaption(control.GetText(), m_options);
        if (!caption.glyphs.empty() && rect.cols > 6) {
            canvas.Text(rect.row, rect.col + 2, 1, U" ", Role::Dialog);
            const int32_t used = canvas.Text(
                rect.row, rect.col + 3, rect.cols - 6, caption.glyphs, textRole, CELL_PLAIN, caption.mnemonicIndex);
            canvas.Text(rect.row, rect.col + 3 + used, 1, U" ", Role::Dialog);
        }
        break;
    }
    case ControlKind::Label: {
        const Caption caption = ParseCaption(control.GetText(), m_options);
        canvas.Text(rect.row, rect.col, rect.cols, caption.glyphs, textRole, CELL_PLAIN, caption.mnemonicIndex);
        break;
    }
    case ControlKind::Edit:
        if (control.Has(Resources::STYLE_MULTI_LINE)) {
            DrawMultiLineEdit(canvas, index, rect);
        } else {
            DrawEdit(canvas, index, rect, focused);
        }
        break;
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        const Caption caption = ParseCaption(control.GetText(), m_options);
        const Role role = !enabled ? Role::ButtonDisabled : focused ? Role::ButtonFocused : Role::Button;
        const uint8_t flags = control.GetKind() == ControlKind::DefaultPushButton ? CELL_BOLD : CELL_PLAIN;
        const int32_t width = std::max(rect.cols, 2);
        canvas.Fill(CellRect{rect.row, rect.col, 1, width}, role);
        // A disabled button shows no brackets, so that it reads as one
        // without colour as well.
        if (enabled) {
            canvas.Text(rect.row, rect.col, 1, U"<", role, flags);
            canvas.Text(rect.row, rect.col + width - 1, 1, U">", role, flags);
        }
        const int32_t inner = width - 2;
        const int32_t start = rect.col + 1 + std::max(0, (inner - WidthOf(caption.glyphs)) / 2);
        canvas.Text(rect.row, start, inner, caption.glyphs, role, flags, caption.mnemonicIndex);
        break;
    }
    case ControlKind::CheckBox: {
        const Caption caption = ParseCaption(control.GetText(), control.Has(Resources::STYLE_WINDOWS_ONLY), m_options);
        const Role boxRole = focused && enabled ? Role::ButtonFocused : textRole;
        // Disabled, it loses its brackets as a button does, so that it reads
        // as one without colour or dim text as well.
        canvas.Text(rect.row, rect.col, 3,
            enabled ? (control.IsChecked() ? U"[X]" : U"[ ]") : (control.IsChecked() ? U" X " : U" - "), boxRole);
        canvas.Text(rect.row, rect.col + 4, rect.cols - 4, caption.glyphs, textRole, CELL_PLAIN, caption.mnemonicIndex);
        break;
    }
    case ControlKind::DropDownList: {
        const Role role = !enabled ? Role::FieldDisabled : focused ? Role::FieldFocused : Role::Field;
        canvas.Fill(CellRect{rect.row, rect.col, 1, rect.cols}, role);
        if (!enabled && control.GetSelection() < 0) {
            FillDisabledField(canvas, rect);
        }
        canvas.Text(rect.row, rect.col + 1, rect.cols - 3, ToGlyphs(control.GetSelectedText(), m_options), role);
        canvas.Text(rect.row, rect.col + rect.cols - 1, 1, m_options.unicode ? U"\u25BC" : U"v", role);
        break;
    }
    case ControlKind::ListBox:
        DrawList(canvas, index, rect, focused);
        break;
    }
}

std::vector<Glyph> DialogView::EditGlyphs(size_t index, std::vector<int32_t>* columnOfCodePoint) const
{
    const ControlState& control = Control(index);
    const std::u32string text = ToCodePoints(control.GetText());
    std::vector<Glyph> glyphs;
    int32_t column = 0;
    for (const char32_t cp : text) {
        if (columnOfCodePoint) {
            columnOfCodePoint->push_back(column);
        }
        const size_t before = glyphs.size();
        if (control.Has(Resources::STYLE_PASSWORD)) {
            glyphs.push_back(Glyph{U'*', 1, false});
        } else {
            AppendGlyphs(cp, m_options, glyphs);
        }
        for (size_t g = before; g < glyphs.size(); ++g) {
            column += glyphs[g].width;
        }
    }
    if (columnOfCodePoint) {
        columnOfCodePoint->push_back(column);
    }
    return glyphs;
}

namespace {

/// The first column shown and the cursor's column, so that the cursor stays
/// inside a field of `width` columns.
struct EditWindow {
    int32_t first = 0;
    int32_t cursorColumn = 0;
};

EditWindow FitEdit(const std::vector<int32_t>& columns, int32_t cursor, int32_t first, int32_t width)
{
    const auto last = static_cast<int32_t>(columns.size()) - 1;
    const int32_t position = cursor < 0 || cursor > last ? last : cursor;
    EditWindow window{first, columns[static_cast<size_t>(position)]};
    if (columns.back() <= width) {
        // A text that fills the box exactly shows whole; the cursor after its
        // end stays on the last cell instead of scrolling the first one away.
        return EditWindow{0, std::min(window.cursorColumn, std::max(0, width - 1))};
    }
    const int32_t usable = std::max(1, width - 1);
    if (window.cursorColumn < window.first) {
        window.first = window.cursorColumn;
    } else if (window.cursorColumn >= window.first + usable) {
        window.first = window.cursorColumn - usable + 1;
    }
    window.first = std::max(0, window.first);
    return window;
}

} // namespace

void DialogView::FillDisabledField(Canvas& canvas, const CellRect& rect) const
{
    // Dots mark where an empty disabled field is, which blanks would not
    // show on a terminal without colours.
    const std::u32string dots(static_cast<size_t>(std::max(0, rect.cols)), m_options.unicode ? U'\u00B7' : U'.');
    canvas.Text(rect.row, rect.col, rect.cols, dots, Role::FieldDisabled);
}

void DialogView::DrawEdit(Canvas& canvas, size_t index, const CellRect& rect, bool focused) const
{
    const ControlState& control = Control(index);
    const Role role = !control.IsEnabled() ? Role::FieldDisabled : focused ? Role::FieldFocused : Role::Field;
    canvas.Fill(CellRect{rect.row, rect.col, 1, rect.cols}, role);
    if (!control.IsEnabled() && control.GetText().IsEmpty()) {
        FillDisabledField(canvas, rect);
    }
    std::vector<int32_t> columns;
    const std::vector<Glyph> glyphs = EditGlyphs(index, &columns);
    const EditWindow window = FitEdit(columns, m_views[index].cursor, m_views[index].first, rect.cols);
    // Skip what scrolled out on the left; a wide character cut in half is not drawn.
    std::vector<Glyph> shown;
    int32_t column = 0;
    for (const Glyph& glyph : glyphs) {
        if (column >= window.first) {
            shown.push_back(glyph);
        }
        column += glyph.width;
    }
    canvas.Text(rect.row, rect.col, rect.cols, shown, role);
}

std::vector<std::vector<Glyph>> DialogView::WrappedLines(size_t index, int32_t width) const
{
    const std::u32string text = ToCodePoints(Control(index).GetText());
    std::vector<std::vector<Glyph>> lines(1);
    int32_t lineWidth = 0;
    const auto wrap = [&]() {
        std::vector<Glyph>& line = lines.back();
        // Break after the last blank when there is one, else hard.
        size_t breakAt = line.size();
        for (size_t i = line.size(); i > 0; --i) {
            if (line[i - 1].ch == U' ' && !line[i - 1].escaped) {
                breakAt = i;
                break;
            }
        }
        std::vector<Glyph> rest(line.begin() + static_cast<std::ptrdiff_t>(breakAt), line.end());
        line.resize(breakAt);
        lines.push_back(std::move(rest));
        lineWidth = WidthOf(lines.back());
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t cp = text[i];
        if (cp == U'\r' || cp == U'\n') {
            if (cp == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') {
                ++i;
            }
            lines.emplace_back();
            lineWidth = 0;
            continue;
        }
        std::vector<Glyph> glyphs;
        AppendGlyphs(cp, m_options, glyphs);
        for (const Glyph& glyph : glyphs) {
            if (lineWidth + glyph.width > width) {
                wrap();
            }
            lines.back().push_back(glyph);
            lineWidth += glyph.width;
        }
    }
    return lines;
}

void DialogView::DrawMultiLineEdit(Canvas& canvas, size_t index, const CellRect& rect) const
{
    const ControlState& control = Control(index);
    const Role role = control.IsEnabled() ? Role::Field : Role::FieldDisabled;
    canvas.Fill(rect, role);
    const int32_t textWidth = std::max(1, rect.cols - 2);
    const auto lines = WrappedLines(index, textWidth);
    const auto count = static_cast<int32_t>(lines.size());
    const int32_t first = std::clamp(m_views[index].first, 0, std::max(0, count - rect.rows));
    for (int32_t row = 0; row < rect.rows && first + row < count; ++row) {
        canvas.Text(rect.row + row, rect.col + 1, textWidth, lines[static_cast<size_t>(first + row)], role);
    }
    if (first > 0) {
        canvas.Text(rect.row, rect.Right() - 1, 1, m_options.unicode ? U"\u25B2" : U"^", role, CELL_BOLD);
    }
    if (first + rect.rows < count) {
        canvas.Text(rect.Bottom() - 1, rect.Right() - 1, 1, m_options.unicode ? U"\u25BC" : U"v", role, CELL_BOLD);
    }
}

void DialogView::DrawList(Canvas& canvas, size_t index, const CellRect& rect, bool focused) const
{
    const ControlState& control = Control(index);
    const bool enabled = control.IsEnabled();
    const Role plain = enabled ? Role::Field : Role::FieldDisabled;
    canvas.Fill(rect, plain);
    const int32_t count = control.GetItemCount();
    const int32_t first = std::clamp(m_views[index].first, 0, std::max(0, count - rect.rows));
    for (int32_t row = 0; row < rect.rows && first + row < count; ++row) {
        const int32_t entry = first + row;
        const bool selected = entry == control.GetSelection();
        const Role role = !selected ? plain : focused && enabled ? Role::SelectionFocused : Role::Selection;
        canvas.Fill(CellRect{rect.row + row, rect.col, 1, rect.cols - 1}, role);
        // The selection is bold as well, so that it shows without colour.
        canvas.Text(rect.row + row, rect.col + 1, rect.cols - 2, ToGlyphs(control.GetItemText(entry), m_options), role,
            selected ? CELL_BOLD : CELL_PLAIN);
    }
    if (first > 0) {
        canvas.Text(rect.row, rect.Right() - 1, 1, m_options.unicode ? U"\u25B2" : U"^", plain, CELL_BOLD);
    }
    if (first + rect.rows < count) {
        canvas.Text(rect.Bottom() - 1, rect.Right() - 1, 1, m_options.unicode ? U"\u25BC" : U"v", plain, CELL_BOLD);
    }
}

std::optional<CellPoint> DialogView::GetCursor() const
{
    const auto focus = FocusIndex();
    if (!focus) {
        return std::nullopt;
    }
    const auto rect = VisibleRect(*focus);
    if (!rect) {
        return std::nullopt;
    }
    const ControlState& control = Control(*focus);
    switch (control.GetKind()) {
    case ControlKind::Edit: {
        if (control.Has(Resources::STYLE_MULTI_LINE)) {
            return CellPoint{rect->row, rect->col + 1};
        }
        std::vector<int32_t> columns;
        (void)EditGlyphs(*focus, &columns);
        const EditWindow window = FitEdit(columns, m_views[*focus].cursor, m_views[*focus].first, rect->cols);
        return CellPoint{rect->row, rect->col + window.cursorColumn - window.first};
    }
    case ControlKind::ListBox: {
        const int32_t selection = std::max(0, control.GetSelection());
        const int32_t row = selection - m_views[*focus].first;
        return CellPoint{rect->row + std::clamp(row, 0, rect->rows - 1), rect->col + 1};
    }
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
    case ControlKind::CheckBox:
    case ControlKind::DropDownList:
        return CellPoint{rect->row, rect->col + 1};
    case ControlKind::Label:
    case ControlKind::GroupBox:
        break;
    }
    return std::nullopt;
}

// --- Input --------------------------------------------------------------------

void DialogView::Act(UserActionError result, ViewServices& services)
{
    if (result != UserActionError::None) {
        services.Beep();
    }
}

void DialogView::MoveFocus(bool forward)
{
    const auto before = m_window->GetFocus();
    m_window->MoveFocus(forward);
    if (m_window->GetFocus() != before) {
        KeepFocusInSight();
        Changed();
        m_window->NotifyOtherMessage(OtherMessage::FocusChanged);
    }
}

void DialogView::Focus(size_t index)
{
    const auto before = m_window->GetFocus();
    m_window->SetFocus(Control(index).GetId());
    if (m_window->GetFocus() != before) {
        KeepFocusInSight();
        Changed();
        m_window->NotifyOtherMessage(OtherMessage::FocusChanged);
    }
}

void DialogView::HandleEvent(const InputEvent& event, ViewServices& services)
{
    if (event.type == EventType::Mouse) {
        HandleMouse(event, services);
        return;
    }
    if (event.type != EventType::Key) {
        return;
    }
    if (event.IsKey(Key::BackTab) || (event.IsKey(Key::Tab) && event.alt)) {
        MoveFocus(false);
        return;
    }
    if (event.IsKey(Key::Tab)) {
        MoveFocus(true);
        return;
    }
    if (event.IsCancel()) {
        m_window->PressEscape();
        return;
    }
    const auto focus = FocusIndex();
    if (event.IsKey(Key::Enter)) {
        // Enter opens a drop-down list, as terminal dialogs do; elsewhere it
        // presses the focused button or the default one.
        if (focus && Control(*focus).GetKind() == ControlKind::DropDownList) {
            OpenPopup(*focus, services);
        } else if (focus && Control(*focus).IsButton()) {
            Act(m_window->Click(Control(*focus).GetId()), services);
        } else {
            Act(m_window->PressEnter(), services);
        }
        return;
    }
    if (event.IsKey(Key::Character) && event.alt) {
        if (!HandleMnemonic(FoldLetter(event.character), services)) {
            services.Beep();
        }
        return;
    }
    if (!focus) {
        if (event.IsKey(Key::Character) && !HandleMnemonic(FoldLetter(event.character), services)) {
            services.Beep();
        }
        return;
    }
    const ControlState& control = Control(*focus);
    switch (control.GetKind()) {
    case ControlKind::Edit:
        HandleEditKey(*focus, event, services);
        return;
    case ControlKind::DropDownList:
    case ControlKind::ListBox:
        HandleListKey(*focus, event, services);
        return;
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
    case ControlKind::CheckBox:
        if (event.IsKey(Key::Character) && event.character == U' ') {
            Act(m_window->Click(control.GetId()), services);
        } else if (control.IsButton() && (event.IsKey(Key::Left) || event.IsKey(Key::Right))) {
            MoveAlongButtonRow(*focus, event.IsKey(Key::Right));
        } else if (event.IsKey(Key::Left) || event.IsKey(Key::Up)) {
            MoveFocus(false);
        } else if (event.IsKey(Key::Right) || event.IsKey(Key::Down)) {
            MoveFocus(true);
        } else if (event.IsKey(Key::Character) && !HandleMnemonic(FoldLetter(event.character), services)) {
            services.Beep();
        }
        return;
    case ControlKind::Label:
    case ControlKind::GroupBox:
        return;
    }
}

void DialogView::MoveAlongButtonRow(size_t index, bool right)
{
    // Left and Right stay among the buttons of one row and stop at its ends,
    // so that they never land on a field that arrows would change.
    const auto& controls = m_window->GetControls();
    const ControlPlacement& here = m_layout.Placements()[index];
    const CellRect* rect = &here.rect;
    std::optional<size_t> best;
    int32_t bestCol = 0;
    for (size_t i = 0; i < controls.size(); ++i) {
        const ControlPlacement& placement = m_layout.Placements()[i];
        const CellRect* other = &placement.rect;
        if (i == index || !placement.drawn || placement.inFooter != here.inFooter || !controls[i].IsButton()
            || !controls[i].TakesInput() || other->row != rect->row) {
            continue;
        }
        const bool beyond = right ? other->col > rect->col : other->col < rect->col;
        if (beyond && (!best || (right ? other->col < bestCol : other->col > bestCol))) {
            best = i;
            bestCol = other->col;
        }
    }
    if (best) {
        Focus(*best);
    }
}

bool DialogView::HandleMnemonic(char32_t letter, ViewServices& services)
{
    const auto& controls = m_window->GetControls();
    const size_t count = controls.size();
    const size_t start = FocusIndex().value_or(count - 1);
    for (size_t step = 1; step <= count; ++step) {
        const size_t i = (start + step) % count;
        const ControlState& control = controls[i];
        if (!control.IsVisible() || control.IsEdit() || control.HasItems()) {
            continue;
        }
        const Caption caption = ParseCaption(control.GetText(), m_options);
        if (caption.mnemonic != letter) {
            continue;
        }
        if (control.GetKind() == ControlKind::Label || control.GetKind() == ControlKind::GroupBox) {
            // A label's letter leads to the control after it.
            for (size_t next = 1; next < count; ++next) {
                const size_t j = (i + next) % count;
                if (controls[j].TakesInput()) {
                    Focus(j);
                    return true;
                }
            }
            return false;
        }
        if (!control.TakesInput()) {
            return false;
        }
        Focus(i);
        Act(m_window->Click(control.GetId()), services);
        return true;
    }
    return false;
}

void DialogView::HandleEditKey(size_t index, const InputEvent& event, ViewServices& services)
{
    const ControlState& control = Control(index);
    const int32_t id = control.GetId();
    ControlView& view = m_views[index];
    std::u32string text = ToCodePoints(control.GetText());
    const auto size = static_cast<int32_t>(text.size());
    int32_t cursor = view.cursor < 0 || view.cursor > size ? size : view.cursor;
    const bool readOnly = control.Has(Resources::STYLE_READ_ONLY);

    if (control.Has(Resources::STYLE_MULTI_LINE)) {
        const int32_t rows = ListRows(index);
        const auto lines =
            static_cast<int32_t>(WrappedLines(index, std::max(1, m_layout.Placements()[index].rect.cols - 2)).size());
        int32_t first = std::clamp(view.first, 0, std::max(0, lines - rows));
        if (event.IsKey(Key::Up)) {
            --first;
        } else if (event.IsKey(Key::Down)) {
            ++first;
        } else if (event.IsKey(Key::PageUp)) {
            first -= rows;
        } else if (event.IsKey(Key::PageDown)) {
            first += rows;
        } else if (event.IsKey(Key::Home)) {
            first = 0;
        } else if (event.IsKey(Key::End)) {
            first = lines;
        } else {
            if (event.IsKey(Key::Character) && !HandleMnemonic(FoldLetter(event.character), services)) {
                services.Beep();
            }
            return;
        }
        view.first = std::clamp(first, 0, std::max(0, lines - rows));
        Changed();
        return;
    }

    const auto type = [&](const std::u32string& newText, int32_t newCursor) {
        if (readOnly) {
            services.Beep();
            return;
        }
        view.cursor = newCursor;
        Changed();
        Act(m_window->TypeText(id, FromCodePoints(newText)), services);
        std::vector<int32_t> columns;
        (void)EditGlyphs(index, &columns);
        view.first = FitEdit(columns, view.cursor, view.first, m_layout.Placements()[index].rect.cols).first;
    };
    switch (event.key) {
    case Key::Left:
        cursor = std::max(0, cursor - 1);
        break;
    case Key::Right:
        cursor = std::min(size, cursor + 1);
        break;
    case Key::Home:
        cursor = 0;
        break;
    case Key::End:
        cursor = size;
        break;
    case Key::Up:
        MoveFocus(false);
        return;
    case Key::Down:
        MoveFocus(true);
        return;
    case Key::Backspace:
        if (cursor > 0) {
            text.erase(static_cast<size_t>(cursor - 1), 1);
            type(text, cursor - 1);
        }
        return;
    case Key::Delete:
        if (cursor < size) {
            text.erase(static_cast<size_t>(cursor), 1);
            type(text, cursor);
        }
        return;
    case Key::ClearLine:
        type(U"", 0);
        return;
    case Key::Character: {
        if (control.Has(Resources::STYLE_DIGITS_ONLY) && !IsDigit(event.character)) {
            services.Beep();
            return;
        }
        text.insert(static_cast<size_t>(cursor), 1, event.character);
        if (Utf16Length(text) > control.GetTextLimit()) {
            services.Beep();
            return;
        }
        type(text, cursor + 1);
        return;
    }
    default:
        return;
    }
    view.cursor = cursor;
    std::vector<int32_t> columns;
    (void)EditGlyphs(index, &columns);
    view.first = FitEdit(columns, cursor, view.first, m_layout.Placements()[index].rect.cols).first;
    Changed();
}

void DialogView::SelectInList(size_t index, int32_t entry, ViewServices& services)
{
    const ControlState& control = Control(index);
    if (entry < 0 || entry >= control.GetItemCount() || entry == control.GetSelection()) {
        return;
    }
    Act(m_window->SelectItem(control.GetId(), entry), services);
    KeepSelectionInSight(index);
}

void DialogView::HandleListKey(size_t index, const InputEvent& event, ViewServices& services)
{
    const ControlState& control = Control(index);
    const bool combo = control.GetKind() == ControlKind::DropDownList;
    const int32_t count = control.GetItemCount();
    const int32_t selection = control.GetSelection();
    const int32_t page = std::max(1, ListRows(index) - 1);
    if (count == 0 && !combo && !event.IsKey(Key::Character)) {
        return;
    }
    if (combo) {
        // A closed list never changes under the arrows, which move between
        // fields as they do elsewhere; Space, Enter or Alt+Down open it.
        if ((event.IsKey(Key::Down) && event.alt) || (event.IsKey(Key::Character) && event.character == U' ')) {
            OpenPopup(index, services);
        } else if (event.IsKey(Key::Up) || event.IsKey(Key::Left)) {
            MoveFocus(false);
        } else if (event.IsKey(Key::Down) || event.IsKey(Key::Right)) {
            MoveFocus(true);
        } else if (event.IsKey(Key::Character) && !HandleMnemonic(FoldLetter(event.character), services)) {
            services.Beep();
        }
        return;
    }
    switch (event.key) {
    case Key::Character:
        if (event.character == U' ') {
            if (selection < 0) {
                SelectInList(index, 0, services);
            }
            return;
        }
        {
            // A letter jumps to the next entry that starts with it.
            const int32_t next = control.FindPrefixItem(selection, FromCodePoints(std::u32string(1, event.character)));
            if (next >= 0) {
                SelectInList(index, next, services);
            } else if (!HandleMnemonic(FoldLetter(event.character), services)) {
                services.Beep();
            }
        }
        return;
    case Key::Down:
        SelectInList(index, std::min(count - 1, selection + 1), services);
        return;
    case Key::Up:
        SelectInList(index, std::max(0, selection - 1), services);
        return;
    case Key::PageDown:
        SelectInList(index, std::min(count - 1, std::max(0, selection) + page), services);
        return;
    case Key::PageUp:
        SelectInList(index, std::max(0, selection - page), services);
        return;
    case Key::Home:
        SelectInList(index, 0, services);
        return;
    case Key::End:
        SelectInList(index, count - 1, services);
        return;
    default:
        return;
    }
}

void DialogView::OpenPopup(size_t index, ViewServices& services)
{
    const ControlState& control = Control(index);
    const auto rect = VisibleRect(index);
    if (!rect || control.GetItemCount() == 0) {
        services.Beep();
        return;
    }
    const CellRect anchor{m_placement.row + rect->row, m_placement.col + rect->col, 1, rect->cols};
    const auto chosen = services.RunPopupList(control.GetItems(), control.GetSelection(), anchor);
    Changed();
    if (chosen) {
        SelectInList(index, *chosen, services);
    }
}

void DialogView::HandleMouse(const InputEvent& event, ViewServices& services)
{
    const CellPoint point{event.position.row - m_placement.row, event.position.col - m_placement.col};
    if (!CellRect{0, 0, m_placement.rows, m_placement.cols}.Contains(point)) {
        return;
    }
    const auto& controls = m_window->GetControls();
    for (size_t i = 0; i < controls.size(); ++i) {
        const ControlState& control = controls[i];
        const auto rect = VisibleRect(i);
        if (!rect || !control.IsVisible() || !control.TakesFocus() || !rect->Contains(point)) {
            continue;
        }
        if (!control.TakesInput()) {
            return;
        }
        if (control.GetKind() == ControlKind::ListBox
            && (event.mouse == MouseAction::WheelUp || event.mouse == MouseAction::WheelDown)) {
            m_views[i].first = std::clamp(m_views[i].first + (event.mouse == MouseAction::WheelUp ? -3 : 3), 0,
                std::max(0, control.GetItemCount() - ListRows(i)));
            Changed();
            return;
        }
        Focus(i);
        if (event.mouse == MouseAction::Press || event.mouse == MouseAction::WheelUp
            || event.mouse == MouseAction::WheelDown) {
            return;
        }
        switch (control.GetKind()) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
        case ControlKind::CheckBox:
            Act(m_window->Click(control.GetId()), services);
            return;
        case ControlKind::DropDownList:
            OpenPopup(i, services);
            return;
        case ControlKind::ListBox: {
            const int32_t entry = std::max(0, m_views[i].first) + point.row - rect->row;
            SelectInList(i, entry, services);
            if (event.mouse == MouseAction::DoubleClick && entry == control.GetSelection()) {
                Act(m_window->DoubleClick(control.GetId()), services);
            }
            return;
        }
        case ControlKind::Edit: {
            std::vector<int32_t> columns;
            (void)EditGlyphs(i, &columns);
            const EditWindow window = FitEdit(columns, m_views[i].cursor, m_views[i].first, rect->cols);
            const int32_t column = window.first + point.col - rect->col;
            int32_t cursor = static_cast<int32_t>(columns.size()) - 1;
            for (size_t cp = 0; cp + 1 < columns.size(); ++cp) {
                if (columns[cp + 1] > column) {
                    cursor = static_cast<int32_t>(cp);
                    break;
                }
            }
            m_views[i].cursor = cursor;
            m_views[i].first = window.first;
            Changed();
            return;
        }
        case ControlKind::Label:
        case ControlKind::GroupBox:
            return;
        }
    }
    if (event.mouse == MouseAction::WheelUp || event.mouse == MouseAction::WheelDown) {
        const int32_t scroll = std::clamp(m_scroll + (event.mouse == MouseAction::WheelUp ? -1 : 1), 0,
            std::max(0, m_layout.BodyRows() - m_layout.ViewportRows()));
        if (scroll != m_scroll) {
            m_scroll = scroll;
            Changed();
        }
    }
}

} // namespace Dravo::UI::Terminal
