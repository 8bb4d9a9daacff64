// quillet --check --online and --check URL: the options, the lines and JSON
// they print, the exit status, the limits on a PAD file read from an
// address, and Ctrl+C on the real program. Every address is on 127.0.0.1.
#include "onlineserver.h"

#include "checkcommand.h"
#include "commandline.h"
#include "padwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <csignal>

namespace {

const QDate Today(2026, 12, 10);

// A form that passes every offline check, its addresses on server.
Pad::PadValues cleanForm(const TestWebServer &server, const QString &padAddress)
{
    using F = Pad::TextField;
    Pad::PadValues v;
    v.text(F::Company_Name) = QStringLiteral("Acme");
    v.text(F::Company_Website_URL) = server.url(QStringLiteral("home.html"));
    v.text(F::Contact_Email) = QStringLiteral("jo@acme.example.com");
    v.text(F::Program_Name) = QStringLiteral("Widget");
    v.text(F::Program_Version) = QStringLiteral("1.3");
    v.text(F::File_Size_Bytes) = QStringLiteral("1234");
    v.text(F::Keywords) = QStringLiteral("notes, tidy");
    v.text(F::Char_Desc_450) = QStringLiteral("Keeps notes tidy.");
    v.text(F::Application_Info_URL) = server.url(QStringLiteral("home.html"));
    v.text(F::Application_XML_File_URL) = padAddress;
    v.text(F::Primary_Download_URL) = server.url(QStringLiteral("setup.exe"));
    v.releaseDate = QDate(2026, 1, 2);
    v.programType = QStringLiteral("Freeware");
    v.osSupport = QStringList{QStringLiteral("Linux")};
    return v;
}

QByteArray bytesOf(const Pad::PadValues &values)
{
    return Pad::padFileBytes(Pad::padFileLines(values));
}

Cli::CheckOptions onlineOptions(int timeoutMs = 5000)
{
    Cli::CheckOptions options;
    options.online = true;
    options.fetch.proxy = QNetworkProxy(QNetworkProxy::NoProxy);
    options.fetch.timeoutMs = timeoutMs;
    options.fetch.allowPrivateAddresses = true; // the test servers are on 127.0.0.1
    return options;
}

struct Output
{
    int status;
    QString text;
    QStringList lines() const { return text.split(u'\n', Qt::SkipEmptyParts); }
};

Output check(const QStringList &names, const Cli::CheckOptions &options)
{
    QString text;
    QTextStream out(&text);
    const int status = Cli::runCheck(names, options, Today, out);
    return {status, text};
}

} // namespace

class TestCheckOnline : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void options_data();
    void options();
    void onlineLines();
    void onlineJson();
    void readFromAddress();
    void addressNotRead_data();
    void addressNotRead();
    void privateAddressNotRead();
    void serverTextIsEscaped();
    void interruptedByCtrlC_data();
    void interruptedByCtrlC();

private:
    QTemporaryDir m_dir;
    TestWebServer m_web;
};

void TestCheckOnline::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_web.isListening());
    m_web.set(QStringLiteral("home.html"), Answer{.body = "<html></html>", .contentType = "text/html"});
    m_web.set(QStringLiteral("setup.exe"), Answer{.body = QByteArray(1234, 'x')});
    m_web.set(QStringLiteral("short.exe"), Answer{.body = QByteArray(999, 'x')});
    const Pad::PadValues published = cleanForm(m_web, m_web.url(QStringLiteral("pad.xml")));
    m_web.set(QStringLiteral("pad.xml"), Answer{.body = bytesOf(published), .contentType = "text/xml"});
    // A copy that names another address as its own.
    m_web.set(QStringLiteral("copy.xml"), Answer{.body = bytesOf(published), .contentType = "text/xml"});
}

void TestCheckOnline::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: a check is asked for
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<bool>("allowPrivate");

    QTest::newRow("--check") << QStringList{"--check", "a.xml"} << -1 << false << 15000 << false;
    QTest::newRow("--online") << QStringList{"--check", "--online", "a.xml"} << -1 << true << 15000 << false;
    QTest::newRow("--timeout") << QStringList{"--check", "--online", "--timeout", "2.5", "a.xml"} << -1 << true
                               << 2500 << false;
    QTest::newRow("--check URL") << QStringList{"--check", "https://example.com/pad.xml"} << -1 << false << 15000 << false;
    QTest::newRow("--online without --check") << QStringList{"--online", "a.xml"} << 2 << false << 15000 << false;
    QTest::newRow("--timeout without --check") << QStringList{"--timeout", "3", "a.xml"} << 2 << false << 15000 << false;
    QTest::newRow("--timeout 0") << QStringList{"--check", "--timeout", "0", "a.xml"} << 2 << false << 15000 << false;
    QTest::newRow("--timeout -1") << QStringList{"--check", "--timeout=-1", "a.xml"} << 2 << false << 15000 << false;
    QTest::newRow("--timeout not a number") << QStringList{"--check", "--timeout", "soon", "a.xml"} << 2 << false
                                            << 15000 << false;
    QTest::newRow("--online with --update") << QStringList{"--update", "a.xml", "--online"} << 2 << false << 15000 << false;
    QTest::newRow("--allow-private-addresses")
        << QStringList{"--check", "--online", "--allow-private-addresses", "a.xml"} << -1 << true << 15000 << true;
    QTest::newRow("--allow-private-addresses without --check")
        << QStringList{"--allow-private-addresses", "a.xml"} << 2 << false << 15000 << false;
}

