// The online check against web servers on 127.0.0.1: what each kind of
// answer gives for each kind of address, how requests are made and shared,
// and that a check stops at once.
#include "onlineserver.h"

#include "onlinecheck.h"
#include "privateaddress.h"
#include "padwriter.h"
#include "quilletinfo.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

using namespace Pad;
using namespace Online;

namespace {

const QDate Today(2026, 12, 10);
const QString PrimaryPath = QStringLiteral("Web_Info/Download_URLs/Primary_Download_URL");
const QString InfoPath = QStringLiteral("Web_Info/Application_URLs/Application_Info_URL");
const QString PadPath = QStringLiteral("Web_Info/Application_URLs/Application_XML_File_URL");
const QString ShotPath = QStringLiteral("Web_Info/Application_URLs/Application_Screenshot_URL");

QByteArray padBytes(const QString &version)
{
    PadValues values = goldenForm();
    values.text(TextField::Program_Version) = version;
    values.text(TextField::File_Size_Bytes) = QStringLiteral("1234");
    return padFileBytes(padFileLines(values));
}

QByteArray pngBytes()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

FetchSettings testSettings(int timeoutMs = 5000)
{
    FetchSettings settings;
    settings.proxy = QNetworkProxy(QNetworkProxy::NoProxy);
    settings.timeoutMs = timeoutMs;
    settings.allowPrivateAddresses = true; // the test servers are on 127.0.0.1
    return settings;
}

// The subject of a check of one address, with this file as the local copy.
OnlineSubject subjectFor(const QString &path, const QString &address)
{
    QString reason;
    const std::optional<PadDocument> document = loadPad(padBytes(QStringLiteral("1.3")), Today, &reason);
    OnlineSubject subject;
    subject.addresses = {{path, address}};
    subject.fileBytes = document->bytes;
    subject.values = document->leaves;
    return subject;
}

struct Run
{
    QList<CheckProblem> problems;
    QList<AddressResult> results;
    bool finished = false;
};

Run runOnline(const OnlineSubject &subject, const FetchSettings &settings)
{
    AddressFetcher fetcher(settings);
    OnlineCheck check(&fetcher);
    QSignalSpy finished(&check, &OnlineCheck::finished);
    QSignalSpy checked(&check, &OnlineCheck::addressChecked);
    check.start(subject, Today);
    // Nothing comes from inside start().
    [&] { QCOMPARE(checked.count(), 0); }();
    Run run;
    run.finished = finished.wait(60000) || finished.count() == 1;
    [&] {
        QCOMPARE(finished.count(), 1);
        QCOMPARE(checked.count(), check.addressCount());
    }();
    run.problems = check.problems();
    run.results = check.results();
    return run;
}

QStringList described(const QList<CheckProblem> &problems)
{
    QStringList lines;
    for (const CheckProblem &problem : problems)
        lines << severityName(problem.severity) + QStringLiteral(": ") + problem.message;
    return lines;
}

} // namespace

class TestOnlineCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void addresses_data();
    void addresses();
    void roles();
    void formSubject();
    void eachAddressOnce();
    void connectionLimits();
    void cancelStopsAtOnce();
    void downloadIsNeverDownloaded();
    void bodyLimits_data();
    void bodyLimits();
    void privateRanges_data();
    void privateRanges();
    void privateAddresses_data();
    void privateAddresses();
    void manyAddresses();
    void floodDelaysNoOtherAddress();
    void stream_data();
    void stream();

private:
    std::unique_ptr<TestWebServer> m_web;
    std::unique_ptr<TestWebServer> m_tls;
    std::unique_ptr<RawServer> m_silent;
    std::unique_ptr<RawServer> m_unsized;
    std::unique_ptr<RawServer> m_cutShort;
    std::unique_ptr<HostileServer> m_stalledRedirect;
    std::unique_ptr<HostileServer> m_headRefused;
    std::unique_ptr<HostileServer> m_headUnsized;
    std::unique_ptr<HostileServer> m_endlessChunk;
    std::unique_ptr<HostileServer> m_endlessHeaders;
    std::unique_ptr<HostileServer> m_endlessHeaderLine;
    std::unique_ptr<HostileServer> m_redirects;
    std::unique_ptr<HostileServer> m_stalls;
};

