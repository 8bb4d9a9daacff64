#include "installerdownload.h"

#include <QFileInfo>

#include <algorithm>

namespace Export {

qint64 downloadLimit(std::optional<qint64> statedSize)
{
    if (!statedSize || *statedSize < 0)
        return MaxInstallerDownload;
    const qint64 margin = std::max<qint64>(1024 * 1024, *statedSize / 10);
    return std::min(MaxInstallerDownload, *statedSize + margin);
}

DownloadInstallerSource::DownloadInstallerSource(const QUrl &url, std::optional<qint64> statedSize,
                                                 const Online::FetchSettings &settings, QObject *parent)
    : InstallerSource(parent), m_url(url), m_statedSize(statedSize), m_settings(settings)
{
}

DownloadInstallerSource::~DownloadInstallerSource()
{
    cancel();
}

QString DownloadInstallerSource::description() const
{
    return m_url.toDisplayString();
}

void DownloadInstallerSource::start()
{
    m_fetcher = std::make_unique<Online::AddressFetcher>(m_settings);
    m_inspector = std::make_unique<InstallerInspector>(QFileInfo(m_url.path()).fileName());
    m_waiting = std::make_unique<QObject>();
    m_fetcher->stream(
        m_url, downloadLimit(m_statedSize), m_waiting.get(),
        [this](QByteArrayView bytes) { m_inspector->feed(bytes); },
        [this](qint64 received, std::optional<qint64> size) {
            emit progress(received, size.value_or(m_statedSize.value_or(-1)));
        },
        [this](const Online::FetchResult &result) { done(result); });
}

void DownloadInstallerSource::cancel()
{
    if (m_fetcher && m_waiting)
        m_fetcher->cancel(m_waiting.get());
    m_waiting.reset();
    m_inspector.reset();
}

void DownloadInstallerSource::done(const Online::FetchResult &result)
{
    // Not from inside the fetcher's own call.
    m_fetcher.release()->deleteLater();
    m_waiting.release()->deleteLater();
    if (!result.succeeded()) {
        m_inspector.reset();
        emit failed(m_url.toDisplayString() + u' ' + result.problem());
        return;
    }
    InstallerFacts facts = m_inspector->finish();
    facts.readFrom = m_url.toDisplayString();
    m_inspector.reset();
    emit finished(facts);
}

} // namespace Export
