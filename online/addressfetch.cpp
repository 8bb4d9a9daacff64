#include "addressfetch.h"

#include "padreader.h"
#include "padrules.h"

#include "quilletinfo.h"

#include <QLocale>
#include <QSet>
#include <QTimer>

#include <algorithm>

namespace Online {

using namespace Pad;

namespace {

bool isProbe(FetchKind kind)
{
    return kind == FetchKind::Probe || kind == FetchKind::Download;
}

// The body that a kind reads, at most (a stream's is its caller's).
qint64 bodyLimit(FetchKind kind)
{
    switch (kind) {
    case FetchKind::PadFile:
        return MaxPadFileSize;
    case FetchKind::Image:
        return MaxImageSize;
    case FetchKind::Probe:
    case FetchKind::Download:
    case FetchKind::Stream:
        break;
    }
    return ProbeBytes;
}

// Text a server sent, safe to show on one line of a terminal.
QString serverText(QByteArrayView bytes)
{
    return escapedControls(QString::fromUtf8(bytes));
}

QString kindInWords(FetchKind kind)
{
    switch (kind) {
    case FetchKind::PadFile:
        return QStringLiteral("PAD file");
    case FetchKind::Image:
        return QStringLiteral("screenshot or icon");
    case FetchKind::Probe:
    case FetchKind::Download:
    case FetchKind::Stream:
        break;
    }
    return QStringLiteral("download");
}

bool isHttp(const QUrl &url)
{
    return url.scheme() == u"http" || url.scheme() == u"https";
}

QString sizeInWords(qint64 bytes)
{
    if (bytes >= 1024 * 1024)
        return QString::number(bytes / (1024.0 * 1024.0), 'g', 4) + QStringLiteral(" MiB");
    if (bytes >= 1024)
        return QString::number(bytes / 1024.0, 'g', 4) + QStringLiteral(" KiB");
    return QStringLiteral("%1 bytes").arg(bytes);
}

// "bytes 0-0/12345" gives 12345; nullopt for "*" or anything unreadable.
std::optional<qint64> contentRangeTotal(const QByteArray &header)
{
    const qsizetype slash = header.lastIndexOf('/');
    if (slash < 0)
        return std::nullopt;
    bool ok = false;
    const qint64 total = header.mid(slash + 1).trimmed().toLongLong(&ok);
    return ok && total >= 0 ? std::optional(total) : std::nullopt;
}

} // namespace

bool FetchResult::permanentlyMoved() const
{
    return std::any_of(redirects.begin(), redirects.end(),
                       [](const Redirect &r) { return r.status == 301 || r.status == 308; });
}

QString FetchResult::problem() const
{
    QString what;
    if (failure != FetchFailure::None)
        what = failureText;
    else if (status < 200 || status >= 300)
        what = QStringLiteral("answers %1 %2").arg(status).arg(reasonPhrase).trimmed();
    else
        return QString();
    // A failure that tells the way itself is said once.
    if (!redirects.isEmpty() && failure != FetchFailure::RedirectLoop && failure != FetchFailure::BadRedirect
        && failure != FetchFailure::TooManyRedirects && failure != FetchFailure::Cancelled) {
        return QStringLiteral("leads to %1, which %2")
            .arg(finalUrl.toDisplayString(), what);
    }
    return what;
}

QUrl fetchKey(const QUrl &url)
{
    QUrl key = url.adjusted(QUrl::RemoveFragment);
    if ((key.scheme() == u"http" && key.port() == 80) || (key.scheme() == u"https" && key.port() == 443))
        key.setPort(-1);
    if (key.path().isEmpty())
        key.setPath(QStringLiteral("/"));
    return key;
}

struct AddressFetcher::Job
{
    FetchKind kind;
    qint64 limit = 0; // of the body read
    std::function<void(QByteArrayView)> sink; // a stream's
    StreamProgress progress;
    FetchResult result;
    QList<Waiter> waiters;
    QUrl current;
    QString hostKey; // of current, worked out once per request
    QByteArray method;
    HttpExchange *exchange = nullptr;
    bool holdsConnection = false;
    QTimer deadline;
    QSet<QString> seen; // addresses visited, to notice a loop
    bool triedGet = false;
    bool queued = false;
    bool started = false;
    bool done = false;
};

AddressFetcher::AddressFetcher(const FetchSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
    if (m_settings.userAgent.isEmpty())
        m_settings.userAgent = QByteArray("Quillet/") + Quillet::ApplicationVersion;
    m_settings.maxConnections = std::max(1, m_settings.maxConnections);
    m_settings.maxPerHost = std::max(1, m_settings.maxPerHost);
    m_exchangeSettings = {m_settings.proxy, m_settings.sslConfiguration, m_settings.allowPrivateAddresses,
                          m_settings.userAgent};
}

AddressFetcher::~AddressFetcher()
{
    for (auto &[key, job] : m_jobs)
        delete job->exchange;
}

void AddressFetcher::fetch(const QUrl &url, FetchKind kind, QObject *context,
                           std::function<void(const FetchResult &)> done)
{
    const QUrl key = fetchKey(url);
    std::unique_ptr<Job> &slot = m_jobs[{key.toString(QUrl::FullyEncoded), int(kind)}];
    Job *job = slot ? slot.get() : newJob(url, kind, slot);
    wait(job, context, std::move(done));
}

void AddressFetcher::stream(const QUrl &url, qint64 limit, QObject *context,
                            std::function<void(QByteArrayView)> sink, StreamProgress progress,
                            std::function<void(const FetchResult &)> done)
{
    // Never shared: each stream has a key of its own.
    std::unique_ptr<Job> &slot = m_jobs[{QStringLiteral("\n%1").arg(++m_streams), int(FetchKind::Stream)}];
    slot = std::make_unique<Job>();
    Job *job = slot.get();
    job->limit = limit;
    job->sink = std::move(sink);
    job->progress = std::move(progress);
    newJob(url, FetchKind::Stream, slot);
    wait(job, context, std::move(done));
}

AddressFetcher::Job *AddressFetcher::newJob(const QUrl &url, FetchKind kind, std::unique_ptr<Job> &slot)
{
    if (!slot) {
        slot = std::make_unique<Job>();
        slot->limit = bodyLimit(kind);
    }
    Job *job = slot.get();
    const QUrl key = fetchKey(url);
    job->kind = kind;
    job->result.url = url;
    job->result.finalUrl = url;
    job->current = key;
    job->method = isProbe(kind) ? QByteArrayLiteral("HEAD") : QByteArrayLiteral("GET");
    job->seen.insert(key.toString(QUrl::FullyEncoded));
    job->deadline.setSingleShot(true);
    job->deadline.setInterval(m_settings.timeoutMs);
    connect(&job->deadline, &QTimer::timeout, this, [this, job] { onDeadline(job); });
    if (!isHttp(key) || key.host().isEmpty()) {
        job->result.failure = FetchFailure::Other;
        job->result.failureText = QStringLiteral("is not an http or https address");
        job->done = true;
    } else {
        enqueue(job);
    }
    return job;
}

void AddressFetcher::wait(Job *job, QObject *context, std::function<void(const FetchResult &)> done)
{
    const quint64 id = m_nextWaiterId++;
    job->waiters.append({id, context, std::move(done)});
    if (!m_watched.contains(context)) {
        m_watched.insert(context);
        connect(context, &QObject::destroyed, this, [this, context] {
            m_watched.remove(context);
            cancel(context);
        });
    }
    if (job->done)
        queueDelivery(job, id);
}

void AddressFetcher::cancel(QObject *context)
{
    m_deliveries.erase(std::remove_if(m_deliveries.begin(), m_deliveries.end(),
                                      [&](const std::pair<Job *, quint64> &d) {
                                          const QList<Waiter> &w = d.first->waiters;
                                          return std::any_of(w.begin(), w.end(), [&](const Waiter &x) {
                                              return x.id == d.second && x.context == context;
                                          });
                                      }),
                       m_deliveries.end());
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        Job *job = it->second.get();
        job->waiters.removeIf([context](const Waiter &w) { return w.context == context; });
        if (!job->done && job->waiters.isEmpty()) {
            // No one waits for it: stop it, and let a later fetch start afresh.
            dropExchange(job);
            if (job->queued)
                std::erase(m_hosts[job->hostKey].waiting, job);
            it = m_jobs.erase(it);
        } else {
            ++it;
        }
    }
    pump();
}

