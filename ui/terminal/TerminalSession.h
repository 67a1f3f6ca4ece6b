// The one owner of the terminal: starts curses on /dev/tty (never on standard
// output, which stays free for the program), turns input into events, shows
// canvases in windows with panels, and gives the terminal back in its
// destructor on every way out. Signals that ask the program to stop (INT,
// TERM, HUP, QUIT) only set a flag that the event loop reads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "ui/terminal/Canvas.h"
#include "ui/terminal/DisplayText.h"
#include "ui/terminal/InputEvent.h"

namespace Dravo::UI::Terminal {

/// The terminal cannot be used (no TERM, no /dev/tty, unknown terminal type).
class TerminalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TerminalOptions {
    /// The terminal device to open.
    std::string device = "/dev/tty";
    /// Report mouse clicks where the terminal can.
    bool mouse = true;
    /// Use colours where the terminal has them and NO_COLOR is not set.
    bool colour = true;
};

class TerminalSession;

/// A window on the screen with its own panel, so that windows overlap in
/// order: the last one created or raised is on top.
class TerminalSurface {
public:
    TerminalSurface(const TerminalSurface&) = delete;
    TerminalSurface& operator=(const TerminalSurface&) = delete;
    ~TerminalSurface();

    /// Draws a canvas at a place on the screen (clipped to the screen).
    void Paint(const Canvas& canvas, const CellRect& placement);
    void Hide();
    /// Puts the window above all others.
    void Raise();

private:
    friend class TerminalSession;
    TerminalSurface(TerminalSession& session, void* window, void* panel);

    TerminalSession* m_session;
    void* m_window;
    void* m_panel;
    CellRect m_placement;
    bool m_hidden = false;
};

class TerminalSession {
public:
    /// Throws TerminalError when the terminal cannot be used; the terminal is
    /// left as it was.
    explicit TerminalSession(const TerminalOptions& options);
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;
    ~TerminalSession();

    /// Screen size as (rows, cols).
    [[nodiscard]] CellPoint GetSize() const;
    [[nodiscard]] const DisplayOptions& GetDisplayOptions() const { return m_display; }
    [[nodiscard]] bool HasColours() const { return m_colours; }

    /// Waits up to timeoutMs milliseconds (negative: without limit) for one
    /// event; an event of type None when nothing came or a signal arrived.
    InputEvent ReadEvent(int32_t timeoutMs);
    /// The stop signal received since the session started, or 0.
    [[nodiscard]] int PendingSignal() const;
    /// Adapts the screen after a resize event.
    void HandleResize();

    std::unique_ptr<TerminalSurface> CreateSurface();
    /// Sends every change to the terminal; the cursor shows at a screen
    /// position, or is hidden.
    void Present(std::optional<CellPoint> cursor);
    /// Draws the whole screen again on the next Present (Ctrl-L).
    void RedrawAll();
    void Beep();

private:
    friend class TerminalSurface;
    void PaintBackground();
    void Close();
    [[nodiscard]] InputEvent Translate(int status, uint32_t key, bool alt);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    DisplayOptions m_display;
    bool m_colours = false;
};

} // namespace Dravo::UI::Terminal