void TestCheckOnline::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(bool, online);
    QFETCH(int, timeoutMs);
    QFETCH(bool, allowPrivate);
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    const Cli::StartRequest request =
        Cli::parseCommandLine(QStringList{QStringLiteral("quillet")} + arguments, out, err);
    if (exitCode >= 0) {
        QCOMPARE(request.mode, Cli::StartRequest::Mode::Done);
        QCOMPARE(request.exitCode, exitCode);
        QVERIFY(errText.contains(QLatin1String("--online")) || errText.contains(QLatin1String("--timeout"))
                || errText.contains(QLatin1String("--update")));
        return;
    }
    QCOMPARE(request.mode, Cli::StartRequest::Mode::Check);
    QCOMPARE(request.online, online);
    QCOMPARE(request.timeoutMs, timeoutMs);
    QCOMPARE(request.allowPrivateAddresses, allowPrivate);

    // --help names what the online check takes.
    QString help;
    QTextStream helpOut(&help);
    Cli::parseCommandLine({QStringLiteral("quillet"), QStringLiteral("--help")}, helpOut, err);
    QVERIFY(help.contains(QLatin1String("--online")));
    QVERIFY(help.contains(QLatin1String("--timeout <SECONDS>")));
    QVERIFY(help.contains(QLatin1String("--allow-private-addresses")));
    QVERIFY(help.simplified().contains(QLatin1String("http or https address (URL)")));
}

void TestCheckOnline::onlineLines()
{
    Pad::PadValues form = cleanForm(m_web, m_web.url(QStringLiteral("pad.xml")));
    form.text(Pad::TextField::Primary_Download_URL) = m_web.url(QStringLiteral("short.exe"));
    const QString path = m_dir.filePath(QStringLiteral("lines.xml"));
    QVERIFY(writeFile(path, bytesOf(form)));

    // Offline the file passes; its addresses do not hold up.
    QCOMPARE(check({path}, Cli::CheckOptions()).status, 0);
    const Output output = check({path}, onlineOptions());
    QCOMPARE(output.status, 1);
    const QString short_ = m_web.url(QStringLiteral("short.exe"));
    QCOMPARE(output.lines(),
             (QStringList{
                 path + QStringLiteral(": error: PAD XML File URL: \"") + m_web.url(QStringLiteral("pad.xml"))
                     + QStringLiteral("\" serves another version of this file: the published copy says "
                                      "Primary Download URL ")
                     + m_web.url(QStringLiteral("setup.exe")) + QStringLiteral("; this file ") + short_
                     + QStringLiteral(". Download sites list what they find there"),
                 path + QStringLiteral(": error: Primary Download URL: \"") + short_
                     + QStringLiteral("\" is 999 bytes on the server, but File Size says 1234 bytes"),
                 path + QStringLiteral(": warning: Primary Download URL: \"") + short_
                     + QStringLiteral("\" is plain http: browsers and download sites warn of downloads that "
                                      "do not come over https"),
             }));
    // The published copy, the page both page fields name and the download:
    // each fetched once, the page by HEAD alone.
    QCOMPARE(m_web.requestsFor(QStringLiteral("home.html")), 1);
}

