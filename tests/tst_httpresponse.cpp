// The parser of HTTP answers, on bytes alone: what it takes from well-formed
// and broken answers, fed whole and a byte at a time, and that what it holds
// stays within its bounds whatever comes.
#include "httpresponse.h"

#include <QTest>

using namespace Online;
using State = HttpResponseParser::State;

Q_DECLARE_METATYPE(HttpResponseParser::State)

class TestHttpResponse : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void headerLimit_data();
    void headerLimit();
    void bodyIsCountedNotHeld();
};

void TestHttpResponse::answers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("head");
    QTest::addColumn<bool>("closed"); // the server hangs up after the bytes
    QTest::addColumn<State>("state");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("length"); // -1: none stated
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("failure");

    const auto row = [](const char *name, const QByteArray &bytes, State state, int status, qint64 length,
                        const QByteArray &body, const QString &failure = {}, bool head = false, bool closed = false) {
        QTest::newRow(name) << bytes << head << closed << state << status << length << body << failure;
    };
    row("length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", State::Done, 200, 5, "hello");
    row("bytes after the answer are not its", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhello", State::Done,
        200, 2, "he");
    row("no reason phrase, bare LF", "HTTP/1.0 404\nContent-Length: 0\n\n", State::Done, 404, 0, "");
    row("HEAD states the length it leaves out", "HTTP/1.1 200 OK\r\nContent-Length: 4096\r\n\r\n", State::Done, 200,
        4096, "", {}, true);
    row("204 has no body", "HTTP/1.1 204 No Content\r\n\r\n", State::Done, 204, -1, "");
    row("interim answers first", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\n"
                                 "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx",
        State::Done, 200, 1, "x");
    row("chunks with extensions", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                  "3;name=value\r\nabc\r\nA\r\n0123456789\r\n0\r\nTrailer: x\r\n\r\n",
        State::Done, 200, -1, "abc0123456789");
    row("chunked wins over a length", "HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n"
                                      "2\r\nab\r\n0\r\n\r\n",
        State::Done, 200, -1, "ab");
    row("to the close", "HTTP/1.1 200 OK\r\n\r\nall of it", State::Done, 200, -1, "all of it", {}, false, true);
    row("to the close, still open", "HTTP/1.1 200 OK\r\n\r\nall of it", State::Body, 200, -1, "all of it");
    row("a length cut short", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", State::Body, 200, 10, "abc", {},
        false, true);
    row("folded header", "HTTP/1.1 200 OK\r\nX-A: one\r\n two\r\nContent-Length: 0\r\n\r\n", State::Done, 200, 0, "");
    row("no HTTP", "SSH-2.0-OpenSSH_9.2\r\n", State::Failed, 0, -1, "", u"does not answer in HTTP"_qs);
    row("status of two digits", "HTTP/1.1 20 OK\r\n\r\n", State::Failed, 0, -1, "", u"does not answer in HTTP"_qs);
    row("header without a name", "HTTP/1.1 200 OK\r\n: x\r\n\r\n", State::Failed, 200, -1, "",
        u"sends a header line that is none"_qs);
    row("two lengths", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", State::Failed, 200, 5, "",
        u"sends a Content-Length that is no length"_qs);
    row("a length past 18 digits", "HTTP/1.1 200 OK\r\nContent-Length: 1000000000000000000000\r\n\r\n", State::Failed,
        200, -1, "", u"sends a Content-Length that is no length"_qs);
    row("a chunk size past 63 bits", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8000000000000000\r\n",
        State::Failed, 200, -1, "", u"sends a chunked body whose framing is broken"_qs);
    row("a chunk line past 1 KiB", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3;"
                                    + QByteArray(int(MaxChunkLine), 'x') + "\r\nabc\r\n0\r\n\r\n",
        State::Failed, 200, -1, "", u"sends a chunked body whose framing is broken"_qs);
    row("a chunk without its line end", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabX\r\n",
        State::Failed, 200, -1, "ab", u"sends a chunked body whose framing is broken"_qs);
}

void TestHttpResponse::answers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, head);
    QFETCH(bool, closed);
    QFETCH(State, state);
    QFETCH(int, status);
    QFETCH(qint64, length);
    QFETCH(QByteArray, body);
    QFETCH(QString, failure);
    // Whole, and a byte at a time: where the connection splits the bytes changes nothing.
    for (const qsizetype step : {bytes.size(), qsizetype(1)}) {
        HttpResponseParser parser(head, 1024);
        for (qsizetype at = 0; at < bytes.size(); at += step)
            parser.feed(QByteArrayView(bytes).sliced(at, std::min(step, bytes.size() - at)));
        if (closed)
            parser.closed();
        QCOMPARE(parser.state(), state);
        QCOMPARE(parser.status(), status);
        QCOMPARE(parser.contentLength().value_or(-1), length);
        QCOMPARE(parser.body(), body);
        QCOMPARE(parser.failure(), failure);
    }
}

void TestHttpResponse::headerLimit_data()
{
    QTest::addColumn<int>("filler"); // bytes of one header line's value
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("refused");
    const int start = int(qstrlen("HTTP/1.1 200 OK\r\n")) + int(qstrlen("\r\n"));
    const int perLine = int(qstrlen("X: \r\n"));
    // One line that fills the limit to the byte, and one byte more.
    QTest::newRow("one line at the limit") << int(MaxHeaderBytes) - start - perLine << 1 << false;
    QTest::newRow("one line a byte past") << int(MaxHeaderBytes) - start - perLine + 1 << 1 << true;
    QTest::newRow("many lines past") << 100 << 1000 << true;
}

void TestHttpResponse::headerLimit()
{
    QFETCH(int, filler);
    QFETCH(int, lines);
    QFETCH(bool, refused);
    QByteArray bytes = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < lines; ++i)
        bytes += "X: " + QByteArray(filler, 'z') + "\r\n";
    bytes += "\r\n";
    HttpResponseParser parser(true, 0);
    parser.feed(bytes);
    QCOMPARE(parser.state(), refused ? State::Failed : State::Done);
    if (refused)
        QCOMPARE(parser.failure(), u"sends headers larger than 64 KiB"_qs);
}

// An endless body is counted as it comes and handed to the sink, but only
// the bytes asked for are held.
void TestHttpResponse::bodyIsCountedNotHeld()
{
    HttpResponseParser parser(false, 10);
    qint64 sunk = 0;
    parser.setBodySink([&](QByteArrayView bytes) { sunk += bytes.size(); });
    parser.feed("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7fffffffffffffff\r\n");
    const QByteArray block(64 * 1024, 'z');
    for (int i = 0; i < 100; ++i)
        QCOMPARE(parser.feed(block), block.size());
    QCOMPARE(parser.state(), State::Body);
    QCOMPARE(parser.bodyReceived(), 100 * block.size());
    QCOMPARE(sunk, parser.bodyReceived());
    QCOMPARE(parser.body(), QByteArray(10, 'z'));
}

QTEST_GUILESS_MAIN(TestHttpResponse)
#include "tst_httpresponse.moc"
