#include "padreader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
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

// Raw bytes are read and decoded in pieces of this size.
constexpr qint64 ChunkSize = 64 * 1024;

bool isXmlWhitespace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The encoding the document declares or its first bytes show.
struct Encoding
{
    QString declared; // empty: none declared
    QStringConverter::Encoding detected = QStringConverter::Utf8;
    // Why the start of the document could not be read, when it could not.
    QString startProblem;
    bool unsupported = false; // the declared encoding is one no decoder knows
};

// A decoder that can tell whether the bytes read so far end inside a
// character, how many of them it holds back, and how many did not fit.
class Decoder : public QStringDecoder
{
public:
    using QStringDecoder::QStringDecoder;
    bool endsInsideACharacter() const { return state.remainingChars > 0; }
    qsizetype heldBack() const { return state.remainingChars; }
    qsizetype invalidCount() const { return state.invalidChars; }
};

// Whether the U+0000 at index of the text that bytes decode to stands for
// bytes that did not fit the encoding rather than for a real U+0000: decodes
// again one byte at a time with a decoder like the one used.
bool marksInvalidBytes(const QByteArray &bytes, qsizetype index, const Encoding &encoding, bool atStart)
{
    QStringConverter::Flags flags = QStringConverter::Flag::ConvertInvalidToNull;
    if (!atStart)
        flags |= QStringConverter::Flag::ConvertInitialBom;
    Decoder decoder = encoding.declared.isEmpty() ? Decoder(encoding.detected, flags)
                                                  : Decoder(encoding.declared.toUtf8().constData(), flags);
    QString produced;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const qsizetype invalidBefore = decoder.invalidCount();
        produced += decoder.decode(bytes.sliced(i, 1));
        // A decoder that keeps a partial character to itself (one built on
        // ICU) cannot be started again in the middle; then its word stands.
        if (produced.size() > index)
            return produced[index] != QChar(0) || decoder.invalidCount() > invalidBefore;
    }
    return true;
}

// Follows the text handed to the XML reader closely enough to know where each
// start tag and document type declaration begins and how long it has grown,
// checks that every character is allowed in XML, and counts lines and columns
// as the XML reader does.
class TextScanner
{
public:
    enum class Problem { None, InvalidByte, DisallowedCharacter, MarkupTooLong };

    // The U+0000 that scan stopped at as an invalid byte is a character of the file.
    void nullIsACharacter() { m_problem = Problem::DisallowedCharacter; }

    // Scans text up to the first problem; returns its index in text, or text.size().
    qsizetype scan(QStringView text, bool decodingFailed)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (!checkCharacter(c, decodingFailed))
                return i;
            if (!followMarkup(c))
                return i;
            advance(c);
        }
        return text.size();
    }

    // At the end of the text: a high surrogate without its partner is unpaired.
    bool finish()
    {
        if (!m_pendingHigh)
            return true;
        m_problem = Problem::DisallowedCharacter;
        m_problemCharacter = m_pendingHighValue;
        m_problemLine = m_pendingHighLine;
        m_problemColumn = m_pendingHighColumn;
        return false;
    }

    Problem problem() const { return m_problem; }
    char16_t problemCharacter() const { return m_problemCharacter; }
    qint64 problemLine() const { return m_problemLine; }
    qint64 problemColumn() const { return m_problemColumn; }
    // Where the markup that the text scanned so far ends inside began, counted
    // in characters from the start; -1 when it ends outside markup.
    qint64 openMarkupStart() const { return m_state == State::Text ? -1 : m_markupStart; }
    qint64 line() const { return m_line; }
    qint64 column() const { return m_column; }