void TestOnlineCheck::initTestCase()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend here (libssl3 is missing)");
    m_web = std::make_unique<TestWebServer>();
    m_tls = std::make_unique<TestWebServer>(true);
    QVERIFY(m_web->isListening());
    QVERIFY(m_tls->isListening());
    const QByteArray file(1234, 'x');
    const QByteArray page = "<!DOCTYPE html><html><body>Download starts soon</body></html>";
    m_web->set(QStringLiteral("ok.exe"), Answer{.body = file});
    m_web->set(QStringLiteral("head405.exe"), Answer{.body = file, .headStatus = 405});
    m_web->set(QStringLiteral("head403.exe"), Answer{.body = file, .headStatus = 403});
    m_web->set(QStringLiteral("page.exe"), Answer{.body = page, .contentType = "text/html; charset=utf-8"});
    m_web->set(QStringLiteral("short.exe"), Answer{.body = QByteArray(999, 'x')});
    m_web->set(QStringLiteral("loopA"), Answer{.status = 302, .location = m_web->url(QStringLiteral("loopB")).toUtf8()});
    m_web->set(QStringLiteral("loopB"), Answer{.status = 302, .location = "/loopA"});
    m_web->set(QStringLiteral("tofile"), Answer{.status = 302, .location = "file:///etc/passwd"});
    m_web->set(QStringLiteral("pad1.xml"), Answer{.status = 301, .location = "/pad2.xml"});
    m_web->set(QStringLiteral("pad2.xml"), Answer{.status = 308, .location = "/pad.xml"});
    m_web->set(QStringLiteral("pad.xml"), Answer{.body = padBytes(QStringLiteral("1.3")), .contentType = "text/xml"});
    m_web->set(QStringLiteral("old.xml"), Answer{.body = padBytes(QStringLiteral("1.2")), .contentType = "text/xml"});
    m_web->set(QStringLiteral("shot.png"), Answer{.body = pngBytes(), .contentType = "image/png"});
    m_web->set(QStringLiteral("notshot.png"), Answer{.body = page, .contentType = "image/png"});
    m_web->set(QStringLiteral("shotpage.png"), Answer{.body = pngBytes(), .contentType = "text/html"});
    m_tls->set(QStringLiteral("ok.exe"), Answer{.body = file});
    m_tls->set(QStringLiteral("down.exe"),
               Answer{.status = 302, .location = m_web->url(QStringLiteral("ok.exe")).toUtf8()});
    m_silent = std::make_unique<RawServer>(RawServer::Behaviour::Silent);
    m_unsized = std::make_unique<RawServer>(RawServer::Behaviour::Unsized, 0, 1234);
    m_cutShort = std::make_unique<RawServer>(RawServer::Behaviour::CutShort, 5000, 100);
    using Hostile = HostileServer::Behaviour;
    m_stalledRedirect = std::make_unique<HostileServer>(Hostile::StalledRedirect, 1300);
    m_headRefused = std::make_unique<HostileServer>(Hostile::HeadRefused);
    m_headUnsized = std::make_unique<HostileServer>(Hostile::HeadUnsized);
    m_endlessChunk = std::make_unique<HostileServer>(Hostile::EndlessChunk);
    m_endlessHeaders = std::make_unique<HostileServer>(Hostile::EndlessHeaders);
    m_endlessHeaderLine = std::make_unique<HostileServer>(Hostile::EndlessHeaderLine);
    m_redirects = std::make_unique<HostileServer>(Hostile::Redirects);
    m_stalls = std::make_unique<HostileServer>(Hostile::Stalls, 100000);
    m_tls->set(QStringLiteral("up.exe"), Answer{.status = 302, .location = m_tls->url(QStringLiteral("ok.exe")).toUtf8()});
}

