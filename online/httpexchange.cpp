#include "httpexchange.h"

#include "padrules.h"
#include "privateaddress.h"

#include <QHostInfo>
#include <QNetworkProxyFactory>
#include <QSslCertificate>
#include <QSslSocket>
#include <QTcpSocket>

namespace Online {

namespace {

// What a socket holds of an answer before it is read: reading happens as
// soon as bytes come, so this bounds the socket, not the answer.
constexpr qint64 SocketBufferSize = 64 * 1024;

bool isHttps(const QUrl &url)
{
    return url.scheme() == u"https";
}

int portOf(const QUrl &url)
{
    return url.port(isHttps(url) ? 443 : 80);
}

// "example.com", "example.com:8080", "[::1]:8080", as the Host header gives it.
QByteArray hostHeader(const QUrl &url)
{
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() >= 0 && url.port() != (isHttps(url) ? 443 : 80))
        host += ':' + QByteArray::number(url.port());
    return host;
}

QByteArray pathAndQuery(const QUrl &url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    return target;
}

bool viaHttpProxy(const QNetworkProxy &proxy)
{
    return proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::HttpCachingProxy;
}

} // namespace

HttpExchange::HttpExchange(const ExchangeSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
}

HttpExchange::~HttpExchange()
{
    abort();
}

void HttpExchange::setBodySink(std::function<void(QByteArrayView)> sink)
{
    m_sink = std::move(sink);
    m_response.setBodySink(m_sink);
}

bool HttpExchange::bodyBeyondLimit() const
{
    return m_response.bodyReceived() > (m_request.readLimit >= 0 ? m_request.readLimit : m_request.keepBody);
}

void HttpExchange::start(const Request &request)
{
    m_request = request;
    m_response = HttpResponseParser(request.method == "HEAD", request.keepBody);
    m_response.setBodySink(m_sink);
    m_proxy = proxyFor(request.url);
    const QString host = request.url.host();
    QHostAddress literal;
    if (literal.setAddress(host)) {
        QMetaObject::invokeMethod(this, [this, literal] { lookedUp({literal}); }, Qt::QueuedConnection);
        return;
    }
    m_lookupId = QHostInfo::lookupHost(host, this, [this](const QHostInfo &info) {
        m_lookupId = -1;
        lookedUp(info.error() == QHostInfo::NoError ? info.addresses() : QList<QHostAddress>());
    });
}

void HttpExchange::abort()
{
    m_aborted = true;
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

QNetworkProxy HttpExchange::proxyFor(const QUrl &url) const
{
    QNetworkProxy proxy = m_settings.proxy.value_or(QNetworkProxy(QNetworkProxy::DefaultProxy));
    if (proxy.type() == QNetworkProxy::DefaultProxy)
        proxy = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url)).value(0);
    switch (proxy.type()) {
    case QNetworkProxy::HttpProxy:
    case QNetworkProxy::HttpCachingProxy:
    case QNetworkProxy::Socks5Proxy:
        return proxy;
    case QNetworkProxy::NoProxy:
    case QNetworkProxy::DefaultProxy:
    case QNetworkProxy::FtpCachingProxy:
        break;
    }
    return QNetworkProxy(QNetworkProxy::NoProxy);
}

void HttpExchange::lookedUp(const QList<QHostAddress> &addresses)
{
    if (m_aborted || m_finished)
        return;
    const bool proxied = m_proxy.type() != QNetworkProxy::NoProxy;
    if (addresses.isEmpty()) {
        // Behind a proxy, a name this machine cannot resolve may still be the proxy's to reach.
        if (proxied) {
            connectThroughProxy();
            return;
        }
        fail(FetchFailure::HostNotFound,
             QStringLiteral("cannot be reached: there is no such host (%1)").arg(m_request.url.host()));
        return;
    }
    if (!m_settings.allowPrivateAddresses) {
        for (const QHostAddress &address : addresses) {
            if (privateRange(address)) {
                fail(FetchFailure::PrivateAddress,
                     QStringLiteral("points at a private network address that download sites cannot "
                                    "reach; not fetched"));
                return;
            }
        }
    }
    m_candidates = addresses;
    m_next = 0;
    if (proxied)
        connectThroughProxy();
    else
        connectNext();
}

