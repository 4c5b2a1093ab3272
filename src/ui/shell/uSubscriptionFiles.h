#pragma once

class QWidget;
class TdmVelmora;

// The File menu's OPML transfer: each asks for a file, then says what came of
// it, the reason included when nothing did.

// Subscribes to the feeds of a chosen OPML file that are not subscribed yet,
// each in a category named after its folder; a file that cannot be read
// imports nothing. The engine is asked to look for new feeds at once.
void AskAndImportSubscriptions(QWidget& parent, TdmVelmora& data);
// Writes every subscription to a chosen file as OPML 2.0.
void AskAndExportSubscriptions(QWidget& parent, TdmVelmora& data);
