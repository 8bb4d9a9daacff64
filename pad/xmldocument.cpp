#include "xmldocument.h"

#include "padform.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QSysInfo>
#include <QXmlStreamReader>

#include <algorithm>

namespace Pad {

namespace {

QString notWellFormed(qint64 line, qint64 column, const QString &what)
{
    return QStringLiteral("it is not well-formed XML (line %1, column %2: %3)").arg(line).arg(column).arg(what);
}

// How the bytes are decoded: by one of Qt's own codecs, or by name.
struct Codec
{
    std::optional<QStringConverter::Encoding> builtIn;
    QByteArray name;        // the declared name, when not built in
    QString nameInMessages; // as declared, or the name of what the bytes show

    QStringDecoder decoder(QStringConverter::Flags flags) const
    {
        return builtIn ? QStringDecoder(*builtIn, flags) : QStringDecoder(name.constData(), flags);
    }
};

// The encoding that the bytes declare or show; nullopt with a reason when they
// declare one that no decoder knows.
std::optional<Codec> findCodec(const QByteArray &bytes, QString *reason)
{
    const std::optional<QStringConverter::Encoding> shown = QStringConverter::encodingForData(bytes, u'<');
    // The XML reader takes a declaration only when it is well-formed, as far
    // as the first '>' and a character more.
    const qsizetype close = bytes.indexOf('>');
    const QByteArray head = close < 0 ? bytes : bytes.first(std::min(bytes.size(), close + 8));
    QXmlStreamReader probe(head);
    probe.readNext();
    if (probe.error() == QXmlStreamReader::PrematureEndOfDocumentError && head.size() < bytes.size()) {
        probe.addData(bytes.sliced(head.size()));
        probe.readNext();
    }
    const bool started = probe.tokenType() == QXmlStreamReader::StartDocument;

    Codec codec;
    codec.nameInMessages = started ? probe.documentEncoding().toString() : QString();
    if (!started && probe.hasError() && probe.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
        // A declaration well-formed up to the name of an encoding that no decoder knows?
        const bool wide = shown && *shown != QStringConverter::Utf8;
        QString start = wide ? QStringDecoder(*shown).decode(head) : QString::fromLatin1(head);
        if (!wide && head.startsWith("\xef\xbb\xbf"))
            start.remove(0, 3);
        static const QRegularExpression declaration(QStringLiteral(
            "^<\\?xml[ \\t\\r\\n]+version[ \\t\\r\\n]*=[ \\t\\r\\n]*(\"1\\.[0-9]+\"|'1\\.[0-9]+')"
            "[ \\t\\r\\n]+encoding[ \\t\\r\\n]*=[ \\t\\r\\n]*[\"']([A-Za-z][A-Za-z0-9._-]*)[\"']"));
        const QRegularExpressionMatch match = declaration.match(start);
        if (match.hasMatch() && !QStringDecoder(match.captured(2).toLatin1().constData()).isValid()) {
            *reason = notWellFormed(1, match.capturedStart(2) + 1,
                                    QStringLiteral("Encoding %1 is unsupported").arg(match.captured(2)));
            return std::nullopt;
        }
    }
    if (codec.nameInMessages.isEmpty()) {
        codec.builtIn = shown.value_or(QStringConverter::Utf8);
        codec.nameInMessages = QString::fromLatin1(QStringConverter::nameForEncoding(*codec.builtIn));
        return codec;
    }
    codec.name = codec.nameInMessages.toLatin1();
    codec.builtIn = QStringConverter::encodingForName(codec.name.constData());
    // "UTF-16" and "UTF-32" name no byte order: the first bytes show it, or
    // the decoder takes this machine's.
    const auto byteOrder = [&](QStringConverter::Encoding little, QStringConverter::Encoding big) {
        if (shown == little || shown == big)
            return *shown;
        return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? little : big;
    };
    if (codec.builtIn == QStringConverter::Utf16)
        codec.builtIn = byteOrder(QStringConverter::Utf16LE, QStringConverter::Utf16BE);
    else if (codec.builtIn == QStringConverter::Utf32)
        codec.builtIn = byteOrder(QStringConverter::Utf32LE, QStringConverter::Utf32BE);
    return codec;
}

// The decoded text, and where in it the first byte that does not fit the
// encoding stands: its index, text.size() when the bytes end inside a
// character, -1 when every byte fits.
struct Decoded
{
    QString text;
    qsizetype invalidAt = -1;
};

Decoded decode(const QByteArray &bytes, const Codec &codec)
{
    using Flag = QStringConverter::Flag;
    // Decoded without state, a character cut off at the end shows as an error
    // or as one more character, U+0000 or U+FFFD; XML text rarely ends in either.
    QStringDecoder whole = codec.decoder(Flag::Stateless | Flag::ConvertInvalidToNull);
    Decoded decoded{whole.decode(bytes)};
    if (!whole.hasError() && !decoded.text.endsWith(QChar(0)) && !decoded.text.endsWith(QChar::ReplacementCharacter))
        return decoded;

    // A decoder with state keeps a cut-off character to itself; the same
    // bytes decoded again with U+FFFD for what does not fit show which U+0000
    // stand for such bytes rather than for a U+0000 in the file.
    QStringDecoder kept = codec.decoder(Flag::ConvertInvalidToNull);
    QStringDecoder marked = codec.decoder(Flag::Default);
    QString text = kept.decode(bytes);
    const QString markedText = marked.decode(bytes);
    const qsizetype common = std::min(text.size(), markedText.size());
    const auto first = std::mismatch(text.cbegin(), text.cbegin() + common, markedText.cbegin()).first;
    if (first != text.cbegin() + common)
        decoded.invalidAt = first - text.cbegin();
    else if (text.size() < decoded.text.size() || (whole.hasError() && !kept.hasError()))
        decoded.invalidAt = text.size();
    decoded.text = std::move(text);
    return decoded;
}

// Where a start tag or document type declaration in text grows past
// MaxMarkupLength characters, looking at markup that begins before end: the
// index of the character too many (and in markupStart that of its '<'), or -1.
// Comments, CDATA sections, processing instructions and end tags may be longer.
qsizetype firstTooLongMarkup(QStringView text, qsizetype end, qsizetype *markupStart)
{
    const auto after = [&](qsizetype from, QStringView close) {
        const qsizetype at = close.size() == 1 ? text.indexOf(close.front(), from) : text.indexOf(close, from);
        return at < 0 ? text.size() : at + close.size();
    };
    for (qsizetype open = text.indexOf(u'<'); open >= 0 && open < end; open = text.indexOf(u'<', open)) {
        const QStringView markup = text.sliced(open);
        const QChar second = markup.size() > 1 ? markup[1] : QChar();
        if (second == u'/') {
            open = after(open + 2, u">");
        } else if (second == u'?') {
            open = after(open + 2, u"?>");
        } else if (second == u'!' && markup.startsWith(u"<!--")) {
            open = after(open + 4, u"-->");
        } else if (second == u'!' && markup.startsWith(u"<![CDATA[")) {
            open = after(open + 9, u"]]>");
        } else {
            // Quoted values may hold '>', and the internal subset of a
            // document type declaration, between brackets, comments and
            // processing instructions. Only the first characters up to the
            // bound matter.
            const bool doctype = second == u'!';
            const qsizetype bound = std::min(text.size(), open + MaxMarkupLength);
            qsizetype close = -1;
            QChar quote;
            int brackets = 0;
            for (qsizetype i = open + 2; i < bound && close < 0; ++i) {
                const QChar c = text[i];
                if (!quote.isNull()) {
                    if (c == quote)
                        quote = QChar();
                } else if (c == u'"' || c == u'\'') {
                    quote = c;
                } else if (c == u'>' && brackets <= 0) {
                    close = i + 1;
                } else if (doctype && (c == u'[' || c == u']')) {
                    brackets += c == u'[' ? 1 : -1;
                } else if (brackets > 0 && c == u'-' && text.sliced(open, i + 1 - open).endsWith(u"<!--")) {
                    i = after(i + 1, u"-->") - 1;
                } else if (brackets > 0 && c == u'?' && text[i - 1] == u'<') {
                    i = after(i + 1, u"?>") - 1;
                }
            }
            if (close < 0 && bound < text.size()) {
                *markupStart = open;
                return open + MaxMarkupLength;
            }
            open = close < 0 ? text.size() : close;
        }
    }
    return -1;
}

// How many start tags text can hold at the most: each begins with a '<' that
// no '/', '!' or '?' follows.
qsizetype startTagsAtMost(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype at = text.indexOf(u'<'); at >= 0; at = text.indexOf(u'<', at + 1)) {
        const QChar next = at + 1 < text.size() ? text[at + 1] : QChar();
        if (next != u'/' && next != u'!' && next != u'?')
            ++count;
    }
    return count;
}

// A text longer than this is copied into XmlDocument::decodedTexts once
// rather than out of the document's text on each call of elementText(), so
// that the texts its callers keep share one copy. Most are far shorter.
constexpr qsizetype MaxSliceLength = 256;

// Takes the tokens of one document and builds its elements. Where they sit
// is found in the document's text, which the XML reader reads without a
// U+FEFF at its start.
class TreeBuilder
{
public:
    explicit TreeBuilder(XmlDocument &document)
        : m_document(document), m_shift(document.text.startsWith(QChar(0xfeff)) ? 1 : 0)
    {
    }