void AddressFetcher::enqueue(Job *job, bool first)
{
    const QUrl &url = job->current;
    job->hostKey = url.scheme() + QStringLiteral("://") + url.host() + u':'
        + QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
    Host &host = m_hosts[job->hostKey];
    if (first)
        host.waiting.push_front(job);
    else
        host.waiting.push_back(job);
    job->queued = true;
    markReady(job->hostKey, host);
    pump();
}

void AddressFetcher::markReady(const QString &hostKey, Host &host)
{
    if (!host.ready && !host.waiting.empty() && host.running < m_settings.maxPerHost) {
        host.ready = true;
        m_ready.push_back(hostKey);
    }
}

void AddressFetcher::pump()
{
    while (m_running < m_settings.maxConnections && !m_ready.empty()) {
        const QString key = m_ready.front();
        m_ready.pop_front();
        Host &host = m_hosts[key];
        host.ready = false;
        // Jobs that ended while they waited (at their deadline) are passed over.
        while (!host.waiting.empty() && !host.waiting.front()->queued)
            host.waiting.pop_front();
        if (host.waiting.empty())
            continue;
        Job *job = host.waiting.front();
        host.waiting.pop_front();
        job->queued = false;
        ++host.running;
        ++m_running;
        job->holdsConnection = true;
        markReady(key, host); // behind the other hosts, which take their turn first
        send(job);
    }
}

