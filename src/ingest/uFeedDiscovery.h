#pragma once

#include "ingest/uXML.h"

#include <QByteArray>
#include <QString>

// What an address typed by the user answers: a feed, or a web page that
// names its feeds in its head. Reads what was fetched; fetches nothing.

// True for an absolute http or https URL with a host and no blanks: the
// only addresses a channel can be fetched from.
bool IsWebAddress(const QString& text);

// True when the element is the root of a feed the refresh reads: rss,
// rdf:RDF or feed.
bool IsFeedRoot(cXMLNode root);

// True when the body is a well-formed XML document with a feed root. Reads
// it as a refresh does (ReadableFeedDocument, cXML::LoadDocument) and
// stores nothing.
bool IsFeedDocument(const QByteArray& body);

// The address of the first <link rel="alternate"> in the head of the HTML
// page whose type is that of an RSS, Atom or RDF feed (rel a list of words,
// words and type compared without case, a type's parameters ignored),
// resolved against the page's <base href> or else its address. Links that
// do not come to an http or https address are passed over. Empty when
// there is none, and for markup with a start tag of more than
// cXML::MaxTagWords words. libxml2's HTML parser reads the page with no
// network.
QString FindFeedLink(const QByteArray& page, const QString& pageAddress);
