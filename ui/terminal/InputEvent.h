// One input vocabulary: the session turns keys, escape sequences, mouse
// reports and resizes into these before any view sees them.
#pragma once

#include <cstdint>

#include "ui/terminal/Canvas.h"

namespace Dravo::UI::Terminal {

enum class EventType : uint8_t { None, Key, Mouse, Resize };

enum class Key : uint8_t {
    Other,
    /// A printable character in `character`.
    Character,
    Enter,
    Escape,
    Tab,
    BackTab,
    Backspace,
    Delete,
    Up,
    Down,
    Left,
    Right,
    PageUp,
    PageDown,
    Home,
    End,
    /// Ctrl-U: clear the edit box.
    ClearLine,
    /// Ctrl-L: draw the whole screen again.
    Redraw,
    /// Ctrl-C, which raw mode delivers as a key: Cancel.
    Interrupt,
};

enum class MouseAction : uint8_t { Press, Release, Click, DoubleClick, WheelUp, WheelDown };

struct InputEvent {
    EventType type = EventType::None;
    Key key = Key::Other;
    char32_t character = 0;
    /// Alt held, or the key came right after Escape.
    bool alt = false;
    MouseAction mouse = MouseAction::Click;
    /// Screen position of a mouse event.
    CellPoint position;

    static InputEvent KeyPress(Key key, bool alt = false)
    {
        InputEvent event;
        event.type = EventType::Key;
        event.key = key;
        event.alt = alt;
        return event;
    }
    static InputEvent Character(char32_t character, bool alt = false)
    {
        InputEvent event = KeyPress(Key::Character, alt);
        event.character = character;
        return event;
    }
    static InputEvent Mouse(MouseAction action, CellPoint position)
    {
        InputEvent event;
        event.type = EventType::Mouse;
        event.mouse = action;
        event.position = position;
        return event;
    }

    [[nodiscard]] bool IsKey(Key wanted) const { return type == EventType::Key && key == wanted; }
    /// Escape or Ctrl-C: what closes a box or a pop-up without a choice.
    [[nodiscard]] bool IsCancel() const
    {
        return type == EventType::Key && ((key == Key::Escape && !alt) || key == Key::Interrupt);
    }
};

} // namespace Dravo::UI::Terminal