private:
    enum class State {
        Text, Open, Bang, StartTag, EndTag, Comment, Cdata, Pi, Doctype, DoctypeComment, DoctypePi
    };

    void setProblem(Problem problem, char16_t c, qint64 line, qint64 column)
    {
        m_problem = problem;
        m_problemCharacter = c;
        m_problemLine = line;
        m_problemColumn = column;
    }

    bool checkCharacter(QChar c, bool decodingFailed)
    {
        const char16_t u = c.unicode();
        if (m_pendingHigh) {
            if (c.isLowSurrogate()) {
                m_pendingHigh = false;
                return true;
            }
            setProblem(Problem::DisallowedCharacter, m_pendingHighValue, m_pendingHighLine,
                       m_pendingHighColumn);
            return false;
        }
        if (u == 0 && decodingFailed) {
            setProblem(Problem::InvalidByte, u, m_line, m_column + 1);
            return false;
        }
        if (c.isHighSurrogate()) {
            m_pendingHigh = true;
            m_pendingHighValue = u;
            m_pendingHighLine = m_line;
            m_pendingHighColumn = m_column + 1;
            return true;
        }
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || c.isLowSurrogate()
            || u == 0xfffe || u == 0xffff) {
            setProblem(Problem::DisallowedCharacter, u, m_line, m_column + 1);
            return false;
        }
        return true;
    }

    void advance(QChar c)
    {
        ++m_position;
        if (c == u'\n') {
            ++m_line;
            m_column = 0;
        } else {
            ++m_column;
        }
    }

    bool endsWith(QLatin1StringView tail) const
    {
        return recent().endsWith(tail);
    }

    void enter(State state)
    {
        m_state = state;
        m_recentSize = 0;
    }

    void startMarkup()
    {
        m_markupLength = 1; // the '<'
        m_markupStart = m_position;
        m_markupLine = m_line;
        m_markupColumn = m_column + 1;
    }


    // False when a start tag or document type declaration grows past the bound.
    bool followMarkup(QChar c)
    {
        if (m_state != State::Text) {
            if (m_recentSize == RecentSize) {
                std::copy(m_recent.begin() + 1, m_recent.end(), m_recent.begin());
                --m_recentSize;
            }
            m_recent[m_recentSize++] = c.unicode();
        }
        switch (m_state) {
        case State::Text:
            if (c == u'<') {
                enter(State::Open);
                startMarkup();
            }
            return true;
        case State::Open:
            if (c == u'/')
                enter(State::EndTag);
            else if (c == u'?')
                enter(State::Pi);
            else if (c == u'!')
                enter(State::Bang);
            else
                m_state = State::StartTag;
            return grow();
        case State::Bang:
            if (recent() == u"--")
                enter(State::Comment);
            else if (recent() == u"[CDATA[")
                enter(State::Cdata);
            else if (!QStringView(u"[CDATA[").startsWith(recent()) && !QStringView(u"--").startsWith(recent()))
                m_state = State::Doctype;
            return grow();
        case State::StartTag:
            if (m_quote.isNull() && (c == u'"' || c == u'\''))
                m_quote = c;
            else if (c == m_quote)
                m_quote = QChar();
            else if (m_quote.isNull() && c == u'>')
                enter(State::Text);
            return grow();
        case State::EndTag:
            if (c == u'>')
                enter(State::Text);
            return true;
        case State::Comment:
            if (endsWith(QLatin1StringView("-->")))
                enter(State::Text);
            return true;
        case State::Cdata:
            if (endsWith(QLatin1StringView("]]>")))
                enter(State::Text);
            return true;
        case State::Pi:
            if (endsWith(QLatin1StringView("?>")))
                enter(State::Text);
            return true;
        case State::Doctype:
            if (!m_quote.isNull()) {
                if (c == m_quote)
                    m_quote = QChar();
            } else if (c == u'"' || c == u'\'') {
                m_quote = c;
            } else if (c == u'[') {
                ++m_brackets;
            } else if (c == u']') {
                --m_brackets;
            } else if (c == u'>' && m_brackets <= 0) {
                m_brackets = 0;
                enter(State::Text);
            } else if (m_brackets > 0 && endsWith(QLatin1StringView("<!--"))) {
                enter(State::DoctypeComment);
            } else if (m_brackets > 0 && endsWith(QLatin1StringView("<?"))) {
                enter(State::DoctypePi);
            }
            return grow();
        case State::DoctypeComment:
            if (endsWith(QLatin1StringView("-->")))
                enter(State::Doctype);
            return grow();
        case State::DoctypePi:
            if (endsWith(QLatin1StringView("?>")))
                enter(State::Doctype);
            return grow();
        }
        return true;
    }

    bool grow()
    {
        if (++m_markupLength <= MaxMarkupLength)
            return true;
        setProblem(Problem::MarkupTooLong, 0, m_markupLine, m_markupColumn);
        return false;
    }

    State m_state = State::Text;
    static constexpr int RecentSize = 8;
    std::array<char16_t, RecentSize> m_recent{}; // the last characters of the current markup
    int m_recentSize = 0;
    QStringView recent() const { return QStringView(m_recent.data(), m_recentSize); }
    QChar m_quote;
    int m_brackets = 0;
    qsizetype m_markupLength = 0;
    qint64 m_markupStart = 0;
    qint64 m_position = 0; // characters scanned
    qint64 m_markupLine = 1;
    qint64 m_markupColumn = 0;

    qint64 m_line = 1;
    qint64 m_column = 0; // characters of the line so far
    bool m_pendingHigh = false;
    char16_t m_pendingHighValue = 0;
    qint64 m_pendingHighLine = 0;
    qint64 m_pendingHighColumn = 0;

    Problem m_problem = Problem::None;
    char16_t m_problemCharacter = 0;
    qint64 m_problemLine = 0;
    qint64 m_problemColumn = 0;
};

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
};

