#include "httpresponse.h"

#include <algorithm>
#include <limits>

namespace Online {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimmedBlanks(QByteArrayView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.sliced(start, end - start).toByteArray();
}

bool isTokenChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

// A decimal number of at most 18 digits, which cannot overflow.
std::optional<qint64> decimal(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<qint64> hexadecimal(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 16)
        return std::nullopt;
    quint64 value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + quint64(digit);
    }
    if (value > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    return qint64(value);
}

} // namespace

HttpResponseParser::HttpResponseParser(bool noBody, qint64 keepBody)
    : m_noBody(noBody), m_keepBody(std::max<qint64>(0, keepBody))
{
}

qsizetype HttpResponseParser::feed(QByteArrayView bytes)
{
    qsizetype used = 0;
    while (used < bytes.size() && (m_state == State::Head || m_state == State::Body)) {
        const QByteArrayView rest = bytes.sliced(used);
        used += m_state == State::Head ? feedHead(rest) : feedBody(rest);
    }
    return used;
}

void HttpResponseParser::closed()
{
    if (m_state == State::Body && m_framing == Framing::UntilClose)
        m_state = State::Done;
}

std::optional<QByteArray> HttpResponseParser::header(QByteArrayView name) const
{
    const QByteArray lower = name.toByteArray().toLower();
    for (const auto &[key, value] : m_headers) {
        if (key == lower)
            return value;
    }
    return std::nullopt;
}

qsizetype HttpResponseParser::feedHead(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf('\n');
    const qsizetype take = end < 0 ? bytes.size() : end + 1;
    m_headBytes += take;
    if (m_headBytes > MaxHeaderBytes) {
        fail(QStringLiteral("sends headers larger than %1 KiB").arg(MaxHeaderBytes / 1024));
        return take;
    }
    m_line.append(bytes.first(end < 0 ? take : end));
    if (end >= 0) {
        if (m_line.endsWith('\r'))
            m_line.chop(1);
        const QByteArray line = std::exchange(m_line, QByteArray());
        if (!takeHeadLine(line))
            return take;
    }
    return take;
}

bool HttpResponseParser::takeHeadLine(const QByteArray &line)
{
    if (!m_statusSeen) {
        if (line.isEmpty())
            return true; // blank lines before an answer are tolerated
        const std::optional<qint64> status = line.size() >= 12 ? decimal(line.mid(9, 3)) : std::nullopt;
        if (!line.startsWith("HTTP/1.") || line.size() < 12 || line[8] != ' ' || !status
            || (line.size() > 12 && line[12] != ' ')) {
            fail(QStringLiteral("does not answer in HTTP"));
            return false;
        }
        m_status = int(*status);
        m_reason = trimmedBlanks(QByteArrayView(line).sliced(12));
        m_statusSeen = true;
        return true;
    }
    if (line.isEmpty()) {
        if (m_status >= 100 && m_status < 200) {
            // An interim answer (100 Continue, 103 Early Hints): the real one follows.
            m_statusSeen = false;
            m_headers.clear();
            return true;
        }
        return startBody();
    }
    if (isBlank(line.front())) {
        if (m_headers.isEmpty()) {
            fail(QStringLiteral("sends a header line that is none"));
            return false;
        }
        m_headers.back().second += ' ' + trimmedBlanks(line);
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || !std::all_of(line.begin(), line.begin() + colon, isTokenChar)) {
        fail(QStringLiteral("sends a header line that is none"));
        return false;
    }
    m_headers.append({line.first(colon).toLower(), trimmedBlanks(QByteArrayView(line).sliced(colon + 1))});
    return true;
}

