#pragma once

#include "installerfacts.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace Export {

// Where an installer's bytes come from on their way through an
// InstallerInspector, read in the background with progress and a way to
// stop: a local file now; a download streamed from the PAD file's address
// is the second kind this is built for. Each source is started once.
class InstallerSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void start() = 0;
    // Stops reading; neither finished nor failed follows.
    virtual void cancel() = 0;
    // What is read, as messages name it.
    virtual QString description() const = 0;

signals:
    // done bytes of total; total is -1 while unknown.
    void progress(qint64 done, qint64 total);
    void finished(const Export::InstallerFacts &facts);
    void failed(const QString &reason);
};

// A local file, read one chunk per turn of the event loop, so that the
// window stays responsive without a thread and a cancel takes effect at once.
class LocalInstallerSource : public InstallerSource
{
    Q_OBJECT

public:
    explicit LocalInstallerSource(const QString &path, QObject *parent = nullptr);

    void start() override;
    void cancel() override;
    QString description() const override;

    // The bytes read per turn of the event loop.
    static constexpr qint64 ChunkSize = 4 * 1024 * 1024;

private:
    void readChunk();

    QFile m_file;
    QTimer m_turn;
    std::unique_ptr<InstallerInspector> m_inspector;
    QByteArray m_buffer;
};

} // namespace Export
