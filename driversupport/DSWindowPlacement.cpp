#include "driversupport/DSWindowPlacement.h"

#include <algorithm>

namespace Dravo::DriverSupport {

void CentreOverOwner(UI::DialogHost& host)
{
    const UI::Rect window = host.GetWindowRect();
    const UI::Rect desktop = host.GetDesktopRect();
    const UI::Rect around = host.GetOwnerRect().value_or(desktop);

    int32_t x = (around.x + around.Right() - window.width) / 2;
    int32_t y = (around.y + around.Bottom() - window.height) / 2;
    // The right and bottom edges first, so that a dialog larger than the
    // desktop keeps its title bar on screen.
    x = std::max(std::min(x, desktop.Right() - window.width), desktop.x);
    y = std::max(std::min(y, desktop.Bottom() - window.height), desktop.y);
    host.MoveWindow(x, y);
}

} // namespace Dravo::DriverSupport