    // False with a reason when the document cannot be taken.
    bool take(const QXmlStreamReader &reader, QString *reason)
    {
        switch (reader.tokenType()) {
        case QXmlStreamReader::DTD:
            if (!reader.entityDeclarations().isEmpty()) {
                *reason = QStringLiteral("its document type declares entities, which the reader does not accept");
                return false;
            }
            break;
        case QXmlStreamReader::StartElement:
            return startElement(reader, reason);
        case QXmlStreamReader::EndElement:
            endElement(reader);
            break;
        case QXmlStreamReader::Characters:
            if (!m_open.empty() && m_open.back().takesText)
                piece(reader.text(), reader.isCDATA());
            break;
        case QXmlStreamReader::Comment:
            markup(QStringLiteral("a comment"));
            break;
        case QXmlStreamReader::ProcessingInstruction:
            markup(QStringLiteral("a processing instruction"));
            break;
        case QXmlStreamReader::EntityReference:
            markup(QStringLiteral("a reference to the entity &%1; that the reader does not resolve")
                       .arg(reader.name()));
            break;
        default:
            break;
        }
        return true;
    }

private:
    // An element whose end tag is still to come.
    struct Open
    {
        qint32 element;
        qint32 lastChild = -1;
        qint32 declarations = 0; // namespace declarations of its start tag
        bool takesText = true;   // no markup or child element yet
    };