void AddressFetcher::send(Job *job)
{
    ++m_requestsSent;
    if (!job->started) {
        job->started = true;
        job->deadline.start();
    }
    FetchResult &r = job->result;
    r.finalUrl = job->current;
    r.method = job->method;
    const bool wholeBody = !isProbe(job->kind);
    auto *exchange = new HttpExchange(m_exchangeSettings, this);
    job->exchange = exchange;
    connect(exchange, &HttpExchange::headersReceived, this, [this, job] { onHeaders(job); });
    connect(exchange, &HttpExchange::finished, this, [this, job] { onExchangeFinished(job); });
    if (job->kind == FetchKind::Stream) {
        exchange->setBodySink([job, exchange](QByteArrayView bytes) {
            const int status = exchange->response().status();
            if (status >= 200 && status < 300)
                job->sink(bytes);
        });
        connect(exchange, &HttpExchange::bodyReceived, this, [job](qint64 received) {
            job->deadline.start(); // from each piece of the body anew
            if (job->progress)
                job->progress(received, job->result.size);
        });
    }
    // A whole body is read to one byte past its limit, which tells one that
    // goes on; a probe stops once it has its first bytes; a stream holds none.
    const qint64 keep = job->kind == FetchKind::Stream ? 0 : job->limit;
    exchange->start({job->current, job->method,
                     isProbe(job->kind) && job->method == "GET" ? QByteArrayLiteral("bytes=0-0") : QByteArray(),
                     keep, wholeBody ? job->limit : job->limit - 1});
}