void TestCheckOnline::onlineJson()
{
    Pad::PadValues form = cleanForm(m_web, m_web.url(QStringLiteral("pad.xml")));
    form.text(Pad::TextField::Application_Info_URL) = m_web.url(QStringLiteral("gone.html"));
    const QString path = m_dir.filePath(QStringLiteral("json.xml"));
    QVERIFY(writeFile(path, bytesOf(form)));
    Cli::CheckOptions options = onlineOptions();
    options.json = true;
    const Output output = check({path, path}, options);
    QCOMPARE(output.status, 1);
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(output.text.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(!report.contains(QLatin1String("interrupted")));
    const QJsonArray files = report.value(QLatin1String("files")).toArray();
    QCOMPARE(files.size(), 2);
    for (const QJsonValue &file : files) {
        QCOMPARE(file[QLatin1String("status")].toInt(), 1);
        QJsonArray wanted;
        for (const QJsonValue &problem : file[QLatin1String("problems")].toArray()) {
            if (problem[QLatin1String("field")].toString() == QLatin1String("Web_Info/Application_URLs/Application_Info_URL"))
                wanted.append(problem);
        }
        QCOMPARE(wanted.size(), 1);
        QCOMPARE(wanted[0][QLatin1String("value")].toString(), m_web.url(QStringLiteral("gone.html")));
        QCOMPARE(wanted[0][QLatin1String("severity")].toString(), QStringLiteral("error"));
        QVERIFY(wanted[0][QLatin1String("message")].toString().endsWith(QLatin1String("answers 404 Not Found")));
    }
}

void TestCheckOnline::readFromAddress()
{
    const QString pad = m_web.url(QStringLiteral("pad.xml"));
    // Offline: the file read from its address passes; the line names the address.
    Output output = check({pad}, Cli::CheckOptions{.fetch = onlineOptions().fetch});
    QCOMPARE(output.status, 0);
    QCOMPARE(output.text, QString());
    // Online too: it came from its own address, and the copy there is itself;
    // a warning passes.
    output = check({pad}, onlineOptions());
    QCOMPARE(output.lines(),
             QStringList{pad + QStringLiteral(": warning: Primary Download URL: \"")
                         + m_web.url(QStringLiteral("setup.exe")) + QStringLiteral("\" is plain http: browsers and "
                                                                                 "download sites warn of downloads "
                                                                                 "that do not come over https")});
    QCOMPARE(output.status, 0);

    // A copy at another address than the one it names.
    const QString copy = m_web.url(QStringLiteral("copy.xml"));
    output = check({copy}, onlineOptions());
    QCOMPARE(output.status, 1);
    QCOMPARE(output.lines().size(), 2); // and the download's plain http
    QCOMPARE(output.lines().first(),
             copy + QStringLiteral(": error: PAD XML File URL: \"") + pad
                 + QStringLiteral("\" is not where this file was read from (") + copy
                 + QStringLiteral("): download sites re-read the file at the address it names"));
}

void TestCheckOnline::addressNotRead_data()
{
    // -1: the path is the address; 0: the web server, 1: silent, 2: 50 MiB
    // announced, 3: 50 MiB unannounced
    QTest::addColumn<int>("server");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("404") << 0 << "nothing.xml" << "the address answers 404 Not Found";
    QTest::newRow("ftp, never fetched") << -1 << "ftp://ftp.example.com/pad.xml"
                                        << "this is a ftp: address, not an http or https one, so it was not read";
    QTest::newRow("blank inside, never fetched") << 0 << "my pad.xml" << "this is not an address: it holds a blank, "
                                                                          "which an address cannot, so it was not read";
    QTest::newRow("silent past the deadline") << 1 << "pad.xml" << "the address did not answer within 0.3 s";
    QTest::newRow("50 MiB announced") << 2 << "pad.xml"
                                      << "the address answers with 50 MiB (52428800 bytes), more than the "
                                         "1 MiB a PAD file may have";
    QTest::newRow("50 MiB unannounced, cut at 1 MiB")
        << 3 << "pad.xml" << "the address answers with more than the 1 MiB a PAD file may have";
}

void TestCheckOnline::addressNotRead()
{
    QFETCH(int, server);
    QFETCH(QString, path);
    QFETCH(QString, reason);
    constexpr qint64 fiftyMiB = 50 * 1024 * 1024;
    RawServer silent(RawServer::Behaviour::Silent);
    RawServer announced(RawServer::Behaviour::Endless, fiftyMiB);
    RawServer unannounced(RawServer::Behaviour::Unsized, 0, fiftyMiB);
    const QList<RawServer *> raw{nullptr, &silent, &announced, &unannounced};
    const QString address = server < 0 ? path : server == 0 ? m_web.url(path) : raw[server]->url(path);
    const qsizetype before = m_web.requests().size();

    for (const bool online : {false, true}) {
        Cli::CheckOptions options = onlineOptions(300);
        options.online = online;
        const Output output = check({address}, options);
        QCOMPARE(output.status, 2);
        QCOMPARE(output.lines(), QStringList{address + QStringLiteral(": error: ") + reason});
    }
    if (address.contains(u' '))
        QCOMPARE(m_web.requests().size(), before);
    if (server >= 2) {
        // The client hung up long before the 50 MiB had gone out.
        QTRY_COMPARE_WITH_TIMEOUT(raw[server]->closedByClient(), 2, 20000);
        QVERIFY2(raw[server]->bytesWritten() < 2 * 8 * 1024 * 1024,
                 qPrintable(QString::number(raw[server]->bytesWritten())));
    }
}

// Without --allow-private-addresses, a file on a private network is not read
// and the server sees nothing.
void TestCheckOnline::privateAddressNotRead()
{
    const qsizetype before = m_web.requests().size();
    Cli::CheckOptions options = onlineOptions();
    options.fetch.allowPrivateAddresses = false;
    const QString pad = m_web.url(QStringLiteral("pad.xml"));
    const Output output = check({pad}, options);
    QCOMPARE(output.status, 2);
    QCOMPARE(output.lines(), QStringList{pad + QStringLiteral(": error: the address points at a private network "
                                                             "address that download sites cannot reach; not fetched")});
    QCOMPARE(m_web.requests().size(), before);
}

// A reason phrase with escape codes and a bare carriage return reaches the
// terminal written out, never obeyed.
void TestCheckOnline::serverTextIsEscaped()
{
    HostileServer hostile(HostileServer::Behaviour::EscapeCodes);
    Pad::PadValues form = cleanForm(m_web, m_web.url(QStringLiteral("pad.xml")));
    form.text(Pad::TextField::Application_Info_URL) = hostile.url(QStringLiteral("info"));
    const QString path = m_dir.filePath(QStringLiteral("escapes.xml"));
    QVERIFY(writeFile(path, bytesOf(form)));
    Output output = check({path}, onlineOptions());
    const QString shown = QStringLiteral("answers 404 \\x1b[2J\\x1b[31mPWNED\\x1b]0;title\\x07\\rPAD XML File URL: "
                                         "all fine here");
    QVERIFY2(output.text.contains(shown), qPrintable(output.text));
    for (const QChar control : {QChar(0x1b), QChar(0x07), QChar(u'\r')})
        QVERIFY2(!output.text.contains(control), qPrintable(output.text));
    QCOMPARE(output.status, 1);

    Cli::CheckOptions json = onlineOptions();
    json.json = true;
    output = check({path}, json);
    const QJsonArray problems =
        QJsonDocument::fromJson(output.text.toUtf8()).object()[QLatin1String("files")][0][QLatin1String("problems")].toArray();
    QStringList messages;
    for (const QJsonValue &problem : problems)
        messages << problem[QLatin1String("message")].toString();
    QVERIFY2(messages.join(u'\n').contains(shown), qPrintable(messages.join(u'\n')));
}

void TestCheckOnline::interruptedByCtrlC_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("lines") << false;
    QTest::newRow("json") << true;
}

