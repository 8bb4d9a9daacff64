#pragma once

// A web server on 127.0.0.1 that misbehaves as a hostile one would, and a
// measure of peak memory, for the online check's tests and its bench. Qt
// Network and Core only.

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <memory>

// A server that answers as a hostile one would, in a thread of its own so
// that it writes as fast as the client reads, as a real server does. Every
// connection is answered alike, by the first line of its request.
class HostileServer
{
public:
    enum class Behaviour {
        StalledRedirect,    // HEAD 405; GET /a: after size ms, 302 to /hang, announcing a body it never sends; /hang: silence
        HeadRefused,        // HEAD 405; the GET never answered
        HeadUnsized,        // HEAD 200 without a length; the GET never answered
        EndlessChunk,       // HEAD 405; GET: 200 with one chunk of 7fffffffffffffff bytes, written without pause
        EndlessHeaders,     // a status line, then header lines without end
        EndlessHeaderLine,  // a status line, then one header line that never ends
        EscapeCodes,        // 404 whose reason phrase and content type hold escape codes and a bare CR
        Chunked,            // 200, size bytes of body in chunks of 1000, no length
        Redirects,          // /rN redirects to /r(N-1), and /r0 answers 200
        Stalls,             // 200 announcing size bytes, sends half of them, then nothing
        Served,             // 200 with the body given (or size bytes of 'x'), its length stated, as fast as read
        ServedFile,         // 200 with the file named as the body, its length stated, as fast as read
    };

    // body: for Served, or for ServedFile the file's path.
    explicit HostileServer(Behaviour behaviour, qint64 size = 0, const QByteArray &body = QByteArray())
    {
        const qint64 length = behaviour == Behaviour::ServedFile ? QFile(QString::fromUtf8(body)).size()
                                                                 : body.isEmpty() ? size : body.size();
        m_worker = new Worker(behaviour, length, body, &m_written);
        m_worker->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
        m_thread.start();
        QMetaObject::invokeMethod(m_worker, [this] { m_port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
    }
    ~HostileServer()
    {
        m_thread.quit();
        m_thread.wait();
    }

    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(path);
    }
    qint64 bytesWritten() const { return m_written; }

private:
    class Worker : public QObject
    {
    public:
        Worker(Behaviour behaviour, qint64 size, const QByteArray &body, std::atomic<qint64> *written)
            : m_behaviour(behaviour), m_size(size), m_body(body), m_written(written)
        {
            connect(&m_server, &QTcpServer::newConnection, this, [this] {
                while (QTcpSocket *socket = m_server.nextPendingConnection())
                    serve(socket);
            });
        }
        quint16 listen()
        {
            m_server.listen(QHostAddress::LocalHost, 0);
            return m_server.serverPort();
        }

    private:
        void serve(QTcpSocket *socket)
        {
            socket->setParent(this);
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                request->append(socket->readAll());
                if (socket->property("answered").toBool() || !request->contains("\r\n\r\n"))
                    return;
                socket->setProperty("answered", true);
                respond(socket, request->left(request->indexOf("\r\n")));
            });
        }

        void write(QTcpSocket *socket, const QByteArray &bytes) { *m_written += socket->write(bytes); }

