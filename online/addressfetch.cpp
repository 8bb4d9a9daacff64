#include "addressfetch.h"

#include "padreader.h"

#include "quilletinfo.h"

#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSet>
#include <QSslCertificate>
#include <QSslError>
#include <QTimer>

#include <algorithm>

namespace Online {


using namespace Pad;

namespace {

// What a probe keeps of an answer that is no success (a 404 page, say)
// before it hangs up: enough to let a short answer end by itself and keep
// its connection for the next request.
constexpr qint64 DiscardLimit = 16 * 1024;

bool isProbe(FetchKind kind)
{
    return kind == FetchKind::Probe || kind == FetchKind::Download;
}

qint64 bodyLimit(FetchKind kind)
{
    switch (kind) {
    case FetchKind::PadFile:
        return MaxPadFileSize;
    case FetchKind::Image:
        return MaxImageSize;
    case FetchKind::Probe:
    case FetchKind::Download:
        break;
    }
    return ProbeBytes;
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

bool FetchResult::leftHttps() const
{
    return std::any_of(redirects.begin(), redirects.end(), [](const Redirect &r) {
        return r.from.scheme() == u"https" && r.to.scheme() == u"http";
    });
}

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
    if (!redirects.isEmpty() && failure != FetchFailure::RedirectLoop
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
    FetchResult result;
    QList<Waiter> waiters;
    QUrl current;
    QByteArray method;
    QNetworkReply *reply = nullptr;
    QString slotHost; // the host whose connection the running request holds
    QTimer deadline;
    QSet<QString> seen; // addresses visited, to notice a loop
    QList<QSslError> sslErrors;
    QSslCertificate peer;
    qint64 received = 0; // bytes of the current answer read so far
    bool triedGet = false;
    bool queued = false;
    bool done = false;
};

AddressFetcher::AddressFetcher(const FetchSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings), m_manager(new QNetworkAccessManager(this))
{
    if (m_settings.proxy)
        m_manager->setProxy(*m_settings.proxy);
    if (m_settings.userAgent.isEmpty())
        m_settings.userAgent = QByteArray("Quillet/") + Quillet::ApplicationVersion;
    m_settings.maxConnections = std::max(1, m_settings.maxConnections);
    m_settings.maxPerHost = std::max(1, m_settings.maxPerHost);
}

AddressFetcher::~AddressFetcher()
{
    for (auto &[key, job] : m_jobs) {
        if (job->reply) {
            job->reply->disconnect(this);
            job->reply->abort();
        }
    }
}

void AddressFetcher::fetch(const QUrl &url, FetchKind kind, QObject *context,
                           std::function<void(const FetchResult &)> done)
{
    const QUrl key = fetchKey(url);
    std::unique_ptr<Job> &slot = m_jobs[{key.toString(QUrl::FullyEncoded), int(kind)}];
    if (!slot) {
        slot = std::make_unique<Job>();
        Job *job = slot.get();
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
            schedule(job);
        }
    }
    Job *job = slot.get();
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
            if (job->reply) {
                QNetworkReply *reply = job->reply;
                job->reply = nullptr;
                reply->disconnect(this);
                reply->abort();
                reply->deleteLater();
                releaseSlot(job);
            }
            std::erase(m_waiting, job);
            it = m_jobs.erase(it);
        } else {
            ++it;
        }
    }
    pump();
}

QString AddressFetcher::hostKey(const QUrl &url) const
{
    return url.scheme() + QStringLiteral("://") + url.host() + u':'
        + QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
}

void AddressFetcher::schedule(Job *job)
{
    job->queued = true;
    m_waiting.push_back(job);
    pump();
}

void AddressFetcher::pump()
{
    for (auto it = m_waiting.begin(); it != m_waiting.end() && m_running < m_settings.maxConnections;) {
        Job *job = *it;
        const QString host = hostKey(job->current);
        if (m_perHost.value(host) >= m_settings.maxPerHost) {
            ++it;
            continue;
        }
        it = m_waiting.erase(it);
        job->queued = false;
        send(job);
        // send() may have completed jobs and changed the queue: start over.
        it = m_waiting.begin();
    }
}

void AddressFetcher::releaseSlot(Job *job)
{
    if (job->slotHost.isEmpty())
        return;
    if (--m_perHost[job->slotHost] <= 0)
        m_perHost.remove(job->slotHost);
    job->slotHost.clear();
    --m_running;
}

