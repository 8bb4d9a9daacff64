#pragma once

#include "httpexchange.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QNetworkProxy>
#include <QObject>
#include <QSet>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace Online {

// A check never waits longer than this for one address, redirects and all,
// unless told otherwise (--timeout).
inline constexpr int DefaultFetchTimeoutMs = 15000;
// Browsers give up after about twenty redirects; a PAD file or a download
// that needs more than ten is broken in all but name.
inline constexpr int MaxRedirects = 10;
// Screenshots and icons are read whole to see that they are images; real
// ones are well below this.
inline constexpr qint64 MaxImageSize = 8 * 1024 * 1024;
// How much of an answer a probe of a download takes before it hangs up: the
// first bytes, to tell a page from a file, and nothing of a file itself.
inline constexpr qint64 ProbeBytes = 1024;

// What an address is fetched for, which decides how much of it is read.
enum class FetchKind {
    Probe,    // whether it answers: HEAD, or a GET of its first byte where HEAD is refused
    Download, // the same, and the size, with a GET of the first byte when HEAD gives none
    PadFile,  // the whole answer, up to MaxPadFileSize
    Image,    // the whole answer, up to MaxImageSize
    Stream,   // the whole answer handed on as it comes and never held (stream())
};

// What a stream() is told as its body comes: the bytes so far, and the
// size the server states, if it does.
using StreamProgress = std::function<void(qint64 received, std::optional<qint64> size)>;

struct FetchSettings
{
    int timeoutMs = DefaultFetchTimeoutMs; // per address, from its first request on
    int maxConnections = 24;               // requests under way at once, over all hosts
    int maxPerHost = 6;                    // at once to one scheme, host and port, as Qt allows
    // nullopt: the application's proxy, which the program takes from the
    // environment and the desktop; tests give QNetworkProxy::NoProxy.
    std::optional<QNetworkProxy> proxy;
    // For https: the certificates trusted and the rest. Tests trust their
    // own certificate this way; errors are never ignored.
    // nullopt: the default, whose system certificates are loaded only when a
    // request needs them, not whenever settings are made.
    std::optional<QSslConfiguration> sslConfiguration;
    QByteArray userAgent; // empty: "Quillet/VERSION"
    // Fetch hosts that are, or resolve to, loopback, private, link-local or
    // other addresses that download sites cannot reach (an author trying a
    // site on a local server first); otherwise each is refused unfetched.
    bool allowPrivateAddresses = false;
};

struct Redirect
{
    QUrl from;
    int status = 0;
    QUrl to;
};

// What fetching one address gave.
struct FetchResult
{
    QUrl url;      // as asked
    QUrl finalUrl; // after redirects
    QList<Redirect> redirects;
    int status = 0; // of the last answer; 0 when none came
    QString reasonPhrase;
    QByteArray method;      // of the last request: "HEAD" or "GET"
    QByteArray contentType; // the media type, lower case, without parameters
    // The size of the whole resource as the server states it: Content-Length
    // of a full answer, or the total of Content-Range.
    std::optional<qint64> size;
    // PadFile and Image: the whole body; Probe and Download: the first bytes
    // of a GET, when one was made (at most ProbeBytes).
    QByteArray body;
    FetchFailure failure = FetchFailure::None;
    QString failureText; // in words, as a finding ends: "the connection was refused"
    // For a TLS failure: what the server's certificate says of itself.
    QString certificateSubject;
    QDateTime certificateExpiry;

    // An answer came, and after redirects it is 2xx.
    bool succeeded() const { return failure == FetchFailure::None && status >= 200 && status < 300; }
    // A 301 or 308 on the way.
    bool permanentlyMoved() const;
    // What went wrong, as a finding says it after the address, or an empty
    // string when the fetch succeeded: "answers 404 Not Found", "cannot be
    // reached: no such host", "leads to https://…, which answers 404".
    QString problem() const;
};

// Normalised as fetches are shared: without its fragment and default port.
QUrl fetchKey(const QUrl &url);