    // Where the token just read ends. The XML reader reads ahead after
    // text, but never after a tag.
    qsizetype offset(const QXmlStreamReader &reader) const { return reader.characterOffset() + m_shift; }

    XmlElement &element(qint32 index) { return m_document.elements[std::size_t(index)]; }

    // Markup met in the open element; a child element is not described
    // here, since the element's first child names it when asked.
    void markup(const QString &what = QString())
    {
        if (m_open.empty() || !m_open.back().takesText)
            return;
        m_open.back().takesText = false;
        XmlElement &holder = element(m_open.back().element);
        if (what.isEmpty())
            holder.held = XmlElement::HoldsChildFirst;
        else
            holdsOtherMarkup(holder, what);
    }

    void holdsOtherMarkup(XmlElement &holder, const QString &what)
    {
        holder.held = XmlElement::HoldsOtherMarkup - qint32(m_document.markupsFound.size());
        m_document.markupsFound << what;
    }

    void holdsDecodedText(XmlElement &holder, const QString &text)
    {
        holder.held = qint32(m_document.decodedTexts.size());
        m_document.decodedTexts << text;
    }

    // Only the innermost open element can still take text, since a child
    // element is markup to its parent: its pieces are followed here. Most
    // contents read as they are written, so a piece is copied only once one
    // does not.
    void startPieces(qsizetype contentStart)
    {
        m_contentStart = contentStart;
        m_readAsWritten = contentStart;
        m_piecesLength = 0;
        m_nonBlank = 0;
        m_onlyStart = 0;
        m_onlyLength = 0;
        m_pieces.resize(0);
    }

    void piece(QStringView text, bool cdata)
    {
        // White space that only lays out a CDATA section is no piece of its own.
        if (cdata || !std::all_of(text.cbegin(), text.cend(), isXmlWhitespace)) {
            if (++m_nonBlank == 1) {
                m_onlyStart = m_piecesLength;
                m_onlyLength = text.size();
            }
        }
        const QStringView document(m_document.text);
        if (m_readAsWritten >= 0 && document.sliced(m_readAsWritten).startsWith(text)) {
            m_readAsWritten += text.size();
        } else {
            // The pieces before this one read as written.
            if (m_readAsWritten >= 0)
                m_pieces.append(document.sliced(m_contentStart, m_readAsWritten - m_contentStart));
            m_readAsWritten = -1;
            m_pieces.append(text);
        }
        m_piecesLength += text.size();
    }

