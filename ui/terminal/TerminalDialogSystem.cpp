#include "ui/terminal/TerminalDialogSystem.h"

#include <algorithm>
#include <string>

#include "ui/DialogWindow.h"
#include "ui/terminal/DialogView.h"
#include "ui/terminal/FileChooserView.h"
#include "ui/terminal/MessageBoxView.h"
#include "ui/terminal/PopupListView.h"

namespace Dravo::UI::Terminal {
namespace {

/// How long a read waits before the loop looks at the stop flag again.
constexpr int32_t READ_TIMEOUT_MS = 500;

void AfterDialogInput(DialogWindow& window)
{
    if (!window.IsEnding()) {
        window.NotifyOtherMessage(OtherMessage::InputProcessed);
    }
}

} // namespace

TerminalInterrupted::TerminalInterrupted(int signal)
    : std::runtime_error("stopped by signal " + std::to_string(signal)), m_signal(signal)
{
}

TerminalDialogSystem::TerminalDialogSystem(TerminalSession& session) : m_session(&session), m_size(session.GetSize()) {}

TerminalDialogSystem::~TerminalDialogSystem() = default;

int32_t TerminalDialogSystem::RunModalTemplate(
    const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, DialogHost* owner)
{
    ThrowIfStopped();
    DialogWindow window(dialogTemplate, handler, *this, owner);
    DialogView view(window, m_session->GetDisplayOptions());
    window.Initialize();
    if (!window.IsEnding()) {
        RunView(view, &window, AfterDialogInput);
    }
    window.Destroy();
    return window.GetResult();
}

MessageBoxResult TerminalDialogSystem::ShowMessageBox(const MessageBoxRequest& request, DialogHost* owner)
{
    (void)owner;
    MessageBoxView view(request, m_session->GetDisplayOptions());
    RunView(view, nullptr, nullptr);
    return view.GetResult().value_or(DefaultButtonOf(request));
}

std::optional<Support::WideString> TerminalDialogSystem::ChooseFile(const FileRequest& request, DialogHost* owner)
{
    (void)owner;
    FileChooserView view(request, m_session->GetDisplayOptions());
    RunView(view, nullptr, nullptr);
    return view.GetResult();
}

std::optional<Support::WideString> TerminalDialogSystem::ChooseFolder(const FolderRequest& request, DialogHost* owner)
{
    (void)owner;
    FileChooserView view(request, m_session->GetDisplayOptions());
    RunView(view, nullptr, nullptr);
    return view.GetResult();
}

OS::ErrorCode TerminalDialogSystem::SetCursor(CursorShape shape)
{
    m_busy = shape == CursorShape::Busy;
    // The program works without reading input while busy, so the indicator
    // has to reach the screen now.
    Render();
    return OS::ERROR_SUCCESS_CODE;
}

void TerminalDialogSystem::SetStatusLine(const Support::WideString& text)
{
    m_statusLine = ToCodePoints(text);
    if (!m_statusSurface) {
        m_statusSurface = m_session->CreateSurface();
    }
    m_statusPlacement.reset();
    ArrangeAll();
}

void TerminalDialogSystem::SetNoticeLine(const Support::WideString& text)
{
    m_noticeLine = ToCodePoints(text);
    if (!m_statusSurface) {
        m_statusSurface = m_session->CreateSurface();
    }
    m_statusPlacement.reset();
    ArrangeAll();
}

int32_t TerminalDialogSystem::LayoutRows() const
{
    const int32_t lines = (m_statusLine.empty() ? 0 : 1) + (m_noticeLine.empty() ? 0 : 1);
    return lines == 0 ? m_size.row : std::max(1, m_size.row - lines);
}

Rect TerminalDialogSystem::GetDesktopRect() const
{
    return Rect{0, 0, m_size.col * 4, m_size.row * 8};
}

std::optional<int32_t> TerminalDialogSystem::RunPopupList(
    const std::vector<Support::WideString>& items, int32_t selected, const CellRect& anchor)
{
    PopupListView view(items, selected, anchor, m_session->GetDisplayOptions());
    RunView(view, nullptr, nullptr);
    return view.GetResult();
}

MessageBoxResult TerminalDialogSystem::AskMessageBox(const MessageBoxRequest& request)
{
    return ShowMessageBox(request, nullptr);
}

void TerminalDialogSystem::Beep()
{
    m_session->Beep();
}

void TerminalDialogSystem::ThrowIfStopped()
{
    if (!m_stopSignal && m_session->PendingSignal() != 0) {
        m_stopSignal = m_session->PendingSignal();
    }
    if (m_stopSignal) {
        throw TerminalInterrupted(*m_stopSignal);
    }
}

void TerminalDialogSystem::RunView(TerminalView& view, DialogWindow* window, void (*afterEvent)(DialogWindow&))
{
    ThrowIfStopped();
    m_layers.push_back(Layer{&view, window, m_session->CreateSurface()});
    // Leaving by an exception removes the window as well.
    struct LayerGuard {
        TerminalDialogSystem& system;
        ~LayerGuard()
        {
            system.m_layers.pop_back();
            // What lies below may fit where the closed view did not; and it
            // shows its focus again.
            system.m_tooSmall = false;
            for (Layer& layer : system.m_layers) {
                system.m_tooSmall = system.m_tooSmall || !layer.fits;
                layer.painted = false;
            }
            if (!system.m_layers.empty()) {
                system.m_layers.back().view->SetActive(true);
            }
            system.FitLayers();
        }
    } guard{*this};
    if (m_layers.size() > 1) {
        m_layers[m_layers.size() - 2].view->SetActive(false);
        m_layers[m_layers.size() - 2].painted = false;
    }
    m_layers.back().fits = view.Arrange(LayoutRows(), m_size.col);
    m_tooSmall = m_tooSmall || !m_layers.back().fits;
    FitLayers();
    while (!view.IsDone()) {
        const InputEvent event = NextEvent();
        if (event.IsKey(Key::Redraw)) {
            m_session->RedrawAll();
            continue;
        }
        // Below the minimum size only Escape gets through, so that the user
        // can still leave.
        if (m_tooSmall && !event.IsCancel()) {
            continue;
        }
        view.HandleEvent(event, *this);
        if (afterEvent && window && !view.IsDone()) {
            afterEvent(*window);
        }
    }
}

InputEvent TerminalDialogSystem::NextEvent()
{
    for (;;) {
        ThrowIfStopped();
        Render();
        const InputEvent event = m_session->ReadEvent(READ_TIMEOUT_MS);
        ThrowIfStopped();
        if (event.type == EventType::Resize) {
            Resize();
            continue;
        }
        if (event.type != EventType::None) {
            return event;
        }
    }
}

void TerminalDialogSystem::Resize()
{
    m_session->HandleResize();
    const CellPoint size = m_session->GetSize();
    // Windows keep their place relative to the screen's centre.
    const int32_t dx = (size.col - m_size.col) * 4 / 2;
    const int32_t dy = (size.row - m_size.row) * 8 / 2;
    m_size = size;
    for (Layer& layer : m_layers) {
        if (layer.window && (dx != 0 || dy != 0)) {
            const Rect rect = layer.window->GetWindowRect();
            layer.window->MoveWindow(rect.x + dx, rect.y + dy);
        }
    }
    ArrangeAll();
}

void TerminalDialogSystem::ArrangeAll()
{
    m_tooSmall = false;
    m_paintedHint.reset();
    for (Layer& layer : m_layers) {
        layer.fits = layer.view->Arrange(LayoutRows(), m_size.col);
        layer.painted = false;
        m_tooSmall = m_tooSmall || !layer.fits;
    }
    FitLayers();
}

void TerminalDialogSystem::FitLayers()
{
    // A dialog over a dialog sits cleanly on it, and the one below leaves out
    // what the one above would cut.
    for (size_t i = 1; i < m_layers.size(); ++i) {
        if (m_layers[i].window && m_layers[i - 1].window) {
            m_layers[i].view->FitOver(m_layers[i - 1].view->GetPlacement(), m_size.col);
        }
    }
    for (size_t i = 0; i < m_layers.size(); ++i) {
        const Layer* above = i + 1 < m_layers.size() ? &m_layers[i + 1] : nullptr;
        m_layers[i].view->SetCovered(
            above && above->window && m_layers[i].window ? std::optional(above->view->GetPlacement()) : std::nullopt);
    }
}

void TerminalDialogSystem::Render()
{
    if (m_tooSmall) {
        if (!m_tooSmallSurface) {
            m_tooSmallSurface = m_session->CreateSurface();
        }
        CellPoint needed{0, 0};
        for (const Layer& layer : m_layers) {
            const CellPoint minimum = layer.view->GetMinimumSize();
            needed = CellPoint{std::max(needed.row, minimum.row), std::max(needed.col, minimum.col)};
        }
        Canvas canvas(m_size.row, m_size.col, Role::Screen);
        const std::string lines[] = {"Terminal too small",
            "need " + std::to_string(needed.col) + " x " + std::to_string(needed.row) + ", have "
                + std::to_string(m_size.col) + " x " + std::to_string(m_size.row),
            "Enlarge the window, or press Esc"};
        int32_t row = std::max(0, m_size.row / 2 - 1);
        for (const std::string& line : lines) {
            const std::u32string text(line.begin(), line.end());
            const int32_t width = std::min(static_cast<int32_t>(text.size()), m_size.col);
            canvas.Text(row++, std::max(0, (m_size.col - width) / 2), width, text, Role::Screen, CELL_BOLD);
        }
        m_tooSmallSurface->Paint(canvas, CellRect{0, 0, m_size.row, m_size.col});
        m_session->Present(std::nullopt);
        return;
    }
    if (m_tooSmallSurface) {
        m_tooSmallSurface.reset();
        for (Layer& layer : m_layers) {
            layer.painted = false;
        }
        m_statusPlacement.reset();
    }
    for (Layer& layer : m_layers) {
        const uint64_t revision = layer.view->GetRevision();
        if (layer.painted && revision == layer.paintedRevision) {
            continue;
        }
        const CellRect placement = layer.view->GetPlacement();
        Canvas canvas(placement.rows, placement.cols, Role::Dialog);
        layer.view->Draw(canvas);
        layer.surface->Paint(canvas, placement);
        layer.painted = true;
        layer.paintedRevision = revision;
    }
    RenderStatusLine();
    RenderHint();
    if (m_busy) {
        if (!m_busySurface) {
            m_busySurface = m_session->CreateSurface();
        }
        const std::u32string text = U" Working... ";
        const auto width = static_cast<int32_t>(text.size());
        Canvas canvas(1, width, Role::Busy);
        canvas.Text(0, 0, width, text, Role::Busy, CELL_BOLD);
        m_busySurface->Paint(canvas, CellRect{0, std::max(0, m_size.col - width), 1, width});
        m_busySurface->Raise();
    } else {
        m_busySurface.reset();
    }
    std::optional<CellPoint> cursor;
    if (!m_layers.empty() && !m_busy) {
        const Layer& top = m_layers.back();
        if (const auto local = top.view->GetCursor()) {
            const CellRect placement = top.view->GetPlacement();
            cursor = CellPoint{placement.row + local->row, placement.col + local->col};
        }
    }
    m_session->Present(cursor);
}

void TerminalDialogSystem::RenderHint()
{
    // The top dialog's hint, on the line below it (below the status lines
    // under the first dialog), or on the screen's last line.
    const Layer* top = nullptr;
    for (const Layer& layer : m_layers) {
        if (layer.window) {
            top = &layer;
        }
    }
    const std::u32string text = top ? ToCodePoints(top->window->GetHint()) : std::u32string();
    if (text.empty() || top != &m_layers.back()) {
        if (m_hintSurface) {
            m_hintSurface->Hide();
        }
        m_paintedHint.reset();
        return;
    }
    const CellRect dialog = top->view->GetPlacement();
    int32_t row = dialog.row + dialog.rows;
    if (top == &m_layers.front() && m_statusPlacement) {
        row = m_statusPlacement->row + m_statusPlacement->rows;
    }
    row = std::clamp(row, 0, std::max(0, m_size.row - 1));
    std::vector<Glyph> glyphs = ToGlyphs(std::u32string_view(text), m_session->GetDisplayOptions());
    const int32_t width = std::max(1, std::min(WidthOf(glyphs), m_size.col));
    const CellRect placement{row, std::clamp(dialog.col, 0, std::max(0, m_size.col - width)), 1, width};
    if (m_paintedHint && m_paintedHint->first == text && m_paintedHint->second == placement) {
        return;
    }
    if (!m_hintSurface) {
        m_hintSurface = m_session->CreateSurface();
    }
    Canvas canvas(1, width, Role::Screen);
    canvas.Text(0, 0, width, glyphs, Role::Screen, CELL_BOLD);
    m_hintSurface->Paint(canvas, placement);
    m_hintSurface->Raise();
    m_paintedHint = std::make_pair(text, placement);
}

void TerminalDialogSystem::RenderStatusLine()
{
    if (!m_statusSurface) {
        return;
    }
    std::vector<std::pair<std::u32string_view, bool>> lines;
    if (!m_statusLine.empty()) {
        lines.emplace_back(m_statusLine, true);
    }
    if (!m_noticeLine.empty()) {
        lines.emplace_back(m_noticeLine, false);
    }
    if (lines.empty() || m_layers.empty()) {
        m_statusSurface->Hide();
        m_statusPlacement.reset();
        return;
    }
    const CellRect dialog = m_layers.front().view->GetPlacement();
    const int32_t row = dialog.row + dialog.rows;
    const int32_t rows = std::min(static_cast<int32_t>(lines.size()), m_size.row - row);
    if (rows <= 0) {
        m_statusSurface->Hide();
        m_statusPlacement.reset();
        return;
    }
    // Under the dialog's left edge; a line too long for the screen keeps its
    // end (the status line, where a file's name is) or its start (a notice).
    const std::vector<Glyph> dots = ToGlyphs(std::u32string_view(U"..."), m_session->GetDisplayOptions());
    std::vector<std::vector<Glyph>> texts;
    int32_t width = 1;
    for (int32_t index = 0; index < rows; ++index) {
        const auto& [line, keepEnd] = lines[static_cast<size_t>(index)];
        std::vector<Glyph> glyphs = ToGlyphs(line, m_session->GetDisplayOptions());
        if (WidthOf(glyphs) > m_size.col) {
            while (!glyphs.empty() && WidthOf(glyphs) + WidthOf(dots) > m_size.col) {
                glyphs.erase(keepEnd ? glyphs.begin() : glyphs.end() - 1);
            }
            glyphs.insert(keepEnd ? glyphs.begin() : glyphs.end(), dots.begin(), dots.end());
        }
        width = std::max(width, std::min(WidthOf(glyphs), m_size.col));
        texts.push_back(std::move(glyphs));
    }
    const CellRect placement{row, std::clamp(dialog.col, 0, std::max(0, m_size.col - width)), rows, width};
    if (m_statusPlacement && m_statusPlacement->row == placement.row && m_statusPlacement->col == placement.col
        && m_statusPlacement->cols == placement.cols && m_statusPlacement->rows == placement.rows) {
        return;
    }
    Canvas canvas(rows, placement.cols, Role::Screen);
    for (int32_t index = 0; index < rows; ++index) {
        canvas.Text(index, 0, placement.cols, texts[static_cast<size_t>(index)], Role::Screen);
    }
    m_statusSurface->Paint(canvas, placement);
    m_statusPlacement = placement;
}

} // namespace Dravo::UI::Terminal
