#pragma once

class QWidget;

// What makes the main window behave as the program's one window: the
// platform's user-interface font, and activation handed to the modal window
// while one is open, so that the window it blocks never comes in front of
// it. The other windows are tool windows, hints and dialogs owned by the
// main window, which the window manager keeps off the taskbar.
void ApplyMainWindowChrome(QWidget& window);