    // What the element that took the pieces holds: the one piece of text or
    // CDATA, or all of them when they are white space.
    void endPieces(XmlElement &closed)
    {
        if (m_nonBlank > 1) {
            holdsOtherMarkup(closed, QStringLiteral("several pieces of text and CDATA"));
            return;
        }
        const qsizetype from = m_nonBlank == 1 ? m_onlyStart : 0;
        const qsizetype length = m_nonBlank == 1 ? m_onlyLength : m_piecesLength;
        if (m_readAsWritten < 0) {
            holdsDecodedText(closed, m_pieces.mid(from, length));
            return;
        }
        const qsizetype contentLength = closed.span.contentEnd - closed.span.contentStart;
        if (from == 0 && length == contentLength && length <= MaxSliceLength)
            closed.held = XmlElement::HoldsContent;
        else
            holdsDecodedText(closed, m_document.text.sliced(m_contentStart + from, length));
    }

    bool startElement(const QXmlStreamReader &reader, QString *reason)
    {
        const qsizetype declarations = reader.namespaceDeclarations().size();
        m_declarationsInScope += declarations;
        if (m_declarationsInScope > MaxNamespaceDeclarations) {
            *reason = QStringLiteral("it declares more than %1 namespaces at once (line %2), "
                                     "more than any PAD file needs")
                          .arg(MaxNamespaceDeclarations)
                          .arg(reader.lineNumber());
            return false;
        }
        const QStringView qualifiedName = reader.qualifiedName();
        markup();

        const auto index = qint32(m_document.elements.size());
        XmlElement added;
        added.span.contentStart = qint32(offset(reader));
        // '<' is not allowed in attribute values, so the last one is the tag's.
        added.span.start = qint32(m_document.text.lastIndexOf(u'<', added.span.contentStart - 1));
        added.nameLength = qint32(qualifiedName.size());
        added.prefixLength = qint32(qualifiedName.size() - reader.name().size());
        added.namespaceIndex = namespaceIndex(reader.namespaceUri());
        if (!m_open.empty()) {
            Open &parent = m_open.back();
            added.parent = parent.element;
            const XmlElement &parentElement = element(parent.element);
            added.pathLength = qint32(stepLength(added))
                               + (parentElement.parent < 0 ? 0 : parentElement.pathLength + 1);
            if (parent.lastChild < 0)
                element(parent.element).firstChild = index;
            else
                element(parent.lastChild).nextSibling = index;
            parent.lastChild = index;
        }
        startPieces(added.span.contentStart);
        m_document.elements.push_back(added);
        m_open.push_back(Open{index, -1, qint32(declarations), true});
        return true;
    }

    void endElement(const QXmlStreamReader &reader)
    {
        if (m_open.empty())
            return;
        Open &open = m_open.back();
        m_declarationsInScope -= open.declarations;
        XmlElement &closed = element(open.element);
        closed.span.end = qint32(offset(reader));
        closed.span.contentEnd = closed.span.end == closed.span.contentStart
                                     ? closed.span.end
                                     : qint32(m_document.text.lastIndexOf(u'<', closed.span.end - 1));
        if (open.takesText)
            endPieces(closed);
        const qint32 end = closed.span.end;
        m_open.pop_back();
        if (!m_open.empty())
            element(m_open.back().element).span.lastChildEnd = end;
    }

    // The length of XmlDocument::stepName(), without making the name: the
    // document element, which decides, is in the document already.
    qsizetype stepLength(const XmlElement &added) const
    {
        const qsizetype local = added.nameLength - added.prefixLength;
        if (m_document.isFormatElement(added))
            return local;
        return added.prefixLength > 0 ? added.nameLength
                                      : m_document.namespaces[added.namespaceIndex].size() + 2 + local;
    }

    qint32 namespaceIndex(QStringView uri)
    {
        if (uri.isEmpty())
            return -1;
        // Documents use a namespace or two, so a look through them is quick.
        const qsizetype at = m_document.namespaces.indexOf(uri);
        if (at >= 0)
            return qint32(at);
        m_document.namespaces << uri.toString();
        return qint32(m_document.namespaces.size() - 1);
    }

