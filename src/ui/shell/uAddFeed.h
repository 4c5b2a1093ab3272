#pragma once

class QWidget;
class TdmVelmora;

// The add-feed dialog: asks for a feed's address and subscribes to it as
// typed on the shared connection, asks the engine to look for it at once,
// then says whether that worked. Shared by the main window's menu and the
// channel detail window.
void AskAndAddFeed(QWidget& parent, TdmVelmora& data);