void TestOnlineCheck::addresses_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<bool>("trust");
    // Each "severity: fragment|fragment" in order; every fragment in the message.
    QTest::addColumn<QStringList>("expected");
    // The requests the web server sees for the address's path, in order.
    QTest::addColumn<QStringList>("requests");

    const auto web = [this](const char *path) { return m_web->url(QLatin1String(path)); };
    const auto tls = [this](const char *path) { return m_tls->url(QLatin1String(path)); };
    const QString plainHttp = QStringLiteral("warning: is plain http");

    QTest::newRow("200 download") << PrimaryPath << web("ok.exe") << 5000 << false
                                  << QStringList{plainHttp} << QStringList{"HEAD"};
    QTest::newRow("200 download over https, certificate trusted")
        << PrimaryPath << tls("ok.exe") << 5000 << true << QStringList{} << QStringList{};
    QTest::newRow("404 page") << InfoPath << web("gone.html") << 5000 << false
                              << QStringList{"error: answers 404"} << QStringList{"HEAD", "GET bytes=0-0"};
    QTest::newRow("405 on HEAD only") << PrimaryPath << web("head405.exe") << 5000 << false
                                      << QStringList{plainHttp} << QStringList{"HEAD", "GET bytes=0-0"};
    QTest::newRow("403 on HEAD only") << PrimaryPath << web("head403.exe") << 5000 << false
                                      << QStringList{plainHttp} << QStringList{"HEAD", "GET bytes=0-0"};
    QTest::newRow("chain of permanent redirects")
        << PadPath << web("pad1.xml") << 5000 << false
        << QStringList{"warning: has moved for good|" + web("pad.xml")} << QStringList{"GET"};
    QTest::newRow("https to http") << PrimaryPath << tls("down.exe") << 5000 << true
                                   << QStringList{"error: redirects from https to plain http|" + web("ok.exe")}
                                   << QStringList{};
    // Said once: no "leads to file:///etc/passwd, which redirects to ...".
    QTest::newRow("redirect to a file") << InfoPath << web("tofile") << 5000 << false
                                        << QStringList{"error: Application Info URL: \"" + web("tofile")
                                                       + "\" redirects to file:///etc/passwd, which is not an "
                                                         "http or https address; not fetched"}
                                        << QStringList{"HEAD"};
    QTest::newRow("redirect loop") << InfoPath << web("loopA") << 5000 << false
                                   << QStringList{"error: redirects in a loop|loopB"} << QStringList{"HEAD"};
    QTest::newRow("page instead of the file")
        << PrimaryPath << web("page.exe") << 5000 << false
        << QStringList{"error: is a page, not the file (text/html)", plainHttp} << QStringList{"HEAD"};
    QTest::newRow("wrong size") << PrimaryPath << web("short.exe") << 5000 << false
                                << QStringList{"error: is 999 bytes on the server, but File Size says 1234 bytes",
                                               plainHttp}
                                << QStringList{"HEAD"};
    QTest::newRow("no size") << PrimaryPath << m_unsized->url(QStringLiteral("setup.exe")) << 5000 << false
                             << QStringList{"note: gives no size|1234 bytes", plainHttp} << QStringList{};
    QTest::newRow("image") << ShotPath << web("shot.png") << 5000 << false << QStringList{}
                           << QStringList{"GET"};
    QTest::newRow("page instead of an image")
        << ShotPath << web("notshot.png") << 5000 << false
        << QStringList{"error: is not an image: its bytes are an HTML page"} << QStringList{"GET"};
    QTest::newRow("image sent as a page")
        << ShotPath << web("shotpage.png") << 5000 << false
        << QStringList{"error: is not an image: the server sends text/html|PNG image of 40 \u00d7 30 pixels"}
        << QStringList{"GET"};
    QTest::newRow("published copy is this file") << PadPath << web("pad.xml") << 5000 << false
                                                 << QStringList{} << QStringList{"GET"};
    QTest::newRow("published copy older than the file")
        << PadPath << web("old.xml") << 5000 << false
        << QStringList{"error: serves another version of this file: the published copy says Program "
                       "Version 1.2; this file 1.3"}
        << QStringList{"GET"};
    QTest::newRow("published copy is a page")
        << PadPath << web("page.exe") << 5000 << false
        << QStringList{"error: serves an HTML page, not a PAD file: its document element is <html>"}
        << QStringList{"GET"};
    QTest::newRow("connection closed mid-answer")
        << PadPath << m_cutShort->url(QStringLiteral("pad.xml")) << 5000 << false
        << QStringList{"error: closed the connection after 100 of the 5000 bytes"} << QStringList{};
    QTest::newRow("silent server") << InfoPath << m_silent->url(QStringLiteral("info.html")) << 500 << false
                                   << QStringList{"error: did not answer within 0.5 s"} << QStringList{};
    QTest::newRow("self-signed certificate")
        << InfoPath << tls("ok.exe") << 5000 << false
        << QStringList{"error: fails the TLS check|self-signed|Quillet test server|2126-"} << QStringList{};
    QTest::newRow("connection refused") << InfoPath << refusingUrl(QStringLiteral("info.html")) << 5000
                                        << false << QStringList{"error: the connection was refused"}
                                        << QStringList{};
    QTest::newRow("no such host") << InfoPath << QStringLiteral("https://nosuch.invalid/info.html") << 10000
                                  << false << QStringList{"error: there is no such host (nosuch.invalid)"}
                                  << QStringList{};
    QTest::newRow("https to https") << PrimaryPath << tls("up.exe") << 5000 << true << QStringList{}
                                    << QStringList{};
    QTest::newRow("as many redirects as allowed")
        << InfoPath << m_redirects->url(QStringLiteral("r%1").arg(MaxRedirects)) << 5000 << false << QStringList{}
        << QStringList{};
    QTest::newRow("one redirect more than allowed")
        << InfoPath << m_redirects->url(QStringLiteral("r%1").arg(MaxRedirects + 1)) << 5000 << false
        << QStringList{"error: redirects more than 10 times"} << QStringList{};
    // Hostile servers: each verdict within its deadline, memory bounded.
    QTest::newRow("redirect that stalls at the deadline")
        << PrimaryPath << m_stalledRedirect->url(QStringLiteral("a")) << 1500 << false
        << QStringList{"error: leads to " + m_stalledRedirect->url(QStringLiteral("hang"))
                       + ", which did not answer within 1.5 s",
                       plainHttp}
        << QStringList{};
    QTest::newRow("HEAD refused, GET silent") << InfoPath << m_headRefused->url(QStringLiteral("a")) << 1500 << false
                                              << QStringList{"error: did not answer within 1.5 s"} << QStringList{};
    QTest::newRow("HEAD without a size, GET silent")
        << PrimaryPath << m_headUnsized->url(QStringLiteral("a")) << 1500 << false
        << QStringList{"error: did not answer within 1.5 s", plainHttp} << QStringList{};
    QTest::newRow("endless chunk, PAD file")
        << PadPath << m_endlessChunk->url(QStringLiteral("pad.xml")) << 5000 << false
        << QStringList{"error: answers with more than the 1 MiB a PAD file may have"} << QStringList{};
    QTest::newRow("endless chunk, screenshot")
        << ShotPath << m_endlessChunk->url(QStringLiteral("shot.png")) << 5000 << false
        << QStringList{"error: answers with more than the 8 MiB a screenshot or icon may have"} << QStringList{};
    QTest::newRow("endless chunk, download after HEAD refused")
        << PrimaryPath << m_endlessChunk->url(QStringLiteral("setup.exe")) << 5000 << false
        << QStringList{"note: gives no size", plainHttp} << QStringList{};
    QTest::newRow("endless headers") << PadPath << m_endlessHeaders->url(QStringLiteral("pad.xml")) << 5000 << false
                                     << QStringList{"error: sends headers larger than 64 KiB"} << QStringList{};
    QTest::newRow("one endless header") << InfoPath << m_endlessHeaderLine->url(QStringLiteral("a")) << 5000
                                        << false << QStringList{"error: sends headers larger than 64 KiB"}
                                        << QStringList{};
    QTest::newRow("ftp") << PrimaryPath << QStringLiteral("ftp://127.0.0.1/setup.exe") << 5000 << false
                         << QStringList{"note: is an ftp address|not checked"} << QStringList{};
    QTest::newRow("blank inside") << InfoPath << web("info page.html") << 5000 << false
                                  << QStringList{"error: is not an address: it holds a blank"} << QStringList{};
    QTest::newRow("javascript") << InfoPath << QStringLiteral("javascript:alert(1)") << 5000 << false
                                << QStringList{"error: is a javascript: address, not an http or https one"}
                                << QStringList{};
    QTest::newRow("file") << ShotPath << QStringLiteral("file:///etc/passwd") << 5000 << false
                          << QStringList{"error: is a file: address"} << QStringList{};
}

