#pragma once

class QSize;
class QWidget;

// What makes the main window behave as the program's one window: the
// platform's user-interface font, and activation handed to the modal window
// while one is open, so that the window it blocks never comes in front of
// it. The other windows are tool windows, hints and dialogs owned by the
// main window, which the window manager keeps off the taskbar.
void ApplyMainWindowChrome(QWidget& window);

// Resizes the window to size, or to as much of it as its screen's available
// area holds with the window manager's frame: a window opened larger than
// the screen (a small screen, a large scale factor) would hide its own
// controls.
void ResizeWithinScreen(QWidget& window, const QSize& size);