void HttpExchange::connectNext()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    const bool https = isHttps(m_request.url);
    m_peer = m_candidates[m_next++];
    QAbstractSocket *socket = nullptr;
    if (https) {
        auto *ssl = new QSslSocket(this);
        ssl->setSslConfiguration(m_settings.sslConfiguration.value_or(QSslConfiguration::defaultConfiguration()));
        connect(ssl, &QSslSocket::encrypted, this, &HttpExchange::sendRequest);
        connect(ssl, &QSslSocket::sslErrors, this, [this](const QList<QSslError> &errors) { m_sslErrors = errors; });
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
        connect(socket, &QAbstractSocket::connected, this, &HttpExchange::sendRequest);
    }
    m_socket = socket;
    socket->setReadBufferSize(SocketBufferSize);
    socket->setProxy(m_proxy.type() == QNetworkProxy::NoProxy ? QNetworkProxy(QNetworkProxy::NoProxy) : m_proxy);
    connect(socket, &QAbstractSocket::readyRead, this, &HttpExchange::readAnswer);
    connect(socket, &QAbstractSocket::errorOccurred, this, &HttpExchange::socketError);
    connect(socket, &QAbstractSocket::disconnected, this, &HttpExchange::peerClosed);
    const quint16 port = quint16(portOf(m_request.url));
    if (m_proxy.type() != QNetworkProxy::NoProxy) {
        // The proxy connects by name; the name was checked as this machine resolves it, if it could.
        if (https)
            static_cast<QSslSocket *>(socket)->connectToHostEncrypted(m_request.url.host(), port);
        else
            socket->connectToHost(m_request.url.host(), port);
    } else if (https) {
        // To the address checked, with the certificate checked for the host's name.
        static_cast<QSslSocket *>(socket)->connectToHostEncrypted(m_peer.toString(), port, m_request.url.host());
    } else {
        socket->connectToHost(m_peer, port);
    }
}

void HttpExchange::connectThroughProxy()
{
    if (viaHttpProxy(m_proxy) && !isHttps(m_request.url)) {
        // A plain request goes to an HTTP proxy as it is, naming the whole address.
        m_candidates = {};
        m_next = 0;
        auto *socket = new QTcpSocket(this);
        m_socket = socket;
        socket->setReadBufferSize(SocketBufferSize);
        socket->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        connect(socket, &QAbstractSocket::connected, this, &HttpExchange::sendRequest);
        connect(socket, &QAbstractSocket::readyRead, this, &HttpExchange::readAnswer);
        connect(socket, &QAbstractSocket::errorOccurred, this, &HttpExchange::socketError);
        connect(socket, &QAbstractSocket::disconnected, this, &HttpExchange::peerClosed);
        socket->connectToHost(m_proxy.hostName(), m_proxy.port());
        return;
    }
    if (m_proxy.type() == QNetworkProxy::HttpCachingProxy)
        m_proxy.setType(QNetworkProxy::HttpProxy); // a tunnel (CONNECT) for https
    m_candidates = {QHostAddress()};
    m_next = 0;
    connectNext();
}

