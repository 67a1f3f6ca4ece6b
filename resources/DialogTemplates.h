// Dialog templates as data: what each dialog window holds, in template order,
// with sizes in dialog units (a quarter of the font's average character width
// across, an eighth of its height down). Every dialog backend builds its
// windows from these tables.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace Dravo::Resources {

enum class ControlKind : uint8_t {
    Label,
    Edit,
    PushButton,
    DefaultPushButton,
    /// Toggles itself when clicked, then notifies.
    CheckBox,
    GroupBox,
    /// A combo box whose list the user picks from; it has no edit field.
    DropDownList,
    ListBox,
};

/// Style flags of a control; combine with |.
enum ControlStyle : uint32_t {
    STYLE_NONE = 0,
    /// Combo and list boxes keep their entries in case-insensitive order.
    STYLE_SORTED = 1U << 0,
    STYLE_PASSWORD = 1U << 1,
    /// Edit boxes refuse typed characters other than the digits 0-9.
    STYLE_DIGITS_ONLY = 1U << 2,
    STYLE_READ_ONLY = 1U << 3,
    STYLE_MULTI_LINE = 1U << 4,
    STYLE_VERTICAL_SCROLL = 1U << 5,
    STYLE_AUTO_HORIZONTAL_SCROLL = 1U << 6,
    STYLE_AUTO_VERTICAL_SCROLL = 1U << 7,
    /// List boxes report selection changes and double clicks only with it.
    STYLE_NOTIFY = 1U << 8,
    STYLE_DISABLED = 1U << 9,
    STYLE_HIDDEN = 1U << 10,
    /// A group box drawn without a frame (it only groups).
    STYLE_BORDERLESS = 1U << 11,
    STYLE_BORDER = 1U << 12,
    /// An option only the Windows driver reads: elsewhere its caption says so.
    STYLE_WINDOWS_ONLY = 1U << 13,
};

constexpr ControlStyle operator|(ControlStyle a, ControlStyle b)
{
    return static_cast<ControlStyle>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}

/// x, y, width, height in dialog units.
struct DialogUnitRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    [[nodiscard]] constexpr int32_t Right() const { return x + width; }
    [[nodiscard]] constexpr int32_t Bottom() const { return y + height; }
    friend constexpr bool operator==(const DialogUnitRect&, const DialogUnitRect&) = default;
};

struct ControlTemplate {
    /// IDC_STATIC (-1) for labels and group boxes that no code addresses.
    int32_t id;
    ControlKind kind;
    uint32_t styles;
    /// Caption; an & marks the next character as the mnemonic ("&&" is a plain &).
    std::u16string_view text;
    DialogUnitRect rect;

    [[nodiscard]] constexpr bool Has(ControlStyle style) const { return (styles & style) != 0; }
};

struct DialogTemplate {
    int32_t id;
    std::u16string_view title;
    int32_t width;
    int32_t height;
    std::u16string_view fontName;
    int32_t fontPointSize;
    std::span<const ControlTemplate> controls;

    /// The first control with this id, or nullptr.
    [[nodiscard]] const ControlTemplate* FindControl(int32_t controlId) const;
};

/// The template with this id, or nullptr when the program has none.
const DialogTemplate* FindDialogTemplate(int32_t templateId);

/// Every template of the program, in ascending id order.
std::span<const DialogTemplate> AllDialogTemplates();

} // namespace Dravo::Resources
