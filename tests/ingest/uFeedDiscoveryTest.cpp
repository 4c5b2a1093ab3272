#include "ingest/uFeedDiscovery.h"

#include <gtest/gtest.h>

TEST(FeedDiscovery, FindsTheFirstFeedLinkInTheHead) {
    const char* const Page = "http://127.0.0.1/blog/index.html";
    const struct {
        const char* what;
        const char* page;
        const char* found;
    } cases[] = {
        {"a link in the head",
         "<!DOCTYPE html><html><head><title>Blog</title>"
         "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"http://127.0.0.1/feed.xml\">"
         "</head><body><p>Hello</p></body></html>",
         "http://127.0.0.1/feed.xml"},
        {"the first feed-typed alternate of several",
         "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"/s.css\">"
         "<link rel=\"alternate\" type=\"text/html\" href=\"/en/\">"
         "<link rel=\"icon\" type=\"application/rss+xml\" href=\"/not-alternate.xml\">"
         "<link rel=\"alternate\" type=\"application/atom+xml\" href=\"/atom.xml\">"
         "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss.xml\">"
         "</head></html>",
         "http://127.0.0.1/atom.xml"},
        {"rel as a list of words",
         "<head><link rel=\" Alternate  feed\" type=\"application/rdf+xml\" href=\"/rdf\"></head>",
         "http://127.0.0.1/rdf"},
        {"the type without case, its parameters ignored",
         "<head><link rel=alternate type=\"Application/Atom+XML; charset=utf-8\" "
         "href=\"/a.xml\"></head>",
         "http://127.0.0.1/a.xml"},
        {"a relative href",
         "<head><link rel=alternate type=application/rss+xml href=\"feed/?a=1&amp;b=2\"></head>",
         "http://127.0.0.1/blog/feed/?a=1&b=2"},
        {"a scheme-relative href",
         "<head><link rel=alternate type=application/rss+xml href=\"//feeds.test/x\"></head>",
         "http://feeds.test/x"},
        {"resolved against the page's base",
         "<head><base href=\"https://cdn.test/site/\">"
         "<link rel=alternate type=application/rss+xml href=\"rss.xml\"></head>",
         "https://cdn.test/site/rss.xml"},
        {"a head the page does not write",
         "<title>Untidy</title><link rel=alternate type=application/rss+xml href=/u.xml><p>text",
         "http://127.0.0.1/u.xml"},
        {"links without an http address passed over",
         "<head><link rel=alternate type=application/rss+xml href=\"\">"
         "<link rel=alternate type=application/rss+xml href=\"mailto:me@test\">"
         "<link rel=alternate type=application/rss+xml href=\"/kept.xml\"></head>",
         "http://127.0.0.1/kept.xml"},
        {"a link in the body only",
         "<html><head><title>t</title></head><body><p>see "
         "<link rel=alternate type=application/rss+xml href=/body.xml></p></body></html>",
         ""},
        {"no link at all", "<html><head><title>t</title></head><body>none</body></html>", ""},
        {"an alternate of another type",
         "<head><link rel=alternate type=application/json href=/feed.json></head>", ""},
        {"a body that is not HTML", "{\"items\": [\"application/rss+xml\"]}", ""},
        {"an empty body", "", ""},
    };
    for (const auto& row : cases)
        EXPECT_EQ(FindFeedLink(QByteArray(row.page), QString::fromLatin1(Page)),
                  QString::fromLatin1(row.found))
            << row.what;
}

TEST(FeedDiscovery, AFeedIsAWellFormedDocumentWithAFeedRoot) {
    const struct {
        const char* body;
        bool feed;
    } cases[] = {
        {"<?xml version=\"1.0\"?><rss version=\"2.0\"><channel/></rss>", true},
        {"<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"/>", true},
        {"<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>t</title></feed>", true},
        // What a refresh reads: blanks and a byte-order mark before the
        // declaration, undeclared windows-1252.
        {"\n<?xml version=\"1.0\"?><rss version=\"2.0\"><channel/></rss>", true},
        {" \xEF\xBB\xBF<?xml version=\"1.0\"?><rss><channel/></rss>", true},
        {"<rss><channel><title>Caf\xE9</title></channel></rss>", true},
        {"<html xmlns=\"http://www.w3.org/1999/xhtml\"><head/><body/></html>", false},
        {"<opml version=\"2.0\"><body/></opml>", false},
        {"<rss><channel><title>broken</rss>", false},
        {"<html><head><link rel=alternate></head></html>", false},
        {"", false},
    };
    for (const auto& row : cases)
        EXPECT_EQ(IsFeedDocument(QByteArray(row.body)), row.feed) << row.body;
}

TEST(FeedDiscovery, OnlyAbsoluteHttpAddressesAreWebAddresses) {
    const struct {
        const char* text;
        bool web;
    } cases[] = {
        {"http://example.test/feed.xml", true},
        {"HTTPS://Example.test:8443/a?b=c|d", true},
        {"http://127.0.0.1:1/feed?q='it''s'", true},
        {"not a url", false},
        {"example.test/feed.xml", false},
        {"/feed.xml", false},
        {"ftp://example.test/feed.xml", false},
        {"file:///etc/passwd", false},
        {"http://", false},
        {"http:/feed.xml", false},
        {"http://exa mple.test/", false},
        {" http://example.test/", false},
        {"", false},
    };
    for (const auto& row : cases)
        EXPECT_EQ(IsWebAddress(QString::fromLatin1(row.text)), row.web) << row.text;
}