// Fetches addresses for the online check and for reading a PAD file from an
// address, each request an HttpExchange of its own. Each address and kind is fetched once for
// the fetcher's life, however many ask for it, so make one fetcher per run
// (a check, or one "--check --online" over many files): a fetcher made
// later sees a server's new answers. Requests go out at most maxPerHost at
// once to a host and maxConnections at once in all; the rest wait their turn.
// A download is never downloaded: a HEAD, or a GET of its first byte,
// hung up after the first bytes when the server ignores the range. Each
// address has timeoutMs from its first request to its verdict, redirects and
// retries included, and only the request that answered gives the verdict.
class AddressFetcher : public QObject
{
    Q_OBJECT

public:
    explicit AddressFetcher(const FetchSettings &settings = {}, QObject *parent = nullptr);
    ~AddressFetcher() override;

    const FetchSettings &settings() const { return m_settings; }

    // Fetches url as kind (or takes a fetch of it already made or under
    // way) and calls done with the result, always later from the event loop
    // and never from inside this call. Not called once context is destroyed
    // or cancel(context) ran.
    void fetch(const QUrl &url, FetchKind kind, QObject *context,
               std::function<void(const FetchResult &)> done);

    // Streams the body of url to sink as it comes (an installer to hash,
    // say), never holding it, and calls progress as it goes and done at the
    // end, as fetch() does. Redirects, private addresses and limits on
    // connections as for any fetch, but never shared. Its deadline runs until
    // the answer's headers and then again from each piece of the body, so
    // that a large file takes what it takes while a server that falls
    // silent ends it. A body past limit bytes (stated or sent) is refused
    // (TooLarge) and reading stops there. sink sees only a 2xx answer's body.
    void stream(const QUrl &url, qint64 limit, QObject *context, std::function<void(QByteArrayView)> sink,
                StreamProgress progress, std::function<void(const FetchResult &)> done);

    // Forgets what context waits for; a fetch that no one else waits for
    // stops at once, its connection closed.
    void cancel(QObject *context);

    // Requests sent so far, redirects and retries included.
    int requestsSent() const { return m_requestsSent; }

private:
    struct Job;
    struct Waiter
    {
        quint64 id;
        QObject *context;
        std::function<void(const FetchResult &)> done;
    };
    // The requests of one scheme, host and port: those running, and those
    // waiting for a connection, in their order.
    struct Host
    {
        int running = 0;
        std::deque<Job *> waiting;
        bool ready = false; // in m_ready
    };

    Job *newJob(const QUrl &key, FetchKind kind, std::unique_ptr<Job> &slot);
    void wait(Job *job, QObject *context, std::function<void(const FetchResult &)> done);
    void enqueue(Job *job, bool first = false);
    void markReady(const QString &hostKey, Host &host);
    void pump();
    void send(Job *job);
    void onHeaders(Job *job);
    void onExchangeFinished(Job *job);
    void onDeadline(Job *job);
    void followRedirect(Job *job, const QByteArray &location);
    void nextRequest(Job *job, const QUrl &url, const QByteArray &method);
    void fail(Job *job, FetchFailure failure, const QString &text);
    void complete(Job *job);
    void dropExchange(Job *job);
    void queueDelivery(Job *job, quint64 waiterId);
    void deliver();
    QString timeoutText() const;

    FetchSettings m_settings;
    ExchangeSettings m_exchangeSettings;
    // Every fetch by its key, finished ones too: they are the run's memory.
    std::map<std::pair<QString, int>, std::unique_ptr<Job>> m_jobs;
    QHash<QString, Host> m_hosts;
    // Hosts with a request waiting and a connection free, served in turn.
    std::deque<QString> m_ready;
    int m_running = 0;
    int m_requestsSent = 0;
    quint64 m_nextWaiterId = 1;
    quint64 m_streams = 0;
    std::deque<std::pair<Job *, quint64>> m_deliveries;
    bool m_deliveryPosted = false;
    QSet<QObject *> m_watched; // contexts whose destruction cancels their waits
};

// The bytes of a PAD file fetched as FetchKind::PadFile, or nullopt with why
// it gives none: the fetch failed or did not end in 2xx ("answers 404 Not
// Found"), or the answer passed MaxPadFileSize.
std::optional<QByteArray> fetchedPadBytes(const FetchResult &result, QString *reason);

} // namespace Online