        // Writes filler again whenever the last of it has gone out, without
        // end, or until limit bytes have gone and the connection is closed.
        void flood(QTcpSocket *socket, const QByteArray &filler, qint64 limit = -1)
        {
            auto left = std::make_shared<qint64>(limit);
            auto more = [this, socket, filler, left] {
                if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesToWrite() >= 256 * 1024)
                    return;
                if (*left == 0) {
                    socket->disconnectFromHost();
                    return;
                }
                const qint64 take = *left < 0 ? filler.size() : std::min<qint64>(*left, filler.size());
                write(socket, filler.first(take));
                if (*left > 0)
                    *left -= take;
            };
            connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
            more();
        }

        void respond(QTcpSocket *socket, const QByteArray &requestLine)
        {
            const bool head = requestLine.startsWith("HEAD ");
            const QByteArray target = requestLine.split(' ').value(1);
            const QByteArray refused = "HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            switch (m_behaviour) {
            case Behaviour::StalledRedirect:
                if (head)
                    write(socket, refused);
                else if (target != "/hang")
                    // Late, so that a deadline begun anew for the next request would show.
                    QTimer::singleShot(m_size, socket, [this, socket] {
                        write(socket, "HTTP/1.1 302 Found\r\nLocation: /hang\r\nContent-Length: 100\r\n\r\n");
                    });
                return;
            case Behaviour::HeadRefused:
                if (head)
                    write(socket, refused);
                return;
            case Behaviour::HeadUnsized:
                if (head)
                    write(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n");
                return;
            case Behaviour::EndlessChunk:
                if (head) {
                    write(socket, refused);
                    return;
                }
                write(socket, "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n"
                              "7fffffffffffffff\r\n");
                flood(socket, QByteArray(64 * 1024, 'z'));
                return;
            case Behaviour::EndlessHeaders:
                write(socket, "HTTP/1.1 200 OK\r\n");
                flood(socket, QByteArray("X-Filler: ").append(QByteArray(100, 'z')).append("\r\n").repeated(500));
                return;
            case Behaviour::EndlessHeaderLine:
                write(socket, "HTTP/1.1 200 OK\r\nX-Filler: ");
                flood(socket, QByteArray(64 * 1024, 'z'));
                return;
            case Behaviour::EscapeCodes:
                write(socket, "HTTP/1.1 404 \x1b[2J\x1b[31mPWNED\x1b]0;title\x07\rPAD XML File URL: all fine here\r\n"
                              "Content-Type: text/html\x1b[2J\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                return;
            case Behaviour::Chunked:
                write(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                              "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n");
                for (qint64 left = m_size; left > 0; left -= 1000) {
                    const qint64 chunk = std::min<qint64>(left, 1000);
                    write(socket, QByteArray::number(chunk, 16) + "\r\n" + QByteArray(chunk, 'x') + "\r\n");
                }
                write(socket, "0\r\n\r\n");
                return;
            case Behaviour::Stalls:
                write(socket, "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(m_size) + "\r\n\r\n"
                                  + QByteArray(m_size / 2, 'x'));
                return;
            case Behaviour::Served:
                write(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
                                  + QByteArray::number(m_size) + "\r\n\r\n");
                if (head)
                    return;
                if (!m_body.isEmpty())
                    write(socket, m_body);
                else
                    flood(socket, QByteArray(1024 * 1024, 'x'), m_size);
                return;
            case Behaviour::ServedFile: {
                write(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
                                  + QByteArray::number(m_size) + "\r\n\r\n");
                auto file = std::make_shared<QFile>(QString::fromUtf8(m_body));
                if (head || !file->open(QIODevice::ReadOnly))
                    return;
                auto more = [this, socket, file] {
                    if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesToWrite() >= 4 * 1024 * 1024)
                        return;
                    const QByteArray chunk = file->read(1024 * 1024);
                    if (chunk.isEmpty())
                        socket->disconnectFromHost();
                    else
                        write(socket, chunk);
                };
                connect(socket, &QTcpSocket::bytesWritten, socket, more);
                more();
                return;
            }
            case Behaviour::Redirects: {
                const int hop = target.mid(2).toInt();
                write(socket, hop > 0 ? "HTTP/1.1 302 Found\r\nLocation: /r" + QByteArray::number(hop - 1)
                                            + "\r\nContent-Length: 0\r\n\r\n"
                                      : QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                                   "Content-Length: 13\r\n\r\n<html></html>"));
                return;
            }
            }
        }

        Behaviour m_behaviour;
        qint64 m_size;
        QByteArray m_body;
        std::atomic<qint64> *m_written;
        QTcpServer m_server{this}; // a child, so that it moves to the server's thread
    };

    QThread m_thread;
    Worker *m_worker = nullptr;
    quint16 m_port = 0;
    std::atomic<qint64> m_written{0};
};

// How much the process's peak resident memory grows from here on, in KiB:
// Linux starts a new peak on "5" in clear_refs. Where it cannot, the peak
// so far is the start, which only makes the growth look smaller.
class PeakMemory
{
public:
    PeakMemory()
    {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        m_start = statusKilobytes("VmHWM");
    }
    // The kernel counts each thread's pages lazily, so readings drift by a few MiB.
    long growthKiB() const { return std::max(0L, statusKilobytes("VmHWM") - m_start); }

private:
    static long statusKilobytes(const char *name)
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith(name))
                return line.mid(qstrlen(name) + 1).trimmed().split(' ').constFirst().toLong();
        }
        return 0;
    }

    long m_start = 0;
};
