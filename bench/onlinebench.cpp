// Prints what the online check costs, against servers of its own on
// 127.0.0.1 (never the internet):
//   build/bench/quillet_onlinebench [slow|download|silent|pad|malformed|many|flood]...
// nine addresses on one slow host at once and one after another, a 4 GiB
// download against a small one (time, peak memory, bytes the server sent),
// a server that never answers, a PAD address that answers 50 MiB, a
// malformed address, a file of 20,000 addresses, and servers (in a thread of
// their own, as a real one would be) that send an endless chunk or endless
// headers as fast as the client reads.
#include "hostileserver.h"
#include "onlinecheck.h"

#include <QCoreApplication>
#include <QPointer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

// Answers every request alike: after a delay, or never, or with a body it
// streams until the client hangs up.
class BenchServer : public QObject
{
public:
    enum class Behaviour {
        Sized,    // 200 with Content-Length: size and, for GET, that many bytes
        Silent,   // never answers
        Streamed, // refuses HEAD; GET gets 200, Content-Length: size (or none), and streams
    };

    BenchServer(Behaviour behaviour, qint64 size, int delayMs = 0, bool announce = true)
        : m_behaviour(behaviour), m_size(size), m_delayMs(delayMs), m_announce(announce)
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
    int requests() const { return m_requests; }
    qint64 written() const { return m_written; }

private:
    void serve(QTcpSocket *socket)
    {
        socket->setParent(this);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            qsizetype end;
            while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                const bool head = buffer->startsWith("HEAD ");
                buffer->remove(0, end + 4);
                ++m_requests;
                QPointer<QTcpSocket> guard(socket);
                QTimer::singleShot(m_delayMs, this, [this, guard, head] {
                    if (guard)
                        respond(guard, head);
                });
            }
        });
    }

    void respond(QTcpSocket *socket, bool head)
    {
        switch (m_behaviour) {
        case Behaviour::Silent:
            return;
        case Behaviour::Sized: {
            m_written += socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                       "Content-Length: " + QByteArray::number(m_size) + "\r\n\r\n");
            if (!head)
                m_written += socket->write(QByteArray(m_size, 'x'));
            return;
        }
        case Behaviour::Streamed:
            if (head) {
                m_written += socket->write("HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n");
                return;
            }
            m_written += socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                + (m_announce ? "Content-Length: " + QByteArray::number(m_size) : QByteArray("Connection: close"))
                + "\r\n\r\n");
            auto left = std::make_shared<qint64>(m_size);
            auto more = [this, socket, left] {
                if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesToWrite() > 256 * 1024)
                    return;
                const qint64 chunk = std::min<qint64>(*left, 64 * 1024);
                if (chunk <= 0) {
                    socket->disconnectFromHost();
                    return;
                }
                *left -= chunk;
                m_written += socket->write(QByteArray(chunk, 'z'));
            };
            connect(socket, &QTcpSocket::bytesWritten, this, more);
            more();
            return;
        }
    }

    Behaviour m_behaviour;
    qint64 m_size;
    int m_delayMs;
    bool m_announce;
    QTcpServer m_server;
    int m_requests = 0;
    qint64 m_written = 0;
};