void TestOnlineCheck::addresses()
{
    QFETCH(QString, path);
    QFETCH(QString, address);
    QFETCH(int, timeoutMs);
    QFETCH(bool, trust);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, requests);

    FetchSettings settings = testSettings(timeoutMs);
    if (trust)
        settings.sslConfiguration = trustingTestCertificate();
    const qsizetype before = m_web->requests().size();
    const PeakMemory memory;
    QElapsedTimer clock;
    clock.start();
    const Run run = runOnline(subjectFor(path, address), settings);
    QVERIFY(run.finished);
    // Whatever a server does, the verdict comes within the address's deadline
    // (a second more for a loaded machine), and what was held stays small.
    QVERIFY2(clock.elapsed() < timeoutMs + 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(memory.growthKiB() < 64 * 1024, qPrintable(QString::number(memory.growthKiB())));

    const QStringList found = described(run.problems);
    QCOMPARE(found.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QStringList parts = expected[i].split(u'|');
        QVERIFY2(found[i].startsWith(parts.first().section(u':', 0, 0) + u':'), qPrintable(found[i]));
        for (const QString &fragment : parts) {
            const QString wanted = fragment.startsWith(QLatin1String("error: "))
                    || fragment.startsWith(QLatin1String("warning: "))
                    || fragment.startsWith(QLatin1String("note: "))
                ? fragment.section(QStringLiteral(": "), 1)
                : fragment;
            QVERIFY2(found[i].contains(wanted), qPrintable(found[i] + QStringLiteral("\n  lacks: ") + wanted));
        }
        QCOMPARE(run.problems[i].path, std::optional<QString>(path));
        QCOMPARE(run.problems[i].value, std::optional<QString>(address));
    }

    // What the web server saw of this address: a download never by a whole GET.
    const QString servedPath = QUrl(address).path().mid(1);
    QStringList seen;
    for (qsizetype i = before; i < m_web->requests().size(); ++i) {
        const TestWebServer::Request &request = m_web->requests()[i];
        if (address.startsWith(m_web->url(QString())) && request.path == servedPath) {
            seen << QString::fromLatin1(request.method
                                        + (request.range.isEmpty() ? QByteArray() : " " + request.range));
            QCOMPARE(request.userAgent, QByteArray("Quillet/") + Quillet::ApplicationVersion);
            QCOMPARE(request.acceptEncoding, QByteArray("identity"));
        }
    }
    if (address.startsWith(m_web->url(QString())))
        QCOMPARE(seen, requests);
    if (!address.startsWith(QLatin1String("http")) || address.contains(u' '))
        QCOMPARE(m_web->requests().size(), before); // never fetched
}

