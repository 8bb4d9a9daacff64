#include "padreader.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QSysInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>

namespace Pad {

namespace {

const QString RootName = QStringLiteral("XML_DIZ_INFO");

// The field map: its element paths below the document element, in step order,
// and the text field each step fills; the other five steps feed the program
// type, the OS list and the release date.
struct MapStep
{
    const char *path;
    std::optional<TextField> field;
};
constexpr std::array<MapStep, 18> fieldMap{{
    {"Company_Info/Company_Name", TextField::Company_Name},
    {"Company_Info/Company_WebSite_URL", TextField::Company_Website_URL},
    {"Company_Info/Contact_Info/Contact_Email", TextField::Contact_Email},
    {"Program_Info/Program_Name", TextField::Program_Name},
    {"Program_Info/Program_Version", TextField::Program_Version},
    {"Program_Info/Program_Type", std::nullopt},
    {"Program_Info/Program_Cost_Dollars", TextField::Program_Cost_Dollars},
    {"Program_Info/File_Info/File_Size_Bytes", TextField::File_Size_Bytes},
    {"Program_Descriptions/English/Keywords", TextField::Keywords},
    {"Program_Descriptions/English/Char_Desc_450", TextField::Char_Desc_450},
    {"Web_Info/Application_URLs/Application_Info_URL", TextField::Application_Info_URL},
    {"Web_Info/Application_URLs/Application_XML_File_URL", TextField::Application_XML_File_URL},
    {"Web_Info/Application_URLs/Application_Screenshot_URL", TextField::Application_Screenshot_URL},
    {"Web_Info/Download_URLs/Primary_Download_URL", TextField::Primary_Download_URL},
    {"Program_Info/Program_OS_Support", std::nullopt},
    {"Program_Info/Program_Release_Day", std::nullopt},
    {"Program_Info/Program_Release_Month", std::nullopt},
    {"Program_Info/Program_Release_Year", std::nullopt},
}};
enum : std::size_t { ProgramTypeStep = 5, OsSupportStep = 14, DayStep, MonthStep, YearStep };

// Consumes one number of the date grammar; nullopt when there is none or it is too long.
std::optional<int> takeNumber(QStringView text, qsizetype &pos, int *digitCount)
{
    const qsizetype start = pos;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9')
        ++pos;
    if (pos == start)
        return std::nullopt;
    qsizetype significant = start;
    while (significant < pos && text[significant] == u'0')
        ++significant;
    if (pos - significant > 4)
        return std::nullopt;
    if (digitCount)
        *digitCount = int(pos - start);
    int value = 0;
    for (qsizetype i = significant; i < pos; ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return value;
}

void skipBlanks(QStringView text, qsizetype &pos)
{
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
}

bool takeSlash(QStringView text, qsizetype &pos)
{
    if (pos < text.size() && text[pos] == u'/') {
        ++pos;
        return true;
    }
    return false;
}

bool isXmlWhitespace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

QString notWellFormed(qint64 line, qint64 column, const QString &what)
{
    return QStringLiteral("it is not well-formed XML (line %1, column %2: %3)").arg(line).arg(column).arg(what);
}

QString tooLarge()
{
    return QStringLiteral("the file is larger than %1 MiB").arg(MaxPadFileSize / (1024 * 1024));
}

// The line and column of index in text, as the reader's messages count them:
// lines end at LF, and a column counts UTF-16 code units from 1.
struct Position
{
    qsizetype line;
    qsizetype column;
};

Position positionOf(QStringView text, qsizetype index)
{
    const QStringView before = text.first(index);
    return {before.count(u'\n') + 1, index - before.lastIndexOf(u'\n')};
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

// The paths below the document element as a tree: node 0 is the document
// element, and each node lists the paths that end there.
struct PathNode
{
    QString name;
    std::vector<int> children;
    std::vector<int> paths;
    bool claimed = false;
};

struct Piece
{
    QString text;
    bool cdata = false;
};

struct Collected
{
    bool found = false;
    std::vector<Piece> pieces;
    QString markup; // the first markup inside, described; empty: none
    ElementSpan span;
};

ElementText finishText(const Collected &collected)
{
    ElementText result;
    result.found = collected.found;
    result.span = collected.span;
    if (!collected.markup.isEmpty()) {
        result.text = std::nullopt;
        result.markup = collected.markup;
        return result;
    }
    // White space that only lays out a CDATA section is no piece of its own.
    std::vector<const Piece *> pieces;
    for (const Piece &piece : collected.pieces) {
        const bool blank = !piece.cdata && std::all_of(piece.text.cbegin(), piece.text.cend(), isXmlWhitespace);
        if (!blank)
            pieces.push_back(&piece);
    }
    if (pieces.empty()) {
        QString text;
        for (const Piece &piece : collected.pieces)
            text += piece.text;
        result.text = text;
    } else if (pieces.size() == 1) {
        result.text = pieces.front()->text;
    } else {
        result.text = std::nullopt;
        result.markup = QStringLiteral("several pieces of text and CDATA");
    }
    return result;
}

// Takes the tokens of one document and keeps what lies at the paths, and
// with collectLeaves every element that holds no child element. Where they
// sit is found in document, which the XML reader reads without a U+FEFF at
// its start.
class PathCollector
{
public:
    PathCollector(const QStringList &paths, QStringView document, bool collectLeaves)
        : m_nodes(1), m_collected(paths.size()), m_document(document),
          m_shift(document.startsWith(QChar(0xfeff)) ? 1 : 0), m_collectLeaves(collectLeaves)
    {
        for (int i = 0; i < paths.size(); ++i) {
            int node = 0;
            for (const QString &step : paths[i].split(u'/', Qt::SkipEmptyParts)) {
                int child = -1;
                for (int candidate : m_nodes[node].children) {
                    if (m_nodes[candidate].name == step)
                        child = candidate;
                }
                if (child < 0) {
                    child = int(m_nodes.size());
                    m_nodes.push_back(PathNode{step, {}, {}, false});
                    m_nodes[node].children.push_back(child);
                }
                node = child;
            }
            m_nodes[node].paths.push_back(i);
        }
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
            m_declarations.push_back(reader.namespaceDeclarations().size());
            m_declarationsInScope += m_declarations.back();
            if (m_declarationsInScope > MaxNamespaceDeclarations) {
                *reason = QStringLiteral("it declares more than %1 namespaces at once (line %2), "
                                         "more than any PAD file needs")
                              .arg(MaxNamespaceDeclarations)
                              .arg(reader.lineNumber());
                return false;
            }
            startElement(reader);
            if (m_collectLeaves)
                openFrame(reader);
            break;
        case QXmlStreamReader::EndElement:
            if (!m_declarations.empty()) {
                m_declarationsInScope -= m_declarations.back();
                m_declarations.pop_back();
            }
            endElement(reader);
            if (m_collectLeaves && !closeFrame(reader, reason))
                return false;
            break;
        case QXmlStreamReader::Characters:
            if (Collected *leaf = openLeaf()) {
                if (leaf->markup.isEmpty())
                    leaf->pieces.push_back(Piece{reader.text().toString(), reader.isCDATA()});
            }
            if (m_collectLeaves && !m_frames.empty()) {
                Frame &frame = m_frames.back();
                if (!frame.hasChild && frame.content.markup.isEmpty())
                    frame.content.pieces.push_back(Piece{reader.text().toString(), reader.isCDATA()});
            }
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

    ElementTexts result()
    {
        ElementTexts texts;
        texts.rootName = m_rootName;
        texts.rootLocalName = m_rootLocalName;
        for (const Collected &collected : m_collected)
            texts.elements.push_back(finishText(collected));
        texts.rootSpan = m_rootSpan;
        texts.leaves = std::move(m_leaves);
        return texts;
    }

private:
    struct Open
    {
        int node;
        QString namespaceUri;
        ElementSpan span;
    };

    // An open element while leaves are collected.
    struct Frame
    {
        QString name;
        ElementSpan span;
        Collected content;
        bool hasChild = false;
    };

    // Where the token just read ends. The XML reader reads ahead after
    // text, but never after a tag.
    qsizetype offset(const QXmlStreamReader &reader) const { return reader.characterOffset() + m_shift; }

    // The span of the element whose start tag the reader has just read.
    ElementSpan opened(const QXmlStreamReader &reader) const
    {
        ElementSpan span;
        span.contentStart = offset(reader);
        // '<' is not allowed in attribute values, so the last one is the tag's.
        span.start = m_document.lastIndexOf(u'<', span.contentStart - 1);
        return span;
    }

    void close(ElementSpan &span, const QXmlStreamReader &reader) const
    {
        span.end = offset(reader);
        span.contentEnd = span.end == span.contentStart ? span.end : m_document.lastIndexOf(u'<', span.end - 1);
    }

    // The leaf whose direct content the reader is in, if any.
    Collected *openLeaf()
    {
        if (m_unmatchedDepth > 0 || m_open.empty())
            return nullptr;
        const PathNode &node = m_nodes[m_open.back().node];
        if (node.paths.empty())
            return nullptr;
        return &m_collected[node.paths.front()];
    }

    void markup(const QString &what)
    {
        Collected *leaf = openLeaf();
        if (leaf && leaf->markup.isEmpty()) {
            for (int path : m_nodes[m_open.back().node].paths)
                m_collected[path].markup = what;
        }
        if (m_collectLeaves && !m_frames.empty() && m_frames.back().content.markup.isEmpty())
            m_frames.back().content.markup = what;
    }

    void startElement(const QXmlStreamReader &reader)
    {
        if (!m_hasRoot) {
            m_hasRoot = true;
            m_rootName = reader.qualifiedName().toString();
            m_rootLocalName = reader.name().toString();
            m_open.push_back(Open{0, reader.namespaceUri().toString(), opened(reader)});
            claim(0);
            return;
        }
        if (m_unmatchedDepth > 0 || m_open.empty()) {
            ++m_unmatchedDepth;
            return;
        }
        const Open &parent = m_open.back();
        if (!m_nodes[parent.node].paths.empty()) {
            markup(QStringLiteral("a child element <%1>").arg(reader.qualifiedName()));
            // An element asked for along with elements inside it (for its span) is looked into.
            if (m_nodes[parent.node].children.empty()) {
                ++m_unmatchedDepth;
                return;
            }
        }
        const QStringView name = reader.name();
        const QStringView qualifiedName = reader.qualifiedName();
        const QStringView namespaceUri = reader.namespaceUri();
        for (int child : m_nodes[parent.node].children) {
            PathNode &node = m_nodes[child];
            if (node.claimed || (node.name != qualifiedName && node.name != name))
                continue;
            if (!parent.namespaceUri.isEmpty()
                && namespaceUri.compare(parent.namespaceUri, Qt::CaseInsensitive) != 0)
                continue;
            claim(child);
            m_open.push_back(Open{child, namespaceUri.toString(), opened(reader)});
            return;
        }
        ++m_unmatchedDepth;
    }

    void endElement(const QXmlStreamReader &reader)
    {
        if (m_unmatchedDepth > 0) {
            // The element that ends is the last child of the open one.
            if (--m_unmatchedDepth == 0 && !m_open.empty())
                m_open.back().span.lastChildEnd = offset(reader);
            return;
        }
        if (m_open.empty())
            return;
        Open &open = m_open.back();
        close(open.span, reader);
        for (int path : m_nodes[open.node].paths)
            m_collected[path].span = open.span;
        if (m_open.size() == 1)
            m_rootSpan = open.span;
        const qsizetype end = open.span.end;
        m_open.pop_back();
        if (!m_open.empty())
            m_open.back().span.lastChildEnd = end;
    }

    void openFrame(const QXmlStreamReader &reader)
    {
        if (!m_frames.empty()) {
            m_frames.back().hasChild = true;
            m_frames.back().content.pieces.clear();
        }
        m_frames.push_back(Frame{reader.qualifiedName().toString(), opened(reader), {}});
        if (m_frames.size() > 1)
            m_pathLength += m_frames.back().name.size() + 1;
    }

    // False with a reason when the leaves' paths grow too long.
    bool closeFrame(const QXmlStreamReader &reader, QString *reason)
    {
        if (m_frames.empty())
            return true;
        Frame &frame = m_frames.back();
        if (m_frames.size() > 1 && !frame.hasChild) {
            m_leavesPathLength += m_pathLength - 1;
            if (m_leavesPathLength > MaxLeafPathsLength) {
                *reason = QStringLiteral("its elements' paths add up to more than %1 characters (line %2), "
                                         "more than any PAD file needs")
                              .arg(MaxLeafPathsLength)
                              .arg(reader.lineNumber());
                return false;
            }
            QString path;
            path.reserve(m_pathLength);
            for (std::size_t i = 1; i < m_frames.size(); ++i)
                path.append(m_frames[i].name).append(u'/');
            path.chop(1);
            close(frame.span, reader);
            m_leaves.push_back(ElementLeaf{path, finishText(frame.content).text, frame.span});
        }
        if (m_frames.size() > 1)
            m_pathLength -= frame.name.size() + 1;
        m_frames.pop_back();
        return true;
    }

    void claim(int node)
    {
        m_nodes[node].claimed = true;
        for (int path : m_nodes[node].paths)
            m_collected[path].found = true;
    }

    std::vector<PathNode> m_nodes;
    std::vector<Collected> m_collected;
    std::vector<Open> m_open;    // the elements on the paths that are open
    qint64 m_unmatchedDepth = 0; // elements open above them off the paths
    std::vector<qsizetype> m_declarations; // namespace declarations of each open element
    qsizetype m_declarationsInScope = 0;
    bool m_hasRoot = false;
    QString m_rootName;
    QString m_rootLocalName;
    QStringView m_document;
    qsizetype m_shift;
    ElementSpan m_rootSpan;
    bool m_collectLeaves;
    std::vector<Frame> m_frames;
    qsizetype m_pathLength = 0;       // of the open element's path below the document element, with a '/' more
    qsizetype m_leavesPathLength = 0; // of the leaves so far
    std::vector<ElementLeaf> m_leaves;
};

// Hands every token of text to the collector; false with a reason at the
// first fault. With complete, text is the whole document, which must end.
bool readTokens(const QString &text, PathCollector &collector, bool complete, QString *reason)
{
    QXmlStreamReader reader(text);
    while (reader.readNext() != QXmlStreamReader::EndDocument) {
        if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && !complete)
            return true;
        if (reader.hasError()) {
            *reason = notWellFormed(reader.lineNumber(), reader.columnNumber(), reader.errorString());
            return false;
        }
        if (!collector.take(reader, reason))
            return false;
    }
    return true;
}

// Reads everything device holds, refusing past maxBytes bytes (-1: no limit).
std::optional<QByteArray> readAllBytes(QIODevice &device, qint64 maxBytes, QString *reason)
{
    constexpr qint64 Block = 256 * 1024;
    QByteArray bytes;
    while (true) {
        const qsizetype at = bytes.size();
        bytes.resize(at + Block);
        const qint64 read = device.read(bytes.data() + at, Block);
        if (read < 0) {
            *reason = QStringLiteral("the file cannot be read (%1)").arg(device.errorString());
            return std::nullopt;
        }
        bytes.resize(at + read);
        if (maxBytes >= 0 && bytes.size() > maxBytes) {
            *reason = tooLarge();
            return std::nullopt;
        }
        if (read == 0)
            return bytes;
    }
}

} // namespace

std::optional<ElementTexts> readElementTexts(const QByteArray &bytes, const QStringList &paths,
                                             QString *errorReason, ReadOptions options)
{
    QString reason;
    const auto refuse = [&]() -> std::optional<ElementTexts> {
        if (errorReason)
            *errorReason = reason;
        return std::nullopt;
    };

    const std::optional<Codec> codec = findCodec(bytes, &reason);
    if (!codec)
        return refuse();
    Decoded decoded = decode(bytes, *codec);
    const QString &text = decoded.text;

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

    PathCollector collector(paths, text, options.testFlag(ReadOption::CollectLeaves));
    if (fault == text.size() && decoded.invalidAt < 0) {
        if (!readTokens(text, collector, true, &reason))
            return refuse();
        ElementTexts texts = collector.result();
        texts.document = std::move(decoded.text);
        texts.encoding = codec->builtIn ? QByteArray(QStringConverter::nameForEncoding(*codec->builtIn)) : codec->name;
        // The decoder drops the byte-order mark of the encoding it decodes.
        texts.byteOrderMark = codec->builtIn && QStringConverter::encodingForData(bytes) == codec->builtIn;
        return texts;
    }
    // A fault that the XML reader finds in the text before it comes first.
    if (!readTokens(text.first(fault), collector, false, &reason))
        return refuse();
    if (fault == decoded.invalidAt) {
        const Position at = positionOf(text, fault);
        reason = QStringLiteral("it holds bytes that are not valid %1 (line %2, column %3)")
                     .arg(codec->nameInMessages)
                     .arg(at.line)
                     .arg(at.column);
    } else if (fault == badCharacter) {
        const Position at = positionOf(text, fault);
        reason = notWellFormed(at.line, at.column,
                               QStringLiteral("the character U+%1 is not allowed in XML")
                                   .arg(QString::number(text[fault].unicode(), 16).toUpper().rightJustified(4, u'0')));
    } else {
        const Position at = positionOf(text, markupStart);
        reason = QStringLiteral("its tag at line %1, column %2 is longer than %3 characters, "
                                "more than any PAD file needs")
                     .arg(at.line)
                     .arg(at.column)
                     .arg(MaxMarkupLength);
    }
    return refuse();
}

std::optional<ElementTexts> readElementTexts(QIODevice &device, const QStringList &paths,
                                             QString *errorReason, qint64 maxBytes, ReadOptions options)
{
    QString reason;
    const std::optional<QByteArray> bytes = readAllBytes(device, maxBytes, &reason);
    if (!bytes) {
        if (errorReason)
            *errorReason = reason;
        return std::nullopt;
    }
    return readElementTexts(*bytes, paths, errorReason, options);
}

void Split(QString text, QChar separator, QStringList &parts)
{
    qsizetype from = 0;
    do {
        qsizetype end = text.indexOf(separator, from);
        if (end < 0)
            end = text.size();
        parts.append(text.mid(from, end - from));
        from = end + 1;
    } while (from < text.size());
}

QDate readReleaseDate(const QString &joined, const QDate &today)
{
    const QStringView text(joined);
    qsizetype pos = 0;
    int yearDigits = 0;

    skipBlanks(text, pos);
    const std::optional<int> month = takeNumber(text, pos, nullptr);
    if (!month)
        return {};
    skipBlanks(text, pos);
    if (!takeSlash(text, pos))
        return {};
    skipBlanks(text, pos);
    const std::optional<int> day = takeNumber(text, pos, nullptr);
    if (!day)
        return {};
    skipBlanks(text, pos);
    if (!takeSlash(text, pos))
        return {};
    skipBlanks(text, pos);
    std::optional<int> year = takeNumber(text, pos, &yearDigits);
    if (!year)
        return {};
    skipBlanks(text, pos);
    if (takeSlash(text, pos))
        skipBlanks(text, pos);
    if (pos != text.size())
        return {};

    if (yearDigits <= 2)
        *year += today.year() / 100 * 100;
    if (*year < 1 || *year > 9999)
        return {};
    return QDate(*year, *month, *day); // invalid when the day or month is out of range
}

namespace {

// The entry of list that text names, letter case aside; empty when none does.
class ListLookup
{
public:
    explicit ListLookup(const QStringList &list)
    {
        for (const QString &entry : list)
            m_entries.insert(entry.toCaseFolded(), entry);
    }
    QString entry(const QString &text) const { return m_entries.value(text.toCaseFolded()); }

private:
    QHash<QString, QString> m_entries;
};

QString osSupportNote(const QStringList &unknown)
{
    QString names = unknown.first();
    qsizetype listed = 1;
    while (listed < unknown.size() && listed < MaxListedOsNames
           && names.size() + 2 + unknown[listed].size() <= MaxOsNoteNamesLength) {
        names += QStringLiteral(", ") + unknown[listed];
        ++listed;
    }
    if (listed < unknown.size())
        names += QStringLiteral(" and %1 more").arg(unknown.size() - listed);
    return QStringLiteral("OS Support: %1 %2 not in the list")
        .arg(names, unknown.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"));
}

} // namespace

std::optional<PadImport> importElementTexts(const ElementTexts &found, const QDate &today,
                                            QString *errorReason)
{
    if (found.rootLocalName != RootName) {
        *errorReason = found.rootName.isEmpty()
                           ? QStringLiteral("it holds no document element")
                           : QStringLiteral("its document element is <%1>, not <%2>").arg(found.rootName, RootName);
        return std::nullopt;
    }

    // In step order, so that the reason names the first element holding markup.
    std::array<QString, fieldMap.size()> texts;
    for (std::size_t i = 0; i < fieldMap.size(); ++i) {
        const ElementText &element = found.elements[i];
        if (!element.text) {
            *errorReason = QStringLiteral("the element %1/%2 holds %3 instead of plain text")
                               .arg(RootName, QLatin1StringView(fieldMap[i].path), element.markup);
            return std::nullopt;
        }
        texts[i] = *element.text;
    }

    PadImport result;
    for (std::size_t i = 0; i < fieldMap.size(); ++i) {
        if (fieldMap[i].field)
            result.values.text(*fieldMap[i].field) = texts[i];
    }
    const QString &programType = texts[ProgramTypeStep];
    const QString &day = texts[DayStep];
    const QString &month = texts[MonthStep];
    const QString &year = texts[YearStep];

    static const ListLookup programTypes(ProgramTypeList());
    result.values.programType = programTypes.entry(programType);
    if (programType.isEmpty())
        result.notes << QStringLiteral("Program Type: not given in the file");
    else if (!result.programTypeFound())
        result.notes << QStringLiteral("Program Type: %1 is not in the list").arg(programType);

    static const ListLookup osEntries(OsSupportList());
    QStringList parts;
    Split(texts[OsSupportStep], u',', parts);
    QSet<QString> ticked, seenUnknown;
    QStringList unknown;
    for (const QString &rawPart : std::as_const(parts)) {
        const QString part = rawPart.simplified();
        if (part.isEmpty())
            continue;
        const QString entry = osEntries.entry(part);
        if (!entry.isEmpty())
            ticked.insert(entry);
        else if (!seenUnknown.contains(part.toCaseFolded())) {
            seenUnknown.insert(part.toCaseFolded());
            unknown << part;
        }
    }
    for (const QString &entry : OsSupportList()) {
        if (ticked.contains(entry))
            result.values.osSupport << entry;
    }
    if (ticked.isEmpty() && unknown.isEmpty())
        result.notes << QStringLiteral("OS Support: not given in the file");
    else if (!unknown.isEmpty())
        result.notes << osSupportNote(unknown);

    const QString joined = month + u'/' + day + u'/' + year;
    result.values.releaseDate = readReleaseDate(joined, today);
    if (month.isEmpty() && day.isEmpty() && year.isEmpty())
        result.notes << QStringLiteral("Release Date: not given in the file");
    else if (!result.values.releaseDate.isValid())
        result.notes << QStringLiteral("Release Date: %1 is not a valid date").arg(joined);

    return result;
}

std::optional<TextField> textFieldAt(QStringView path)
{
    for (const MapStep &step : fieldMap) {
        if (path == QLatin1StringView(step.path))
            return step.field;
    }
    return std::nullopt;
}

const QStringList &padFieldPaths()
{
    static const QStringList paths = [] {
        QStringList list;
        for (const MapStep &step : fieldMap)
            list << QString::fromLatin1(step.path);
        return list;
    }();
    return paths;
}

namespace {

std::optional<PadImport> importBytes(const QByteArray &bytes, const QDate &today, QString *errorReason)
{
    QString reason;
    std::optional<PadImport> result;
    if (const std::optional<ElementTexts> found = readElementTexts(bytes, padFieldPaths(), &reason))
        result = importElementTexts(*found, today, &reason);
    if (!result && errorReason)
        *errorReason = reason;
    return result;
}

} // namespace

std::optional<PadImport> readPadData(const QByteArray &bytes, const QDate &today, QString *errorReason)
{
    return importBytes(bytes, today, errorReason);
}

std::optional<QByteArray> readPadFileBytes(const QString &path, QString *errorReason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *errorReason = QStringLiteral("the file cannot be opened (%1)").arg(file.errorString());
        return std::nullopt;
    }
    // A device that reports no size is read only up to the limit and one byte more.
    if (!file.isSequential() && file.size() > MaxPadFileSize) {
        *errorReason = tooLarge();
        return std::nullopt;
    }
    return readAllBytes(file, MaxPadFileSize, errorReason);
}

std::optional<PadImport> readPadFile(const QString &path, const QDate &today, QString *errorMessage,
                                     QString *errorReason)
{
    const auto refuse = [&](const QString &reason) -> std::optional<PadImport> {
        if (errorReason)
            *errorReason = reason;
        if (errorMessage) {
            *errorMessage = QStringLiteral("Cannot import \"%1\": %2")
                                .arg(QDir::toNativeSeparators(path), reason);
        }
        return std::nullopt;
    };

    QString reason;
    const std::optional<QByteArray> bytes = readPadFileBytes(path, &reason);
    std::optional<PadImport> result;
    if (bytes)
        result = importBytes(*bytes, today, &reason);
    if (!result)
        return refuse(reason);
    return result;
}

} // namespace Pad