bool HttpResponseParser::startBody()
{
    QList<QByteArray> codings;
    QList<QByteArray> lengths;
    for (const auto &[name, value] : std::as_const(m_headers)) {
        if (name == "transfer-encoding")
            codings << value.split(',');
        else if (name == "content-length")
            lengths << value.split(',');
    }
    for (const QByteArray &text : std::as_const(lengths)) {
        const std::optional<qint64> length = decimal(trimmedBlanks(text));
        if (!length || (m_contentLength && *m_contentLength != *length)) {
            fail(QStringLiteral("sends a Content-Length that is no length"));
            return false;
        }
        m_contentLength = length;
    }
    // A HEAD answer states the length of the body it leaves out.
    if (m_noBody || m_status == 204 || m_status == 304) {
        m_state = State::Done;
        return true;
    }
    m_state = State::Body;
    if (!codings.isEmpty()) {
        // A body in any other coding runs to the close; Content-Length then counts for nothing.
        m_contentLength.reset();
        m_framing = trimmedBlanks(codings.constLast()).toLower() == "chunked" ? Framing::Chunked
                                                                               : Framing::UntilClose;
        return true;
    }
    m_framing = m_contentLength ? Framing::Length : Framing::UntilClose;
    if (m_contentLength == 0)
        m_state = State::Done;
    return true;
}

qsizetype HttpResponseParser::feedBody(QByteArrayView bytes)
{
    switch (m_framing) {
    case Framing::Length: {
        const qsizetype take = qsizetype(std::min<qint64>(bytes.size(), *m_contentLength - m_bodyReceived));
        takeBody(bytes.first(take));
        if (m_bodyReceived == *m_contentLength)
            m_state = State::Done;
        return take;
    }
    case Framing::Chunked:
        return feedChunked(bytes);
    case Framing::UntilClose:
    case Framing::None:
        break;
    }
    takeBody(bytes);
    return bytes.size();
}

qsizetype HttpResponseParser::feedChunked(QByteArrayView bytes)
{
    if (m_chunkStep == ChunkStep::Data) {
        const qsizetype take = qsizetype(std::min<qint64>(bytes.size(), m_chunkLeft));
        takeBody(bytes.first(take));
        m_chunkLeft -= take;
        if (m_chunkLeft == 0)
            m_chunkStep = ChunkStep::DataEnd;
        return take;
    }
    // The size line, or the line break that ends a chunk's data.
    const qsizetype end = bytes.indexOf('\n');
    const qsizetype take = end < 0 ? bytes.size() : end + 1;
    if (m_line.size() + take > MaxChunkLine) {
        fail(QStringLiteral("sends a chunked body whose framing is broken"));
        return take;
    }
    m_line.append(bytes.first(end < 0 ? take : end));
    if (end < 0)
        return take;
    if (m_line.endsWith('\r'))
        m_line.chop(1);
    const QByteArray line = std::exchange(m_line, QByteArray());
    if (m_chunkStep == ChunkStep::DataEnd) {
        if (!line.isEmpty())
            fail(QStringLiteral("sends a chunked body whose framing is broken"));
        m_chunkStep = ChunkStep::Size;
        return take;
    }
    readChunkSize(line);
    return take;
}

bool HttpResponseParser::readChunkSize(const QByteArray &line)
{
    const qsizetype semicolon = line.indexOf(';');
    const std::optional<qint64> size = hexadecimal(trimmedBlanks(semicolon < 0 ? line : line.first(semicolon)));
    if (!size) {
        fail(QStringLiteral("sends a chunked body whose framing is broken"));
        return false;
    }
    if (*size == 0) {
        m_state = State::Done; // the trailer that may follow is of no use here
        return true;
    }
    m_chunkLeft = *size;
    m_chunkStep = ChunkStep::Data;
    return true;
}

void HttpResponseParser::takeBody(QByteArrayView bytes)
{
    m_bodyReceived += bytes.size();
    if (m_sink && !bytes.isEmpty())
        m_sink(bytes);
    const qint64 room = m_keepBody - m_body.size();
    if (room > 0)
        m_body.append(bytes.first(qsizetype(std::min<qint64>(room, bytes.size()))));
}

void HttpResponseParser::fail(const QString &why)
{
    m_state = State::Failed;
    m_failure = why;
    m_line.clear();
}

} // namespace Online
