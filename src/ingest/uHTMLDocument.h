#pragma once

#include <QByteArray>
#include <QString>

#include <libxml/tree.h>

#include <memory>

// Web pages read with libxml2's forgiving HTML parser, for the readers that
// look into pages: feed discovery and saved pages.

using cHTMLDocument = std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)>;

// The page parsed with recovery, no network and no messages, relative
// addresses resolved against base (may be empty); null when it cannot be
// read or has a tag of more than cXML::MaxTagWords words (libxml2 compares
// each attribute of a tag with every earlier one). A charset its server
// named (may be empty) goes before the page's own declaration, as in a
// browser, and so does a UTF-8 byte-order mark; a server's Latin-1 or ASCII
// label is read as windows-1252, as browsers read it; a charset libxml2 does
// not know is not used.
cHTMLDocument ReadHTMLDocument(const QByteArray& page, const QByteArray& base = {},
                               const QByteArray& charset = {});
// Whether the tag name is the one expected, in any letter case.
bool IsHTMLName(const xmlChar* name, const char* expected);
// An attribute's value, or a null string when the element has none.
QString HTMLAttribute(xmlNodePtr element, const char* name);
