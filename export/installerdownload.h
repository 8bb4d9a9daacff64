#pragma once

#include "addressfetch.h"
#include "installersource.h"

#include <QUrl>

#include <memory>
#include <optional>

namespace Export {

// The most an installer read from an address may be, whatever it states.
inline constexpr qint64 MaxInstallerDownload = qint64(4) << 30;

// How much of an installer is read from its address: the size the PAD file
// states and a tenth more (at least 1 MiB), so that a server sending far
// more than the file it should be stops early; without a stated size,
// MaxInstallerDownload. Never more than MaxInstallerDownload.
qint64 downloadLimit(std::optional<qint64> statedSize);

// An installer streamed from its download address through the online
// check's fetcher (its redirects, its refusal of private addresses, its
// limits on connections) into an InstallerInspector: hashed as it comes,
// never held. A server that falls silent for the fetch settings' timeout
// ends it, and so does a body past downloadLimit().
class DownloadInstallerSource : public InstallerSource
{
    Q_OBJECT

public:
    DownloadInstallerSource(const QUrl &url, std::optional<qint64> statedSize, const Online::FetchSettings &settings,
                            QObject *parent = nullptr);
    ~DownloadInstallerSource() override;

    void start() override;
    void cancel() override;
    QString description() const override;

private:
    void done(const Online::FetchResult &result);

    QUrl m_url;
    std::optional<qint64> m_statedSize;
    Online::FetchSettings m_settings;
    std::unique_ptr<Online::AddressFetcher> m_fetcher;
    std::unique_ptr<InstallerInspector> m_inspector;
    std::unique_ptr<QObject> m_waiting; // the stream's context: gone, nothing more comes
};

} // namespace Export
