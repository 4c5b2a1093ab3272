#pragma once

#include <QString>

#include <optional>

// Most feed markup is a few paragraphs of text with links, emphasis, line
// breaks and images, properly nested. Such markup is read here directly,
// giving what libxml2's HTML parser gives, several times faster; nested
// deeper than the 256 elements libxml2 reads, it is read to its end. Anything
// else (other elements, comments, unquoted or reference-bearing attributes,
// references other than the four basic ones, elements libxml2 would close by
// itself) gives nothing, and is left to libxml2.
std::optional<QString> ReadSimpleMarkup(const QString& html);