void TestOnlineCheck::roles()
{
    QCOMPARE(addressRole(PadPath), AddressRole::PadFile);
    QCOMPARE(addressRole(PrimaryPath), AddressRole::Download);
    QCOMPARE(addressRole(u"Web_Info/Download_URLs/Additional_Download_URL_4"), AddressRole::Download);
    QCOMPARE(addressRole(ShotPath), AddressRole::Image);
    QCOMPARE(addressRole(u"Web_Info/Application_URLs/Application_Icon_URL"), AddressRole::Image);
    QCOMPARE(addressRole(InfoPath), AddressRole::Page);
    QCOMPARE(addressRole(u"Company_Info/Company_WebSite_URL"), AddressRole::Page);
    QCOMPARE(addressRole(u"NewsFeed/NewsFeed_Feed_URL"), AddressRole::Page);
    QCOMPARE(addressRole(u"Company_Info/Contact_Info/Contact_Email"), std::nullopt);
    QCOMPARE(addressRole(u"MASTER_PAD_VERSION_INFO/CERTIFICATE_LICENSE"), std::nullopt);

    const QList<PathText> leaves{
        {QStringLiteral("Company_Info/Company_WebSite_URL"), QStringLiteral("https://example.com/")},
        {QStringLiteral("Company_Info/Contact_Info/Contact_Email"), QStringLiteral("jo@example.com")},
        {QStringLiteral("Affiliates/Affiliates_ShareIt_Order_Page"), QStringLiteral(" https://shop.example.com/1 ")},
        {QStringLiteral("Affiliates/Affiliates_ShareIt_Vendor_ID"), QStringLiteral("12345")},
        {QStringLiteral("Extra/Homepage_Mirror"), QStringLiteral("http://mirror.example.com/")},
        {QStringLiteral("Program_Descriptions/English/Char_Desc_45"), QStringLiteral("See http://x.example.com/ now")},
        {QStringLiteral("MASTER_PAD_VERSION_INFO/CERTIFICATE_LICENSE"), QStringLiteral("http://repository.example/crt")},
        {InfoPath, QString()},
        {InfoPath, QStringLiteral("https://second.example.com/")}, // the first of a path counts
        {PrimaryPath, QStringLiteral("not an address")},
    };
    const QList<PathText> found = webAddresses(leaves);
    QStringList paths;
    for (const PathText &address : found)
        paths << address.path;
    QCOMPARE(paths, (QStringList{QStringLiteral("Company_Info/Company_WebSite_URL"),
                                 QStringLiteral("Affiliates/Affiliates_ShareIt_Order_Page"),
                                 QStringLiteral("Extra/Homepage_Mirror"), PrimaryPath}));
}

void TestOnlineCheck::formSubject()
{
    PadValues form = goldenForm();
    form.text(TextField::Program_Version) = QStringLiteral("1.3");
    form.text(TextField::File_Size_Bytes) = QStringLiteral("1234");
    form.text(TextField::Application_XML_File_URL) = m_web->url(QStringLiteral("old.xml"));
    form.text(TextField::Company_Website_URL) = QString(); // empty: skipped
    OtherFields other;
    other.values.insert(QStringLiteral("Web_Info/Application_URLs/Application_Icon_URL"),
                        m_web->url(QStringLiteral("shot.png")));
    OnlineSubject subject = onlineSubject(form, other);
    QStringList paths;
    for (const PathText &address : subject.addresses)
        paths << address.path;
    // The form's addresses in the window's order (its screenshot is empty), then the others.
    QCOMPARE(paths, (QStringList{InfoPath, PadPath, PrimaryPath,
                                 QStringLiteral("Web_Info/Application_URLs/Application_Icon_URL")}));
    // Only the published copy and the icon are checked here: the form's other
    // addresses are not served.
    subject.addresses = {subject.addresses[1], subject.addresses[3]};
    const Run run = runOnline(subject, testSettings());
    const QStringList found = described(run.problems);
    QCOMPARE(found.size(), 1);
    QVERIFY2(found[0].contains(QLatin1String("the published copy says Program Version 1.2; the form 1.3")),
             qPrintable(found[0]));
    // Without a file, only the values the form gives are compared: those it
    // changed, not the published copy's fields the form leaves out.
    QVERIFY2(found[0].contains(QLatin1String(
                 "; and 3 other fields differ (Company Website, PAD XML File URL, Icon URL)")),
             qPrintable(found[0]));
    const auto icon = std::find_if(run.results.begin(), run.results.end(),
                                   [](const AddressResult &r) { return r.ok(); });
    QVERIFY(icon != run.results.end());
    QCOMPARE(icon->imageSize, QSize(40, 30));
}

void TestOnlineCheck::eachAddressOnce()
{
    TestWebServer server;
    server.set(QStringLiteral("home.html"), Answer{.body = "<html></html>", .contentType = "text/html"});
    server.set(QStringLiteral("setup.exe"), Answer{.body = QByteArray(1234, 'x')});
    const QString home = server.url(QStringLiteral("home.html"));
    OnlineSubject subject = subjectFor(InfoPath, home);
    subject.addresses << PathText{QStringLiteral("Company_Info/Company_WebSite_URL"), home + u'#' + u'x'}
                      << PathText{PrimaryPath, server.url(QStringLiteral("setup.exe"))}
                      << PathText{QStringLiteral("Web_Info/Download_URLs/Secondary_Download_URL"),
                                  server.url(QStringLiteral("setup.exe"))};
    // Two files naming the same addresses, checked through one fetcher.
    AddressFetcher fetcher(testSettings());
    OnlineCheck first(&fetcher);
    OnlineCheck second(&fetcher);
    QSignalSpy firstDone(&first, &OnlineCheck::finished);
    QSignalSpy secondDone(&second, &OnlineCheck::finished);
    QSignalSpy progress(&first, &OnlineCheck::progress);
    first.start(subject, Today);
    second.start(subject, Today);
    QTRY_COMPARE_WITH_TIMEOUT(firstDone.count() + secondDone.count(), 2, 30000);
    QCOMPARE(first.addressCount(), 2);
    QCOMPARE(server.requestsFor(QStringLiteral("home.html")), 1);
    QCOMPARE(server.requestsFor(QStringLiteral("setup.exe")), 1);
    QCOMPARE(progress.constLast(), (QList<QVariant>{2, 2}));
    // Both fields of a shared address get its finding, each on its own field.
    for (const OnlineCheck *check : {&first, &second}) {
        const QList<CheckProblem> problems = check->problems();
        QCOMPARE(problems.size(), 2);
        QCOMPARE(problems[0].path, std::optional(PrimaryPath));
        QCOMPARE(problems[1].path, std::optional(QStringLiteral("Web_Info/Download_URLs/Secondary_Download_URL")));
    }
}