ElementText finishText(const Collected &collected)
{
    ElementText result;
    result.found = collected.found;
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

// Takes the tokens of one document and keeps what lies at the paths.
class PathCollector
{
public:
    explicit PathCollector(const QStringList &paths)
        : m_nodes(1), m_collected(paths.size())
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
            break;
        case QXmlStreamReader::EndElement:
            if (!m_declarations.empty()) {
                m_declarationsInScope -= m_declarations.back();
                m_declarations.pop_back();
            }
            if (m_unmatchedDepth > 0) {
                --m_unmatchedDepth;
            } else if (!m_open.empty()) {
                m_open.pop_back();
            }
            break;
        case QXmlStreamReader::Characters:
            if (Collected *leaf = openLeaf()) {
                if (leaf->markup.isEmpty())
                    leaf->pieces.push_back(Piece{reader.text().toString(), reader.isCDATA()});
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

    bool hasRoot() const { return m_hasRoot; }

    ElementTexts result() const
    {
        ElementTexts texts;
        texts.rootName = m_rootName;
        texts.rootLocalName = m_rootLocalName;
        for (const Collected &collected : m_collected)
            texts.elements.push_back(finishText(collected));
        return texts;
    }

private:
    struct Open
    {
        int node;
        QString namespaceUri;
    };

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
    }

    void startElement(const QXmlStreamReader &reader)
    {
        if (!m_hasRoot) {
            m_hasRoot = true;
            m_rootName = reader.qualifiedName().toString();
            m_rootLocalName = reader.name().toString();
            m_open.push_back(Open{0, reader.namespaceUri().toString()});
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
            ++m_unmatchedDepth;
            return;
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
            m_open.push_back(Open{child, namespaceUri.toString()});
            return;
        }
        ++m_unmatchedDepth;
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
};

QString notWellFormed(qint64 line, qint64 column, const QString &what)
{
    return QStringLiteral("it is not well-formed XML (line %1, column %2: %3)").arg(line).arg(column).arg(what);
}

QString tooLarge()
{
    return QStringLiteral("the file is larger than %1 MiB").arg(MaxPadFileSize / (1024 * 1024));
}

// Reads bytes from device, counting them against maxBytes (-1: no limit).
class ByteSource
{
public:
    ByteSource(QIODevice &device, qint64 maxBytes) : m_device(device), m_maxBytes(maxBytes) {}

    // An empty array at the end; nullopt with a reason when reading fails.
    std::optional<QByteArray> next(QString *reason)
    {
        QByteArray bytes(ChunkSize, Qt::Uninitialized);
        const qint64 read = m_device.read(bytes.data(), ChunkSize);
        if (read < 0) {
            *reason = QStringLiteral("the file cannot be read (%1)").arg(m_device.errorString());
            return std::nullopt;
        }
        bytes.resize(read);
        m_total += read;
        if (m_maxBytes >= 0 && m_total > m_maxBytes) {
            *reason = tooLarge();
            return std::nullopt;
        }
        return bytes;
    }

private:
    QIODevice &m_device;
    qint64 m_maxBytes;
    qint64 m_total = 0;
};


// Feeds decoded text to the XML reader and hands every complete token to the
// collector; false with a reason at the first fault.
class Pass
{
public:
    explicit Pass(PathCollector &collector) : m_collector(collector) {}

    // With last, the text is all there is before a fault or the end;
    // otherwise openMarkup is where the markup it ends in began (counted from
    // the start of all text, -1: none).
    bool feed(QStringView text, QString *reason, bool last = false, qint64 openMarkup = -1)
    {
        if (m_done)
            return true;
        QString whole = m_carry + text.toString();
        const qint64 wholeStart = m_given - m_carry.size();
        m_given += text.size();
        m_carry.clear();
        if (!last) {
            // The reader places a fault in markup by how much of it it has
            // seen, so markup is handed over whole. It ends the document when
            // the text runs out between tokens after the document element,
            // never looking at what follows, so the text given never ends in
            // '>' or white space. And it takes UTF-8, so a surrogate pair
            // must not be cut in two.
            qsizetype keep = openMarkup >= 0 ? std::max<qsizetype>(0, openMarkup - wholeStart) : whole.size();
            while (keep > 0 && (whole[keep - 1] == u'>' || isXmlWhitespace(whole[keep - 1])))
                --keep;
            if (keep > 0 && whole[keep - 1].isHighSurrogate())
                --keep;
            m_carry = whole.sliced(keep);
            whole.truncate(keep);
        }
        m_reader.addData(whole);
        return drain(reason);
    }

    // After the last text: the document must be complete.
    bool finish(QString *reason)
    {
        if (!feed(QStringView(), reason, true))
            return false;
        if (!m_done) {
            *reason = notWellFormed(m_reader.lineNumber(), m_reader.columnNumber(),
                                    m_reader.errorString().isEmpty() ? QStringLiteral("Premature end of document.")
                                                                    : m_reader.errorString());
            return false;
        }
        return true;
    }

private:
    bool drain(QString *reason)
    {
        while (!m_done) {
            const QXmlStreamReader::TokenType token = m_reader.readNext();
            if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                return true;
            if (m_reader.hasError()) {
                *reason = notWellFormed(m_reader.lineNumber(), m_reader.columnNumber(), m_reader.errorString());
                return false;
            }
            if (!m_collector.take(m_reader, reason))
                return false;
            if (token == QXmlStreamReader::EndDocument)
                m_done = true;
        }
        return true;
    }

    QXmlStreamReader m_reader;
    PathCollector &m_collector;
    QString m_carry;
    qint64 m_given = 0; // characters passed to feed
    bool m_done = false;
};

// Reads bytes until the XML reader has seen the document's start; nullopt
// with a reason when reading fails.
std::optional<Encoding> findEncoding(ByteSource &source, QByteArray &head, QString *reason)
{
    QXmlStreamReader probe;
    bool started = false;
    while (!started && head.size() < 4 * ChunkSize) {
        const QXmlStreamReader::TokenType token = probe.readNext();
        if (token == QXmlStreamReader::StartDocument) {
            started = true;
        } else if (probe.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
            const std::optional<QByteArray> bytes = source.next(reason);
            if (!bytes)
                return std::nullopt;
            if (bytes->isEmpty())
                break;
            head += *bytes;
            probe.addData(*bytes);
        } else if (probe.hasError()) {
            break;
        }
    }
    Encoding encoding;
    if (probe.hasError() && probe.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
        encoding.startProblem = notWellFormed(probe.lineNumber(), probe.columnNumber(), probe.errorString());
        // A declaration well-formed up to its encoding's name, which no decoder knows?
        // Looked for in the same bytes however they arrived.
        while (head.size() < 1024) {
            const std::optional<QByteArray> bytes = source.next(reason);
            if (!bytes)
                return std::nullopt;
            if (bytes->isEmpty())
                break;
            head += *bytes;
        }
        static const QRegularExpression asciiDeclaration(QStringLiteral(
            "^(?:\\x{EF}\\x{BB}\\x{BF})?<\\?xml[ \\t\\r\\n]+version[ \\t\\r\\n]*=[ \\t\\r\\n]*(\"1\\.[0-9]+\"|'1\\.[0-9]+')"
            "[ \\t\\r\\n]+encoding[ \\t\\r\\n]*=[ \\t\\r\\n]*[\"']([A-Za-z][A-Za-z0-9._-]*)[\"']"));
        const QRegularExpressionMatch match = asciiDeclaration.match(QString::fromLatin1(head.left(1024)));
        if (match.hasMatch() && !QStringDecoder(match.captured(2).toUtf8().constData()).isValid()) {
            // Placed here rather than by the reader, which counts past the
            // name into bytes it may decode differently.
            const qsizetype bom = head.startsWith("\xef\xbb\xbf") ? 3 : 0;
            encoding.unsupported = true;
            encoding.startProblem = notWellFormed(1, match.capturedStart(2) - bom + 1,
                                                  QStringLiteral("Encoding %1 is unsupported").arg(match.captured(2)));
        }
    }
    if (started)
        encoding.declared = probe.documentEncoding().toString();
    if (encoding.declared.isEmpty())
        encoding.detected = QStringConverter::encodingForData(head, u'<').value_or(QStringConverter::Utf8);
    return encoding;
}

} // namespace

std::optional<ElementTexts> readElementTexts(QIODevice &device, const QStringList &paths,
                                             QString *errorReason, qint64 maxBytes)
{
    QString reason;
    const auto refuse = [&]() -> std::optional<ElementTexts> {
        if (errorReason)
            *errorReason = reason;
        return std::nullopt;
    };

    ByteSource source(device, maxBytes);
    QByteArray head;
    std::optional<Encoding> encoding = findEncoding(source, head, &reason);
    if (!encoding)
        return refuse();
    // XML text holds no U+0000, so one marks a byte that did not fit the encoding.
    const auto flags = QStringConverter::Flag::ConvertInvalidToNull;
    if (encoding->unsupported) {
        reason = encoding->startProblem;
        return refuse();
    }
    if (!encoding->startProblem.isEmpty())
        encoding->declared.clear();
    Decoder decoder = encoding->declared.isEmpty()
                          ? Decoder(encoding->detected, flags)
                          : Decoder(encoding->declared.toUtf8().constData(), flags);
    if (!decoder.isValid()) {
        reason = notWellFormed(1, 0, QStringLiteral("Encoding %1 is unsupported").arg(encoding->declared));
        return refuse();
    }
    const QString encodingName = encoding->declared.isEmpty()
                                     ? QString::fromLatin1(QStringConverter::nameForEncoding(encoding->detected))
                                     : encoding->declared;

    PathCollector collector(paths);
    TextScanner scanner;
    Pass pass(collector);
    // Reports the scanner's problem, unless the text before it already has one.
    const auto problem = [&](QStringView before) -> std::optional<ElementTexts> {
        if (!pass.feed(before, &reason, true))
            return refuse();
        switch (scanner.problem()) {
        case TextScanner::Problem::InvalidByte:
            reason = QStringLiteral("it holds bytes that are not valid %1 (line %2, column %3)")
                         .arg(encodingName)
                         .arg(scanner.problemLine())
                         .arg(scanner.problemColumn());
            break;
        case TextScanner::Problem::DisallowedCharacter:
            reason = notWellFormed(scanner.problemLine(), scanner.problemColumn(),
                                   QStringLiteral("the character U+%1 is not allowed in XML")
                                       .arg(QString::number(scanner.problemCharacter(), 16)
                                                .toUpper()
                                                .rightJustified(4, u'0')));
            break;
        case TextScanner::Problem::MarkupTooLong:
            reason = QStringLiteral("its tag at line %1, column %2 is longer than %3 characters, "
                                    "more than any PAD file needs")
                         .arg(scanner.problemLine())
                         .arg(scanner.problemColumn())
                         .arg(MaxMarkupLength);
            break;
        case TextScanner::Problem::None:
            break;
        }
        return refuse();
    };

    QByteArray bytes = head;
    QByteArray previous;
    bool atStart = true;
    while (true) {
        if (bytes.isEmpty()) {
            std::optional<QByteArray> next = source.next(&reason);
            if (!next)
                return refuse();
            if (next->isEmpty())
                break;
            bytes = std::move(*next);
        }
        const qsizetype heldBack = decoder.heldBack();
        const qsizetype invalidBefore = decoder.invalidCount();
        const QString text = decoder.decode(bytes);
        const qsizetype end = scanner.scan(text, decoder.invalidCount() > invalidBefore);
        if (end < text.size()) {
            if (scanner.problem() == TextScanner::Problem::InvalidByte
                && !marksInvalidBytes(previous.right(heldBack) + bytes, end, *encoding, atStart)) {
                scanner.nullIsACharacter();
            }
            return problem(QStringView(text).left(end));
        }
        previous = std::move(bytes);
        bytes.clear();
        atStart = false;
        if (!pass.feed(text, &reason, false, scanner.openMarkupStart()))
            return refuse();
    }
    if (decoder.endsInsideACharacter()) {
        if (!pass.feed(QStringView(), &reason, true))
            return refuse();
        reason = QStringLiteral("it holds bytes that are not valid %1 (line %2, column %3)")
                     .arg(encodingName)
                     .arg(scanner.line())
                     .arg(scanner.column() + 1);
        return refuse();
    }
    if (!scanner.finish())
        return problem(QStringView());
    if (!pass.finish(&reason))
        return refuse();
    // The reader here takes decoded text and so skips the declared encoding;
    // a fault that only the first look found (an unknown encoding) still counts.
    // Any other fault there is found again above, counted in decoded text.
    if (!encoding->startProblem.isEmpty()) {
        reason = encoding->startProblem;
        return refuse();
    }
    return collector.result();
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

// Maps what one pass found to the sixteen values, or gives the reason it cannot.
std::optional<PadImport> importTexts(const ElementTexts &found, const QDate &today, QString *errorReason)
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

std::optional<PadImport> readPadDevice(QIODevice &device, const QDate &today, QString *errorReason,
                                       qint64 maxBytes)
{
    static const QStringList paths = [] {
        QStringList list;
        for (const MapStep &step : fieldMap)
            list << QString::fromLatin1(step.path);
        return list;
    }();
    QString reason;
    std::optional<PadImport> result;
    if (const std::optional<ElementTexts> found = readElementTexts(device, paths, &reason, maxBytes))
        result = importTexts(*found, today, &reason);
    if (!result && errorReason)
        *errorReason = reason;
    return result;
}

} // namespace

std::optional<PadImport> readPadData(const QByteArray &bytes, const QDate &today, QString *errorReason)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readPadDevice(buffer, today, errorReason, -1);
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

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("the file cannot be opened (%1)").arg(file.errorString()));
    // A device that reports no size is read only up to the limit and one byte more.
    if (!file.isSequential() && file.size() > MaxPadFileSize)
        return refuse(tooLarge());
    QString reason;
    std::optional<PadImport> result = readPadDevice(file, today, &reason, MaxPadFileSize);
    if (!result)
        return refuse(reason);
    return result;
}

} // namespace Pad