void AddressFetcher::send(Job *job)
{
    QNetworkRequest request(job->current);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, m_settings.userAgent);
    // A compressed answer would state the compressed size, not the file's.
    request.setRawHeader("Accept-Encoding", "identity");
    if (job->current.scheme() == u"https" && m_settings.sslConfiguration)
        request.setSslConfiguration(*m_settings.sslConfiguration);
    if (isProbe(job->kind) && job->method == "GET")
        request.setRawHeader("Range", "bytes=0-0");

    job->slotHost = hostKey(job->current);
    ++m_perHost[job->slotHost];
    ++m_running;
    ++m_requestsSent;
    job->received = 0;
    job->sslErrors.clear();
    job->result.finalUrl = job->current;
    job->result.method = job->method;
    job->result.body.clear();
    if (!job->deadline.isActive() && job->result.redirects.isEmpty() && !job->triedGet)
        job->deadline.start();

    QNetworkReply *reply = job->method == "HEAD" ? m_manager->head(request) : m_manager->get(request);
    job->reply = reply;
    // A probe never wants more than its first bytes in memory, however much
    // a server that ignores the range sends.
    if (isProbe(job->kind))
        reply->setReadBufferSize(DiscardLimit);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, job] { onMetaData(job); });
    connect(reply, &QNetworkReply::readyRead, this, [this, job] { onReadyRead(job); });
    connect(reply, &QNetworkReply::finished, this, [this, job] { onFinished(job); });
    connect(reply, &QNetworkReply::sslErrors, this, [job, reply](const QList<QSslError> &errors) {
        job->sslErrors = errors;
        job->peer = reply->sslConfiguration().peerCertificate();
        if (job->peer.isNull() && !errors.isEmpty())
            job->peer = errors.constFirst().certificate();
    });
}

void AddressFetcher::readHeaders(Job *job)
{
    QNetworkReply *reply = job->reply;
    FetchResult &r = job->result;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.reasonPhrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    r.contentType = reply->rawHeader("Content-Type").split(';').constFirst().trimmed().toLower();
    r.size.reset();
    if (r.status == 206) {
        r.size = contentRangeTotal(reply->rawHeader("Content-Range"));
    } else if (r.status >= 200 && r.status < 300 && reply->hasRawHeader("Content-Length")) {
        bool ok = false;
        const qint64 length = reply->rawHeader("Content-Length").trimmed().toLongLong(&ok);
        if (ok && length >= 0)
            r.size = length;
    }
}

void AddressFetcher::onMetaData(Job *job)
{
    if (!job->reply)
        return;
    readHeaders(job);
    const FetchResult &r = job->result;
    // A body past the limit is refused before any of it is read.
    if (!isProbe(job->kind) && r.status >= 200 && r.status < 300 && r.size && *r.size > bodyLimit(job->kind)) {
        fail(job, FetchFailure::TooLarge,
             QStringLiteral("answers with %1 (%2 bytes), more than the %3 a %4 may have")
                 .arg(sizeInWords(*r.size))
                 .arg(*r.size)
                 .arg(sizeInWords(bodyLimit(job->kind)),
                      job->kind == FetchKind::PadFile ? QStringLiteral("PAD file")
                                                      : QStringLiteral("screenshot or icon")));
    }
}

void AddressFetcher::onReadyRead(Job *job)
{
    QNetworkReply *reply = job->reply;
    if (!reply)
        return;
    const int status = job->result.status;
    const bool success = status >= 200 && status < 300;
    const bool wholeBody = !isProbe(job->kind) && success;
    const qint64 keep = wholeBody ? bodyLimit(job->kind) : ProbeBytes;
    while (reply->bytesAvailable() > 0) {
        const QByteArray chunk = reply->read(64 * 1024);
        job->received += chunk.size();
        const qint64 room = keep - job->result.body.size();
        if (room > 0)
            job->result.body.append(chunk.left(room));
    }
    if (wholeBody && job->received > keep) {
        fail(job, FetchFailure::TooLarge,
             QStringLiteral("answers with more than the %1 a %2 may have")
                 .arg(sizeInWords(keep), job->kind == FetchKind::PadFile
                                             ? QStringLiteral("PAD file")
                                             : QStringLiteral("screenshot or icon")));
        return;
    }
    // A probe has what it came for with the first bytes; the rest of a file
    // (or of a long error page) stays on the server.
    if (!wholeBody && job->received >= (success ? ProbeBytes : DiscardLimit))
        answered(job);
}