Online::FetchSettings settings(int timeoutMs = 15000)
{
    Online::FetchSettings s;
    s.proxy = QNetworkProxy(QNetworkProxy::NoProxy);
    s.timeoutMs = timeoutMs;
    s.allowPrivateAddresses = true; // its servers are on 127.0.0.1
    return s;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timed
{
    double seconds;
    QList<Pad::CheckProblem> problems;
};

Timed runCheck(const QList<Pad::PathText> &addresses, const QList<Pad::PathText> &values,
               const Online::FetchSettings &fetchSettings)
{
    Online::AddressFetcher fetcher(fetchSettings);
    Online::OnlineCheck check(&fetcher);
    Online::OnlineSubject subject;
    subject.addresses = addresses;
    subject.values = values;
    QEventLoop loop;
    QObject::connect(&check, &Online::OnlineCheck::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    check.start(subject, QDate::currentDate());
    loop.exec();
    return {timer.nsecsElapsed() / 1e9, check.problems()};
}

QString firstMessage(const QList<Pad::CheckProblem> &problems)
{
    for (const Pad::CheckProblem &problem : problems) {
        if (problem.severity == Pad::Severity::Error)
            return problem.message;
    }
    return problems.isEmpty() ? QStringLiteral("(no finding)") : problems.first().message;
}

const QString Info = QStringLiteral("Web_Info/Application_URLs/Application_Info_URL");
const QString Primary = QStringLiteral("Web_Info/Download_URLs/Primary_Download_URL");
const QString Size = QStringLiteral("Program_Info/File_Info/File_Size_Bytes");

void nineSlowAddresses()
{
    BenchServer slow(BenchServer::Behaviour::Sized, 10, 400);
    QList<Pad::PathText> addresses;
    for (int i = 0; i < 9; ++i)
        addresses << Pad::PathText{Info, slow.url(QStringLiteral("page%1.html").arg(i))};
    const Timed together = runCheck(addresses, {}, settings());
    Online::FetchSettings oneByOne = settings();
    oneByOne.maxPerHost = 1;
    oneByOne.maxConnections = 1;
    const Timed apart = runCheck(addresses, {}, oneByOne);
    std::printf("nine addresses on one host, each answered after 400 ms:\n"
                "  at once (6 per host)       %6.2f s   %d findings\n"
                "  one after another          %6.2f s   %d findings\n",
                together.seconds, int(together.problems.size()), apart.seconds, int(apart.problems.size()));
}

void bigDownload()
{
    std::printf("a download that the server streams whole, ignoring the range:\n");
    for (const qint64 size : {qint64(1024), qint64(4) << 30}) {
        BenchServer server(BenchServer::Behaviour::Streamed, size);
        const PeakMemory memory;
        const Timed run = runCheck({{Primary, server.url(QStringLiteral("setup.exe"))}},
                                   {{Size, QString::number(size)}}, settings());
        // Let the server see the hang-up before counting what it sent.
        QEventLoop settle;
        QTimer::singleShot(200, &settle, &QEventLoop::quit);
        settle.exec();
        std::printf("  %-12s %6.3f s, peak memory +%ld KiB, %lld bytes sent before the hang-up, errors: %d\n",
                    size > 1024 ? "4 GiB" : "1 KiB", run.seconds, memory.growthKiB(),
                    static_cast<long long>(server.written()),
                    int(std::count_if(run.problems.begin(), run.problems.end(), [](const Pad::CheckProblem &p) {
                        return p.severity == Pad::Severity::Error;
                    })));
    }
}

void silentServer()
{
    BenchServer silent(BenchServer::Behaviour::Silent, 0);
    const Timed run = runCheck({{Info, silent.url(QStringLiteral("info.html"))}}, {}, settings(2000));
    std::printf("a server that never answers, deadline 2 s:   %6.2f s   %s\n", run.seconds,
                qPrintable(firstMessage(run.problems)));
}

void fiftyMegabytePad()
{
    std::printf("a PAD address that answers 50 MiB:\n");
    for (const bool announce : {true, false}) {
        BenchServer server(BenchServer::Behaviour::Streamed, 50 * 1024 * 1024, 0, announce);
        Online::AddressFetcher fetcher(settings());
        QEventLoop loop;
        QString reason;
        QElapsedTimer timer;
        timer.start();
        const PeakMemory memory;
        fetcher.fetch(QUrl(server.url(QStringLiteral("pad.xml"))), Online::FetchKind::PadFile, &loop,
                      [&](const Online::FetchResult &result) {
                          Online::fetchedPadBytes(result, &reason);
                          loop.quit();
                      });
        loop.exec();
        const double seconds = timer.nsecsElapsed() / 1e9;
        QEventLoop settle;
        QTimer::singleShot(200, &settle, &QEventLoop::quit);
        settle.exec();
        std::printf("  %-24s %6.3f s, peak memory +%ld KiB, %lld bytes sent: %s\n",
                    announce ? "with Content-Length" : "without Content-Length", seconds,
                    memory.growthKiB(), static_cast<long long>(server.written()), qPrintable(reason));
    }
}

void malformedAddress()
{
    BenchServer server(BenchServer::Behaviour::Sized, 10);
    const QString address = server.url(QStringLiteral("my setup.exe"));
    const Timed run = runCheck({{Primary, address}}, {}, settings());
    std::printf("a malformed address:   %6.4f s, %d requests reached the server: %s\n", run.seconds,
                server.requests(), qPrintable(firstMessage(run.problems)));
}


// A file of 20,000 distinct addresses on one host that refuses every
// connection at once, so that what is measured is the scheduling, not the
// answers.
void manyAddresses()
{
    QTcpServer taken;
    taken.listen(QHostAddress::LocalHost, 0);
    const quint16 port = taken.serverPort();
    taken.close();
    QList<Pad::PathText> addresses;
    constexpr int Count = 20000;
    for (int i = 0; i < Count; ++i)
        addresses << Pad::PathText{QStringLiteral("Extra/Link_%1").arg(i),
                                   QStringLiteral("http://127.0.0.1:%1/a%2").arg(port).arg(i)};
    const double cpuBefore = cpuSeconds();
    const Timed run = runCheck(addresses, {}, settings());
    std::printf("a file of %d addresses on a host that refuses them:\n"
                "  the check                  %6.2f s, %6.2f s of CPU, %d findings\n",
                Count, run.seconds, cpuSeconds() - cpuBefore, int(run.problems.size()));

    Online::AddressFetcher fetcher(settings());
    QEventLoop loop;
    int left = Count;
    QElapsedTimer timer;
    timer.start();
    const double fetchCpuBefore = cpuSeconds();
    for (int i = 0; i < Count; ++i) {
        fetcher.fetch(QUrl(QStringLiteral("http://127.0.0.1:%1/b%2").arg(port).arg(i)), Online::FetchKind::Probe,
                      &loop, [&](const Online::FetchResult &) {
                          if (--left == 0)
                              loop.quit();
                      });
    }
    loop.exec();
    std::printf("  the same number of fetches in one fetcher: %6.2f s, %6.2f s of CPU\n",
                timer.nsecsElapsed() / 1e9, cpuSeconds() - fetchCpuBefore);
}

void endlessFastAnswers()
{
    std::printf("a server that floods its answer as fast as the client reads (in another thread):\n");
    BenchServer healthy(BenchServer::Behaviour::Sized, 10);
    const QString padFile = QStringLiteral("Web_Info/Application_URLs/Application_XML_File_URL");
    const struct
    {
        const char *name;
        HostileServer::Behaviour behaviour;
        QString path;
    } cases[] = {
        {"endless chunk, PAD file", HostileServer::Behaviour::EndlessChunk, padFile},
        {"endless chunk, download", HostileServer::Behaviour::EndlessChunk, Primary},
        {"endless headers, PAD file", HostileServer::Behaviour::EndlessHeaders, padFile},
    };
    for (const auto &c : cases) {
        HostileServer server(c.behaviour);
        const QString flood = server.url(QStringLiteral("pad.xml"));
        QList<Pad::PathText> addresses{{c.path, flood}};
        for (int i = 0; i < 5; ++i)
            addresses << Pad::PathText{Info + QString::number(i), healthy.url(QStringLiteral("p%1.html").arg(i))};
        Online::AddressFetcher fetcher(settings());
        Online::OnlineCheck check(&fetcher);
        Online::OnlineSubject subject;
        subject.addresses = addresses;
        QEventLoop loop;
        QElapsedTimer timer;
        double floodSeconds = 0, slowestHealthy = 0;
        QString floodVerdict;
        QObject::connect(&check, &Online::OnlineCheck::addressChecked, &loop, [&](const Online::AddressResult &r) {
            const double at = timer.nsecsElapsed() / 1e9;
            if (r.address == flood) {
                floodSeconds = at;
                floodVerdict = r.problems.isEmpty() ? QStringLiteral("(no finding)") : r.problems.first().message;
            } else {
                slowestHealthy = std::max(slowestHealthy, at);
            }
        });
        QObject::connect(&check, &Online::OnlineCheck::finished, &loop, &QEventLoop::quit);
        const PeakMemory memory;
        timer.start();
        check.start(subject, QDate::currentDate());
        loop.exec();
        std::printf("  %-26s verdict after %6.3f s, healthy addresses after %6.3f s, peak memory +%ld KiB, "
                    "%lld bytes sent: %s\n",
                    c.name, floodSeconds, slowestHealthy, memory.growthKiB(),
                    static_cast<long long>(server.bytesWritten()), qPrintable(floodVerdict.left(110)));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Scenarios by name; without names, all of them.
    const QList<std::pair<QString, void (*)()>> scenarios{
        {QStringLiteral("slow"), nineSlowAddresses},   {QStringLiteral("download"), bigDownload},
        {QStringLiteral("silent"), silentServer},      {QStringLiteral("pad"), fiftyMegabytePad},
        {QStringLiteral("malformed"), malformedAddress}, {QStringLiteral("many"), manyAddresses},
        {QStringLiteral("flood"), endlessFastAnswers},
    };
    const QStringList wanted = app.arguments().mid(1);
    for (const auto &[name, run] : scenarios) {
        if (wanted.isEmpty() || wanted.contains(name)) {
            run();
            std::fflush(stdout);
        }
    }
    return 0;
}