void HttpExchange::sendRequest()
{
    const bool plainToProxy = viaHttpProxy(m_proxy) && !isHttps(m_request.url);
    QByteArray request = m_request.method + ' '
        + (plainToProxy ? m_request.url.toEncoded(QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                        : pathAndQuery(m_request.url))
        + " HTTP/1.1\r\nHost: " + hostHeader(m_request.url) + "\r\nUser-Agent: " + m_settings.userAgent
        // A compressed answer would state the compressed size, not the file's.
        + "\r\nAccept: */*\r\nAccept-Encoding: identity\r\nConnection: close\r\n";
    if (!m_request.range.isEmpty())
        request += "Range: " + m_request.range + "\r\n";
    if (plainToProxy && !m_proxy.user().isEmpty()) {
        request += "Proxy-Authorization: Basic "
            + (m_proxy.user() + u':' + m_proxy.password()).toUtf8().toBase64() + "\r\n";
    }
    m_socket->write(request + "\r\n");
}

void HttpExchange::readAnswer()
{
    const QPointer<HttpExchange> self(this);
    while (!m_finished && !m_aborted && m_socket && m_socket->bytesAvailable() > 0) {
        const qint64 before = m_response.bodyReceived();
        m_response.feed(m_socket->read(SocketBufferSize));
        if (m_response.state() == HttpResponseParser::State::Failed) {
            fail(FetchFailure::Malformed, m_response.failure());
            return;
        }
        if (m_response.headersComplete() && !m_headersSignalled) {
            m_headersSignalled = true;
            emit headersReceived();
            if (!self || m_aborted || m_finished)
                return;
        }
        if (m_response.bodyReceived() != before) {
            emit bodyReceived(m_response.bodyReceived());
            if (!self || m_aborted || m_finished)
                return;
        }
        if (m_response.state() == HttpResponseParser::State::Done || bodyBeyondLimit()) {
            finish();
            return;
        }
    }
}

void HttpExchange::socketError()
{
    if (m_finished || m_aborted || !m_socket)
        return;
    const bool moreToTry = m_next < m_candidates.size() && m_candidates[m_next].protocol() != QAbstractSocket::UnknownNetworkLayerProtocol;
    switch (m_socket->error()) {
    case QAbstractSocket::RemoteHostClosedError:
        peerClosed();
        return;
    case QAbstractSocket::ConnectionRefusedError:
        if (moreToTry)
            connectNext();
        else
            fail(FetchFailure::Refused, QStringLiteral("cannot be reached: the connection was refused"));
        return;
    case QAbstractSocket::HostNotFoundError:
        fail(FetchFailure::HostNotFound,
             QStringLiteral("cannot be reached: there is no such host (%1)").arg(m_request.url.host()));
        return;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        fail(FetchFailure::Tls, tlsFailureText());
        return;
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::SocketTimeoutError:
        if (moreToTry) {
            connectNext();
            return;
        }
        break;
    case QAbstractSocket::ProxyConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionClosedError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
    case QAbstractSocket::ProxyNotFoundError:
    case QAbstractSocket::ProxyProtocolError:
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        fail(FetchFailure::Other, QStringLiteral("cannot be fetched through the proxy: ") + m_socket->errorString());
        return;
    default:
        break;
    }
    fail(FetchFailure::Other, QStringLiteral("cannot be reached: ") + m_socket->errorString());
}

void HttpExchange::peerClosed()
{
    if (m_finished || m_aborted)
        return;
    // What the socket still holds belongs to the answer.
    readAnswer();
    if (m_finished || m_aborted)
        return;
    m_response.closed();
    if (m_response.state() == HttpResponseParser::State::Done) {
        finish();
    } else if (!m_response.headersComplete()) {
        fail(FetchFailure::Closed, QStringLiteral("closed the connection without answering"));
    } else if (const std::optional<qint64> length = m_response.contentLength()) {
        fail(FetchFailure::Closed, QStringLiteral("closed the connection after %1 of the %2 bytes it announced")
                                       .arg(m_response.bodyReceived())
                                       .arg(*length));
    } else {
        fail(FetchFailure::Closed, QStringLiteral("closed the connection before the answer was whole"));
    }
}

QSslCertificate HttpExchange::peerCertificate() const
{
    const auto *ssl = qobject_cast<const QSslSocket *>(m_socket);
    QSslCertificate peer = ssl ? ssl->peerCertificate() : QSslCertificate();
    if (peer.isNull() && !m_sslErrors.isEmpty())
        peer = m_sslErrors.constFirst().certificate();
    return peer;
}

QString HttpExchange::tlsFailureText() const
{
    QStringList errors;
    for (const QSslError &error : m_sslErrors)
        errors << error.errorString();
    if (errors.isEmpty())
        errors << m_socket->errorString();
    QString text = QStringLiteral("fails the TLS check: ") + errors.join(QStringLiteral("; "));
    const QSslCertificate peer = peerCertificate();
    if (!peer.isNull()) {
        text += QStringLiteral(" (the certificate of \"%1\", valid until %2)")
                    .arg(Pad::escapedControls(peer.subjectDisplayName()),
                         peer.expiryDate().toUTC().toString(Qt::ISODate));
    }
    return text;
}

void HttpExchange::fail(FetchFailure failure, const QString &text)
{
    m_failure = failure;
    m_failureText = text;
    if (failure == FetchFailure::Tls) {
        const QSslCertificate peer = peerCertificate();
        m_certificateSubject = peer.subjectDisplayName();
        m_certificateExpiry = peer.expiryDate();
    }
    finish();
}

void HttpExchange::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    emit finished();
}

} // namespace Online
