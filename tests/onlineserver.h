#pragma once

// Web servers on 127.0.0.1 for the online check's tests, each on a port of
// its own (port 0), so that tests run in parallel and never reach the
// internet. TestWebServer answers as a well-behaved server does, from a table
// of paths; RawServer misbehaves in the ways QHttpServer cannot.
//
// tests/data/online/cert.pem and key.pem are a self-signed certificate for
// 127.0.0.1 and localhost, made once, valid for a hundred years, with
//   openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem
//       -days 36500 -subj "/CN=Quillet test server"
//       -addext "subjectAltName=IP:127.0.0.1,DNS:localhost"

#include "hostileserver.h"
#include "testsupport.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkProxy>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>


#include <functional>
#include <memory>

inline QSslCertificate testCertificate()
{
    return QSslCertificate(readAll(testDataPath(QStringLiteral("online/cert.pem"))), QSsl::Pem);
}

inline QSslKey testKey()
{
    return QSslKey(readAll(testDataPath(QStringLiteral("online/key.pem"))), QSsl::Rsa, QSsl::Pem);
}

// A configuration that trusts the test certificate besides the system's.
inline QSslConfiguration trustingTestCertificate()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(testCertificate());
    return configuration;
}

// How TestWebServer answers one path.
struct Answer
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/octet-stream";
    QByteArray location;    // for a redirect
    int headStatus = 0;     // HEAD's own status, as a server that refuses HEAD (0: status)
    bool honourRange = true; // answer "Range: bytes=0-0" with 206 and the first byte
    // What HEAD and a full answer give as Content-Length; -1: the body's size.
    qint64 announcedLength = -1;
    bool hold = false;      // keep the request until release()
};

class TestWebServer
{
public:
    struct Request
    {
        QByteArray method;
        QString path;
        QByteArray range;
        QByteArray userAgent;
        QByteArray acceptEncoding;
    };

    explicit TestWebServer(bool tls = false) : m_tls(tls)
    {
        if (tls)
            m_server.sslSetup(testCertificate(), testKey());
        m_server.route(QStringLiteral("/<arg>"),
                       [this](const QUrl &rest, const QHttpServerRequest &request,
                              QHttpServerResponder &&responder) {
                           answer(rest.path(), request, std::move(responder));
                       });
        m_port = m_server.listen(QHostAddress::LocalHost, 0);
    }

    bool isListening() const { return m_port != 0; }

    QString url(const QString &path) const
    {
        return QStringLiteral("%1://127.0.0.1:%2/%3")
            .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
            .arg(m_port)
            .arg(path);
    }

    void set(const QString &path, const Answer &answer) { m_answers.insert(path, answer); }

    const QList<Request> &requests() const { return m_requests; }
    int requestsFor(const QString &path) const
    {
        return int(std::count_if(m_requests.begin(), m_requests.end(),
                                 [&](const Request &r) { return r.path == path; }));
    }
    int held() const { return int(m_held.size()); }
    int mostHeld() const { return m_mostHeld; }

    // Answers every request held so far.
    void release()
    {
        const auto held = std::move(m_held);
        m_held.clear();
        for (const auto &respond : held)
            respond();
    }

private:
    void answer(const QString &path, const QHttpServerRequest &request, QHttpServerResponder &&responder)
    {
        const bool head = request.method() == QHttpServerRequest::Method::Head;
        m_requests.append({head ? QByteArrayLiteral("HEAD") : QByteArrayLiteral("GET"), path,
                           request.value("Range"), request.value("User-Agent"),
                           request.value("Accept-Encoding")});
        const Answer answer = m_answers.value(path, Answer{.status = 404, .body = "<html>Not here</html>", .contentType = "text/html"});
        auto shared = std::make_shared<QHttpServerResponder>(std::move(responder));
        auto respond = [shared, answer, head, range = request.value("Range"),
                        socket = QPointer<QTcpSocket>(shared->socket())] {
            using Status = QHttpServerResponder::StatusCode;
            if (!socket)
                return; // the client hung up while the answer was held
            int status = head && answer.headStatus ? answer.headStatus : answer.status;
            QByteArray body = answer.body;
            QByteArray length = QByteArray::number(answer.announcedLength >= 0 ? answer.announcedLength
                                                                               : body.size());
            QList<std::pair<QByteArray, QByteArray>> headers{{"Content-Type", answer.contentType}};
            if (!answer.location.isEmpty())
                headers.append({"Location", answer.location});
            if (!head && status == 200 && range == "bytes=0-0" && answer.honourRange && !body.isEmpty()) {
                status = 206;
                headers.append({"Content-Range", "bytes 0-0/" + length});
                body = body.left(1);
                length = "1";
            }
            if (head || status == 206) {
                // QHttpServerResponder::write() sends a body of its own
                // length; HEAD gets the headers alone, ended by an empty body.
                shared->writeStatusLine(Status(status));
                for (const auto &[name, value] : headers)
                    shared->writeHeader(name, value);
                shared->writeHeader("Content-Length", length);
                shared->writeBody(head ? QByteArray() : body);
                return;
            }
            shared->writeStatusLine(Status(status));
            for (const auto &[name, value] : headers)
                shared->writeHeader(name, value);
            shared->writeHeader("Content-Length", QByteArray::number(body.size()));
            shared->writeBody(body);
        };
        if (answer.hold) {
            m_held.append(respond);
            m_mostHeld = std::max(m_mostHeld, int(m_held.size()));
        } else {
            respond();
        }
    }

