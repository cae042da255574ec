#pragma once
// How the program names itself to the desktop. The window system ties a window to the desktop
// entry (and so to its icon and name in docks and task bars) through these names: on Wayland by
// the desktop file name, on X11 by the window class, which is the application name and which
// the entry repeats as StartupWMClass.

// Sets the application name "Korvana", the organisation "Tarnvale" and the desktop file name
// "korvana" (of korvana.desktop). Call once, right after the application object is made.
void IdentifyApplication();
