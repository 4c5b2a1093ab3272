#pragma once

#include <QString>

// Plain text from an HTML fragment: line breaks for block elements, "* "
// for list items, a link's target after its text. Never raises; text that
// yields nothing comes back unchanged, markup included, and so does markup
// with a start tag of more than cXML::MaxTagWords words, which libxml2 would
// take time growing with their square to parse. Breaks are CR LF.
QString HtmlToText(const QString& html);

// Replaces named (HTML 4.01 and "apos"), decimal and hexadecimal character
// references. A reference that is unknown, malformed or names a blank is
// left as written.
QString DecodeEntities(const QString& text);
