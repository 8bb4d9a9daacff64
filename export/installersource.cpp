#include "installersource.h"

#include <QDir>
#include <QFileInfo>

namespace Export {

LocalInstallerSource::LocalInstallerSource(const QString &path, QObject *parent)
    : InstallerSource(parent)
    , m_file(path)
{
    m_turn.setInterval(0);
    connect(&m_turn, &QTimer::timeout, this, &LocalInstallerSource::readChunk);
}

QString LocalInstallerSource::description() const
{
    return QDir::toNativeSeparators(m_file.fileName());
}

void LocalInstallerSource::start()
{
    if (!m_file.open(QIODevice::ReadOnly)) {
        // After start() returns, as a read that fails later would.
        const QString reason = m_file.errorString();
        QTimer::singleShot(0, this, [this, reason] { emit failed(reason); });
        return;
    }
    m_inspector = std::make_unique<InstallerInspector>(QFileInfo(m_file.fileName()).fileName());
    m_buffer.resize(ChunkSize);
    m_turn.start();
}

void LocalInstallerSource::cancel()
{
    m_turn.stop();
    m_file.close();
    m_inspector.reset();
}

void LocalInstallerSource::readChunk()
{
    const qint64 got = m_file.read(m_buffer.data(), m_buffer.size());
    if (got < 0) {
        const QString reason = m_file.errorString();
        cancel();
        emit failed(reason);
        return;
    }
    if (got > 0) {
        m_inspector->feed(QByteArrayView(m_buffer.constData(), got));
        emit progress(m_inspector->bytesFed(), m_file.size());
        return;
    }
    InstallerFacts facts = m_inspector->finish();
    facts.readFrom = m_file.fileName();
    cancel();
    emit finished(facts);
}

} // namespace Export