void TestOnlineCheck::connectionLimits()
{
    TestWebServer one;
    TestWebServer two;
    OnlineSubject subject;
    for (int i = 0; i < 9; ++i) {
        const QString name = QStringLiteral("page%1.html").arg(i);
        for (TestWebServer *server : {&one, &two}) {
            server->set(name, Answer{.body = "<html></html>", .contentType = "text/html", .hold = true});
            subject.addresses << PathText{InfoPath, server->url(name)};
        }
    }
    FetchSettings settings = testSettings(30000);
    settings.maxConnections = 8;
    AddressFetcher fetcher(settings);
    OnlineCheck check(&fetcher);
    QSignalSpy finished(&check, &OnlineCheck::finished);
    check.start(subject, Today);
    QTRY_COMPARE_WITH_TIMEOUT(one.held() + two.held(), 8, 20000);
    // Give any request beyond the limits time to arrive, though none should.
    QTest::qWait(200);
    QCOMPARE(one.held() + two.held(), 8);
    QVERIFY(one.held() <= 6 && two.held() <= 6);
    while (finished.isEmpty()) {
        one.release();
        two.release();
        QVERIFY(finished.wait(100) || one.held() + two.held() > 0 || !finished.isEmpty()
                || check.checkedCount() < 18);
    }
    QCOMPARE(check.checkedCount(), 18);
    QVERIFY(check.problems().isEmpty());
    QVERIFY(one.mostHeld() <= 6);
    QVERIFY(two.mostHeld() <= 6);
    QCOMPARE(fetcher.requestsSent(), 18);
}

void TestOnlineCheck::cancelStopsAtOnce()
{
    RawServer silent(RawServer::Behaviour::Silent);
    OnlineSubject subject = subjectFor(InfoPath, silent.url(QStringLiteral("a.html")));
    subject.addresses << PathText{QStringLiteral("Company_Info/Company_WebSite_URL"),
                                  silent.url(QStringLiteral("b.html"))};
    AddressFetcher fetcher(testSettings(60000));
    OnlineCheck check(&fetcher);
    QSignalSpy finished(&check, &OnlineCheck::finished);
    check.start(subject, Today);
    QTRY_COMPARE_WITH_TIMEOUT(silent.requestLines().size(), 2, 20000);
    QVERIFY(check.isRunning());
    check.cancel();
    QCOMPARE(finished.count(), 1); // before cancel() returned
    QVERIFY(check.wasCancelled());
    QVERIFY(!check.isRunning());
    QCOMPARE(check.checkedCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(silent.closedByClient(), 2, 20000);
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
}

void TestOnlineCheck::downloadIsNeverDownloaded()
{
    // 4 GiB announced; HEAD refused and the range ignored, so the GET's
    // answer streams the whole file until the client hangs up.
    const qint64 fourGiB = qint64(4) << 30;
    RawServer endless(RawServer::Behaviour::Endless, fourGiB);
    OnlineSubject subject = subjectFor(PrimaryPath, endless.url(QStringLiteral("big.iso")));
    for (PathText &value : subject.values) {
        if (value.path.endsWith(QLatin1String("File_Size_Bytes")))
            value.text = QString::number(fourGiB);
    }
    const Run run = runOnline(subject, testSettings(20000));
    QCOMPARE(described(run.problems).size(), 1); // only: plain http
    QCOMPARE(run.problems[0].severity, Severity::Warning);
    QCOMPARE(run.results.size(), 1);
    QCOMPARE(run.results[0].fetch->size, std::optional<qint64>(fourGiB));
    QVERIFY(run.results[0].fetch->body.size() <= ProbeBytes);
    // Every connection, the refused HEAD's and the GET's, closed by the client.
    QTRY_COMPARE_WITH_TIMEOUT(endless.closedByClient(), endless.connections(), 20000);
    // What the socket buffers took before the client hung up, no more.
    QVERIFY2(endless.bytesWritten() < 64 * 1024 * 1024, qPrintable(QString::number(endless.bytesWritten())));
}

// A body of exactly its kind's limit is read; one byte more is refused,
// whether its length is announced or the chunks run past it.
void TestOnlineCheck::bodyLimits_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("chunked");
    for (const auto &[name, kind, limit] : {std::tuple{"PAD file", FetchKind::PadFile, Pad::MaxPadFileSize},
                                            std::tuple{"image", FetchKind::Image, MaxImageSize}}) {
        for (const bool chunked : {false, true}) {
            const char *framing = chunked ? "chunked" : "with its length";
            QTest::addRow("%s at the limit, %s", name, framing) << int(kind) << qint64(limit) << chunked;
            QTest::addRow("%s one byte past, %s", name, framing) << int(kind) << qint64(limit + 1) << chunked;
        }
    }
}