    bool m_tls;
    QHttpServer m_server;
    quint16 m_port = 0;
    QHash<QString, Answer> m_answers;
    QList<Request> m_requests;
    QList<std::function<void()>> m_held;
    int m_mostHeld = 0;
};

// A server that misbehaves on purpose, answering every connection alike.
class RawServer : public QObject
{
public:
    enum class Behaviour {
        Silent,        // takes the connection and never answers
        CutShort,      // announces a body, sends a little of it, hangs up
        Endless,       // 200 with a huge Content-Length, ignoring Range, and streams it
        Unsized,       // 200 without Content-Length, the body ended by hanging up
    };

    RawServer(Behaviour behaviour, qint64 announced = 0, qint64 sent = 0)
        : m_behaviour(behaviour), m_announced(announced), m_sent(sent)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server.serverPort()).arg(path);
    }

    int connections() const { return m_connections; }
    int closedByClient() const { return m_closedByClient; }
    qint64 bytesWritten() const { return m_written; }
    // The request lines received, as "GET /path".
    const QList<QByteArray> &requestLines() const { return m_requestLines; }

private:
    void serve(QTcpSocket *socket)
    {
        ++m_connections;
        socket->setParent(this);
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (!socket->property("closedByUs").toBool())
                ++m_closedByClient;
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
            request->append(socket->readAll());
            const qsizetype end = request->indexOf("\r\n\r\n");
            if (end < 0 || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            m_requestLines.append(request->left(request->indexOf(' ', request->indexOf(' ') + 1)));
            request->remove(0, end + 4);
            respond(socket);
        });
    }

    void write(QTcpSocket *socket, const QByteArray &bytes)
    {
        m_written += socket->write(bytes);
    }

    void hangUp(QTcpSocket *socket)
    {
        socket->setProperty("closedByUs", true);
        socket->disconnectFromHost();
    }

    void respond(QTcpSocket *socket)
    {
        switch (m_behaviour) {
        case Behaviour::Silent:
            return;
        case Behaviour::CutShort:
            write(socket, "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: "
                              + QByteArray::number(m_announced) + "\r\n\r\n" + QByteArray(m_sent, 'x'));
            hangUp(socket);
            return;
        case Behaviour::Unsized:
            write(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                          "Connection: close\r\n\r\n");
            stream(socket);
            return;
        case Behaviour::Endless:
            // Refuses HEAD, so that the client's GET of one byte comes, and
            // ignores its range.
            if (m_requestLines.constLast().startsWith("HEAD ")) {
                write(socket, "HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n");
                socket->setProperty("answered", false);
                return;
            }
            write(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
                              + QByteArray::number(m_announced) + "\r\n\r\n");
            stream(socket);
            return;
        }
    }

    // Writes m_sent bytes (or on and on, for Endless) as fast as the client
    // takes them, a chunk whenever the last one has gone out.
    void stream(QTcpSocket *socket)
    {
        auto left = std::make_shared<qint64>(m_behaviour == Behaviour::Endless ? m_announced : m_sent);
        auto more = [this, socket, left] {
            if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesToWrite() > 256 * 1024)
                return;
            const qint64 chunk = std::min<qint64>(*left, 64 * 1024);
            if (chunk <= 0) {
                hangUp(socket);
                return;
            }
            *left -= chunk;
            write(socket, QByteArray(chunk, 'z'));
        };
        connect(socket, &QTcpSocket::bytesWritten, this, more);
        more();
        more();
    }

    Behaviour m_behaviour;
    qint64 m_announced;
    qint64 m_sent;
    QTcpServer m_server;
    int m_connections = 0;
    int m_closedByClient = 0;
    qint64 m_written = 0;
    QList<QByteArray> m_requestLines;
};

// An address on 127.0.0.1 where nothing listens: a port just taken and let go.
inline QString refusingUrl(const QString &path)
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(path);
}
