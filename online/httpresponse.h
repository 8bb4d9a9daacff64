#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

namespace Online {

// What a server may send before its body, 1xx answers included: real
// answers stay below 16 KiB, and past this an answer is refused, however
// fast or long its headers go on.
inline constexpr qsizetype MaxHeaderBytes = 64 * 1024;
// One line of a chunked body's framing: the size in hex and its extensions.
inline constexpr qsizetype MaxChunkLine = 1024;

// Reads one HTTP/1.1 answer from the bytes of a connection as they come,
// holding at most MaxHeaderBytes of its head and keepBody bytes of its body
// (counting the rest and dropping it): whatever the server sends, what is
// held stays bounded. No sockets, so any bytes can be fed to it.
class HttpResponseParser
{
public:
    enum class State { Head, Body, Done, Failed };

    // noBody: the request was HEAD, so no answer has a body.
    HttpResponseParser(bool noBody, qint64 keepBody);

    // Takes the next bytes of the connection; returns how many it used,
    // which is fewer than given only once the answer is Done or Failed
    // (what follows belongs to no answer of ours).
    qsizetype feed(QByteArrayView bytes);
    // The server closed the connection: an answer whose body runs to the
    // close is whole now; any other unfinished one fails.
    void closed();

    State state() const { return m_state; }
    bool headersComplete() const { return m_state == State::Body || m_state == State::Done; }
    // Why the answer was refused, as a finding ends: "sends headers larger than 64 KiB".
    const QString &failure() const { return m_failure; }

    int status() const { return m_status; }
    const QByteArray &reasonPhrase() const { return m_reason; }
    // The first value of a header, by its name in any letter case.
    std::optional<QByteArray> header(QByteArrayView name) const;
    // The body's length as the framing gives it: Content-Length, or nullopt
    // for chunked and for a body that runs to the close.
    std::optional<qint64> contentLength() const { return m_contentLength; }
    // The body's first bytes, at most keepBody of them.
    const QByteArray &body() const { return m_body; }
    // Every byte of body that came, held or not.
    qint64 bodyReceived() const { return m_bodyReceived; }
    // Hands every byte of body to sink as it comes, held or not: a download
    // can be hashed without ever being held.
    void setBodySink(std::function<void(QByteArrayView)> sink) { m_sink = std::move(sink); }

private:
    enum class Framing { None, Length, Chunked, UntilClose };
    enum class ChunkStep { Size, Data, DataEnd };

    qsizetype feedHead(QByteArrayView bytes);
    qsizetype feedBody(QByteArrayView bytes);
    qsizetype feedChunked(QByteArrayView bytes);
    bool takeHeadLine(const QByteArray &line);
    bool startBody();
    bool readChunkSize(const QByteArray &line);
    void takeBody(QByteArrayView bytes);
    void fail(const QString &why);

    bool m_noBody;
    qint64 m_keepBody;
    State m_state = State::Head;
    QString m_failure;
    qsizetype m_headBytes = 0;
    QByteArray m_line;
    bool m_statusSeen = false;
    int m_status = 0;
    QByteArray m_reason;
    QList<std::pair<QByteArray, QByteArray>> m_headers;
    Framing m_framing = Framing::None;
    std::optional<qint64> m_contentLength;
    ChunkStep m_chunkStep = ChunkStep::Size;
    qint64 m_chunkLeft = 0;
    QByteArray m_body;
    qint64 m_bodyReceived = 0;
    std::function<void(QByteArrayView)> m_sink;
};

} // namespace Online
