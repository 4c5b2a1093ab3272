#include "ingest/uSimpleMarkup.h"

#include "ingest/uHtmlTextWriter.h"

#include <vector>

namespace {

class cSimpleMarkupReader {
public:
    explicit cSimpleMarkupReader(const QString& html) : FHtml(html) {}

    // The text, or nothing when the markup is not simple.
    std::optional<QString> Read() {
        while (FPosition < FHtml.size()) {
            const QChar character = FHtml[FPosition];
            bool read = true;
            if (character == QLatin1Char('<'))
                read = ReadTag();
            else if (character == QLatin1Char('&'))
                read = ReadReference();
            else
                read = ReadText();
            if (!read)
                return std::nullopt;
        }
        FlushText();
        while (!FOpen.empty()) {
            FWriter.End(FOpen.back());
            FOpen.pop_back();
        }
        return FWriter.Text;
    }

private:
    const QString& FHtml;
    qsizetype FPosition = 0;
    QString FPendingText;
    std::vector<cElement> FOpen;
    // Whether a link is among the open elements, kept as they open and
    // close: looking through them at every link costs the depth of the
    // nesting each time.
    bool FLinkOpen = false;
    cTextWriter FWriter;

    QChar At(qsizetype position) const {
        return position < FHtml.size() ? FHtml[position] : QChar();
    }

    void FlushText() {
        if (FPendingText.isEmpty())
            return;
        FWriter.WriteText(FPendingText);
        FPendingText.clear();
    }

    static bool IsNameCharacter(QChar character) {
        return (character >= QLatin1Char('a') && character <= QLatin1Char('z')) ||
               (character >= QLatin1Char('0') && character <= QLatin1Char('9'));
    }

    // A lower-case name starting with a letter, or empty text.
    QByteArray ReadName() {
        const qsizetype start = FPosition;
        if (!IsNameCharacter(At(FPosition)) || At(FPosition) <= QLatin1Char('9'))
            return QByteArray();
        while (IsNameCharacter(At(FPosition)))
            ++FPosition;
        return FHtml.mid(start, FPosition - start).toLatin1();
    }

    void SkipBlanks() {
        while (FPosition < FHtml.size() && IsHtmlBlank(FHtml[FPosition]))
            ++FPosition;
    }

    static bool IsVoid(const QByteArray& name) { return name == "br" || name == "img"; }

    static bool IsSimple(const QByteArray& name) {
        static const char* const simple[] = {"p",      "a",    "b",    "i",  "u",  "em",
                                             "strong", "span", "code", "br", "img"};
        for (const char* known : simple)
            if (name == known)
                return true;
        return false;
    }

    bool ReadTag() {
        ++FPosition;
        if (At(FPosition) == QLatin1Char('/')) {
            ++FPosition;
            const QByteArray name = ReadName();
            SkipBlanks();
            if (At(FPosition) != QLatin1Char('>') || FOpen.empty() || FOpen.back().Name != name)
                return false;
            ++FPosition;
            FlushText();
            FWriter.End(FOpen.back());
            if (FOpen.back().Name == "a")
                FLinkOpen = false;
            FOpen.pop_back();
            return true;
        }
        cElement element;
        element.Name = ReadName();
        if (!IsSimple(element.Name))
            return false;
        // A paragraph closes what is open, a link closes a link: libxml2's
        // rules, which are not repeated here.
        if ((element.Name == "p" && !FOpen.empty()) || (element.Name == "a" && FLinkOpen))
            return false;
        const char* used = AttributeUsedBy(element.Name);
        bool selfClosing = false;
        for (;;) {
            const qsizetype before = FPosition;
            SkipBlanks();
            if (At(FPosition) == QLatin1Char('>')) {
                ++FPosition;
                break;
            }
            if (At(FPosition) == QLatin1Char('/') && At(FPosition + 1) == QLatin1Char('>')) {
                FPosition += 2;
                selfClosing = true;
                break;
            }
            if (FPosition == before)
                return false;
            const QByteArray attribute = ReadName();
            SkipBlanks();
            if (attribute.isEmpty() || At(FPosition) != QLatin1Char('='))
                return false;
            ++FPosition;
            SkipBlanks();
            const QChar quote = At(FPosition);
            if (quote != QLatin1Char('"') && quote != QLatin1Char('\''))
                return false;
            const qsizetype valueStart = ++FPosition;
            // Refused characters count in values too: libxml2 ends a value
            // at a NUL, for one.
            while (FPosition < FHtml.size() && FHtml[FPosition] != quote) {
                if (FHtml[FPosition] == QLatin1Char('&') || IsRefused(FPosition))
                    return false;
                FPosition += FHtml[FPosition].isHighSurrogate() ? 2 : 1;
            }
            if (FPosition >= FHtml.size())
                return false;
            if (used && attribute == used && !element.HasAttribute) {
                element.HasAttribute = true;
                element.Attribute = FHtml.mid(valueStart, FPosition - valueStart);
            }
            ++FPosition;
        }
        if (selfClosing && !IsVoid(element.Name))
            return false;
        FlushText();
        FWriter.Start(element);
        if (IsVoid(element.Name))
            FWriter.End(element);
        else {
            FLinkOpen = FLinkOpen || element.Name == "a";
            FOpen.push_back(std::move(element));
        }
        return true;
    }

    // Characters libxml2 refuses: controls other than blanks, U+FFFE,
    // U+FFFF and halves of surrogate pairs.
    bool IsRefused(qsizetype position) const {
        const QChar character = FHtml[position];
        const char16_t code = character.unicode();
        if (code < 0x20)
            return !IsHtmlBlank(character);
        if (code == 0xFFFE || code == 0xFFFF || character.isLowSurrogate())
            return true;
        return character.isHighSurrogate() && !At(position + 1).isLowSurrogate();
    }

    // Text up to the next markup, in one piece.
    bool ReadText() {
        const qsizetype start = FPosition;
        for (; FPosition < FHtml.size(); ++FPosition) {
            const QChar character = FHtml[FPosition];
            if (character == QLatin1Char('<') || character == QLatin1Char('&'))
                break;
            if (IsRefused(FPosition))
                return false;
            if (character.isHighSurrogate())
                ++FPosition;
        }
        FPendingText += QStringView(FHtml).mid(start, FPosition - start);
        return true;
    }

    bool ReadReference() {
        static const struct {
            QLatin1String reference;
            char character;
        } basic[] = {{QLatin1String("&amp;"), '&'},
                     {QLatin1String("&lt;"), '<'},
                     {QLatin1String("&gt;"), '>'},
                     {QLatin1String("&quot;"), '"'}};
        for (const auto& known : basic)
            if (QStringView(FHtml).mid(FPosition).startsWith(known.reference)) {
                FPendingText += QLatin1Char(known.character);
                FPosition += known.reference.size();
                return true;
            }
        // An ampersand that starts no name is itself.
        if (FPosition + 1 == FHtml.size() || IsHtmlBlank(FHtml[FPosition + 1])) {
            FPendingText += FHtml[FPosition++];
            return true;
        }
        return false;
    }
};

} // namespace

std::optional<QString> ReadSimpleMarkup(const QString& html) {
    return cSimpleMarkupReader(html).Read();
}
