#pragma once

#include <QByteArray>
#include <QString>

// The layout rules that turn HTML into plain text, fed with elements and
// text in document order by whichever reader parsed the markup.

// An element as the layout rules see it: its name, and the one attribute
// they use (a link's target, an image's alternative text).
struct cElement {
    QByteArray Name;
    QString Attribute;
    bool HasAttribute = false;
};

// The attribute the rules read from an element of this name, or none.
const char* AttributeUsedBy(const QByteArray& element);

// Blanks as HTML text has them: tab, line feed, carriage return, space.
bool IsHtmlBlank(QChar character);

// The character a named reference stands for (HTML 4.01 and "apos"), or
// empty text.
QString EntityCharacter(const QString& name);

// Writes text from an element's start, its content and its end: line
// breaks around block elements, "* " before list items, a link's target
// after its text, blanks collapsed outside preformatted text.
class cTextWriter {
public:
    QString Text;

    void WriteText(QString text);
    void WriteEntity(const QString& name);
    void Start(const cElement& element);
    void End(const cElement& element);

private:
    bool FInsideLink = false;
    bool FInsidePre = false;

    void Append(const QString& piece);
    void LineBreakIfNeeded();
    void ParagraphBreakIfNeeded();
};
