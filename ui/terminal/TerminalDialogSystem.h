// The terminal backend: runs dialogs, message boxes, choosers and pop-up
// lists as views in one event loop per modal level, and redraws only the
// windows whose content changed. A stop signal ends every open dialog by
// TerminalInterrupted, which leaves the loops and lets the session give the
// terminal back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ui/DialogSystem.h"
#include "ui/terminal/TerminalSession.h"
#include "ui/terminal/TerminalView.h"

namespace Dravo::UI {
class DialogWindow;
}

namespace Dravo::UI::Terminal {

class TerminalInterrupted : public std::runtime_error {
public:
    explicit TerminalInterrupted(int signal);
    [[nodiscard]] int GetSignal() const { return m_signal; }

private:
    int m_signal;
};

class TerminalDialogSystem final : public DialogSystem, private ViewServices {
public:
    /// The session must outlive the system.
    explicit TerminalDialogSystem(TerminalSession& session);
    ~TerminalDialogSystem() override;

    int32_t RunModalTemplate(
        const Resources::DialogTemplate& dialogTemplate, DialogHandler& handler, DialogHost* owner) override;
    MessageBoxResult ShowMessageBox(const MessageBoxRequest& request, DialogHost* owner) override;
    std::optional<Support::WideString> ChooseFile(const FileRequest& request, DialogHost* owner) override;
    std::optional<Support::WideString> ChooseFolder(const FolderRequest& request, DialogHost* owner) override;
    [[nodiscard]] OS::ErrorCode SetCursor(CursorShape shape) override;
    [[nodiscard]] Rect GetDesktopRect() const override;

    /// A line shown on the screen row below the first dialog, which is laid
    /// out one row shorter to leave room for it: what the dialogs edit, say.
    /// Not part of any dialog; an empty text removes it. A text too long for
    /// the screen keeps its end, where a file's name is.
    void SetStatusLine(const Support::WideString& text);
    /// A second line below the status line, for one notice about what the
    /// dialogs show; a text too long for the screen keeps its start. An empty
    /// text removes it.
    void SetNoticeLine(const Support::WideString& text);

private:
    struct Layer {
        TerminalView* view;
        DialogWindow* window;
        std::unique_ptr<TerminalSurface> surface;
        uint64_t paintedRevision = 0;
        bool painted = false;
        bool fits = true;
    };

    // ViewServices
    std::optional<int32_t> RunPopupList(
        const std::vector<Support::WideString>& items, int32_t selected, const CellRect& anchor) override;
    MessageBoxResult AskMessageBox(const MessageBoxRequest& request) override;
    void Beep() override;

    /// Runs a view until it is done; afterEvent runs after each event it took.
    void RunView(TerminalView& view, DialogWindow* window, void (*afterEvent)(DialogWindow&));
    InputEvent NextEvent();
    void Resize();
    void ArrangeAll();
    /// Places each dialog on the one below it and tells each what covers it.
    void FitLayers();
    void Render();
    void RenderStatusLine();
    void RenderHint();
    void ThrowIfStopped();
    /// The rows the views are laid out in.
    [[nodiscard]] int32_t LayoutRows() const;

    TerminalSession* m_session;
    std::vector<Layer> m_layers;
    CellPoint m_size;
    bool m_tooSmall = false;
    bool m_busy = false;
    std::unique_ptr<TerminalSurface> m_tooSmallSurface;
    std::unique_ptr<TerminalSurface> m_busySurface;
    std::u32string m_statusLine;
    std::u32string m_noticeLine;
    /// Made before any dialog's window, so that every dialog covers it.
    std::unique_ptr<TerminalSurface> m_statusSurface;
    std::optional<CellRect> m_statusPlacement;
    std::unique_ptr<TerminalSurface> m_hintSurface;
    std::optional<std::pair<std::u32string, CellRect>> m_paintedHint;
    std::optional<int> m_stopSignal;
};

} // namespace Dravo::UI::Terminal