void TestOnlineCheck::bodyLimits()
{
    QFETCH(int, kind);
    QFETCH(qint64, size);
    QFETCH(bool, chunked);
    const qint64 limit = FetchKind(kind) == FetchKind::PadFile ? Pad::MaxPadFileSize : MaxImageSize;
    TestWebServer sized;
    sized.set(QStringLiteral("body"), Answer{.body = QByteArray(size, 'x')});
    HostileServer chunks(HostileServer::Behaviour::Chunked, size);
    const QString address = chunked ? chunks.url(QStringLiteral("body")) : sized.url(QStringLiteral("body"));

    AddressFetcher fetcher(testSettings());
    std::optional<FetchResult> result;
    QObject context;
    fetcher.fetch(QUrl(address), FetchKind(kind), &context, [&](const FetchResult &r) { result = r; });
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 20000);
    if (size <= limit) {
        QVERIFY2(result->succeeded(), qPrintable(result->problem()));
        QCOMPARE(result->body.size(), size);
    } else {
        QCOMPARE(result->failure, FetchFailure::TooLarge);
        QVERIFY(result->body.isEmpty());
    }
}

void TestOnlineCheck::privateRanges_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("range"); // empty: public
    const QList<std::pair<const char *, const char *>> rows{
        {"127.0.0.1", "loopback"},       {"127.255.255.254", "loopback"}, {"::1", "loopback"},
        {"10.1.2.3", "private"},         {"172.16.0.1", "private"},       {"172.31.255.255", "private"},
        {"192.168.1.1", "private"},      {"100.64.0.1", "private"},       {"fd12:3456::1", "private"},
        {"169.254.169.254", "link-local"}, {"fe80::1", "link-local"},     {"0.0.0.0", "unspecified"},
        {"::", "unspecified"},           {"224.0.0.251", "multicast"},    {"ff02::1", "multicast"},
        {"255.255.255.255", "broadcast"}, {"::ffff:127.0.0.1", "loopback"}, {"::ffff:192.168.0.1", "private"},
        {"8.8.8.8", ""},                 {"172.32.0.1", ""},              {"172.15.255.255", ""},
        {"192.169.0.1", ""},             {"100.128.0.1", ""},             {"2001:4860:4860::8888", ""},
        {"::ffff:8.8.8.8", ""},
    };
    for (const auto &[address, range] : rows)
        QTest::newRow(address) << QString::fromLatin1(address) << QString::fromLatin1(range);
}

void TestOnlineCheck::privateRanges()
{
    QFETCH(QString, address);
    QFETCH(QString, range);
    const std::optional<QString> found = privateRange(QHostAddress(address));
    QCOMPARE(found.value_or(QString()), range);
}

// Without the option a private address is an error and nothing reaches it,
// by address or by a name that resolves to one; with it, it is fetched.
void TestOnlineCheck::privateAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("served"); // the test's server answers it when allowed
    const QString port = QString::number(QUrl(m_web->url(QString())).port());
    QTest::newRow("loopback") << m_web->url(QStringLiteral("home.html")) << true;
    QTest::newRow("localhost by name") << QStringLiteral("http://localhost:%1/home.html").arg(port) << true;
    QTest::newRow("IPv4 as IPv6") << QStringLiteral("http://[::ffff:127.0.0.1]:%1/home.html").arg(port) << true;
    QTest::newRow("cloud metadata") << QStringLiteral("http://169.254.169.254/latest/meta-data/") << false;
    QTest::newRow("private network") << QStringLiteral("http://192.168.0.1/") << false;
    QTest::newRow("unspecified") << QStringLiteral("http://0.0.0.0:%1/home.html").arg(port) << false;
}

void TestOnlineCheck::privateAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, served);
    m_web->set(QStringLiteral("home.html"), Answer{.body = "<html></html>", .contentType = "text/html"});
    FetchSettings settings = testSettings();
    settings.allowPrivateAddresses = false;
    const qsizetype before = m_web->requests().size();
    Run run = runOnline(subjectFor(InfoPath, address), settings);
    QCOMPARE(described(run.problems),
             QStringList{"error: Application Info URL: \"" + address
                         + "\" points at a private network address that download sites cannot reach; not fetched"});
    QCOMPARE(m_web->requests().size(), before);
    if (!served)
        return;
    settings.allowPrivateAddresses = true;
    run = runOnline(subjectFor(InfoPath, address), settings);
    QCOMPARE(described(run.problems), QStringList());
    QCOMPARE(m_web->requests().size(), before + 1);
}

