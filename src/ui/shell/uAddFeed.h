#pragma once

class QWidget;
class cSQLDatabase;

// The add-feed dialog: asks for a feed's address and subscribes to it as
// typed on the database, then says whether that worked; true when it did.
// Shared by the main window's menu and the channel detail window.
bool AskAndAddFeed(QWidget& parent, cSQLDatabase& database);
