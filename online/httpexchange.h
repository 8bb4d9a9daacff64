#pragma once

#include "httpresponse.h"

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QNetworkProxy>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>
#include <QUrl>

#include <optional>

class QAbstractSocket;

namespace Online {

// Why an exchange gave no answer, or no whole one.
enum class FetchFailure {
    None,
    TimedOut,
    Refused,
    HostNotFound,
    PrivateAddress, // the host is, or resolves to, an address download sites cannot reach
    RedirectLoop,
    TooManyRedirects,
    BadRedirect, // a Location that is no http or https address
    Tls,         // the certificate or the handshake failed
    TooLarge,    // a body past its kind's limit
    Malformed,   // the answer is no HTTP, or breaks a limit on its headers
    Closed,      // the server hung up before the answer was whole
    Cancelled,
    Other,
};

// How one exchange reaches a server.
struct ExchangeSettings
{
    // nullopt: the application's proxy for the address (the environment's and
    // the desktop's, where the program asked for them).
    std::optional<QNetworkProxy> proxy;
    // nullopt: the default configuration and its system certificates.
    std::optional<QSslConfiguration> sslConfiguration;
    // Fetch hosts on loopback, private, link-local and other addresses that
    // download sites cannot reach.
    bool allowPrivateAddresses = false;
    QByteArray userAgent;
};

// One HTTP/1.1 request and its answer over a connection of its own, made
// with QTcpSocket or QSslSocket so that nothing is buffered without bound:
// the answer goes through HttpResponseParser as it comes, at most 64 KiB of
// socket buffer at a time, and the connection is closed as soon as the
// answer is whole or has given keepBody bytes of body (and one more, to tell
// an answer that goes on). The host is resolved here, and with
// allowPrivateAddresses unset an address in a private range is refused
// before any connection; without a proxy the connection goes to the very
// address checked. Results always come from the event loop, never from
// inside start(); there is no deadline here: the caller aborts.
class HttpExchange : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QUrl url; // http or https, with a host
        QByteArray method; // "HEAD" or "GET"
        QByteArray range;  // the Range header's value, or empty
        qint64 keepBody = 0; // the body's first bytes that response() holds
        // Reading stops once the body goes past this many bytes; -1: keepBody.
        qint64 readLimit = -1;
    };

    explicit HttpExchange(const ExchangeSettings &settings, QObject *parent = nullptr);
    ~HttpExchange() override;

    void start(const Request &request);
    // Closes the connection at once; nothing more is emitted.
    void abort();
    // Hands every byte of the body to sink as it comes, before finished().
    void setBodySink(std::function<void(QByteArrayView)> sink);

    const HttpResponseParser &response() const { return m_response; }
    FetchFailure failure() const { return m_failure; }
    // In words, as a finding ends: "cannot be reached: the connection was refused".
    const QString &failureText() const { return m_failureText; }
    // For a TLS failure: what the server's certificate says of itself.
    const QString &certificateSubject() const { return m_certificateSubject; }
    const QDateTime &certificateExpiry() const { return m_certificateExpiry; }

signals:
    // The answer's status and headers are in; a receiver may abort().
    void headersReceived();
    // More of the body came (for progress).
    void bodyReceived(qint64 total);
    // The exchange ended: the answer whole, its kept part in, or a failure.
    void finished();

private:
    QNetworkProxy proxyFor(const QUrl &url) const;
    void lookedUp(const QList<QHostAddress> &addresses);
    void connectNext();
    void connectThroughProxy();
    void sendRequest();
    void readAnswer();
    void socketError();
    void peerClosed();
    void fail(FetchFailure failure, const QString &text);
    void finish();
    QSslCertificate peerCertificate() const;
    QString tlsFailureText() const;
    // Whether the body went past the read limit, where reading stops.
    bool bodyBeyondLimit() const;

    ExchangeSettings m_settings;
    Request m_request;
    HttpResponseParser m_response{false, 0};
    std::function<void(QByteArrayView)> m_sink;
    QNetworkProxy m_proxy;
    QAbstractSocket *m_socket = nullptr;
    int m_lookupId = -1;
    QList<QHostAddress> m_candidates; // resolved, in the order to try
    qsizetype m_next = 0;
    QHostAddress m_peer;
    QList<QSslError> m_sslErrors;
    QString m_certificateSubject;
    QDateTime m_certificateExpiry;
    FetchFailure m_failure = FetchFailure::None;
    QString m_failureText;
    bool m_headersSignalled = false;
    bool m_finished = false;
    bool m_aborted = false;
};

} // namespace Online