void AddressFetcher::onFinished(Job *job)
{
    QNetworkReply *reply = job->reply;
    if (!reply)
        return;
    const QNetworkReply::NetworkError error = reply->error();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status > 0) {
        readHeaders(job);
        onReadyRead(job);
        if (!job->reply)
            return;
        // The server hung up before the whole of a body that counts.
        const bool cut = error == QNetworkReply::RemoteHostClosedError
            || error == QNetworkReply::UnknownNetworkError || error == QNetworkReply::ProtocolFailure
            || error == QNetworkReply::NetworkSessionFailedError;
        if (cut && !isProbe(job->kind) && status >= 200 && status < 300) {
            fail(job, FetchFailure::Closed,
                 job->result.size ? QStringLiteral("closed the connection after %1 of the %2 bytes it announced")
                                        .arg(job->received)
                                        .arg(*job->result.size)
                                  : QStringLiteral("closed the connection before the answer was whole"));
            return;
        }
        answered(job);
        return;
    }
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        fail(job, FetchFailure::Refused, QStringLiteral("cannot be reached: the connection was refused"));
        return;
    case QNetworkReply::HostNotFoundError:
        fail(job, FetchFailure::HostNotFound,
             QStringLiteral("cannot be reached: there is no such host (%1)").arg(job->current.host()));
        return;
    case QNetworkReply::SslHandshakeFailedError: {
        QStringList errors;
        for (const QSslError &e : std::as_const(job->sslErrors))
            errors << e.errorString();
        if (errors.isEmpty())
            errors << reply->errorString();
        QString text = QStringLiteral("fails the TLS check: ") + errors.join(QStringLiteral("; "));
        if (!job->peer.isNull()) {
            job->result.certificateSubject = job->peer.subjectDisplayName();
            job->result.certificateExpiry = job->peer.expiryDate();
            text += QStringLiteral(" (the certificate of \"%1\", valid until %2)")
                        .arg(job->result.certificateSubject,
                             job->result.certificateExpiry.toUTC().toString(Qt::ISODate));
        }
        fail(job, FetchFailure::Tls, text);
        return;
    }
    case QNetworkReply::RemoteHostClosedError:
        // Some servers hang up on HEAD; a GET of the first byte may do.
        if (job->method == "HEAD" && !job->triedGet) {
            job->triedGet = true;
            nextRequest(job, job->current, QByteArrayLiteral("GET"));
            return;
        }
        fail(job, FetchFailure::Closed, QStringLiteral("closed the connection without answering"));
        return;
    case QNetworkReply::TimeoutError:
        fail(job, FetchFailure::TimedOut, timeoutText());
        return;
    default:
        fail(job, FetchFailure::Other, QStringLiteral("cannot be fetched: ") + reply->errorString());
        return;
    }
}

QString AddressFetcher::timeoutText() const
{
    return QStringLiteral("did not answer within %1 s").arg(QLocale::c().toString(m_settings.timeoutMs / 1000.0, 'g', 4));
}

void AddressFetcher::answered(Job *job)
{
    FetchResult &r = job->result;
    const int status = r.status;
    const QByteArray location = job->reply ? job->reply->rawHeader("Location") : QByteArray();
    if (status >= 300 && status < 400 && !location.isEmpty()) {
        const QUrl target = fetchKey(job->current.resolved(QUrl::fromEncoded(location.trimmed())));
        r.redirects.append({job->current, status, target});
        r.finalUrl = target;
        if (!target.isValid() || !isHttp(target) || target.host().isEmpty()) {
            fail(job, FetchFailure::BadRedirect,
                 QStringLiteral("redirects to \"%1\", which is no http or https address")
                     .arg(QString::fromLatin1(location.left(200))));
            return;
        }
        const QString key = target.toString(QUrl::FullyEncoded);
        if (job->seen.contains(key)) {
            QStringList chain;
            for (const Redirect &hop : std::as_const(r.redirects))
                chain << hop.from.toDisplayString();
            chain << target.toDisplayString();
            fail(job, FetchFailure::RedirectLoop,
                 QStringLiteral("redirects in a loop: ") + chain.join(QStringLiteral(" -> ")));
            return;
        }
        if (r.redirects.size() > MaxRedirects) {
            fail(job, FetchFailure::TooManyRedirects,
                 QStringLiteral("redirects more than %1 times").arg(MaxRedirects));
            return;
        }
        job->seen.insert(key);
        nextRequest(job, target, job->method);
        return;
    }
    const bool success = status >= 200 && status < 300;
    if (isProbe(job->kind) && job->method == "HEAD" && !job->triedGet
        && (status >= 400 || (success && job->kind == FetchKind::Download && !r.size))) {
        // The server refuses HEAD (405, 403, 501, ...) or does not state the
        // size: its first byte will tell.
        job->triedGet = true;
        nextRequest(job, job->current, QByteArrayLiteral("GET"));
        return;
    }
    complete(job);
}

void AddressFetcher::nextRequest(Job *job, const QUrl &url, const QByteArray &method)
{
    dropReply(job);
    job->current = url;
    job->method = method;
    schedule(job);
}

void AddressFetcher::dropReply(Job *job)
{
    if (QNetworkReply *reply = job->reply) {
        job->reply = nullptr;
        reply->disconnect(this);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
    releaseSlot(job);
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
    // A probe whose answer began has what it needs, even if the rest never comes.
    if (job->reply && isProbe(job->kind) && job->result.status > 0 && job->method == "GET") {
        answered(job);
        return;
    }
    if (job->queued)
        std::erase(m_waiting, job);
    job->queued = false;
    fail(job, FetchFailure::TimedOut, timeoutText());
}

void AddressFetcher::complete(Job *job)
{
    dropReply(job);
    if (job->queued) {
        std::erase(m_waiting, job);
        job->queued = false;
    }
    job->deadline.stop();
    job->done = true;
    for (const Waiter &waiter : std::as_const(job->waiters))
        queueDelivery(job, waiter.id);
    // Called from the reply's own signals: the queue moves on from the event loop.
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