    XmlDocument &m_document;
    const qsizetype m_shift;
    std::vector<Open> m_open;
    qsizetype m_declarationsInScope = 0;
    // The pieces of the innermost open element: where its content starts,
    // how far they read as written from there (-1: not all of them do, and
    // m_pieces holds them), their length, how many are not white space and
    // where in them the first such one lies.
    qsizetype m_contentStart = 0;
    qsizetype m_readAsWritten = 0;
    qsizetype m_piecesLength = 0;
    qsizetype m_nonBlank = 0;
    qsizetype m_onlyStart = 0;
    qsizetype m_onlyLength = 0;
    QString m_pieces;
};

// Hands every token of text to the builder; false with a reason at the first
// fault. With complete, text is the whole document, which must end.
bool readTokens(const QString &text, TreeBuilder &builder, bool complete, QString *reason)
{
    QXmlStreamReader reader(text);
    while (reader.readNext() != QXmlStreamReader::EndDocument) {
        if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && !complete)
            return true;
        if (reader.hasError()) {
            *reason = notWellFormed(reader.lineNumber(), reader.columnNumber(), reader.errorString());
            return false;
        }
        if (!builder.take(reader, reason))
            return false;
    }
    return true;
}

// Why a document whose first fault lies at fault in its text is refused,
// when the XML reader finds nothing wrong before it.
QString faultReason(const XmlDocument &document, qsizetype fault, qsizetype invalidAt, qsizetype badCharacter,
                    qsizetype markupStart, const QString &encodingName)
{
    const QString &text = document.text;
    if (fault == invalidAt) {
        const TextPosition at = positionOf(text, fault);
        return QStringLiteral("it holds bytes that are not valid %1 (line %2, column %3)")
            .arg(encodingName)
            .arg(at.line)
            .arg(at.column);
    }
    if (fault == badCharacter) {
        const TextPosition at = positionOf(text, fault);
        return notWellFormed(at.line, at.column,
                             QStringLiteral("the character U+%1 is not allowed in XML")
                                 .arg(QString::number(text[fault].unicode(), 16).toUpper().rightJustified(4, u'0')));
    }
    const TextPosition at = positionOf(text, markupStart);
    return QStringLiteral("its tag at line %1, column %2 is longer than %3 characters, "
                          "more than any PAD file needs")
        .arg(at.line)
        .arg(at.column)
        .arg(MaxMarkupLength);
}

} // namespace

TextPosition positionOf(QStringView text, qsizetype index)
{
    const QStringView before = text.first(index);
    return {before.count(u'\n') + 1, index - before.lastIndexOf(u'\n')};
}

QStringView XmlDocument::qualifiedName(const XmlElement &element) const
{
    return QStringView(text).mid(element.span.start + 1, element.nameLength);
}

QStringView XmlDocument::localName(const XmlElement &element) const
{
    return qualifiedName(element).mid(element.prefixLength);
}

QStringView XmlDocument::namespaceUri(const XmlElement &element) const
{
    return element.namespaceIndex < 0 ? QStringView() : QStringView(namespaces[element.namespaceIndex]);
}

std::optional<QString> XmlDocument::elementText(const XmlElement &element) const
{
    if (element.held == XmlElement::HoldsContent)
        return text.sliced(element.span.contentStart, element.span.contentEnd - element.span.contentStart);
    if (element.held >= 0)
        return decodedTexts[element.held];
    return std::nullopt;
}

QString XmlDocument::markup(const XmlElement &element) const
{
    if (element.held == XmlElement::HoldsContent || element.held >= 0)
        return QString();
    if (element.held == XmlElement::HoldsChildFirst && element.firstChild >= 0)
        return QStringLiteral("a child element <%1>").arg(qualifiedName(elements[std::size_t(element.firstChild)]));
    if (element.held <= XmlElement::HoldsOtherMarkup)
        return markupsFound[XmlElement::HoldsOtherMarkup - element.held];
    return QString();
}

QString XmlDocument::notTextReason(QStringView path, const XmlElement &element) const
{
    return QStringLiteral("the element %1/%2 holds %3 instead of plain text")
        .arg(qualifiedName(root()), path, markup(element));
}

bool XmlDocument::isFormatElement(const XmlElement &element) const
{
    if (element.namespaceIndex < 0 || element.namespaceIndex == root().namespaceIndex)
        return true;
    return root().namespaceIndex >= 0
           && namespaceUri(element).compare(namespaceUri(root()), Qt::CaseInsensitive) == 0;
}

QString XmlDocument::stepName(const XmlElement &element) const
{
    if (isFormatElement(element))
        return localName(element).toString();
    if (element.prefixLength > 0)
        return qualifiedName(element).toString();
    return u'{' + namespaceUri(element).toString() + u'}' + localName(element).toString();
}

