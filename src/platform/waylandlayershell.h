#pragma once

class QWindow;

// Panels as wlroots layer surfaces: on the overlay layer of their output, anchored to all
// four edges, over everything including full-screen windows, with the layers below still
// drawn. Where the compositor has no layer shell, or Corvina was built without it, windows
// stay ordinary xdg-shell ones.
namespace LayerShell {

// Asks Qt's Wayland plugin to try Corvina's layer shell first. Call before the
// application object exists; the user's own QT_WAYLAND_SHELL_INTEGRATION wins.
void install();

// Marks `window` as a panel before it is first shown; other windows are unaffected.
void markPanel(QWindow *window);

// Whether the running Qt uses the layer shell (it was installed and the compositor has it).
bool isActive();

} // namespace LayerShell
