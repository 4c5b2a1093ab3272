#pragma once

class QWidget;
class cSQLDatabase;

// The File menu's OPML transfer: each asks for a file, then says what came of
// it, the reason included when nothing did.

// Subscribes to the feeds of a chosen OPML file that are not subscribed yet,
// each in a category named after its folder; a file that cannot be read
// imports nothing. True when a feed was added.
bool AskAndImportSubscriptions(QWidget& parent, cSQLDatabase& database);
// Writes every subscription to a chosen file as OPML 2.0.
void AskAndExportSubscriptions(QWidget& parent, cSQLDatabase& database);