const XmlElement *XmlDocument::find(QStringView path) const
{
    if (elements.empty())
        return nullptr;
    qint32 current = 0;
    for (const QStringView step : path.tokenize(u'/', Qt::SkipEmptyParts)) {
        const XmlElement &parent = elements[std::size_t(current)];
        qint32 found = -1;
        for (qint32 child = parent.firstChild; child >= 0 && found < 0;
             child = elements[std::size_t(child)].nextSibling) {
            const XmlElement &candidate = elements[std::size_t(child)];
            if (localName(candidate) == step && isFormatElement(candidate))
                found = child;
        }
        if (found < 0)
            return nullptr;
        current = found;
    }
    return &elements[std::size_t(current)];
}

std::optional<std::vector<XmlLeaf>> XmlDocument::leaves(QString *reason) const
{
    std::vector<XmlLeaf> leaves;
    qsizetype total = 0;
    for (std::size_t i = 1; i < elements.size(); ++i) {
        const XmlElement &element = elements[i];
        if (element.firstChild >= 0)
            continue;
        total += element.pathLength;
        if (total > MaxLeafPathsLength) {
            *reason = QStringLiteral("its elements' paths add up to more than %1 characters (line %2), "
                                     "more than any PAD file needs")
                          .arg(MaxLeafPathsLength)
                          .arg(positionOf(text, element.span.end - 1).line);
            return std::nullopt;
        }
        QString path(element.pathLength, Qt::Uninitialized);
        qsizetype end = path.size();
        bool foreign = false;
        for (const XmlElement *step = &element; step->parent >= 0; step = &elements[std::size_t(step->parent)]) {
            const bool formats = isFormatElement(*step);
            foreign = foreign || !formats;
            const QString stepText = formats ? QString() : stepName(*step);
            const QStringView name = formats ? localName(*step) : QStringView(stepText);
            end -= name.size();
            std::copy(name.begin(), name.end(), path.begin() + end);
            if (end > 0)
                path[--end] = u'/';
        }
        leaves.push_back(XmlLeaf{std::move(path), qint32(i), foreign});
    }
    return leaves;
}

std::optional<XmlDocument> readXml(const QByteArray &bytes, QString *reason)
{
    // Asked first, so that not one byte of a document too long is read.
    const QString tooLarge = QStringLiteral("it is 2 GiB or larger, more than any PAD file needs");
    static_assert(MaxDocumentLength == (qsizetype(1) << 31) - 1);
    if (bytes.size() > MaxDocumentLength) {
        *reason = tooLarge;
        return std::nullopt;
    }
    const std::optional<Codec> codec = findCodec(bytes, reason);
    if (!codec)
        return std::nullopt;
    Decoded decoded = decode(bytes, *codec);
    // No decoder known makes more characters than bytes, but the elements'
    // offsets must not depend on it.
    if (decoded.text.size() > MaxDocumentLength) {
        *reason = tooLarge;
        return std::nullopt;
    }
    XmlDocument document;
    document.text = std::move(decoded.text);
    const QString &text = document.text;

    // The first fault in the text: a byte that does not fit, a character XML
    // does not allow, or a start tag too long to hand to the XML reader.
    const qsizetype badCharacter = firstNonXmlChar(text);
    qsizetype fault = text.size();
    if (decoded.invalidAt >= 0)
        fault = decoded.invalidAt;
    if (badCharacter >= 0 && badCharacter < fault)
        fault = badCharacter;
    qsizetype markupStart = -1;
    const qsizetype tooLong = firstTooLongMarkup(text, fault, &markupStart);
    if (tooLong >= 0 && tooLong < fault)
        fault = tooLong;

    // Room made once keeps a large document from being copied as it grows.
    document.elements.reserve(std::size_t(startTagsAtMost(text)));
    TreeBuilder builder(document);
    if (fault < text.size() || decoded.invalidAt >= 0) {
        // A fault that the XML reader finds in the text before it comes first.
        if (readTokens(text.first(fault), builder, false, reason))
            *reason = faultReason(document, fault, decoded.invalidAt, badCharacter, markupStart,
                                  codec->nameInMessages);
        return std::nullopt;
    }
    if (!readTokens(text, builder, true, reason))
        return std::nullopt;
    if (document.elements.empty()) {
        *reason = QStringLiteral("it holds no document element");
        return std::nullopt;
    }
    document.encoding = codec->builtIn ? QByteArray(QStringConverter::nameForEncoding(*codec->builtIn)) : codec->name;
    // The decoder drops the byte-order mark of the encoding it decodes.
    document.byteOrderMark = codec->builtIn && QStringConverter::encodingForData(bytes) == codec->builtIn;
    return document;
}

} // namespace Pad