void TestCheckOnline::interruptedByCtrlC()
{
    QFETCH(bool, json);
    RawServer silent(RawServer::Behaviour::Silent);
    Pad::PadValues form = cleanForm(m_web, m_web.url(QStringLiteral("pad.xml")));
    form.text(Pad::TextField::Primary_Download_URL) = silent.url(QStringLiteral("setup.exe"));
    const QString path = m_dir.filePath(QStringLiteral("interrupted.xml"));
    QVERIFY(writeFile(path, bytesOf(form)));

    QProcess quillet;
    QStringList arguments{QStringLiteral("--check"), QStringLiteral("--online"),
                          QStringLiteral("--allow-private-addresses"), QStringLiteral("--timeout"),
                          QStringLiteral("120"), path};
    if (json)
        arguments.prepend(QStringLiteral("--json"));
    // The program takes its proxies from the environment: none here.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        environment.remove(QLatin1String(name));
    quillet.setProcessEnvironment(environment);
    quillet.start(QStringLiteral(QUILLET_BINARY), arguments);
    QVERIFY(quillet.waitForStarted());
    // Once the silent server holds its request, the rest has answered.
    QTRY_COMPARE_WITH_TIMEOUT(silent.requestLines().size(), 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(m_web.requestsFor(QStringLiteral("home.html")) >= 1, 30000);
    ::kill(pid_t(quillet.processId()), SIGINT);
    QVERIFY(quillet.waitForFinished(20000));
    QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillet.exitCode(), Cli::InterruptedStatus);
    const QString output = QString::fromUtf8(quillet.readAllStandardOutput());
    if (json) {
        const QJsonObject report = QJsonDocument::fromJson(output.toUtf8()).object();
        QCOMPARE(report.value(QLatin1String("interrupted")), QJsonValue(true));
        QVERIFY(output.contains(QLatin1String("The online check was interrupted")));
    } else {
        // Which of the three others answered first is the servers' affair.
        QVERIFY2(output.contains(path + QStringLiteral(": note: The online check was interrupted: ")),
                 qPrintable(output));
        QVERIFY2(output.contains(QLatin1String(" of 3 addresses were checked, and only their findings are shown.")),
                 qPrintable(output));
    }
    QTRY_COMPARE_WITH_TIMEOUT(silent.closedByClient(), 1, 20000);
}

QTEST_GUILESS_MAIN(TestCheckOnline)
#include "tst_checkonline.moc"