void AddressFetcher::onHeaders(Job *job)
{
    const HttpResponseParser &answer = job->exchange->response();
    FetchResult &r = job->result;
    r.status = answer.status();
    r.reasonPhrase = serverText(answer.reasonPhrase());
    r.contentType = answer.header("Content-Type").value_or(QByteArray()).split(';').constFirst().trimmed().toLower();
    r.size.reset();
    const bool success = r.status >= 200 && r.status < 300;
    if (r.status == 206)
        r.size = contentRangeTotal(answer.header("Content-Range").value_or(QByteArray()));
    else if (success)
        r.size = answer.contentLength();
    const std::optional<QByteArray> location = answer.header("Location");
    if (r.status >= 300 && r.status < 400 && location && !location->isEmpty()) {
        followRedirect(job, *location);
        return;
    }
    if (isProbe(job->kind) && job->method == "HEAD" && !job->triedGet
        && (r.status >= 400 || (success && job->kind == FetchKind::Download && !r.size))) {
        // The server refuses HEAD (405, 403, 501, ...) or does not state the
        // size: its first byte will tell.
        job->triedGet = true;
        nextRequest(job, job->current, QByteArrayLiteral("GET"));
        return;
    }
    if (!success) {
        complete(job); // the status is the verdict; the page that comes with it is not read
        return;
    }
    if (!isProbe(job->kind) && r.size && *r.size > job->limit) {
        // Refused before any of the body is read.
        fail(job, FetchFailure::TooLarge,
             QStringLiteral("answers with %1 (%2 bytes), more than the %3 a %4 may have")
                 .arg(sizeInWords(*r.size))
                 .arg(*r.size)
                 .arg(sizeInWords(job->limit), kindInWords(job->kind)));
        return;
    }
    if (job->kind == FetchKind::Stream)
        job->deadline.start(); // from the headers on, each piece of the body has a deadline of its own
}

void AddressFetcher::onExchangeFinished(Job *job)
{
    HttpExchange *exchange = job->exchange;
    const HttpResponseParser &answer = exchange->response();
    if (!answer.headersComplete()) {
        // Some servers hang up on HEAD; a GET of the first byte may do.
        if (exchange->failure() == FetchFailure::Closed && job->method == "HEAD" && !job->triedGet) {
            job->triedGet = true;
            nextRequest(job, job->current, QByteArrayLiteral("GET"));
            return;
        }
        job->result.certificateSubject = exchange->certificateSubject();
        job->result.certificateExpiry = exchange->certificateExpiry();
        fail(job, exchange->failure(), exchange->failureText());
        return;
    }
    job->result.body = answer.body();
    if (!isProbe(job->kind)) {
        if (answer.bodyReceived() > job->limit) {
            job->result.body.clear();
            fail(job, FetchFailure::TooLarge,
                 QStringLiteral("answers with more than the %1 a %2 may have")
                     .arg(sizeInWords(job->limit), kindInWords(job->kind)));
            return;
        }
        if (exchange->failure() != FetchFailure::None) {
            fail(job, exchange->failure(), exchange->failureText());
            return;
        }
    }
    // A probe has what it came for with the first bytes, however the rest goes.
    complete(job);
}

void AddressFetcher::followRedirect(Job *job, const QByteArray &location)
{
    FetchResult &r = job->result;
    const QUrl target = fetchKey(job->current.resolved(QUrl::fromEncoded(location.trimmed())));
    r.redirects.append({job->current, r.status, target});
    r.finalUrl = target;
    if (!target.isValid() || !isHttp(target) || target.host().isEmpty()) {
        fail(job, FetchFailure::BadRedirect,
             QStringLiteral("redirects to %1, which is not an http or https address; not fetched")
                 .arg(serverText(location.left(200))));
        return;
    }
    const QString key = target.toString(QUrl::FullyEncoded);
    if (job->seen.contains(key)) {
        QStringList chain;
        for (const Redirect &hop : std::as_const(r.redirects))
            chain << hop.from.toDisplayString();
        chain << target.toDisplayString();
        fail(job, FetchFailure::RedirectLoop, QStringLiteral("redirects in a loop: ") + chain.join(QStringLiteral(" -> ")));
        return;
    }
    if (r.redirects.size() > MaxRedirects) {
        fail(job, FetchFailure::TooManyRedirects, QStringLiteral("redirects more than %1 times").arg(MaxRedirects));
        return;
    }
    job->seen.insert(key);
    nextRequest(job, target, job->method);
}

