// Everything that touches curses lives in this file.
#include "ui/terminal/TerminalSession.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include <curses.h>
#include <panel.h>
#include <poll.h>

namespace Dravo::UI::Terminal {
namespace {

// Signal handlers can only reach static storage; this flag is the one piece
// of process-wide state of the terminal backend.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void RecordStopSignal(int signal)
{
    g_stopSignal = signal;
}

constexpr std::array<int, 4> STOP_SIGNALS{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

struct Style {
    short foreground;
    short background;
    attr_t colourAttributes;
    attr_t monoAttributes;
};

constexpr size_t ROLE_COUNT = static_cast<size_t>(Role::Count);

WINDOW* AsWindow(void* window)
{
    return static_cast<WINDOW*>(window);
}

PANEL* AsPanel(void* panel)
{
    return static_cast<PANEL*>(panel);
}

} // namespace

struct TerminalSession::Impl {
    FILE* tty = nullptr;
    SCREEN* screen = nullptr;
    WINDOW* background = nullptr;
    PANEL* backgroundPanel = nullptr;
    std::array<attr_t, ROLE_COUNT> attributes{};
    std::array<short, ROLE_COUNT> pairs{};
    std::array<struct sigaction, STOP_SIGNALS.size()> previous{};
    bool handlersInstalled = false;
    int escapeDelay = 50;
};

TerminalSession::TerminalSession(const TerminalOptions& options) : m_impl(std::make_unique<Impl>())
{
    std::setlocale(LC_ALL, "");
    m_display.unicode = MB_CUR_MAX > 1;
    const char* term = std::getenv("TERM");
    if (!term || !*term) {
        throw TerminalError("the terminal type is unknown: TERM is not set");
    }
    m_impl->tty = std::fopen(options.device.c_str(), "r+");
    if (!m_impl->tty) {
        throw TerminalError("cannot open the terminal " + options.device + ": " + std::strerror(errno));
    }
    m_impl->screen = newterm(nullptr, m_impl->tty, m_impl->tty);
    if (!m_impl->screen) {
        std::fclose(m_impl->tty);
        throw TerminalError(std::string("the terminal type \"") + term + "\" is not known to this system");
    }
    set_term(m_impl->screen);
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    // Escape would otherwise wait a second for a sequence that may follow.
    if (!std::getenv("ESCDELAY")) {
        set_escdelay(50);
    }
    m_impl->escapeDelay = get_escdelay();

    m_colours = options.colour && !std::getenv("NO_COLOR") && has_colors();
    const bool dim = (term_attrs() & A_DIM) != 0;
    if (m_colours) {
        start_color();
        use_default_colors();
    }
    const short grey = COLORS >= 16 ? 8 : COLOR_BLACK;
    const attr_t faint = COLORS >= 16 ? A_NORMAL : (dim ? A_DIM : A_NORMAL);
    const attr_t monoFaint = dim ? A_DIM : A_NORMAL;
    const std::array<Style, ROLE_COUNT> styles{{
        {COLOR_WHITE, COLOR_BLUE, A_NORMAL, A_NORMAL}, // Screen
        {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL}, // Dialog
        {COLOR_BLUE, COLOR_WHITE, A_BOLD, A_BOLD}, // Title
        {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL}, // Label
        {grey, COLOR_WHITE, faint, monoFaint}, // Disabled
        {COLOR_BLACK, COLOR_CYAN, A_NORMAL, A_UNDERLINE}, // Field
        {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE}, // FieldFocused
        {grey, COLOR_WHITE, faint, monoFaint}, // FieldDisabled
        {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL}, // Button
        {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE}, // ButtonFocused
        {grey, COLOR_WHITE, faint, monoFaint}, // ButtonDisabled
        {COLOR_BLUE, COLOR_WHITE, A_BOLD, A_BOLD}, // Selection
        {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE | A_BOLD}, // SelectionFocused
        {COLOR_BLACK, COLOR_YELLOW, A_BOLD, A_REVERSE}, // Busy
        {COLOR_RED, COLOR_WHITE, A_BOLD, A_BOLD}, // Warning
    }};
    for (size_t role = 0; role < ROLE_COUNT; ++role) {
        if (m_colours) {
            const auto pair = static_cast<short>(role + 1);
            init_pair(pair, styles[role].foreground, styles[role].background);
            m_impl->pairs[role] = pair;
            m_impl->attributes[role] = styles[role].colourAttributes;
        } else {
            m_impl->attributes[role] = styles[role].monoAttributes;
        }
    }
    if (options.mouse) {
        mmask_t events =
            BUTTON1_PRESSED | BUTTON1_RELEASED | BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED | BUTTON4_PRESSED;
#ifdef BUTTON5_PRESSED
        events |= BUTTON5_PRESSED;
#endif
        // Terminals that cannot report the mouse answer 0; the keyboard
        // reaches everything anyway.
        mousemask(events, nullptr);
        mouseinterval(200);
    }

    m_impl->background = newwin(0, 0, 0, 0);
    m_impl->backgroundPanel = m_impl->background ? new_panel(m_impl->background) : nullptr;
    if (!m_impl->backgroundPanel) {
        Close();
        throw TerminalError("cannot create a window on the terminal");
    }
    PaintBackground();

    g_stopSignal = 0;
    for (size_t i = 0; i < STOP_SIGNALS.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = RecordStopSignal;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a blocked read returns so that the loop sees the flag.
        action.sa_flags = 0;
        sigaction(STOP_SIGNALS[i], &action, &m_impl->previous[i]);
    }
    m_impl->handlersInstalled = true;
}

TerminalSession::~TerminalSession()
{
    Close();
}

void TerminalSession::Close()
{
    if (!m_impl) {
        return;
    }
    if (m_impl->handlersInstalled) {
        for (size_t i = 0; i < STOP_SIGNALS.size(); ++i) {
            sigaction(STOP_SIGNALS[i], &m_impl->previous[i], nullptr);
        }
        m_impl->handlersInstalled = false;
    }
    if (m_impl->screen) {
        if (m_impl->backgroundPanel) {
            del_panel(m_impl->backgroundPanel);
        }
        if (m_impl->background) {
            delwin(m_impl->background);
        }
        curs_set(1);
        endwin();
        delscreen(m_impl->screen);
        m_impl->screen = nullptr;
    }
    if (m_impl->tty) {
        std::fclose(m_impl->tty);
        m_impl->tty = nullptr;
    }
    m_impl.reset();
}

CellPoint TerminalSession::GetSize() const
{
    return CellPoint{LINES, COLS};
}

int TerminalSession::PendingSignal() const
{
    return g_stopSignal;
}

void TerminalSession::PaintBackground()
{
    WINDOW* window = m_impl->background;
    const auto role = static_cast<size_t>(Role::Screen);
    wbkgdset(window, static_cast<chtype>(' ') | m_impl->attributes[role] | COLOR_PAIR(m_impl->pairs[role]));
    werase(window);
}

void TerminalSession::HandleResize()
{
    wresize(m_impl->background, LINES, COLS);
    replace_panel(m_impl->backgroundPanel, m_impl->background);
    PaintBackground();
    RedrawAll();
}

InputEvent TerminalSession::Translate(int status, uint32_t key, bool alt)
{
    if (status == KEY_CODE_YES) {
        switch (key) {
        case KEY_RESIZE: {
            InputEvent event;
            event.type = EventType::Resize;
            return event;
        }
        case KEY_MOUSE: {
            MEVENT mouse{};
            if (getmouse(&mouse) != OK) {
                return InputEvent{};
            }
            const CellPoint position{mouse.y, mouse.x};
            if (mouse.bstate & BUTTON1_DOUBLE_CLICKED) {
                return InputEvent::Mouse(MouseAction::DoubleClick, position);
            }
            if (mouse.bstate & BUTTON1_CLICKED) {
                return InputEvent::Mouse(MouseAction::Click, position);
            }
            if (mouse.bstate & BUTTON1_PRESSED) {
                return InputEvent::Mouse(MouseAction::Press, position);
            }
            if (mouse.bstate & BUTTON1_RELEASED) {
                return InputEvent::Mouse(MouseAction::Release, position);
            }
            if (mouse.bstate & BUTTON4_PRESSED) {
                return InputEvent::Mouse(MouseAction::WheelUp, position);
            }
#ifdef BUTTON5_PRESSED
            if (mouse.bstate & BUTTON5_PRESSED) {
                return InputEvent::Mouse(MouseAction::WheelDown, position);
            }
#endif
            return InputEvent{};
        }
        case KEY_UP:
            return InputEvent::KeyPress(Key::Up, alt);
        case KEY_DOWN:
            return InputEvent::KeyPress(Key::Down, alt);
        case KEY_LEFT:
            return InputEvent::KeyPress(Key::Left, alt);
        case KEY_RIGHT:
            return InputEvent::KeyPress(Key::Right, alt);
        case KEY_PPAGE:
            return InputEvent::KeyPress(Key::PageUp, alt);
        case KEY_NPAGE:
            return InputEvent::KeyPress(Key::PageDown, alt);
        case KEY_HOME:
            return InputEvent::KeyPress(Key::Home, alt);
        case KEY_END:
            return InputEvent::KeyPress(Key::End, alt);
        case KEY_BTAB:
            return InputEvent::KeyPress(Key::BackTab);
        case KEY_ENTER:
            return InputEvent::KeyPress(Key::Enter, alt);
        case KEY_BACKSPACE:
            return InputEvent::KeyPress(Key::Backspace, alt);
        case KEY_DC:
            return InputEvent::KeyPress(Key::Delete, alt);
        default:
            return InputEvent::KeyPress(Key::Other, alt);
        }
    }
    switch (key) {
    case '\r':
    case '\n':
        return InputEvent::KeyPress(Key::Enter, alt);
    case '\t':
        return InputEvent::KeyPress(alt ? Key::BackTab : Key::Tab);
    case 127:
    case 8:
        return InputEvent::KeyPress(Key::Backspace, alt);
    case 0x15:
        return InputEvent::KeyPress(Key::ClearLine, alt);
    case 0x0C:
        return InputEvent::KeyPress(Key::Redraw, alt);
    case 0x03:
        return InputEvent::KeyPress(Key::Interrupt, alt);
    case 27:
        return InputEvent::KeyPress(Key::Escape, alt);
    default:
        break;
    }
    if (key < 0x20 || (key >= 0x7F && key < 0xA0) || key > 0x10FFFF || (key >= 0xD800 && key <= 0xDFFF)) {
        return InputEvent::KeyPress(Key::Other, alt);
    }
    return InputEvent::Character(static_cast<char32_t>(key), alt);
}

InputEvent TerminalSession::ReadEvent(int32_t timeoutMs)
{
    wtimeout(stdscr, timeoutMs);
    wint_t key = 0;
    const int status = wget_wch(stdscr, &key);
    if (status == ERR) {
        // A terminal that went away (the connection dropped) reads as an
        // endless run of errors; when hang-ups are ignored (nohup) no signal
        // says so, and the loop would spin. Treat it as the hang-up it is.
        pollfd terminal{::fileno(m_impl->tty), POLLIN, 0};
        if (::poll(&terminal, 1, 0) > 0 && (terminal.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            g_stopSignal = SIGHUP;
        }
        return InputEvent{};
    }
    if (status == OK && key == 27) {
        // Escape then a key within the escape delay is Alt and that key.
        wtimeout(stdscr, m_impl->escapeDelay);
        wint_t next = 0;
        const int nextStatus = wget_wch(stdscr, &next);
        if (nextStatus == ERR) {
            return InputEvent::KeyPress(Key::Escape);
        }
        return Translate(nextStatus, static_cast<uint32_t>(next), true);
    }
    return Translate(status, static_cast<uint32_t>(key), false);
}

std::unique_ptr<TerminalSurface> TerminalSession::CreateSurface()
{
    WINDOW* window = newwin(1, 1, 0, 0);
    if (!window) {
        throw TerminalError("cannot create a window on the terminal");
    }
    PANEL* panel = new_panel(window);
    if (!panel) {
        delwin(window);
        throw TerminalError("cannot create a panel on the terminal");
    }
    hide_panel(panel);
    return std::unique_ptr<TerminalSurface>(new TerminalSurface(*this, window, panel));
}

void TerminalSession::Present(std::optional<CellPoint> cursor)
{
    update_panels();
    if (cursor && cursor->row >= 0 && cursor->row < LINES && cursor->col >= 0 && cursor->col < COLS) {
        curs_set(1);
        setsyx(cursor->row, cursor->col);
    } else {
        curs_set(0);
    }
    doupdate();
}

void TerminalSession::RedrawAll()
{
    clearok(curscr, TRUE);
}

void TerminalSession::Beep()
{
    beep();
}

TerminalSurface::TerminalSurface(TerminalSession& session, void* window, void* panel)
    : m_session(&session), m_window(window), m_panel(panel), m_hidden(true)
{
}

TerminalSurface::~TerminalSurface()
{
    del_panel(AsPanel(m_panel));
    delwin(AsWindow(m_window));
}

void TerminalSurface::Hide()
{
    if (!m_hidden) {
        hide_panel(AsPanel(m_panel));
        m_hidden = true;
    }
}

void TerminalSurface::Raise()
{
    if (!m_hidden) {
        top_panel(AsPanel(m_panel));
    }
}

namespace {

const cchar_t* LineGlyph(uint8_t lines)
{
    switch (lines) {
    case LINE_LEFT | LINE_RIGHT:
    case LINE_LEFT:
    case LINE_RIGHT:
        return WACS_HLINE;
    case LINE_UP | LINE_DOWN:
    case LINE_UP:
    case LINE_DOWN:
        return WACS_VLINE;
    case LINE_DOWN | LINE_RIGHT:
        return WACS_ULCORNER;
    case LINE_DOWN | LINE_LEFT:
        return WACS_URCORNER;
    case LINE_UP | LINE_RIGHT:
        return WACS_LLCORNER;
    case LINE_UP | LINE_LEFT:
        return WACS_LRCORNER;
    case LINE_UP | LINE_DOWN | LINE_RIGHT:
        return WACS_LTEE;
    case LINE_UP | LINE_DOWN | LINE_LEFT:
        return WACS_RTEE;
    case LINE_DOWN | LINE_LEFT | LINE_RIGHT:
        return WACS_TTEE;
    case LINE_UP | LINE_LEFT | LINE_RIGHT:
        return WACS_BTEE;
    default:
        return WACS_PLUS;
    }
}

} // namespace

void TerminalSurface::Paint(const Canvas& canvas, const CellRect& placement)
{
    WINDOW* window = AsWindow(m_window);
    PANEL* panel = AsPanel(m_panel);
    const int rows = std::max(1, std::min(placement.rows, LINES - placement.row));
    const int cols = std::max(1, std::min(placement.cols, COLS - placement.col));
    if (placement.rows != m_placement.rows || placement.cols != m_placement.cols || rows != getmaxy(window)
        || cols != getmaxx(window)) {
        wresize(window, rows, cols);
        replace_panel(panel, window);
    }
    move_panel(panel, std::max(0, placement.row), std::max(0, placement.col));
    m_placement = placement;
    const TerminalSession::Impl& impl = *m_session->m_impl;
    for (int row = 0; row < rows && row < canvas.Rows(); ++row) {
        for (int col = 0; col < cols && col < canvas.Cols(); ++col) {
            const Cell& cell = canvas.At(row, col);
            if (cell.width == 0) {
                continue;
            }
            const auto role = static_cast<size_t>(cell.role);
            attr_t attributes = impl.attributes[role];
            if (cell.flags & CELL_BOLD) {
                attributes |= A_BOLD;
            }
            if (cell.flags & CELL_UNDERLINE) {
                attributes |= A_UNDERLINE;
            }
            const short pair = impl.pairs[role];
            cchar_t glyph{};
            if (cell.lines != LINE_NONE) {
                wchar_t text[CCHARW_MAX + 1] = {};
                attr_t lineAttributes = 0;
                short linePair = 0;
                getcchar(LineGlyph(cell.lines), text, &lineAttributes, &linePair, nullptr);
                setcchar(&glyph, text, lineAttributes | attributes, pair, nullptr);
            } else {
                // A wide character that would stick out of the window is left out.
                const bool fits = cell.width == 1 || col + 1 < cols;
                const wchar_t text[2] = {fits ? static_cast<wchar_t>(cell.ch) : L' ', L'\0'};
                setcchar(&glyph, text, attributes, pair, nullptr);
            }
            // Adding the bottom-right cell would move the cursor off the
            // window; inserting it does not.
            if (row == rows - 1 && col + cell.width >= cols) {
                mvwins_wch(window, row, col, &glyph);
            } else {
                mvwadd_wch(window, row, col, &glyph);
            }
        }
    }
    // Showing raises a panel to the top, so only a hidden one is shown.
    if (m_hidden) {
        show_panel(panel);
        m_hidden = false;
    }
}

} // namespace Dravo::UI::Terminal