// A file of 20,000 addresses: the first 200 are fetched, and one note says
// how many were not.
void TestOnlineCheck::manyAddresses()
{
    TestWebServer server;
    server.set(QStringLiteral("page.html"), Answer{.body = "<html></html>", .contentType = "text/html"});
    OnlineSubject subject;
    for (int i = 0; i < 20000; ++i) {
        subject.addresses << PathText{QStringLiteral("Extra/Link_%1").arg(i),
                                      server.url(QStringLiteral("page.html?%1").arg(i))};
    }
    // The same address again counts once, and is not "more".
    subject.addresses << PathText{QStringLiteral("Extra/Again"), server.url(QStringLiteral("page.html?0"))};
    const Run run = runOnline(subject, testSettings());
    QCOMPARE(run.results.size(), MaxAddressesPerFile);
    QCOMPARE(server.requestsFor(QStringLiteral("page.html")), MaxAddressesPerFile);
    QCOMPARE(described(run.problems),
             QStringList{"note: 19800 more addresses were not checked: an online check fetches at most 200 "
                         "distinct addresses of one file"});
}

// A server flooding its answer holds up no other address's verdict.
void TestOnlineCheck::floodDelaysNoOtherAddress()
{
    OnlineSubject subject = subjectFor(PadPath, m_endlessChunk->url(QStringLiteral("flood.xml")));
    for (int i = 0; i < 5; ++i)
        subject.addresses << PathText{InfoPath, m_web->url(QStringLiteral("ok.exe?%1").arg(i))};
    AddressFetcher fetcher(testSettings(10000));
    OnlineCheck check(&fetcher);
    QElapsedTimer clock;
    qint64 slowest = 0;
    connect(&check, &OnlineCheck::addressChecked, this, [&](const AddressResult &result) {
        if (result.address.contains(QLatin1String("ok.exe")))
            slowest = std::max(slowest, clock.elapsed());
    });
    QSignalSpy finished(&check, &OnlineCheck::finished);
    clock.start();
    check.start(subject, Today);
    QVERIFY(finished.wait(20000));
    QVERIFY2(slowest < 2000, qPrintable(QString::number(slowest)));
    QCOMPARE(check.problems().size(), 1);
    QVERIFY(check.problems().first().message.contains(QLatin1String("more than the 1 MiB")));
}

// A stream hands on every byte of the body, holds none, and stops at its
// limit or when the server falls silent.
void TestOnlineCheck::stream_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QByteArray>("expected"); // the bytes handed on, when it succeeds
    QTest::addColumn<QString>("failure");     // part of the problem, when it fails
    QByteArray file(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (qsizetype i = 0; i < file.size(); ++i)
        file[i] = char((i * 7919) >> 8);
    m_web->set(QStringLiteral("setup.exe"), Answer{.body = file});
    m_web->set(QStringLiteral("moved.exe"), Answer{.status = 302, .body = "<html>moved</html>", .location = "/setup.exe"});
    QTest::newRow("whole, after a redirect") << m_web->url(QStringLiteral("moved.exe")) << file.size() << file << QString();
    QTest::newRow("stated past the limit") << m_web->url(QStringLiteral("setup.exe")) << file.size() - 1 << QByteArray()
                                           << QStringLiteral("answers with 3 MiB (3145745 bytes), more than the 3 MiB a download may have");
    QTest::newRow("sent past the limit") << m_endlessChunk->url(QStringLiteral("setup.exe")) << qint64(1024 * 1024)
                                         << QByteArray() << QStringLiteral("answers with more than the 1 MiB a download may have");
    QTest::newRow("falls silent") << m_stalls->url(QStringLiteral("setup.exe")) << qint64(1 << 30) << QByteArray()
                                  << QStringLiteral("stopped sending for 1 s");
    QTest::newRow("not found") << m_web->url(QStringLiteral("gone.exe")) << qint64(1 << 30) << QByteArray()
                               << QStringLiteral("answers 404 Not Found");
}

void TestOnlineCheck::stream()
{
    QFETCH(QString, address);
    QFETCH(qint64, limit);
    QFETCH(QByteArray, expected);
    QFETCH(QString, failure);
    AddressFetcher fetcher(testSettings(1000));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 handedOn = 0;
    qint64 lastProgress = 0;
    std::optional<FetchResult> result;
    QObject context;
    const PeakMemory memory;
    fetcher.stream(QUrl(address), limit, &context,
                   [&](QByteArrayView bytes) {
                       hash.addData(bytes);
                       handedOn += bytes.size();
                   },
                   [&](qint64 received, std::optional<qint64>) { lastProgress = received; },
                   [&](const FetchResult &r) { result = r; });
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 20000);
    QVERIFY(result->body.isEmpty());
    if (failure.isEmpty()) {
        QVERIFY2(result->succeeded(), qPrintable(result->problem()));
        QCOMPARE(handedOn, expected.size());
        QCOMPARE(hash.result(), QCryptographicHash::hash(expected, QCryptographicHash::Sha256));
        QCOMPARE(lastProgress, expected.size());
    } else {
        QVERIFY2(result->problem().endsWith(failure), qPrintable(result->problem()));
        // Reading stops at the limit, give or take one read of the socket.
        QVERIFY2(handedOn <= limit + 64 * 1024, qPrintable(QString::number(handedOn)));
    }
    QVERIFY2(memory.growthKiB() < 64 * 1024, qPrintable(QString::number(memory.growthKiB())));
}

QTEST_GUILESS_MAIN(TestOnlineCheck)
#include "tst_onlinecheck.moc"