QString AddressFetcher::timeoutText() const
{
    return QStringLiteral("did not answer within %1 s").arg(QLocale::c().toString(m_settings.timeoutMs / 1000.0, 'g', 4));
}

void AddressFetcher::nextRequest(Job *job, const QUrl &url, const QByteArray &method)
{
    dropExchange(job);
    job->current = url;
    job->method = method;
    // Ahead of requests not yet begun: this address's deadline already runs.
    enqueue(job, true);
}

void AddressFetcher::dropExchange(Job *job)
{
    if (HttpExchange *exchange = std::exchange(job->exchange, nullptr)) {
        exchange->disconnect(this);
        exchange->abort();
        exchange->deleteLater();
    }
    if (job->holdsConnection) {
        job->holdsConnection = false;
        Host &host = m_hosts[job->hostKey];
        --host.running;
        --m_running;
        markReady(job->hostKey, host);
    }
}

void AddressFetcher::fail(Job *job, FetchFailure failure, const QString &text)
{
    job->result.failure = failure;
    job->result.failureText = text;
    complete(job);
}

void AddressFetcher::onDeadline(Job *job)
{
    if (job->done)
        return;
    // A probe whose last request answered has its verdict, even if the first bytes never come.
    if (job->exchange && isProbe(job->kind) && job->exchange->response().headersComplete()) {
        job->result.body = job->exchange->response().body();
        complete(job);
        return;
    }
    const bool began = job->exchange && job->exchange->response().headersComplete();
    const QString seconds = QLocale::c().toString(m_settings.timeoutMs / 1000.0, 'g', 4);
    if (!began)
        fail(job, FetchFailure::TimedOut, timeoutText());
    else if (job->kind == FetchKind::Stream)
        fail(job, FetchFailure::TimedOut, QStringLiteral("stopped sending for %1 s").arg(seconds));
    else
        fail(job, FetchFailure::TimedOut, QStringLiteral("did not send its whole answer within %1 s").arg(seconds));
}

void AddressFetcher::complete(Job *job)
{
    dropExchange(job);
    job->queued = false; // a stale place in its host's queue is passed over
    job->deadline.stop();
    job->done = true;
    for (const Waiter &waiter : std::as_const(job->waiters))
        queueDelivery(job, waiter.id);
    // Called from an exchange's own signals: the queue moves on from the event loop.
    QMetaObject::invokeMethod(this, &AddressFetcher::pump, Qt::QueuedConnection);
}

void AddressFetcher::queueDelivery(Job *job, quint64 waiterId)
{
    m_deliveries.emplace_back(job, waiterId);
    if (!m_deliveryPosted) {
        m_deliveryPosted = true;
        QMetaObject::invokeMethod(this, &AddressFetcher::deliver, Qt::QueuedConnection);
    }
}

void AddressFetcher::deliver()
{
    m_deliveryPosted = false;
    while (!m_deliveries.empty()) {
        const auto [job, id] = m_deliveries.front();
        m_deliveries.pop_front();
        const auto it = std::find_if(job->waiters.begin(), job->waiters.end(),
                                     [id = id](const Waiter &w) { return w.id == id; });
        if (it == job->waiters.end())
            continue;
        const std::function<void(const FetchResult &)> done = std::move(it->done);
        job->waiters.erase(it);
        // The result stays in the job, which lives as long as the fetcher.
        done(job->result);
    }
}

std::optional<QByteArray> fetchedPadBytes(const FetchResult &result, QString *reason)
{
    if (!result.succeeded()) {
        if (reason)
            *reason = result.url.toDisplayString() + u' ' + result.problem();
        return std::nullopt;
    }
    return result.body;
}

} // namespace Online
